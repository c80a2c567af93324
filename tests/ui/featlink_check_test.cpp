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
using Names = std::vector<std::string>;

class Featlink : public ::testing::Test {
 protected:
  void on_desktop(const std::string& name, platform::FileTimeTicks time,
                  std::uint32_t attributes = 0, std::uint64_t size = 0) {
    platform::FindData data;
    data.name = name;
    data.attributes = attributes;
    data.size = size;
    data.times.last_write = time;
    desktop_.entries.push_back(C_file_dir_info::desktop(data, run_.fake.clock));
  }
  void on_device(const std::string& name, platform::FileTimeTicks time,
                 std::uint32_t attributes = 0, std::uint32_t size = 0) {
    platform::CeFindData data;
    data.cFileName = platform::to_utf16(name);
    data.dwFileAttributes = attributes;
    data.nFileSizeLow = size;
    data.ftLastWriteTime = time;
    device_.entries.push_back(C_file_dir_info::device(data, run_.fake.clock));
  }
  std::string report(const FeatlinkLists& lists) {
    return featlink_report_text(run_.context, lists, "C:\\Featlink\\", "\\Projects\\");
  }

  test::FakeRun run_{true};
  C_file_dir_pane desktop_{PaneSide::kDesktop};
  C_file_dir_pane device_{PaneSide::kDevice};
};

TEST_F(Featlink, NamesPairWithoutCaseAndTimesSortIntoTheSixLists) {
  // Every device entry of the name takes part.
  on_desktop("Codes.csv", kNoon);
  on_device("CODES.CSV", kNoon);
  on_device("codes.csv", kNoon - 60 * kSecond);
  on_desktop("\xC3\xA9t\xC3\xA9.csv", kNoon);  // été.csv
  on_device("\xC3\x89T\xC3\x89.csv", kNoon);   // ÉTÉ.csv
  for (const auto& [name, offset] : std::vector<std::pair<const char*, int>>{
           {"one.csv", 1}, {"two.csv", -2}, {"five.csv", 5}, {"early.csv", -5}, {"six.csv", 6}}) {
    on_desktop(name, kNoon + offset * static_cast<std::int64_t>(kSecond));
    on_device(name, kNoon);
  }
  on_desktop("Old.csv", kNoon - 6 * kSecond);
  on_device("OLD.csv", kNoon);
  on_desktop("desk only.csv", kNoon);
  on_device("field only.csv", kNoon);
  // Below the second counts as the same second; an unknown time is never newer.
  on_desktop("ticks.csv", kNoon + kSecond - 1);
  on_device("ticks.csv", kNoon);
  on_desktop("zero.csv", 0);
  on_device("zero.csv", kNoon);
  // A folder named like a library is none: no copy onto it, none of it offered.
  on_desktop("Archive.csv", kNoon, platform::attr::kDirectory);
  on_device("archive.CSV", kNoon - 60 * kSecond);
  on_desktop("Roads.csv", kNoon);
  on_device("Roads.csv", kNoon, platform::attr::kDirectory);

  FeatlinkLists lists = compare_featlink_files(run_.context, desktop_, device_);
  EXPECT_EQ(Names({"Codes.csv", "\xC3\xA9t\xC3\xA9.csv", "ticks.csv"}), lists.same_date);
  EXPECT_EQ(Names({"one.csv", "two.csv", "five.csv", "early.csv"}), lists.within_5_seconds);
  EXPECT_EQ(Names({"Codes.csv", "six.csv"}), lists.newer_on_desktop);
  EXPECT_EQ(Names({"OLD.csv"}), lists.newer_on_collector);  // the device's own name
  EXPECT_EQ(Names({"desk only.csv"}), lists.unique_on_desktop);
  EXPECT_EQ(Names({"field only.csv"}), lists.unique_on_collector);
  EXPECT_EQ(5u, lists.situations());

  // Where either folder keeps times to two seconds (a storage card, a FAT
  // disk), two seconds apart is the same date; five are still within.
  lists = compare_featlink_files(run_.context, desktop_, device_, true);
  EXPECT_EQ(Names({"Codes.csv", "\xC3\xA9t\xC3\xA9.csv", "one.csv", "two.csv", "ticks.csv"}),
            lists.same_date);
  EXPECT_EQ(Names({"five.csv", "early.csv"}), lists.within_5_seconds);
  EXPECT_EQ(Names({"Codes.csv", "six.csv"}), lists.newer_on_desktop);
}

