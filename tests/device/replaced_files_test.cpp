// The folders of kept files: their names, and their removal at start once
// they are older than the days the options keep them.
#include "device/replaced_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/common/path.h"
#include "support/fake_run.h"

namespace vmt::device {
namespace {

namespace fs = std::filesystem;

TEST(TransferFolderNames, AreTheTimeOfTheTransferAndReadBackOnlyInThatForm) {
  const platform::LocalTime time{2024, 5, 4, 9, 3, 7, 6, 120};
  EXPECT_EQ("2024-05-04 09.03.07", transfer_folder_name(time));
  platform::LocalTime read;
  ASSERT_TRUE(parse_transfer_folder_name("2024-05-04 09.03.07 (12)", &read));
  EXPECT_EQ(2024, read.year);
  EXPECT_EQ(7, read.second);
  for (const char* other : {"notes", "2024-05-04 09.03", "2024-13-04 09.03.07",
                            "2024-05-04 09.03.07 (x)", "2024-05-04 09.03.07 copy",
                            "2024-05-04T09.03.07", "2024-05-04 24.00.00"}) {
    EXPECT_FALSE(parse_transfer_folder_name(other, &read)) << other;
  }
}

// Now is 2012-02-23 14:05:09; the options keep 30 days. A folder 30 days old
// to the second stays, one a second older goes with everything in it, and
// what the program did not name is never touched.
TEST(ReplacedFiles, TheStartRemovesOnlyTransferFoldersOlderThanTheDaysKept) {
  test::FakeRun run;
  run.context.report.open_transfer_report();
  const std::string root = replaced_files_folder(run.context);
  const auto folder = [&](const std::string& name) {
    return platform::path::join(root, name);
  };
  const fs::path host = fs::u8path(root);
  for (const char* name : {"2012-01-24 14.05.08", "2012-01-24 14.05.09", "2011-12-01 08.00.00 (2)",
                           "2012-02-23 14.00.00", "notes"}) {
    fs::create_directories(host / name / "Data collector" / "Job 9");
    std::ofstream(host / name / "Data collector" / "Job 9" / "pts.raw") << "kept";
  }
  std::ofstream(host / "2011-01-01 00.00.00") << "a file, not a transfer's folder";

  remove_old_replaced_files(run.context, 30);
  std::vector<std::string> left;
  for (const auto& item : fs::directory_iterator(host)) {
    left.push_back(item.path().filename().u8string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<std::string>{"2011-01-01 00.00.00", "2012-01-24 14.05.09",
                                      "2012-02-23 14.00.00", "notes"}),
            left);
  // Each removal is a report line and a log entry naming the folder.
  const std::string report = run.fake.folder.read_file(
      "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
  for (const char* name : {"2011-12-01 08.00.00 (2)", "2012-01-24 14.05.08"}) {
    EXPECT_NE(std::string::npos,
              report.find("Replaced files older than 30 days removed::::" + folder(name)))
        << report;
  }
  ASSERT_EQ(2u, run.log.entries.size());
  EXPECT_EQ("Replaced files older than 30 days removed: " + folder("2011-12-01 08.00.00 (2)"),
            run.log.entries[0].text);

  // Nothing kept yet: nothing to do, and no folder is made for it.
  fs::remove_all(host);
  remove_old_replaced_files(run.context, 1);
  EXPECT_FALSE(fs::exists(host));
}

}  // namespace
}  // namespace vmt::device
