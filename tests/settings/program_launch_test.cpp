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

TEST(WindowTest, TheSetTestTakesAnyArrangementOfTheLettersAndThePrefixTestTheWholeText) {
  struct Case {
    const char* program;
    std::string title;
    std::string class_name;
    bool matches;
  };
  const Case cases[] = {
      {program::kPlugcadAutoCadR14, "AutoCAD 2012 - [survey.dwg]", "", true},
      {program::kPlugcad2012AutoCad2012, "DACotuA", "", true},
      {program::kPlugcad2012AutoCad2012, "AutoCA", "", false},           // one short
      {program::kPlugcad2012AutoCad2012, "autoCAD", "", false},          // 'a' is not in it
      {program::kVistaplot, "Vistaplot - Job 12", "VCADFRAME", true},
      {program::kVistaplot, "Vistaplot", "vcadframe", false},
      // A class longer than the 100-character buffer never equals the class.
      {program::kVistaplot, "Vistaplot", "VCADFRAME" + std::string(100, 'x'), false},
      {program::kVeldmarkCad2010, "veldmark cad 2010 - [road.vcd]", "", true},
      {program::kVeldmarkCad2010, "The Veldmark CAD 2010", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.matches, window_test_matches(*find_program(c.program), {c.title, c.class_name}))
        << c.program << " / " << c.title;
  }
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
  bool reported(const std::string& line) {
    return run_.fake.folder
               .read_file("shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt")
               .find(line) != std::string::npos;
  }
  std::vector<std::string>& started() { return run_.fake.windows.started; }

  test::FakeRun run_;
};

TEST_F(Launch, StartsTheProgramByItsFullPathOnlyWhenChosenAndNoCopyRuns) {
  const C_directory_options record = installed(program::kVeldmarkCad2010);
  const std::string exe = run_.fake.folder.path("Prog") + kSep + "vcad.exe";
  run_.fake.windows.windows = {{"Inbox - Mail", "Mail"}, {"Veldmark CAD 201", "Other"}};
  launch_sync_program(run_.context, record);
  EXPECT_EQ(std::vector<std::string>{exe + "|"}, started());
  EXPECT_TRUE(reported("launching this program::::" + exe));
  EXPECT_TRUE(run_.context.running_detection_name.empty());

  run_.fake.windows.windows.push_back({"VELDMARK CAD 2010 - [road.vcd]", "Afx:400000"});
  launch_sync_program(run_.context, record);
  EXPECT_EQ(1u, started().size());
  EXPECT_TRUE(reported("not launching this program (already running?)::::Veldmark CAD2010"));

  // A start that fails is logged after its line.
  run_.fake.windows.windows.clear();
  run_.fake.windows.fail_start = true;
  run_.log.clear();
  launch_sync_program(run_.context, installed(program::kNestcad2012));
  EXPECT_TRUE(reported("launching this program::::" + run_.fake.folder.path("Prog")));
  EXPECT_LE(1u, run_.log.count());

  // User defined, an unknown install folder and the setting off never launch.
  run_.fake.windows.fail_start = false;
  started().clear();
  launch_sync_program(run_.context, C_directory_options(program::kUserDefined));
  EXPECT_TRUE(reported("Unable to launch: User defined directories::::User defined"));
  launch_sync_program(run_.context, C_directory_options(program::kVistaplot2008));
  EXPECT_TRUE(reported("Unable to launch: exe file not known::::Vistaplot 2008"));
  run_.arrange_option("LaunchOnTransfer", "0");
  launch_sync_program(run_.context, installed(program::kVistaplot2008));
  EXPECT_TRUE(started().empty());
  EXPECT_TRUE(run_.boxes.shown.empty());

  // A name outside the catalogue stops the window enumeration with its message.
  run_.context.running_detection_name = "Unknown CAD";
  EXPECT_FALSE(find_program_window(run_.context, {"Unknown CAD", ""}));
  EXPECT_EQ("Error 45TGD\nUnknown CAD", run_.last_text());
  EXPECT_FALSE(run_.context.found_running);
}

}  // namespace
}  // namespace vmt::settings
