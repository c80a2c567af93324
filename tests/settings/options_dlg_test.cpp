// The options dialog's logic with a scripted view: the catalogue list, the
// two modes, validation and saving on OK, and the checks on Cancel.
#include "settings/options_dlg.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

constexpr char kSep = platform::path::kSeparator;
const std::string kKey = "SOFTWARE\\Veldmark\\Transfer\\TransferOptions";
using Call = test::FaultRegistry::Call;

class ScriptedOptionsView : public OptionsView {
 public:
  app::WindowRef window() override { return 0x210; }
  void set_caption(const std::string&) override {}
  void set_control_text(int id, const std::string& text) override { texts[id] = text; }
  std::string control_text(int id) override { return texts[id]; }
  void enable_control(int id, bool on) override { disabled[id] = !on; }
  void set_check(int id, bool checked) override { checks[id] = checked; }
  bool is_checked(int id) override { return checks[id]; }
  void clear_list() override {
    entries.clear();
    selection = -1;
  }
  void add_list_entry(const std::string& text) override { entries.push_back(text); }
  int select_list_entry(const std::string& prefix) override {
    const std::string wanted = platform::to_lower_ascii(prefix);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (platform::to_lower_ascii(entries[i]).compare(0, wanted.size(), wanted) == 0) {
        return selection = static_cast<int>(i);
      }
    }
    return -1;
  }
  int list_selection() override { return selection; }
  std::string list_entry(int index) override { return entries.at(static_cast<std::size_t>(index)); }
  bool browse_for_folder(const std::string&, const std::string&, std::string* chosen) override {
    if (browse_answers.empty()) return false;
    *chosen = browse_answers.front();
    browse_answers.pop_front();
    return true;
  }
  void open_help(const std::string& file) override { help = file; }
  void end_dialog(int result) override { ended = result; }

  std::map<int, std::string> texts;
  std::map<int, bool> disabled;
  std::map<int, bool> checks;
  std::vector<std::string> entries;
  int selection = -1;
  std::deque<std::string> browse_answers;
  std::string help;
  int ended = 0;
};

class Options : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.arrange_option("DefSyncProgram", program::kUserDefined);
    run_.arrange_option("LaunchOnTransfer", "0");
    run_.fake.folder.write_file("down/.keep", "");
    run_.fake.folder.write_file("up/.keep", "");
  }
  std::string folder(const std::string& relative) { return run_.fake.folder.path(relative); }
  void user_folders(const std::string& down, const std::string& up) {
    view_.checks[IDC_OPT_PRODUCTS] = false;
    view_.checks[IDC_OPT_USER_DEFINED] = true;
    dlg_.OnCommand(IDC_OPT_USER_DEFINED);
    view_.browse_answers = {down, up};
    dlg_.OnCommand(IDC_OPT_BROWSE_DOWNLOAD);
    dlg_.OnCommand(IDC_OPT_BROWSE_UPLOAD);
  }

  test::FakeRun run_;
  ScriptedOptionsView view_;
  COPT_Options_Dlg dlg_{run_.context, view_};
};

