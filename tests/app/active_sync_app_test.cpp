// The program's entry: the keyword rules, the resource library, the single
// instance, and the finishing steps for each way the dialog closes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/active_sync_app.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::app {
namespace {

TEST(StartupMode, AnUnrecognisedKeywordIsOneLogEntryHoweverOftenTheModeIsAsked) {
  test::RecordingLog log;
  StartupMode mode;
  parse_command_line_keyword(&mode, "upload", log);
  EXPECT_TRUE(is_upload_mode(mode, log));
  EXPECT_EQ(0u, log.count());
  parse_command_line_keyword(&mode, " UPLOAD", log);
  EXPECT_FALSE(is_upload_mode(mode, log) || is_sorvik_mode(mode, log) ||
               is_telmar_mode(mode, log));
  EXPECT_EQ(1u, log.count());
  log.clear();
  parse_command_line_keyword(&mode, "", log);
  EXPECT_FALSE(is_upload_mode(mode, log) || is_telmar_mode(mode, log));
  parse_command_line_keyword(&mode, "Telmar", log);
  EXPECT_TRUE(is_telmar_mode(mode, log));
  EXPECT_EQ(0u, log.count());
}

class FakeParts : public ApplicationParts {
 public:
  int run_main_dialog(RunContext& context) override {
    context.report.open_transfer_report();
    context.report.report_line("SYNC STARTUP", context.command_line);
    context.view_report_on_exit = view_report;
    return result;
  }
  bool launch_on_transfer(RunContext&) override { return launch; }
  ChosenProgram chosen_program(RunContext&) override { return {program, "plotcad.exe"}; }
  void launch_program(RunContext&) override { ++launches; }

  int result = 1;
  bool launch = true;
  bool view_report = false;
  std::string program = "Plotwise CAD 2012";
  int launches = 0;
};

class AppTest : public ::testing::Test {
 protected:
  bool run() { return CActiveSyncApp(context_, parts_, "DOWNLOAD").InitInstance(); }
  std::string report() {
    std::string text = fake_.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  test::FakePlatform fake_;
  test::ScriptedMessageBoxes boxes_;
  BuiltInStringTable table_;
  MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  RunContext context_{fake_.platform(), boxes_, log_, texts_};
  FakeParts parts_;
};

TEST_F(AppTest, OnlyLeavingThroughExitWithTheLaunchOnLaunchesAndEveryWayEndsTheReport) {
  EXPECT_FALSE(run());
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nLaunching::::plotcad.exe\nSYNC COMPLETED.\n", report());
  EXPECT_FALSE(context_.report.is_open());
  parts_.result = 2;  // the close box
  run();
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nSYNC COMPLETED.\n", report());
  parts_.result = 1;
  parts_.program = "User defined";
  run();
  parts_.program = "Plotwise CAD 2012";
  parts_.launch = false;
  parts_.view_report = true;
  run();
  EXPECT_EQ(1, parts_.launches);
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nSYNC COMPLETED.\n", report());
  EXPECT_EQ(1u, fake_.windows.viewed.size());
  EXPECT_TRUE(boxes_.shown.empty());

  // A dialog that could not run is reported and the run still ends.
  parts_.result = -1;
  run();
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ("Error 4RFTGH, unable to start program dialog", boxes_.shown[0].text);
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nError 4RFTGH, unable to start program dialog\n"
            "SYNC COMPLETED.\n",
            report());
  EXPECT_EQ(1, parts_.launches);
}

TEST_F(AppTest, ASecondCopyEndsSilentlyBeforeAnyWindowOrReportExists) {
  for (bool window_made : {true, false}) {
    test::FakePlatform fake;
    RunContext context{fake.platform(), boxes_, log_, texts_};
    fake.windows.windows.push_back({window_made ? "Veldmark  Transfer" : "Other", "#32770"});
    fake.windows.claimed_elsewhere = !window_made;  // the other copy has no window yet
    CActiveSyncApp(context, parts_, "DOWNLOAD").InitInstance();
    EXPECT_FALSE(fake.platform().files.exists(fake.app_data())) << window_made;
  }
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(0, parts_.launches);
}

TEST_F(AppTest, TheFirstQualifyingLibraryIsTakenWithoutTheTextCheckOrLoggedWhenItFails) {
  for (const char* name : {"VmTransferDE.dll", "VmTransferDEUX.dll", "other.dll"}) {
    fake_.folder.write_file(std::string("program/") + name, "x");
  }
  EXPECT_EQ("", find_translation_library(fake_.platform().files));
  fake_.folder.write_file("program/vmtransferDEU.dll", "x");
  EXPECT_EQ(fake_.exe_folder() + "vmtransferDEU.dll",
            find_translation_library(fake_.platform().files));

  fake_.resources.fail = true;
  run();
  EXPECT_EQ(1u, log_.count());
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nLaunching::::plotcad.exe\nSYNC COMPLETED.\n", report());
  fake_.resources.fail = false;
  fake_.resources.library_texts = {{50322, "Veldmark  Transfer"}, {50347, "SYNC BEENDET."},
                                   {50346, "Start"}, {50000, "Veldmark"}};
  run();
  EXPECT_FALSE(texts_.check_message_texts());
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nStart::::plotcad.exe\nSYNC BEENDET.\n", report());
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(AppTest, TheExitQuestionSetsTheViewingAndCancelStays) {
  context_.report.open_transfer_report();
  boxes_.answers = {id::kCancel, id::kYes, id::kNo};
  EXPECT_EQ(2, ask_exit_question(context_, true, true));
  EXPECT_EQ("View report?", boxes_.shown[0].text);
  EXPECT_EQ(1, ask_exit_question(context_, true, true));
  EXPECT_TRUE(context_.view_report_on_exit);
  EXPECT_EQ(1, ask_exit_question(context_, true, true));
  EXPECT_FALSE(context_.view_report_on_exit);
  EXPECT_EQ(0u, log_.count());
  // Reports off: no question, the dated file goes at the end; a check box that disagrees is logged.
  EXPECT_EQ(1, ask_exit_question(context_, false, true));
  EXPECT_EQ(3u, boxes_.shown.size());
  EXPECT_EQ(1u, log_.count());
}

}  // namespace
}  // namespace vmt::app
