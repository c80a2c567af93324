// The diagnostic log's entries and the transfer report's two files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/transfer_report.h"
#include "platform/common/path.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::app {
namespace {

class ReportTest : public ::testing::Test {
 protected:
  std::string report_file(const std::string& name) {
    return fake_.folder.read_file("shell/AppData/Stakeline Exchange/Transfer Sync log " + name +
                                  ".txt");
  }
  bool report_exists(const std::string& name) {
    return fake_.platform().files.exists(fake_.app_data() + platform::path::kSeparator +
                                         "Stakeline Exchange" + platform::path::kSeparator +
                                         "Transfer Sync log " + name + ".txt");
  }
  static std::string lines(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c != '\r') out += c;
    }
    return out;
  }

  test::FakePlatform fake_;
  test::ScriptedMessageBoxes boxes_;
  BuiltInStringTable table_;
  MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  TransferReport report_{{fake_.platform(), log_, texts_, boxes_}};
};

TEST(FileDiagnosticLog, EntrySpansTwoLinesInTheAsctimeForm) {
  const platform::LocalTime time{2012, 2, 23, 14, 5, 9, 4, 123};
  EXPECT_EQ("Time: Thu Feb 23 14:05:09 2012\n File = .\\transfer_dlg Line = 42 Compile Date = "
            "Nov  7 2011\n",
            FileDiagnosticLog::format_entry(time, ".\\transfer_dlg", 42, "Nov  7 2011"));
  const platform::LocalTime early{2012, 3, 4, 8, 5, 9, 0, 0};
  EXPECT_EQ(0u, FileDiagnosticLog::format_entry(early, ".\\m", 1, "d")
                    .find("Time: Sun Mar  4 08:05:09 2012\n"));
  // A module name of any length gives an entry of at most 511 characters and its line break,
  // cut between characters.
  const std::string entry =
      FileDiagnosticLog::format_entry(time, ".\\" + std::string(600, 'x') + "\xC3\xA4", 1, "d");
  EXPECT_LE(entry.size(), 512u);
}

TEST_F(ReportTest, LogEntriesAreAppendedBesideTheExecutable) {
  FileDiagnosticLog log(fake_.platform().files, fake_.clock, fake_.platform().shell);
  VMT_LOG_POINT(log);
  VMT_LOG_POINT(log);
  const std::string text = lines(fake_.folder.read_file("program/veldmark log.txt"));
  EXPECT_EQ(0u, text.find("Time: Thu Feb 23 14:05:09 2012\n File = .\\transfer_report_test"));
  EXPECT_EQ(4, std::count(text.begin(), text.end(), '\n'));
  // A text after an entry is one line of its own, whatever it holds.
  VMT_LOG_TEXT(log, "Successfully made directory: C:\\a\nb\\");
  const std::string more = lines(fake_.folder.read_file("program/veldmark log.txt"));
  EXPECT_EQ(7, std::count(more.begin(), more.end(), '\n'));
  EXPECT_NE(std::string::npos,
            more.find("\nSuccessfully made directory: C:\\a b\\\n", text.size()));
}

// Where the executable's folder refuses the log (here a folder in the log's
// place, which not even an administrator can append to), every entry goes to
// the user's application data, beside the reports.
TEST_F(ReportTest, LogEntriesGoToTheUsersFolderWhenTheProgramsFolderRefusesThem) {
  fake_.folder.write_file("program/veldmark log.txt/blocked", "");
  FileDiagnosticLog log(fake_.platform().files, fake_.clock, fake_.platform().shell);
  VMT_LOG_POINT(log);
  VMT_LOG_POINT(log);
  const std::string text =
      lines(fake_.folder.read_file("shell/AppData/Stakeline Exchange/veldmark log.txt"));
  EXPECT_EQ(0u, text.find("Time: Thu Feb 23 14:05:09 2012\n File = .\\transfer_report_test"));
  EXPECT_EQ(4, std::count(text.begin(), text.end(), '\n'));
}

TEST_F(ReportTest, LinesGoToBothFilesNamedFromTheClock) {
  ASSERT_TRUE(report_.open_transfer_report());
  report_.report_line("VMTRANSFERVERSION=Feb 23 2012");
  report_.report_line("SYNC STARTUP", "UPLOAD");
  const std::string expected = "VMTRANSFERVERSION=Feb 23 2012\nSYNC STARTUP::::UPLOAD\n";
  EXPECT_EQ(expected, lines(report_file("2012_02_23_14_05_09123")));
  EXPECT_EQ(expected, lines(report_file("most recent")));
  report_.close_transfer_report();
  EXPECT_TRUE(report_exists("2012_02_23_14_05_09123"));
  EXPECT_EQ(0u, log_.count());
}