// With no program installed only the user's own folders can be chosen; each
// is checked in turn, and OK closes only once everything is saved.
TEST_F(Options, UserFoldersAreCheckedInTurnAndOkClosesOnlyWhenAllIsSaved) {
  dlg_.OnInit();
  EXPECT_TRUE(view_.entries.empty());
  EXPECT_EQ(COPT_Options_Dlg::kUserDefined, dlg_.mode());
  EXPECT_TRUE(view_.disabled[IDC_OPT_LAUNCH]);
  view_.checks[IDC_OPT_USER_DEFINED] = false;
  view_.checks[IDC_OPT_PRODUCTS] = true;
  dlg_.OnCommand(IDC_OPT_PRODUCTS);
  dlg_.OnOK();
  EXPECT_EQ("You must select something in the list box", run_.last_text());

  user_folders(folder("gone"), folder("up"));
  dlg_.OnOK();
  EXPECT_EQ("You must supply a download folder.\n" + folder("gone") +
                " does not exist.\nUse the Browse button",
            run_.last_text());
  EXPECT_EQ("", view_.texts[IDC_OPT_DOWNLOAD_DIR]);
  dlg_.OnOK();
  EXPECT_EQ("You must supply a download folder. Use the Browse button", run_.last_text());

  user_folders(folder("down"), folder("DOWN"));
  if (!run_.fake.platform().files.exists(folder("DOWN"))) {
    run_.fake.folder.write_file("DOWN/.keep", "");  // a case-sensitive desktop
  }
  run_.boxes.answers = {app::id::kNo};
  dlg_.OnOK();
  EXPECT_EQ(0u, run_.last_text().find("WARNING:\n\nThe user defined upload and download folders"));
  EXPECT_EQ(app::mb::kYesNo | app::mb::kIconQuestion | app::mb::kDefaultButton2,
            run_.boxes.shown.back().style);
  view_.browse_answers = {folder("missing csv")};
  dlg_.OnCommand(IDC_OPT_BROWSE_FEATLINK);
  run_.boxes.answers = {app::id::kYes};
  dlg_.OnOK();
  EXPECT_EQ(0u, run_.last_text().find("Warning the supplied Featlink folder\n"));
  EXPECT_EQ(0, view_.ended);
  EXPECT_EQ("<none>", run_.stored_option("UserDownDir"));

  // A standard user on a key the installation did not open up: OK tells once
  // and stays open rather than closing as if saved, whether the first or a
  // later write fails.
  user_folders(folder("down"), folder("up"));
  view_.checks[IDC_OPT_LAUNCH] = true;  // greyed in this mode, and stored as it stands
  for (const char* value : {"", "LaunchOnTransfer"}) {
    run_.registry.fail(*value ? Call::kSetString : Call::kOpen, kKey, 5, value);
    run_.boxes.shown.clear();
    dlg_.OnOK();
    ASSERT_EQ(1u, run_.boxes.shown.size());
    EXPECT_EQ(0u, run_.last_text().find(std::string("The setting ") +
                                        (*value ? value : "UserDownDir") + " was not saved"));
    EXPECT_EQ(0, view_.ended);
  }
  run_.boxes.shown.clear();
  dlg_.OnOK();
  EXPECT_TRUE(run_.boxes.shown.empty());  // the Featlink folder was emptied, which is accepted
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ(folder("down"), run_.stored_option("UserDownDir"));
  EXPECT_EQ(folder("up"), run_.stored_option("UserUpDir"));
  EXPECT_EQ("", run_.stored_option("UserCsvDir"));
  EXPECT_EQ("User defined", run_.stored_option("DefSyncProgram"));
  EXPECT_EQ("1", run_.stored_option("LaunchOnTransfer"));
  EXPECT_EQ(0u, run_.registry.open_count());
}

TEST_F(Options, AStoredProgramNotInstalledOpensOnTheFirstEntryOfTheList) {
  run_.arrange("SOFTWARE\\Veldmark\\Vistaplot2006", "InstallDir", folder("VP"));
  run_.arrange_option("DefSyncProgram", program::kVistaplot);
  run_.arrange_option("LaunchOnTransfer", "1");
  dlg_.OnInit();
  EXPECT_EQ("Error setting options from registry, Vistaplot (100)", run_.texts().at(0));
  EXPECT_EQ(std::vector<std::string>{program::kVistaplot2006}, view_.entries);
  EXPECT_EQ(0, view_.selection);
  EXPECT_EQ(COPT_Options_Dlg::kProducts, dlg_.mode());
  EXPECT_TRUE(view_.checks[IDC_OPT_LAUNCH]);
  EXPECT_EQ(folder("VP") + kSep + "vcad.exe", view_.texts[IDC_OPT_EXE_PATH]);
  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ(program::kVistaplot2006, run_.stored_option("DefSyncProgram"));
  EXPECT_EQ("1", run_.stored_option("LaunchOnTransfer"));
}

