// The program's entry: the keyword rules, the resource library, the single
// instance, and the finishing steps for each way the dialog closes.
#include <gtest/gtest.h>

#include "app/active_sync_app.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::app {
namespace {

TEST(StartupMode, KeywordRules) {
  test::RecordingLog log;
  StartupMode mode;
  parse_command_line_keyword(&mode, "upload", log);
  EXPECT_TRUE(is_upload_mode(mode, log));
  EXPECT_EQ(0u, log.count());

  // An unrecognised text is one log entry, however often the mode is asked.
  parse_command_line_keyword(&mode, " UPLOAD", log);
  EXPECT_FALSE(is_upload_mode(mode, log));
  EXPECT_FALSE(is_sorvik_mode(mode, log));
  EXPECT_FALSE(is_telmar_mode(mode, log));
  EXPECT_EQ(1u, log.count());

  log.clear();
  parse_command_line_keyword(&mode, "", log);
  EXPECT_FALSE(is_upload_mode(mode, log) || is_sorvik_mode(mode, log) ||
               is_telmar_mode(mode, log));
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
  bool run(const std::string& command_line = "DOWNLOAD") {
    CActiveSyncApp app(context_, parts_, command_line);
    return app.InitInstance();
  }
  std::string report() {
    std::string text;
    for (char c : fake_.folder.read_file(
             "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt")) {
      if (c != '\r') text += c;
    }
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

TEST_F(AppTest, LeavingThroughExitLaunchesAndEndsTheReport) {
  EXPECT_FALSE(run());
  EXPECT_EQ(1, parts_.launches);
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nLaunching::::plotcad.exe\nSYNC COMPLETED.\n", report());
  EXPECT_FALSE(context_.report.is_open());
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(AppTest, TheCloseBoxNeverLaunches) {
  parts_.result = 2;
  run();
  EXPECT_EQ(0, parts_.launches);
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nSYNC COMPLETED.\n", report());
}

TEST_F(AppTest, UserDefinedOrLaunchOffLaunchesNothing) {
  parts_.program = "User defined";
  run();
  parts_.program = "Plotwise CAD 2012";
  parts_.launch = false;
  run("");
  EXPECT_EQ(0, parts_.launches);
  EXPECT_EQ("SYNC STARTUP\nSYNC COMPLETED.\n", report());
}

TEST_F(AppTest, ADialogThatCouldNotRunIsReportedAndTheRunStillEnds) {
  parts_.result = -1;
  run();
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ("Error 4RFTGH, unable to start program dialog", boxes_.shown[0].text);
  EXPECT_EQ("Veldmark", boxes_.shown[0].caption);
  EXPECT_EQ(0, parts_.launches);
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nError 4RFTGH, unable to start program dialog\n"
            "SYNC COMPLETED.\n",
            report());
}

TEST_F(AppTest, ASecondCopyEndsSilently) {
  fake_.windows.windows.push_back({"Veldmark  Transfer", "#32770"});
  run();
  EXPECT_FALSE(context_.report.is_open());
  EXPECT_FALSE(fake_.platform().files.exists(fake_.app_data()));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(AppTest, ACopyStartedAtTheSameMomentEndsBeforeAnyWindowExists) {
  // The other copy holds the claim but has not made its window yet.
  fake_.windows.claimed_elsewhere = true;
  run();
  EXPECT_FALSE(fake_.platform().files.exists(fake_.app_data()));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(AppTest, TheReportIsShownWhenAsked) {
  parts_.view_report = true;
  run();
  ASSERT_EQ(1u, fake_.windows.viewed.size());
}

TEST_F(AppTest, TheFirstQualifyingLibraryBesideTheExecutableIsTaken) {
  const std::string folder = fake_.exe_folder();
  for (const char* name : {"VmTransferDE.dll", "VmTransferDEUX.dll", "other.dll"}) {
    fake_.folder.write_file(std::string("program/") + name, "x");
  }
  EXPECT_EQ("", find_translation_library(fake_.platform().files));
  fake_.folder.write_file("program/vmtransferDEU.dll", "x");
  EXPECT_EQ(folder + "vmtransferDEU.dll", find_translation_library(fake_.platform().files));

  // With a library in use its texts are used without the mismatch check.
  fake_.resources.library_texts = {{50322, "Veldmark  Transfer"}, {50347, "SYNC BEENDET."},
                                   {50346, "Start"}, {50000, "Veldmark"}};
  run();
  ASSERT_EQ(1u, fake_.resources.loaded.size());
  EXPECT_FALSE(texts_.check_message_texts());
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nStart::::plotcad.exe\nSYNC BEENDET.\n", report());
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(AppTest, ALibraryThatCannotBeLoadedIsLoggedAndTheOwnTextsServe) {
  fake_.folder.write_file("program/VmTransferFRA.dll", "x");
  fake_.resources.fail = true;
  run();
  EXPECT_EQ(1u, log_.count());
  EXPECT_FALSE(texts_.check_message_texts());
  EXPECT_EQ("SYNC STARTUP::::DOWNLOAD\nLaunching::::plotcad.exe\nSYNC COMPLETED.\n", report());
}

TEST_F(AppTest, ExitQuestion) {
  context_.report.open_transfer_report();
  boxes_.answers = {id::kCancel, id::kYes, id::kNo};
  EXPECT_EQ(2, ask_exit_question(context_, true, true));
  EXPECT_EQ("View report?", boxes_.shown[0].text);
  EXPECT_EQ(mb::kYesNoCancel | mb::kIconQuestion, boxes_.shown[0].style);
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
