// The options dialog's logic with a scripted view: the catalogue list, the
// two modes, validation and saving on OK, and the checks on Cancel.
#include "settings/options_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

constexpr char kSep = platform::path::kSeparator;

class ScriptedOptionsView : public OptionsView {
 public:
  app::WindowRef window() override { return 0x210; }
  void set_caption(const std::string& text) override { caption = text; }
  void set_control_text(int id, const std::string& text) override { texts[id] = text; }
  std::string control_text(int id) override { return texts[id]; }
  void enable_control(int id, bool enabled) override {
    if (enabled) {
      disabled.erase(id);
    } else {
      disabled.insert(id);
    }
  }
  void set_check(int id, bool checked) override { checks[id] = checked; }
  bool is_checked(int id) override { return checks[id]; }
  void clear_list() override {
    entries.clear();
    selection = -1;
  }
  // The list box sorts its entries, case ignored.
  void add_list_entry(const std::string& text) override {
    const auto at = std::upper_bound(entries.begin(), entries.end(), text,
                                     [](const std::string& a, const std::string& b) {
                                       return platform::to_lower_ascii(a) <
                                              platform::to_lower_ascii(b);
                                     });
    entries.insert(at, text);
  }
  int select_list_entry(const std::string& prefix) override {
    const std::string wanted = platform::to_lower_ascii(prefix);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (platform::to_lower_ascii(entries[i]).compare(0, wanted.size(), wanted) == 0) {
        selection = static_cast<int>(i);
        return selection;
      }
    }
    return -1;
  }
  int list_selection() override { return selection; }
  std::string list_entry(int index) override { return entries.at(static_cast<std::size_t>(index)); }
  bool browse_for_folder(const std::string& title, const std::string& start,
                         std::string* chosen) override {
    browsed.push_back(title + "|" + start);
    if (browse_answers.empty()) return false;
    *chosen = browse_answers.front();
    browse_answers.pop_front();
    return true;
  }
  void open_help(const std::string& file) override { help = file; }
  void end_dialog(int result) override { ended = result; }

  std::string caption;
  std::map<int, std::string> texts;
  std::set<int> disabled;
  std::map<int, bool> checks;
  std::vector<std::string> entries;
  int selection = -1;
  std::vector<std::string> browsed;
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
    run_.fake.folder.write_file("csv/.keep", "");
  }
  std::string folder(const std::string& relative) { return run_.fake.folder.path(relative); }
  void install_vistaplot_2006() {
    run_.arrange("SOFTWARE\\Veldmark\\Vistaplot2006", "InstallDir", folder("VP"));
  }
  void user_folders(const std::string& down, const std::string& up, const std::string& csv) {
    view_.checks[IDC_OPT_PRODUCTS] = false;
    view_.checks[IDC_OPT_USER_DEFINED] = true;
    dlg_.OnCommand(IDC_OPT_USER_DEFINED);
    view_.browse_answers = {down, up};
    dlg_.OnCommand(IDC_OPT_BROWSE_DOWNLOAD);
    dlg_.OnCommand(IDC_OPT_BROWSE_UPLOAD);
    if (!csv.empty()) {
      view_.browse_answers = {csv};
      dlg_.OnCommand(IDC_OPT_BROWSE_FEATLINK);
    }
  }

  test::FakeRun run_;
  ScriptedOptionsView view_;
  COPT_Options_Dlg dlg_{run_.context, view_};
};

TEST_F(Options, WithNoProgramInstalledTheListIsEmptyAndOnlyUserFoldersSave) {
  dlg_.OnInit();
  EXPECT_EQ("Transfer options", view_.caption);
  EXPECT_EQ(kCatalogueSize, dlg_.catalogue().count());
  EXPECT_TRUE(view_.entries.empty());
  EXPECT_EQ(COPT_Options_Dlg::kUserDefined, dlg_.mode());
  EXPECT_TRUE(view_.disabled.count(IDC_OPT_PROGRAM_LIST));
  EXPECT_TRUE(view_.disabled.count(IDC_OPT_LAUNCH));
  EXPECT_FALSE(view_.disabled.count(IDC_OPT_BROWSE_FEATLINK));
  EXPECT_EQ("Launch program: Not applicable when User defined folders selected.",
            view_.texts[IDC_OPT_LAUNCH]);

  view_.checks[IDC_OPT_USER_DEFINED] = false;
  view_.checks[IDC_OPT_PRODUCTS] = true;
  dlg_.OnCommand(IDC_OPT_PRODUCTS);
  EXPECT_EQ("Launch program", view_.texts[IDC_OPT_LAUNCH]);
  EXPECT_EQ("", view_.texts[IDC_OPT_DOWNLOAD_DIR]);
  dlg_.OnOK();
  EXPECT_EQ("You must select something in the list box", run_.last_text());
  EXPECT_EQ(0, view_.ended);

  user_folders(folder("down"), folder("up"), "");
  EXPECT_EQ("Browse for download folder|", view_.browsed[0]);
  EXPECT_EQ(folder("down"), view_.texts[IDC_OPT_DOWNLOAD_DIR]);
  run_.boxes.shown.clear();
  dlg_.OnOK();
  EXPECT_TRUE(run_.boxes.shown.empty());  // an empty Featlink folder is accepted
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ(folder("down"), run_.stored_option("UserDownDir"));
  EXPECT_EQ(folder("up"), run_.stored_option("UserUpDir"));
  EXPECT_EQ("", run_.stored_option("UserCsvDir"));
  EXPECT_EQ("User defined", run_.stored_option("DefSyncProgram"));
  EXPECT_EQ("0", run_.stored_option("LaunchOnTransfer"));
}

