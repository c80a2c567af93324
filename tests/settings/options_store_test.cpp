// The options store: the failure reports at each point (open, query or set,
// close), flags and numbers that are no valid value, and texts that do not fit.
#include "settings/options_store.h"

#include <gtest/gtest.h>

#include "support/fake_run.h"

namespace vmt::settings {
namespace {

using Call = test::FaultRegistry::Call;

const std::string kKey = "SOFTWARE\\Veldmark\\Transfer\\TransferOptions";

TEST(OptionsStore, AMissingKeyFailsEveryOperationAtItsOpeningAndIsNeverCreated) {
  test::FakeRun run;
  std::string text = "old";
  bool flag = false;
  EXPECT_FALSE(get_CreateReports(run.context, &flag, false));
  EXPECT_TRUE(flag);
  EXPECT_EQ("Error REG5FUN-E22\nopening for querying\nHKEY_LOCAL_MACHINE\n" + kKey +
                "\n2\nSystem error 2.",
            run.last_text());
  EXPECT_FALSE(get_UserDownDir(run.context, &text, kOptionBufferSize, false));
  EXPECT_EQ("", text);
  EXPECT_FALSE(set_UserCsvDir(run.context, "C:\\csv"));
  EXPECT_EQ("The setting UserCsvDir was not saved; it keeps the value it had.\n\n"
            "Error REG5FUN-743\nopening for setting\nHKEY_LOCAL_MACHINE\n" +
                kKey + "\n2\nSystem error 2.",
            run.last_text());
  EXPECT_TRUE(ensure_CreateReports(run.context, true));
  EXPECT_EQ(0u, run.last_text().find("The setting CreateReports was not saved"));
  EXPECT_EQ("<no key>", run.stored_option("CreateReports"));
}

// Flags are "1" or "0" and nothing else; each reads as its own default when
// missing or odd, and the odd value is shown.
TEST(OptionsStore, FlagsAndDaysThatAreNoValidValueReadAsTheirDefaultAndAreShown) {
  test::FakeRun run;
  run.arrange(kKey);
  EXPECT_FALSE(get_CopySubfolders(run.context));
  EXPECT_TRUE(get_KeepReplaced(run.context));
  EXPECT_TRUE(get_VerifyCopies(run.context));
  EXPECT_EQ(30, get_KeepReplacedDays(run.context));
  EXPECT_TRUE(run.boxes.shown.empty());

  struct Odd {
    const char* value;
    const char* text;
    bool (*get)(app::RunContext&);
    bool read_as;
  };
  for (const Odd& c : {Odd{"LaunchOnTransfer", "01", get_LaunchOnTransfer, false},
                       Odd{"CopySubfolders", "yes", get_CopySubfolders, false},
                       Odd{"KeepReplaced", "off", get_KeepReplaced, true},
                       Odd{"VerifyCopies", "2", get_VerifyCopies, true}}) {
    run.arrange_option(c.value, c.text);
    EXPECT_EQ(c.read_as, c.get(run.context)) << c.value;
    EXPECT_NE(std::string::npos, run.last_text().find(std::string(c.value) + " is neither 0 nor 1"));
  }
  for (const char* days : {"0", "3651", "-5", "30 days", "", "99999"}) {
    run.arrange_option("KeepReplacedDays", days);
    EXPECT_EQ(30, get_KeepReplacedDays(run.context)) << days;
    EXPECT_EQ("Error REG5FUN-KD8, KeepReplacedDays is not a number of days from 1 to 3650",
              run.last_text());
  }
  int parsed = 0;
  EXPECT_TRUE(parse_keep_days("3650", &parsed) && parse_keep_days("007", &parsed));
  EXPECT_EQ(7, parsed);

  // The make-sure replaces an odd CreateReports and leaves a valid one alone.
  bool flag = false;
  run.arrange_option("CreateReports", "yes");
  EXPECT_TRUE(ensure_CreateReports(run.context, false));
  EXPECT_TRUE(ensure_CreateReports(run.context, true));
  EXPECT_TRUE(get_CreateReports(run.context, &flag, true));
  EXPECT_FALSE(flag);
  EXPECT_EQ(0u, run.registry.open_count());
}

TEST(OptionsStore, FailedQueriesWritesAndClosesSpeakAndTheKeyIsLetGo) {
  test::FakeRun run;
  std::string text;
  run.arrange(kKey);
  EXPECT_FALSE(get_UserCsvDir(run.context, &text, kOptionBufferSize, true));  // absent: a plain no
  run.arrange_option("UserUpDir", "C:\\Up");
  run.registry.fail(Call::kQuery, kKey, 5, "UserUpDir", 2);
  EXPECT_FALSE(get_UserUpDir(run.context, &text, kOptionBufferSize, false));
  EXPECT_TRUE(run.boxes.shown.empty());
  EXPECT_FALSE(get_UserUpDir(run.context, &text, kOptionBufferSize, true));
  EXPECT_EQ("Error REG5FUN-53, querying UserUpDir\n5\nSystem error 5.", run.last_text());
  // A close that fails after a read is reported and the value still counts.
  run.registry.fail(Call::kClose, kKey, 6);
  EXPECT_TRUE(get_UserUpDir(run.context, &text, kOptionBufferSize, true));
  EXPECT_EQ("C:\\Up", text);
  EXPECT_EQ("Error REG5FUN-55, closing reg key\n6\nSystem error 6.", run.last_text());
  // After a failed query it is a box of its own.
  run.registry.fail(Call::kQuery, kKey, 5, "DefSyncProgram");
  run.registry.fail(Call::kClose, kKey, 6);
  EXPECT_FALSE(get_DefSyncProgram(run.context, &text, kOptionBufferSize, true));
  EXPECT_EQ("Error REG5FUN-106, closing reg key", run.last_text());

  // A standard user may read the key but not open it for setting.
  run.boxes.shown.clear();
  run.arrange_option("LaunchOnTransfer", "0");
  run.registry.fail(Call::kOpen, kKey, 5);
  EXPECT_FALSE(set_LaunchOnTransfer(run.context, 1));
  EXPECT_EQ((std::vector<std::string>{
                "The setting LaunchOnTransfer was not saved; it keeps the value it had.\n"
                "This Windows account may not change the program's settings. Installing or "
                "repairing Veldmark Transfer gives every user of this PC that right.\n\n"
                "Error REG5FUN-62\nopening for setting\nHKEY_LOCAL_MACHINE\n" +
                kKey + "\n5\nSystem error 5."}),
            run.texts());
  bool flag = true;
  EXPECT_TRUE(stored_LaunchOnTransfer(run.context, &flag));  // quietly
  EXPECT_FALSE(flag);
  EXPECT_FALSE(stored_CreateReports(run.context, &flag));  // never stored
  EXPECT_EQ(1u, run.boxes.shown.size());

  run.registry.fail(Call::kSetString, kKey, 1009, "UserCsvDir");
  EXPECT_FALSE(set_UserCsvDir(run.context, "x"));
  EXPECT_EQ("The setting UserCsvDir was not saved; it keeps the value it had.\n\n"
            "Error REG5FUN-753, setting UserCsvDir\n1009\nSystem error 1009.",
            run.last_text());
  EXPECT_EQ("<none>", run.stored_option("UserCsvDir"));
  // A close that fails after the value is set still counts as saved.
  run.registry.fail(Call::kClose, kKey, 6);
  EXPECT_TRUE(set_UserUpDir(run.context, "C:\\Up2"));
  EXPECT_EQ("Error REG5FUN-79, closing reg key\n6\nSystem error 6.", run.last_text());
  EXPECT_EQ("C:\\Up2", run.stored_option("UserUpDir"));
  EXPECT_EQ(0u, run.registry.open_count());
}

TEST(OptionsStore, TextsThatDoNotFitAreRefusedWholeRatherThanCut) {
  test::FakeRun run;
  run.arrange_option("UserDownDir", "C:\\Keep");
  const std::string longest(kMaxOptionText, 'd');
  const std::string too_long = longest + "x";
  EXPECT_FALSE(set_UserDownDir(run.context, too_long));
  EXPECT_NE(std::string::npos, run.last_text().find("UserDownDir is 256 characters long"));
  EXPECT_EQ("C:\\Keep", run.stored_option("UserDownDir"));
  EXPECT_TRUE(set_UserDownDir(run.context, longest));
  EXPECT_EQ(longest, run.stored_option("UserDownDir"));

  // A value stored by someone else that is longer than the caller's buffer.
  std::string text;
  run.boxes.shown.clear();
  run.arrange_option("UserDownDir", too_long);
  EXPECT_FALSE(get_UserDownDir(run.context, &text, kOptionBufferSize, false));
  EXPECT_EQ("", text);
  ASSERT_EQ(1u, run.boxes.shown.size());
  EXPECT_NE(std::string::npos, run.last_text().find("at most 255 are accepted"));
  EXPECT_TRUE(get_UserDownDir(run.context, &text, too_long.size() + 1, false));
  EXPECT_EQ(too_long, text);
  // Past the reader's own buffer the query itself fails as the registry would.
  run.arrange_option("UserDownDir", std::string(2048, 'z'));
  EXPECT_FALSE(get_UserDownDir(run.context, &text, 4096, true));
  EXPECT_EQ("Error REG5FUN-201, querying UserDownDir\n234\nSystem error 234.", run.last_text());

  // The Featlink folder's make-sure writes only when no value is stored: a
  // folder too long for the readers is kept for the user to mend.
  run.boxes.shown.clear();
  EXPECT_TRUE(ensure_UserCsvDir(run.context, "C:\\Codes"));
  EXPECT_EQ("C:\\Codes", run.stored_option("UserCsvDir"));
  const std::string deep = "C:\\" + std::string(300, 'd');
  run.arrange_option("UserCsvDir", deep);
  EXPECT_TRUE(ensure_UserCsvDir(run.context, ""));
  EXPECT_EQ(deep, run.stored_option("UserCsvDir"));
  EXPECT_TRUE(run.boxes.shown.empty());

  // The installed executable is handed back even when it is gone, and said so.
  const std::string exe = run.fake.folder.path("gone/vmtransfer.exe");
  run.arrange_option("TransferExe", exe);
  EXPECT_TRUE(get_TransferExe(run.context, &text, kOptionBufferSize));
  EXPECT_EQ(exe, text);
  EXPECT_EQ("Error REG5FUN-5X8\nfile not found:\n(" + exe + ")\n\nTransferExe registry value",
            run.last_text());
  run.arrange_option("TransferExe", run.fake.folder.write_file("bin/vmtransfer.exe", "MZ"));
  EXPECT_TRUE(get_TransferExe(run.context, &text, kOptionBufferSize));
  EXPECT_EQ(1u, run.boxes.shown.size());
}

}  // namespace
}  // namespace vmt::settings