TEST_F(ReportTest, TheNextRunStartsAFreshMostRecentFile) {
  report_.open_transfer_report();
  report_.report_line("first run");
  report_.close_transfer_report();
  fake_.clock.advance_seconds(60);
  report_.open_transfer_report();
  EXPECT_FALSE(report_exists("most recent"));
  report_.report_line("second run");
  EXPECT_EQ("second run\n", lines(report_file("most recent")));
  EXPECT_EQ("first run\n", lines(report_file("2012_02_23_14_05_09123")));
}

TEST_F(ReportTest, WithReportsOffOnlyTheMostRecentFileRemains) {
  report_.open_transfer_report();
  report_.report_line("line");
  report_.discard_dated_report();
  report_.close_transfer_report();
  EXPECT_FALSE(report_exists("2012_02_23_14_05_09123"));
  EXPECT_TRUE(report_exists("most recent"));
}

TEST_F(ReportTest, WithoutAnOpenReportOnlyTheLogHearsOfIt) {
  report_.report_line("nowhere");
  report_.close_transfer_report();
  report_.view_transfer_report();
  EXPECT_EQ(3u, log_.count());
  EXPECT_TRUE(fake_.windows.viewed.empty());
}

TEST_F(ReportTest, ViewingOpensTheMostRecentFileAndTellsWhenItCannot) {
  report_.open_transfer_report();
  report_.report_line("line");
  report_.view_transfer_report();
  ASSERT_EQ(1u, fake_.windows.viewed.size());
  EXPECT_EQ(report_.report()->most_recent_path(), fake_.windows.viewed[0]);
  fake_.windows.fail_start = true;
  report_.view_transfer_report();
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ("Error running this command:\n'notepad.exe " + report_.report()->most_recent_path() +
                "'\nError R5LL33QP",
            boxes_.shown[0].text);
  EXPECT_EQ(mb::kOk | mb::kIconInformation, boxes_.shown[0].style);
}

TEST_F(ReportTest, AFileThatCannotTakeALineMissesItAndTakesTheNextOnItsOwnLine) {
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
  EXPECT_EQ("second\n", lines(report_file("2012_02_23_14_05_09123")));
  EXPECT_EQ("first\nsecond\n", lines(report_file("most recent")));

  // The disk fills in the middle of a line: the dated file keeps the start
  // of it, the other file nothing, and the next line stands on its own.
  fake_.desktop_space = 3;
  report_.report_line("third line");
  fake_.desktop_space = -1;
  report_.report_line("fourth");
  EXPECT_EQ("second\nthi\nfourth\n", lines(report_file("2012_02_23_14_05_09123")));
  EXPECT_EQ("first\nsecond\nfourth\n", lines(report_file("most recent")));

  // Both files stay open between lines (nobody may write them meanwhile);
  // viewing lets them go, and a later line opens them again.
  EXPECT_EQ(platform::kInvalidFile,
            files.open_file(most_recent, platform::FileAccess::kReadWrite,
                            platform::FileDisposition::kOpenExisting));
  report_.view_transfer_report();
  const platform::FileHandle free = files.open_file(most_recent, platform::FileAccess::kReadWrite,
                                                    platform::FileDisposition::kOpenExisting);
  ASSERT_NE(platform::kInvalidFile, free);
  files.close_file(free);
  report_.report_line("fifth");
  EXPECT_EQ("first\nsecond\nfourth\nfifth\n", lines(report_file("most recent")));
  report_.close_transfer_report();
  const platform::FileHandle closed = files.open_file(dated, platform::FileAccess::kReadWrite,
                                                      platform::FileDisposition::kOpenExisting);
  EXPECT_NE(platform::kInvalidFile, closed);
  files.close_file(closed);
  EXPECT_EQ(0u, log_.count());
}

TEST_F(ReportTest, LongLinesAreCutBetweenCharacters) {
  report_.open_transfer_report();
  std::string first;
  while (first.size() < kMaxReportLine + 10) first += "\xC3\xA4";
  report_.report_line(first + "x");
  const std::string text = lines(report_file("most recent"));
  ASSERT_LE(text.size(), kMaxReportLine + 1);
  EXPECT_EQ('\n', text.back());
  EXPECT_EQ(0u, (text.size() - 1) % 2);  // only whole two-byte characters
}

}  // namespace
}  // namespace vmt::app
