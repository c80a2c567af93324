// The Featlink comparison over hand-made panes, its report text, and the
// guided copying against the emulated data collector.
#include "ui/featlink_check.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "support/fake_copying.h"
#include "support/fake_run.h"
#include "support/field_device.h"

namespace vmt::ui {
namespace {

constexpr platform::FileTimeTicks kSecond = 10000000ULL;
constexpr platform::FileTimeTicks kNoon = 130000000000000000ULL;
constexpr char kSep = platform::path::kSeparator;

class Featlink : public ::testing::Test {
 protected:
  void on_desktop(const std::string& name, platform::FileTimeTicks time,
                  std::uint32_t attributes = 0) {
    platform::FindData data;
    data.name = name;
    data.attributes = attributes;
    data.times.last_write = time;
    desktop_.entries.push_back(C_file_dir_info::desktop(data, run_.fake.clock));
  }
  void on_device(const std::string& name, platform::FileTimeTicks time,
                 std::uint32_t attributes = 0) {
    platform::CeFindData data;
    data.cFileName = platform::to_utf16(name);
    data.dwFileAttributes = attributes;
    data.ftLastWriteTime = time;
    device_.entries.push_back(C_file_dir_info::device(data, run_.fake.clock));
  }
  FeatlinkLists compare() { return compare_featlink_files(run_.context, desktop_, device_); }
  std::string report(const FeatlinkLists& lists) {
    return featlink_report_text(run_.context, lists, "C:\\Featlink\\", "\\Projects\\");
  }