TEST_F(Options, CancelAsksAboutMissingFoldersAndWritesNothing) {
  run_.arrange_option("UserDownDir", folder("deleted") + kSep);
  run_.arrange_option("UserUpDir", folder("up") + kSep);
  dlg_.OnInit();
  run_.boxes.answers = {app::id::kNo};
  dlg_.OnCancel();
  EXPECT_EQ(0u, run_.last_text().find("Warning, the current default download folder\n(" +
                                      folder("deleted") + kSep + ")\ncannot be found."));
  EXPECT_EQ(0, view_.ended);
  run_.boxes.answers = {app::id::kYes};
  dlg_.OnCancel();
  EXPECT_EQ(app::id::kCancel, view_.ended);
  EXPECT_EQ(folder("deleted") + kSep, run_.stored_option("UserDownDir"));

  run_.arrange_option("DefSyncProgram", "Nothing known");
  view_.ended = 0;
  run_.boxes.answers = {app::id::kNo};
  dlg_.OnCancel();
  EXPECT_EQ(0u, run_.last_text().find("Warning, unable to ensure that default directories"));
  EXPECT_EQ(0, view_.ended);

  // An empty list cannot select a stored name and says so.
  run_.arrange_option("DefSyncProgram", program::kVistaplot2006);
  dlg_.OnInit();
  EXPECT_EQ("Error, unable to select () in listbox\nUnexpected value in registry DefSyncProgram.",
            run_.last_text());
  // Help without its file says where it was looked for.
  dlg_.OnCommand(IDC_OPT_HELP);
  EXPECT_EQ("Help file:\n" + run_.fake.exe_folder() + "transfer.chm\nnot found.",
            run_.last_text());
  run_.fake.folder.write_file("program/transfer.chm", "chm");
  dlg_.OnCommand(IDC_OPT_HELP);
  EXPECT_EQ(run_.fake.exe_folder() + "transfer.chm", view_.help);
}

// The safety net: shown as stored, the days only while files are kept, and
// checked before anything is written.
TEST_F(Options, TheSafetyNetIsShownAsStoredAndItsDaysCheckedBeforeAnythingIsSaved) {
  run_.arrange_option("UserDownDir", folder("down"));
  run_.arrange_option("UserUpDir", folder("up"));
  run_.arrange_option("KeepReplaced", "0");
  run_.arrange_option("KeepReplacedDays", "14");
  dlg_.OnInit();
  EXPECT_FALSE(view_.checks[IDC_OPT_KEEP_REPLACED]);
  EXPECT_EQ("14", view_.texts[IDC_OPT_KEEP_DAYS]);
  EXPECT_TRUE(view_.disabled[IDC_OPT_KEEP_DAYS]);
  EXPECT_TRUE(view_.checks[IDC_OPT_VERIFY]);

  view_.checks[IDC_OPT_KEEP_REPLACED] = true;
  dlg_.OnCommand(IDC_OPT_KEEP_REPLACED);
  EXPECT_FALSE(view_.disabled[IDC_OPT_KEEP_DAYS]);
  view_.texts[IDC_OPT_KEEP_DAYS] = "0";
  view_.checks[IDC_OPT_VERIFY] = false;
  dlg_.OnOK();
  EXPECT_EQ("Replaced files are kept for a whole number of days, from 1 to 3650.",
            run_.last_text());
  EXPECT_EQ(0, view_.ended);
  EXPECT_EQ("0", run_.stored_option("KeepReplaced"));
  EXPECT_EQ("<none>", run_.stored_option("VerifyCopies"));

  view_.texts[IDC_OPT_KEEP_DAYS] = "60";
  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ("1", run_.stored_option("KeepReplaced"));
  EXPECT_EQ("60", run_.stored_option("KeepReplacedDays"));
  EXPECT_EQ("0", run_.stored_option("VerifyCopies"));

  // Days that are no number do not matter while nothing is kept, and stay as stored.
  view_.checks[IDC_OPT_KEEP_REPLACED] = false;
  view_.texts[IDC_OPT_KEEP_DAYS] = "";
  dlg_.OnOK();
  EXPECT_EQ("0", run_.stored_option("KeepReplaced"));
  EXPECT_EQ("60", run_.stored_option("KeepReplacedDays"));
}

}  // namespace
}  // namespace vmt::settings
