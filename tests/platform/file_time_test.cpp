#include "platform/common/file_time.h"

#include <gtest/gtest.h>

#include "platform/common/manual_clock.h"

namespace vmt::platform {
namespace {

TEST(FileTime, CivilConversionsRoundTrip) {
  EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
  EXPECT_EQ(days_from_civil(2012, 2, 23), 15393);
  const LocalTime f = epoch_seconds_to_fields(fields_to_epoch_seconds({2012, 2, 29, 23, 59, 58, 0, 0}));
  EXPECT_EQ(f.year, 2012);
  EXPECT_EQ(f.month, 2);
  EXPECT_EQ(f.day, 29);
  EXPECT_EQ(f.second, 58);
  EXPECT_EQ(f.weekday, 3);  // a Wednesday
  EXPECT_EQ(epoch_seconds_to_fields(-1).year, 1969);
}

TEST(FileTime, TicksAndFields) {
  LocalTime f;
  ASSERT_TRUE(file_time_to_fields(kUnixEpochTicks + 1234 * 10000, &f));
  EXPECT_EQ(f.year, 1970);
  EXPECT_EQ(f.second, 1);
  EXPECT_EQ(f.milliseconds, 234);
  ASSERT_TRUE(file_time_to_fields(0, &f));
  EXPECT_EQ(f.year, 1601);
  EXPECT_FALSE(file_time_to_fields(0x8000000000000000ULL, &f));
  FileTimeTicks ticks = 0;
  ASSERT_TRUE(fields_to_file_time({1601, 1, 1, 0, 0, 0, 1, 0}, &ticks));
  EXPECT_EQ(ticks, 0u);
  EXPECT_FALSE(fields_to_file_time({1600, 12, 31, 0, 0, 0, 0, 0}, &ticks));
}

TEST(ManualClock, LocalTimeFollowsTheOffset) {
  ManualClock clock;
  LocalTime now = clock.local_now();
  EXPECT_EQ(now.year, 2012);
  EXPECT_EQ(now.hour, 14);
  EXPECT_EQ(now.weekday, 4);  // Thursday
  EXPECT_EQ(now.milliseconds, 123);
  clock.set_utc_offset_seconds(3600);
  EXPECT_EQ(clock.local_now().hour, 15);
  clock.set_local({2012, 2, 23, 0, 30, 0, 0, 9});
  EXPECT_EQ(clock.local_now().hour, 0);
  EXPECT_EQ(clock.local_now().milliseconds, 9);
  clock.advance_seconds(-3600);
  EXPECT_EQ(clock.local_now().day, 22);
}

}  // namespace
}  // namespace vmt::platform
