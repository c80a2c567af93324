// The three date forms, their twelve-hour rules and the logging of fields out of range.
#include <gtest/gtest.h>

#include "app/dates.h"
#include "platform/common/manual_clock.h"
#include "support/fakes.h"

namespace vmt::app {
namespace {

class DatesTest : public ::testing::Test {
 protected:
  void set(int year, int month, int day, int hour, int minute, int second, int ms) {
    clock_.set_local(platform::LocalTime{year, month, day, hour, minute, second, 0, ms});
  }
  test::ScriptedMessageBoxes boxes_;
  BuiltInStringTable table_;
  MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  platform::ManualClock clock_;
  DateServices services_{texts_, log_, clock_};
};

TEST_F(DatesTest, PaneFormUsesTheTwelveHourClockAndShowsFieldsOutOfRangeAsTheyAre) {
  EXPECT_EQ("2/23/2012 2:05:09 PM", format_date_time(services_, 2012, 2, 23, 14, 5, 9, true));
  EXPECT_EQ("1/1/2012 12:30 AM", format_date_time(services_, 2012, 1, 1, 0, 30, 0, false));
  EXPECT_EQ("1/1/2012 12:00:00 PM", format_date_time(services_, 2012, 1, 1, 12, 0, 0, true));
  EXPECT_EQ(0u, log_.count());
  EXPECT_EQ("13/23/2012 2:05 PM", format_date_time(services_, 2012, 13, 23, 14, 5, 9, false));
  EXPECT_EQ(1u, log_.count());
  log_.clear();
  format_date_time(services_, 1899, 0, 32, 24, 60, 60, true);
  EXPECT_EQ(6u, log_.count());
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(DatesTest, StampsArePaddedAndTheLongFormIsInWords) {
  EXPECT_EQ("Thursday, February 23, 2012, 2:05:09p.m.", make_long_date_time(services_, true));
  EXPECT_EQ("Thursday, February 23, 2012, 14:05:09", make_long_date_time(services_, false));
  set(2012, 2, 23, 8, 5, 9, 9);
  EXPECT_EQ("2012_02_23_08_05_09009", make_time_stamp(services_, '_', true));
  EXPECT_EQ("2012-02-23-08-05-09", make_time_stamp(services_, '-', false));
  set(2012, 3, 4, 0, 7, 3, 0);
  EXPECT_EQ("Sunday, March 4, 2012, 12:07:03a.m.", make_long_date_time(services_, true));
  EXPECT_EQ(0u, log_.count());
  set(2050, 1, 1, 12, 0, 0, 0);
  make_long_date_time(services_, true);
  EXPECT_EQ(1u, log_.count());  // the year out of the range of the stamp
}

}  // namespace
}  // namespace vmt::app