// A standard user on a key the installation did not open up: OK tells once and
// stays open rather than closing as if saved, with a failure at the first or a
// later write.
TEST_F(Options, OkThatCannotSaveSaysSoOnceAndStaysOpen) {
  dlg_.OnInit();
  user_folders(folder("down"), folder("up"), "");
  run_.registry.fail(test::FaultRegistry::Call::kOpen, "SOFTWARE\\Veldmark\\Transfer\\TransferOptions",
                     5, {}, 100);
  run_.boxes.shown.clear();
  dlg_.OnOK();
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ(0u, run_.last_text().find("The setting UserDownDir was not saved"));
  EXPECT_EQ(0, view_.ended);

  test::FakeRun later;
  later.arrange_option("DefSyncProgram", program::kUserDefined);
  later.arrange_option("LaunchOnTransfer", "0");
  ScriptedOptionsView view;
  COPT_Options_Dlg dlg{later.context, view};
  dlg.OnInit();
  view.checks[IDC_OPT_USER_DEFINED] = true;
  dlg.OnCommand(IDC_OPT_USER_DEFINED);
  view.browse_answers = {folder("down"), folder("up")};
  dlg.OnCommand(IDC_OPT_BROWSE_DOWNLOAD);
  dlg.OnCommand(IDC_OPT_BROWSE_UPLOAD);
  later.registry.fail(test::FaultRegistry::Call::kSetString,
                      "SOFTWARE\\Veldmark\\Transfer\\TransferOptions", 1009, "LaunchOnTransfer");
  later.boxes.shown.clear();
  dlg.OnOK();
  ASSERT_EQ(1u, later.boxes.shown.size());
  EXPECT_EQ(0u, later.last_text().find("The setting LaunchOnTransfer was not saved"));
  EXPECT_EQ(0, view.ended);
}

TEST_F(Options, UserFoldersAreCheckedInTurnAndTheSameFolderTwiceIsAsked) {
  dlg_.OnInit();
  user_folders(folder("gone"), folder("up"), "");
  dlg_.OnOK();
  EXPECT_EQ("You must supply a download folder.\n" + folder("gone") +
                " does not exist.\nUse the Browse button",
            run_.last_text());
  EXPECT_EQ("", view_.texts[IDC_OPT_DOWNLOAD_DIR]);
  dlg_.OnOK();
  EXPECT_EQ("You must supply a download folder. Use the Browse button", run_.last_text());

  user_folders(folder("down"), folder("DOWN"), "");
  if (!run_.fake.platform().files.exists(folder("DOWN"))) {
    run_.fake.folder.write_file("DOWN/.keep", "");  // a case-sensitive desktop
  }
  run_.boxes.answers = {app::id::kNo};
  dlg_.OnOK();
  EXPECT_EQ(0u, run_.last_text().find("WARNING:\n\nThe user defined upload and download folders"));
  EXPECT_EQ(app::mb::kYesNo | app::mb::kIconQuestion | app::mb::kDefaultButton2,
            run_.boxes.shown.back().style);
  EXPECT_EQ(0, view_.ended);
  EXPECT_EQ(folder("down"), dlg_.download_folder());
  EXPECT_EQ(folder("DOWN"), dlg_.upload_folder());
  EXPECT_EQ("<none>", run_.stored_option("UserDownDir"));

  view_.browse_answers = {folder("missing csv")};
  dlg_.OnCommand(IDC_OPT_BROWSE_FEATLINK);
  run_.boxes.answers = {app::id::kYes};
  dlg_.OnOK();
  EXPECT_EQ(0u, run_.last_text().find("Warning the supplied Featlink folder\n"));
  EXPECT_EQ("", dlg_.featlink_folder());
  EXPECT_EQ(0, view_.ended);

  run_.boxes.answers = {app::id::kYes};
  view_.checks[IDC_OPT_LAUNCH] = true;  // greyed in this mode, and stored as it stands
  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ(folder("DOWN"), run_.stored_option("UserUpDir"));
  EXPECT_EQ("1", run_.stored_option("LaunchOnTransfer"));
}

