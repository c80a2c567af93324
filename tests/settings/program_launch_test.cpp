// The launch after the transfer: the window tests that recognise a running
// copy, and the decisions of the launch with their report lines.
#include "settings/program_launch.h"

#include <gtest/gtest.h>

#include "platform/common/path.h"
#include "settings/options_store.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

constexpr char kSep = platform::path::kSeparator;

bool matches(const char* name, const std::string& title, const std::string& class_name = {}) {
  return window_test_matches(*find_program(name), {title, class_name});
}

TEST(WindowTest, TheSetTestTakesAnyArrangementOfTheLettersAndTheClassForVeldmarksOwnRows) {
  for (const char* name : {program::kPlugcadAutoCadR14, program::kPlugcad2012AutoCad2012}) {
    EXPECT_TRUE(matches(name, "AutoCAD 2012 - [survey.dwg]"));
    EXPECT_TRUE(matches(name, "DACotuA"));
    EXPECT_TRUE(matches(name, "AAAAAAAuto notes"));  // seven letters of the set
    EXPECT_FALSE(matches(name, "AutoCA"));           // one character short
    EXPECT_FALSE(matches(name, "autoCAD"));          // 'a' is not in the set
    EXPECT_FALSE(matches(name, "AutoCAX"));
  }
  EXPECT_TRUE(matches(program::kVistaplot, "Vistaplot - Job 12", "VCADFRAME"));
  EXPECT_FALSE(matches(program::kVistaplot, "Vistaplot", "Notepad"));
  EXPECT_FALSE(matches(program::kVistaplot, "Vistaplot", "vcadframe"));
  EXPECT_FALSE(matches(program::kVistaplot, "Vistaplot", ""));
  // A class longer than the 100-character buffer never equals the class.
  EXPECT_FALSE(matches(program::kVistaplot, "Vistaplot", "VCADFRAME" + std::string(100, 'x')));
}

TEST(WindowTest, ThePrefixTestIgnoresCaseAndNeedsTheWholeText) {
  EXPECT_TRUE(matches(program::kVeldmarkCad2010, "veldmark cad 2010 - [road.vcd]"));
  EXPECT_TRUE(matches(program::kVeldmarkCad2010, "Veldmark CAD 2010"));
  EXPECT_FALSE(matches(program::kVeldmarkCad2010, "Veldmark CAD 201"));
  EXPECT_FALSE(matches(program::kVeldmarkCad2010, "The Veldmark CAD 2010"));
  EXPECT_FALSE(matches(program::kVeldmarkCad2010, ""));
}

class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.arrange_option("LaunchOnTransfer", "1");
    run_.context.report.open_transfer_report();
  }
  // A record of the named program installed in the test folder's "Prog".
  C_directory_options installed(const char* name) {
    C_directory_options record(name);
    record.set_install_dir(run_.fake.folder.path("Prog") + kSep);
    return record;
  }
  std::string report() {
    return run_.fake.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
  }
  bool reported(const std::string& line) { return report().find(line) != std::string::npos; }
  std::vector<std::string>& started() { return run_.fake.windows.started; }

  test::FakeRun run_;
};

TEST_F(Launch, StartsTheProgramByItsFullPathOnlyWhenNoCopyRuns) {
  const C_directory_options record = installed(program::kVeldmarkCad2010);
  const std::string exe = run_.fake.folder.path("Prog") + kSep + "vcad.exe";
  run_.fake.windows.windows = {{"Inbox - Mail", "Mail"}, {"Veldmark CAD 201", "Other"}};
  launch_sync_program(run_.context, record);
  ASSERT_EQ(1u, started().size());
  EXPECT_EQ(exe + "|", started()[0]);
  EXPECT_TRUE(reported("launching this program::::" + exe));
  EXPECT_TRUE(run_.context.running_detection_name.empty());

  run_.fake.windows.windows.push_back({"VELDMARK CAD 2010 - [road.vcd]", "Afx:400000"});
  launch_sync_program(run_.context, record);
  EXPECT_EQ(1u, started().size());
  EXPECT_TRUE(reported("not launching this program (already running?)::::Veldmark CAD2010"));

  // Any arrangement of the letters of "AutoCAD" counts for an add-on row.
  run_.fake.windows.windows = {{"DACotuA", "Anything"}};
  launch_sync_program(run_.context, installed(program::kPlugcad2012AutoCad2012));
  EXPECT_EQ(1u, started().size());
}

TEST_F(Launch, UserDefinedAnUnknownInstallFolderAndTheSettingOffNeverLaunch) {
  launch_sync_program(run_.context, C_directory_options(program::kUserDefined));
  EXPECT_TRUE(reported("Unable to launch: User defined directories::::User defined"));

  launch_sync_program(run_.context, C_directory_options(program::kVistaplot2008));
  EXPECT_TRUE(reported("Unable to launch: exe file not known::::Vistaplot 2008"));

  run_.arrange_option("LaunchOnTransfer", "0");
  run_.log.clear();
  launch_sync_program(run_.context, installed(program::kVistaplot2008));
  EXPECT_EQ(1u, run_.log.count());
  EXPECT_TRUE(started().empty());
  EXPECT_TRUE(run_.boxes.shown.empty());
}

TEST_F(Launch, ANameOutsideTheCatalogueStopsTheEnumerationWithItsMessage) {
  run_.context.running_detection_name = "Unknown CAD";
  EXPECT_FALSE(find_program_window(run_.context, {"Unknown CAD", ""}));
  EXPECT_EQ("Error 45TGD\nUnknown CAD", run_.last_text());
  EXPECT_FALSE(run_.context.found_running);

  run_.context.running_detection_name = program::kUserDefined;
  run_.log.clear();
  EXPECT_TRUE(find_program_window(run_.context, {"User defined", ""}));
  EXPECT_EQ(1u, run_.log.count());
  EXPECT_FALSE(run_.context.found_running);
}

TEST_F(Launch, AFailedStartIsLoggedAfterItsLine) {
  run_.fake.windows.fail_start = true;
  run_.log.clear();
  launch_sync_program(run_.context, installed(program::kNestcad2012));
  EXPECT_TRUE(reported("launching this program::::"));
  EXPECT_LE(1u, run_.log.count());
}

}  // namespace
}  // namespace vmt::settings