TEST_F(Featlink, TheReportSpeaksOfNoSituationOneOrSeveral) {
  FeatlinkLists lists;
  const std::string none = report(lists);
  EXPECT_NE(std::string::npos, none.find("No situations were found that may require your"));
  EXPECT_EQ(std::string::npos, none.find("Do you want"));
  lists.same_date = {"same.csv"};
  lists.newer_on_desktop = {"new.csv"};
  const std::string one = report(lists);
  EXPECT_NE(std::string::npos, one.find("file, which has the same modified date, was found:\n"
                                        "\tsame.csv\n\n1 common Featlink file, which is newer "
                                        "on the desktop, was found:\n\t*** new.csv\n\n"));
  EXPECT_NE(std::string::npos, one.find("\n1 situation was found that may require your"));
  lists.unique_on_desktop = {"a.csv", "b.csv"};
  const std::string several = report(lists);
  EXPECT_NE(std::string::npos, several.find("2 unique Featlink files were found on your desktop "
                                            "computer:\n\t*** a.csv\n\t*** b.csv\n\n"));
  EXPECT_NE(std::string::npos, several.find("\n3 situations were found that may require your"));
}

TEST_F(Featlink, GuidanceYesCopiesEachWayAndNoSkips) {
  test::arrange_field_device(run_.fake.folder);
  test::FakeCopying copying(run_.context);
  run_.fake.folder.write_file("device/fs/Projects/field.csv", "field codes");
  run_.fake.folder.write_file("device/fs/Projects/newer.csv", "newer on device");
  run_.fake.folder.write_file("desk/desk.csv", "desk codes");
  run_.fake.folder.write_file("desk/newer.csv", "old on desk");
  desktop_.folder = run_.fake.folder.path("desk") + platform::path::kSeparator;
  device_.folder = "\\Projects\\";
  on_desktop("desk.csv", kNoon, 0, 10);
  on_desktop("newer.csv", kNoon, 0, 11);
  on_device("field.csv", kNoon, 0, 11);
  on_device("newer.csv", kNoon, 0, 15);
  FeatlinkLists lists;
  lists.unique_on_desktop = {"desk.csv"};
  lists.unique_on_collector = {"field.csv"};
  lists.newer_on_collector = {"newer.csv"};
  ASSERT_EQ(device::status::kSuccess, device::connect_to_device(run_.context, false, false));
  run_.boxes.answers = {app::id::kYes, app::id::kNo, app::id::kYes};
  guide_featlink_resolution(run_.context, lists, desktop_, device_, 0x147);
  device::disconnect_from_device(run_.context);
  ASSERT_EQ(3u, run_.boxes.shown.size());
  EXPECT_EQ("Do you want to copy desk.csv\nFrom desktop:\t" + desktop_.folder +
                "\nTo data collector:\t\\Projects\\",
            run_.boxes.shown[0].text);
  EXPECT_EQ("Do you want to copy newer.csv\nFrom data collector:\t\\Projects\\\nTo desktop:\t\t" +
                desktop_.folder + "\nData collector version is newer",
            run_.boxes.shown[2].text);
  EXPECT_EQ("desk codes", run_.fake.folder.read_file("device/fs/Projects/desk.csv"));
  EXPECT_FALSE(std::filesystem::exists(
      std::filesystem::u8path(run_.fake.folder.path("desk/field.csv"))));
  EXPECT_EQ("newer on device", run_.fake.folder.read_file("desk/newer.csv"));
  EXPECT_FALSE(device::is_copying_dialog_open(run_.context));
}

}  // namespace
}  // namespace vmt::ui