TEST_F(Options, AStoredProgramNotInstalledOpensOnTheFirstEntryOfTheList) {
  install_vistaplot_2006();
  run_.arrange_option("DefSyncProgram", program::kVistaplot);
  run_.arrange_option("LaunchOnTransfer", "1");
  dlg_.OnInit();
  EXPECT_EQ("Error setting options from registry, Vistaplot (100)", run_.texts().at(0));
  EXPECT_EQ(std::vector<std::string>{program::kVistaplot2006}, view_.entries);
  EXPECT_EQ(0, view_.selection);
  EXPECT_EQ(COPT_Options_Dlg::kProducts, dlg_.mode());
  EXPECT_TRUE(view_.checks[IDC_OPT_LAUNCH]);
  EXPECT_TRUE(view_.checks[IDC_OPT_PRODUCTS]);
  EXPECT_NE("", view_.texts[IDC_OPT_DOWNLOAD_DIR]);
  EXPECT_EQ(folder("VP") + kSep + "vcad.exe", view_.texts[IDC_OPT_EXE_PATH]);
  EXPECT_NE("", view_.texts[IDC_OPT_FEATLINK_DIR]) << view_.texts[IDC_OPT_DOWNLOAD_DIR];
  EXPECT_TRUE(view_.disabled.count(IDC_OPT_BROWSE_DOWNLOAD));

  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ(program::kVistaplot2006, run_.stored_option("DefSyncProgram"));
  EXPECT_EQ("1", run_.stored_option("LaunchOnTransfer"));

  // The catalogue holds every row, the installed ones filled.
  C_directory_options record;
  ASSERT_TRUE(dlg_.catalogue().find(program::kVistaplot2006, &record));
  EXPECT_TRUE(record.is_filled());
  ASSERT_TRUE(dlg_.catalogue().find(program::kUserDefined, &record));
  EXPECT_FALSE(record.is_filled());
  run_.log.clear();
  EXPECT_EQ("", dlg_.catalogue().get(run_.context, kCatalogueSize).name());
  EXPECT_EQ(1u, run_.log.count());
}

TEST_F(Options, AnEmptyListCannotSelectTheStoredNameAndSaysSo) {
  run_.arrange_option("DefSyncProgram", program::kVistaplot2006);
  dlg_.OnInit();
  EXPECT_EQ("Error, unable to select () in listbox\nUnexpected value in registry DefSyncProgram.",
            run_.last_text());
  EXPECT_EQ(app::mb::kOk | app::mb::kIconWarning, run_.boxes.shown.back().style);
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
}

TEST_F(Options, HelpWithoutTheFileSaysWhereItWasLookedFor) {
  dlg_.OnInit();
  dlg_.OnCommand(IDC_OPT_HELP);
  EXPECT_EQ("Help file:\n" + run_.fake.exe_folder() + "transfer.chm\nnot found.",
            run_.last_text());
  EXPECT_EQ("", view_.help);
  run_.fake.folder.write_file("program/transfer.chm", "chm");
  dlg_.OnCommand(IDC_OPT_HELP);
  EXPECT_EQ(run_.fake.exe_folder() + "transfer.chm", view_.help);
}

// The safety net in the dialog: shown as stored, the days only while files
// are kept, checked before anything is written, and saved after the rest.
TEST_F(Options, TheSafetyNetIsShownAsStoredAndItsDaysCheckedBeforeAnythingIsSaved) {
  run_.arrange_option("UserDownDir", folder("down"));
  run_.arrange_option("UserUpDir", folder("up"));
  run_.arrange_option("KeepReplaced", "0");
  run_.arrange_option("KeepReplacedDays", "14");
  dlg_.OnInit();
  EXPECT_FALSE(view_.checks[IDC_OPT_KEEP_REPLACED]);
  EXPECT_EQ("14", view_.texts[IDC_OPT_KEEP_DAYS]);
  EXPECT_EQ(1u, view_.disabled.count(IDC_OPT_KEEP_DAYS));
  EXPECT_TRUE(view_.checks[IDC_OPT_VERIFY]);

  view_.checks[IDC_OPT_KEEP_REPLACED] = true;
  dlg_.OnCommand(IDC_OPT_KEEP_REPLACED);
  EXPECT_EQ(0u, view_.disabled.count(IDC_OPT_KEEP_DAYS));
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
  view_.ended = 0;
  view_.checks[IDC_OPT_KEEP_REPLACED] = false;
  view_.texts[IDC_OPT_KEEP_DAYS] = "";
  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
  EXPECT_EQ("0", run_.stored_option("KeepReplaced"));
  EXPECT_EQ("60", run_.stored_option("KeepReplacedDays"));

  // A write that fails keeps the dialog open.
  view_.ended = 0;
  run_.registry.fail(test::FaultRegistry::Call::kSetString,
                     "SOFTWARE\\Veldmark\\Transfer\\TransferOptions", 5, "VerifyCopies");
  dlg_.OnOK();
  EXPECT_EQ(0u, run_.last_text().find("The setting VerifyCopies was not saved"));
  EXPECT_EQ(0, view_.ended);
}

}  // namespace
}  // namespace vmt::settings