  test::FakeRun run_;
  C_file_dir_pane desktop_{PaneSide::kDesktop};
  C_file_dir_pane device_{PaneSide::kDevice};
};

using Names = std::vector<std::string>;

TEST_F(Featlink, NamesPairWithoutCaseAndTimesSortIntoTheSixLists) {
  on_desktop("Codes.csv", kNoon);
  on_desktop("five.csv", kNoon + 5 * kSecond);
  on_desktop("early.csv", kNoon - 5 * kSecond);
  on_desktop("six.csv", kNoon + 6 * kSecond);
  on_desktop("Old.csv", kNoon - 6 * kSecond);
  on_desktop("desk only.csv", kNoon);
  on_device("CODES.CSV", kNoon);
  on_device("five.csv", kNoon);
  on_device("early.csv", kNoon);
  on_device("six.csv", kNoon);
  on_device("OLD.csv", kNoon);
  on_device("field only.csv", kNoon);
  // Below the second counts as the same second.
  on_desktop("ticks.csv", kNoon + kSecond - 1);
  on_device("ticks.csv", kNoon);

  const FeatlinkLists lists = compare();
  EXPECT_EQ(Names({"Codes.csv", "ticks.csv"}), lists.same_date);
  EXPECT_EQ(Names({"five.csv", "early.csv"}), lists.within_5_seconds);
  EXPECT_EQ(Names({"six.csv"}), lists.newer_on_desktop);
  EXPECT_EQ(Names({"OLD.csv"}), lists.newer_on_collector);  // the device's own name
  EXPECT_EQ(Names({"desk only.csv"}), lists.unique_on_desktop);
  EXPECT_EQ(Names({"field only.csv"}), lists.unique_on_collector);
  EXPECT_EQ(4u, lists.situations());
}

// Where either folder keeps times to two seconds (a storage card, a FAT
// disk), two seconds apart is the same date; three are still within five.
TEST_F(Featlink, OnAFatSideTimesTwoSecondsApartAreTheSameDate) {
  on_desktop("one.csv", kNoon + kSecond);
  on_desktop("two.csv", kNoon - 2 * kSecond);
  on_desktop("three.csv", kNoon + 3 * kSecond);
  on_desktop("six.csv", kNoon + 6 * kSecond);
  for (const char* name : {"one.csv", "two.csv", "three.csv", "six.csv"}) on_device(name, kNoon);
  FeatlinkLists lists = compare_featlink_files(run_.context, desktop_, device_, true);
  EXPECT_EQ(Names({"one.csv", "two.csv"}), lists.same_date);
  EXPECT_EQ(Names({"three.csv"}), lists.within_5_seconds);
  EXPECT_EQ(Names({"six.csv"}), lists.newer_on_desktop);
  lists = compare();
  EXPECT_TRUE(lists.same_date.empty());
  EXPECT_EQ(Names({"one.csv", "two.csv", "three.csv"}), lists.within_5_seconds);
}

TEST_F(Featlink, AFolderNamedLikeALibraryIsNoneOnEitherSide) {
  on_desktop("Roads.csv", kNoon);
  on_desktop("Archive.csv", kNoon, platform::attr::kDirectory);
  on_device("archive.CSV", kNoon - 60 * kSecond);
  on_device("Roads.csv", kNoon, platform::attr::kDirectory);
  on_device("Lines.csv", kNoon);
  // No copy is offered onto a folder, nor a folder offered as a library.
  const FeatlinkLists lists = compare();
  EXPECT_TRUE(lists.unique_on_desktop.empty());
  EXPECT_EQ(Names({"Lines.csv"}), lists.unique_on_collector);
  EXPECT_TRUE(lists.newer_on_desktop.empty());
  EXPECT_TRUE(lists.newer_on_collector.empty());
  EXPECT_EQ(1u, lists.situations());
}

TEST_F(Featlink, EveryDeviceEntryOfTheNameTakesPartAndUnknownTimesAreNeverNewer) {
  on_desktop("codes.csv", kNoon);
  on_device("codes.csv", kNoon);
  on_device("CODES.csv", kNoon - 60 * kSecond);
  on_desktop("zero.csv", 0);
  on_device("zero.csv", kNoon);
  const FeatlinkLists lists = compare();
  EXPECT_EQ(Names({"codes.csv"}), lists.same_date);
  EXPECT_EQ(Names({"codes.csv"}), lists.newer_on_desktop);
  EXPECT_TRUE(lists.newer_on_collector.empty());
  EXPECT_TRUE(lists.unique_on_desktop.empty());
  EXPECT_TRUE(lists.unique_on_collector.empty());
}

TEST_F(Featlink, TheReportWithNothingToDoEndsWithoutAQuestion) {
  const std::string rule(20, '=');
  EXPECT_EQ("Featlink library files report:\n" + rule +
                "\n\n"
                "Analyzing these folders:\n"
                "Desktop folder:\tC:\\Featlink\\\n"
                "Handheld folder:\t\\Projects\\\n\n" +
                rule +
                "\n\n"
                "No unique Featlink files were found on your desktop computer.\n\n"
                "No unique Featlink files were found on your data collector computer.\n\n" +
                rule + "\nNo situations were found that may require your attention.\n" + rule,
            report(compare()));
}

TEST_F(Featlink, TheReportSpeaksOfOneSituationOrSeveral) {
  on_desktop("same.csv", kNoon);
  on_device("same.csv", kNoon);
  on_desktop("new.csv", kNoon + 60 * kSecond);
  on_device("new.csv", kNoon);
  const std::string rule(20, '=');
  const std::string one = report(compare());
  EXPECT_NE(std::string::npos,
            one.find("1 common Featlink file, which has the same modified date, was found:\n"
                     "\tsame.csv\n\n"
                     "1 common Featlink file, which is newer on the desktop, was found:\n"
                     "\t*** new.csv\n\n" +
                     rule +
                     "\n1 situation was found that may require your attention.\n"
                     "This situation is labeled with a ***\n" +
                     rule +
                     "\nDo you want to have this program guide you through dealing with this "
                     "situation.\n\t\tYou will be asked it you want it transferred."));

  on_desktop("a.csv", kNoon);
  on_desktop("b.csv", kNoon);
  const std::string several = report(compare());
  EXPECT_NE(std::string::npos,
            several.find("2 unique Featlink files were found on your desktop computer:\n"
                         "\t*** a.csv\n\t*** b.csv\n\n"));
  EXPECT_NE(std::string::npos,
            several.find("3 situations were found that may require your attention.\n"
                         "These situations are labeled with a ***\n" +
                         rule +
                         "\nDo you want to have this program guide you through dealing with "
                         "these 3 situations.\n\t\tFor each file, you will be asked it you want "
                         "it transferred."));
}

class Guidance : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    run_.fake.folder.write_file("device/fs/Projects/field.csv", "field codes");
    run_.fake.folder.write_file("device/fs/Projects/newer.csv", "newer on device");
    run_.fake.folder.write_file("desk/desk.csv", "desk codes");
    run_.fake.folder.write_file("desk/newer.csv", "old on desk");
    desktop_.folder = run_.fake.folder.path("desk") + kSep;
    device_.folder = "\\Projects\\";
    for (const char* name : {"desk.csv", "newer.csv"}) {
      platform::FindData data;
      data.name = name;
      data.size = 10;
      desktop_.entries.push_back(C_file_dir_info::desktop(data, run_.fake.clock));
    }
    for (const char* name : {"field.csv", "newer.csv"}) {
      platform::CeFindData data;
      data.cFileName = platform::to_utf16(name);
      data.nFileSizeLow = 11;
      device_.entries.push_back(C_file_dir_info::device(data, run_.fake.clock));
    }
    lists_.unique_on_desktop = {"desk.csv"};
    lists_.unique_on_collector = {"field.csv"};
    lists_.newer_on_collector = {"newer.csv"};
    ASSERT_EQ(device::status::kSuccess, device::connect_to_device(run_.context, false, false));
  }
  void TearDown() override { device::disconnect_from_device(run_.context); }
  void guide() {
    guide_featlink_resolution(run_.context, lists_, desktop_, device_, 0x147);
  }
  std::string read(const std::string& relative) { return run_.fake.folder.read_file(relative); }
  bool has(const std::string& relative) {
    return std::filesystem::exists(std::filesystem::u8path(run_.fake.folder.path(relative)));
  }

