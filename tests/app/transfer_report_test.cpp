// The diagnostic log's entries and the transfer report's two files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/transfer_report.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::app {
namespace {

class ReportTest : public ::testing::Test {
 protected:
  std::string report_file(const std::string& name) {
    return lines(fake_.folder.read_file("shell/AppData/Stakeline Exchange/Transfer Sync log " +
                                        name + ".txt"));
  }
  static std::string lines(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  test::FakePlatform fake_;
  test::ScriptedMessageBoxes boxes_;
  BuiltInStringTable table_;
  MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  TransferReport report_{{fake_.platform(), log_, texts_, boxes_}};
};

TEST(FileDiagnosticLog, EntrySpansTwoLinesInTheAsctimeFormAndNamesTheModule) {
  const platform::LocalTime time{2012, 3, 4, 8, 5, 9, 0, 0};
  EXPECT_EQ("Time: Sun Mar  4 08:05:09 2012\n File = .\\transfer_dlg Line = 42 Compile Date = "
            "Nov  7 2011\n",
            FileDiagnosticLog::format_entry(time, ".\\transfer_dlg", 42, "Nov  7 2011"));
  // A module name of any length gives an entry of at most 511 characters and its line break.
  EXPECT_LE(FileDiagnosticLog::format_entry(time, ".\\" + std::string(600, 'x') + "\xC3\xA4", 1,
                                            "d")
                .size(),
            512u);
  EXPECT_EQ(".\\transfer_dlg", log_module_name("/work/src/ui/transfer_dlg.cpp"));
  EXPECT_EQ(".\\dates", log_module_name("C:\\src\\app\\dates.cpp"));
  EXPECT_EQ(".\\plain", log_module_name("plain"));
}

// Where the executable's folder refuses the log (here a folder in the log's
// place, which not even an administrator can append to), every entry goes to
// the user's application data, beside the reports.
TEST_F(ReportTest, LogEntriesAreAppendedBesideTheExecutableOrElseInTheUsersFolder) {
  for (const char* blocked : {"", "program/veldmark log.txt/blocked"}) {
    SCOPED_TRACE(blocked);
    test::FakePlatform fake;
    if (*blocked) fake.folder.write_file(blocked, "");
    FileDiagnosticLog log(fake.platform().files, fake.clock, fake.platform().shell);
    VMT_LOG_POINT(log);
    VMT_LOG_TEXT(log, "Successfully made directory: C:\\a\nb\\");
    const std::string text = lines(fake.folder.read_file(
        *blocked ? "shell/AppData/Stakeline Exchange/veldmark log.txt" : "program/veldmark log.txt"));
    EXPECT_EQ(0u, text.find("Time: Thu Feb 23 14:05:09 2012\n File = .\\transfer_report_test"));
    // A text after an entry is one line of its own, whatever it holds.
    EXPECT_EQ(5, std::count(text.begin(), text.end(), '\n'));
    EXPECT_NE(std::string::npos, text.find("\nSuccessfully made directory: C:\\a b\\\n"));
  }
}

TEST_F(ReportTest, LinesGoToBothFilesAndTheNextRunStartsAFreshMostRecentFile) {
  ASSERT_TRUE(report_.open_transfer_report());
  report_.report_line("VMTRANSFERVERSION=Feb 23 2012");
  report_.report_line("SYNC STARTUP", "UPLOAD");
  const std::string expected = "VMTRANSFERVERSION=Feb 23 2012\nSYNC STARTUP::::UPLOAD\n";
  EXPECT_EQ(expected, report_file("2012_02_23_14_05_09123"));
  EXPECT_EQ(expected, report_file("most recent"));
  report_.close_transfer_report();

  // With reports off only the most recent file remains.
  fake_.clock.advance_seconds(60);
  report_.open_transfer_report();
  EXPECT_FALSE(fake_.platform().files.exists(report_.report()->most_recent_path()));
  report_.report_line("second run");
  report_.discard_dated_report();
  const std::string dated = report_.report()->dated_path();
  report_.close_transfer_report();
  EXPECT_EQ("second run\n", report_file("most recent"));
  EXPECT_FALSE(fake_.platform().files.exists(dated));
  EXPECT_EQ(expected, report_file("2012_02_23_14_05_09123"));
  EXPECT_EQ(0u, log_.count());

  // Without an open report only the log hears of it.
  report_.report_line("nowhere");
  report_.close_transfer_report();
  report_.view_transfer_report();
  EXPECT_EQ(3u, log_.count());
  EXPECT_TRUE(fake_.windows.viewed.empty());
}

TEST_F(ReportTest, AFileThatCannotTakeALineMissesItAndViewingLetsBothFilesGo) {
  platform::DesktopFiles& files = fake_.platform().files;
  report_.open_transfer_report();
  const std::string dated = report_.report()->dated_path();
  const std::string most_recent = report_.report()->most_recent_path();
  // The dated file cannot be opened (a folder took its name): it misses the
  // first line only.
  const std::filesystem::path dated_path = std::filesystem::u8path(dated);
  std::filesystem::create_directory(dated_path);
  report_.report_line("first");
  std::filesystem::remove(dated_path);
  report_.report_line("second");
  EXPECT_EQ("second\n", report_file("2012_02_23_14_05_09123"));
  EXPECT_EQ("first\nsecond\n", report_file("most recent"));

  // The disk fills in the middle of a line: the dated file keeps the start
  // of it, the other file nothing, and the next line stands on its own.
  fake_.desktop_space = 3;
  report_.report_line("third line");
  fake_.desktop_space = -1;
  report_.report_line("fourth");
  EXPECT_EQ("second\nthi\nfourth\n", report_file("2012_02_23_14_05_09123"));
  EXPECT_EQ("first\nsecond\nfourth\n", report_file("most recent"));

  // Both files stay open between lines (nobody may write them meanwhile);
  // viewing lets them go, and a later line opens them again.
  const auto opens = [&](const std::string& path) {
    const platform::FileHandle handle = files.open_file(
        path, platform::FileAccess::kReadWrite, platform::FileDisposition::kOpenExisting);
    if (handle != platform::kInvalidFile) files.close_file(handle);
    return handle != platform::kInvalidFile;
  };
  EXPECT_FALSE(opens(most_recent));
  report_.view_transfer_report();
  EXPECT_EQ(std::vector<std::string>{most_recent}, fake_.windows.viewed);
  EXPECT_TRUE(opens(most_recent));
  report_.report_line("fifth");
  EXPECT_EQ("first\nsecond\nfourth\nfifth\n", report_file("most recent"));
  // A viewer that cannot be started is said so.
  fake_.windows.fail_start = true;
  report_.view_transfer_report();
  EXPECT_EQ("Error running this command:\n'notepad.exe " + most_recent + "'\nError R5LL33QP",
            boxes_.shown.at(0).text);
  report_.close_transfer_report();
  EXPECT_TRUE(opens(dated));
  EXPECT_EQ(0u, log_.count());

  // Long lines are cut between characters.
  report_.open_transfer_report();
  std::string first;
  while (first.size() < kMaxReportLine + 10) first += "\xC3\xA4";
  report_.report_line(first + "x");
  const std::string text = report_file("most recent");
  ASSERT_LE(text.size(), kMaxReportLine + 1);
  EXPECT_EQ('\n', text.back());
  EXPECT_EQ(0u, (text.size() - 1) % 2);  // only whole two-byte characters
}

}  // namespace
}  // namespace vmt::app