  test::FakeRun run_{true};
  test::FakeCopying copying_{run_.context};
  C_file_dir_pane desktop_{PaneSide::kDesktop};
  C_file_dir_pane device_{PaneSide::kDevice};
  FeatlinkLists lists_;
};

TEST_F(Guidance, YesCopiesEachWayAndNoSkips) {
  run_.boxes.answers = {app::id::kYes, app::id::kNo, app::id::kYes};
  guide();
  ASSERT_EQ(3u, run_.boxes.shown.size());
  EXPECT_EQ("Do you want to copy desk.csv\nFrom desktop:\t" + desktop_.folder +
                "\nTo data collector:\t\\Projects\\",
            run_.boxes.shown[0].text);
  EXPECT_EQ(app::mb::kYesNoCancel | app::mb::kIconQuestion, run_.boxes.shown[0].style);
  EXPECT_EQ("Do you want to copy newer.csv\nFrom data collector:\t\\Projects\\\nTo desktop:\t\t" +
                desktop_.folder + "\nData collector version is newer",
            run_.boxes.shown[2].text);
  EXPECT_EQ("desk codes", read("device/fs/Projects/desk.csv"));
  EXPECT_FALSE(has("desk/field.csv"));
  EXPECT_EQ("newer on device", read("desk/newer.csv"));
  EXPECT_FALSE(device::is_copying_dialog_open(run_.context));
}

TEST_F(Guidance, CancelAtTheFirstQuestionAsksNoMoreAndCopiesNothing) {
  run_.boxes.answers = {app::id::kCancel};
  guide();
  EXPECT_EQ(1u, run_.boxes.shown.size());
  EXPECT_FALSE(has("device/fs/Projects/desk.csv"));
  EXPECT_EQ("old on desk", read("desk/newer.csv"));
}

}  // namespace
}  // namespace vmt::ui
