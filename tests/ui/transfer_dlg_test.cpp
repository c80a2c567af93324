// The main window's logic with a scripted view against an emulated data
// collector: what the window decides, not what the planner and copy engine do.
#include "ui/transfer_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "device/copy_engine.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "settings/options_store.h"
#include "support/fake_copying.h"
#include "support/fake_list_view.h"
#include "support/fake_run.h"
#include "support/field_device.h"

namespace vmt::ui {
namespace {

constexpr char kSep = platform::path::kSeparator;
constexpr char kAutoStartKey[] = "Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect";
constexpr char kUnplugged[] = "[Device]\nPresent=0\n";
constexpr char kFieldProgramRunning[] =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\n"
    "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n\"StatusRunning\"=\"YES\"\n";
constexpr auto npos = std::string::npos;

class ScriptedView : public TransferView {
 public:
  app::WindowRef window() override { return 0x147; }
  void set_caption(const std::string&) override {}
  void set_pictures() override {}
  void set_control_text(int id, const std::string& text) override { texts[id] = text; }
  static void mark(std::set<int>& ids, int id, bool in) {
    ids.erase(id);
    if (in) ids.insert(id);
  }
  void enable_control(int id, bool enabled) override { mark(disabled, id, !enabled); }
  bool is_control_enabled(int id) override { return disabled.count(id) == 0; }
  void show_control(int id, bool shown) override { mark(hidden, id, !shown); }
  void set_check(int id, bool checked) override { checks[id] = checked; }
  bool is_checked(int id) override { return checks[id]; }
  // The area as the control holds it: only what changes is handed over.
  void append_status_record(const std::string& text) override {
    record += text;
    handed += text.size();
  }
  void set_status_line(const std::string& text) override {
    line = text;
    handed += text.size();
  }
  void drop_status_record(const std::string& text) override {
    EXPECT_EQ(0u, record.compare(0, text.size(), text)) << "only the record's start leaves";
    record.erase(0, text.size());
    ++drops;
  }
  std::string status() const { return record + line; }
  bool open_animation() override { return true; }
  void play_animation(bool play) override { animations += play; }
  void add_tooltip(int, const std::string&) override {}
  void activate_tooltips(bool) override {}
  bool start_timer(int id, unsigned) override { return (timer = id, timer_works); }
  bool kill_timer(int) override { return (timer = 0, true); }
  void pump_messages() override {
    ++pumped;
    if (on_pump) on_pump();
  }
  PaneListView& list(PaneSide side) override {
    return side == PaneSide::kDesktop ? desktop : device;
  }
  void show_popup_menu(int menu, int, int) override { popups.push_back(menu); }
  void set_menu_item(int id, MenuItemState state) override { menu[id] = state; }
  bool browse_for_folder(const std::string&, const std::string&, std::string* chosen) override {
    if (browse_answers.empty()) return false;
    *chosen = browse_answers.front();
    browse_answers.pop_front();
    return true;
  }
  void open_help(const std::string& file) override { help = file; }
  void end_dialog(int result) override { ended = result; }
  int run_device_browser(const std::string& start, std::string* last_folder) override {
    browser_starts.push_back(start);
    *last_folder = browser_folder;
    return browser_result;
  }
  int run_new_folder_dialog(CNDR_NewDir_Dlg& dialog) override {
    new_folder_parents.push_back(dialog.parent_folder);
    dialog.name = new_folder_name;
    return new_folder_result;
  }
  int run_options_dialog() override {
    ++options_opened;
    if (on_options) on_options();
    return options_result;
  }

  std::map<int, std::string> texts;
  std::set<int> disabled, hidden;
  std::map<int, bool> checks;
  std::map<int, MenuItemState> menu;
  std::string record, line, help, browser_folder, new_folder_name;
  std::size_t handed = 0;  // bytes of text given to the status area
  int drops = 0, animations = 0, timer = 0, pumped = 0, ended = 0, options_opened = 0;
  bool timer_works = true;
  std::vector<int> popups;
  std::deque<std::string> browse_answers;
  std::vector<std::string> browser_starts, new_folder_parents;
  int options_result = app::id::kCancel, browser_result = app::id::kOk,
      new_folder_result = app::id::kOk;
  std::function<void()> on_options, on_pump;
  test::FakeListView desktop, device;
};

class NoIcons : public IconList {
 public:
  int add_icon(platform::IconHandle) override { return 0; }
};

using Names = std::vector<std::string>;

class TransferWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    on_device("fs/Projects/Harbour Road/Harbour Road.raw", "raw");
    on_device("fs/Projects/Codes.csv", "code");
    on_desktop("down/Mill Lane/job.raw", "1234");
    on_desktop("down/notes.txt", "n");
    on_desktop("up/ready.job", "ready");
    run_.arrange_option("DefSyncProgram", "User defined");
    run_.arrange_option("UserDownDir", folder("down"));
    run_.arrange_option("UserUpDir", folder("up"));
    run_.arrange_option("CreateReports", "0");
    run_.arrange_option("LaunchOnTransfer", "0");
    // As installed: the program's own path, and ActiveSync's key.
    run_.fake.folder.write_file("program/vmtransfer.exe", "exe");
    run_.arrange_option("TransferExe", run_.fake.platform().files.executable_path());
    run_.arrange(kAutoStartKey);
  }
  // Both sides' files get one whole second: written in turn, a slow run could
  // cross a second between them and make the later one "newer".
  void on_device(const std::string& relative, const std::string& contents) {
    write_at_stamp("device/" + relative, contents);
  }
  void on_desktop(const std::string& relative, const std::string& contents) {
    write_at_stamp("desk/" + relative, contents);
  }
  void write_at_stamp(const std::string& relative, const std::string& contents) {
    run_.fake.folder.write_file(relative, contents);
    std::filesystem::last_write_time(std::filesystem::u8path(run_.fake.folder.path(relative)),
                                     stamp_);
  }
  bool exists(const std::string& relative) {
    return std::filesystem::exists(std::filesystem::u8path(run_.fake.folder.path(relative)));
  }
  std::string folder(const std::string& relative) {
    std::string path = run_.fake.folder.path("desk/" + relative);
    std::replace(path.begin(), path.end(), '/', kSep);
    return path + kSep;
  }
  void start(const std::string& command_line = "DOWNLOAD") {
    run_.context.command_line = command_line;
    dlg_.OnInit();
    dlg_.OnTimer(kStartupTimer);
  }
  std::string report() {
    std::string text = run_.fake.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }
  void select(test::FakeListView& list, const Names& names) {
    list.selected.clear();
    for (const std::string& name : names) list.selected.push_back(list.index_of(name));
  }
  // The window back at rest on the download folder and the projects folder.
  void expect_at_rest() {
    EXPECT_EQ(folder("down") + "*.*", view_.texts[IDC_DESKTOP_PATH]);
    EXPECT_EQ("\\Projects\\*.*", view_.texts[IDC_DEVICE_PATH]);
    EXPECT_FALSE(dlg_.busy());
    EXPECT_FALSE(run_.context.connected);
  }

  const std::filesystem::file_time_type stamp_ = std::chrono::floor<std::chrono::seconds>(
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  test::FakeRun run_{true};
  ScriptedView view_;
  NoIcons icon_list_;
  IconCache icons_{icon_list_};
  CTRA_Transfer_Dlg dlg_{run_.context, view_, icons_};
  test::FakeCopying copying_{run_.context};
};

TEST_F(TransferWindow, StartUpFillsBothPanesOnceAndRemovesOldKeptFiles) {
  run_.fake.folder.write_file(
      "shell/AppData/Stakeline Exchange/Replaced/2012-02-13 09.00.00/Desktop/old.raw", "old");
  run_.arrange_option("KeepReplacedDays", "7");
  run_.context.command_line = "DOWNLOAD";
  dlg_.OnInit();
  EXPECT_EQ("Initializing, please wait...", view_.status());
  EXPECT_TRUE(dlg_.busy());
  EXPECT_EQ(kStartupTimer, view_.timer);
  dlg_.OnTimer(kStartupTimer);
  EXPECT_EQ(0, view_.timer);
  EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());
  EXPECT_EQ((Names{"Harbour Road", "Codes.csv"}), view_.device.names());
  EXPECT_EQ("Ready.", view_.status());
  expect_at_rest();
  EXPECT_FALSE(view_.is_control_enabled(IDC_LAUNCH_PROGRAM));  // "User defined" never launches
  EXPECT_TRUE(view_.hidden.count(IDC_FILTER_TOGGLE));
  EXPECT_EQ(0, view_.options_opened);
  EXPECT_NE(npos, report().find("SYNC STARTUP::::DOWNLOAD\n"));
  EXPECT_FALSE(exists("shell/AppData/Stakeline Exchange/Replaced/2012-02-13 09.00.00"));
  dlg_.OnTimer(kStartupTimer);  // firing again runs nothing twice
  EXPECT_EQ(2, view_.animations);
}

TEST_F(TransferWindow, UploadModeOpensTheUploadFolderAndAMissingChoiceAsksForOptions) {
  run_.remove_option("DefSyncProgram");
  run_.remove_option("CreateReports");
  start("upload");
  EXPECT_EQ((Names{"ready.job"}), view_.desktop.names());
  EXPECT_EQ("User defined", run_.stored_option("DefSyncProgram"));
  EXPECT_EQ(1, view_.options_opened);
  EXPECT_NE(npos, report().find("DefSyncProgram not set, starting with Options"));
  EXPECT_EQ("1", run_.stored_option("CreateReports"));  // a missing report setting starts on
  EXPECT_TRUE(view_.checks[IDC_CREATE_REPORT]);
}

TEST_F(TransferWindow, AChoiceOutsideTheCatalogueIsReportedOnceAndKept) {
  run_.arrange_option("DefSyncProgram", "Vistaplot 2099");
  start();
  EXPECT_EQ("Vistaplot 2099", run_.stored_option("DefSyncProgram"));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_NE(npos, run_.last_text().find("DefSyncProgram = (Vistaplot 2099)"));
  EXPECT_EQ(0, view_.options_opened);
  EXPECT_EQ(kNotSet, view_.texts[IDC_DESKTOP_PATH]);
}

TEST_F(TransferWindow, UnpluggedOrWithoutProjectsFolderTheDevicePaneWaitsForARefresh) {
  on_desktop("down/codes.csv", "c");
  on_desktop("down/Survey.csv/inside.txt", "a folder that ends in .csv");
  on_device("device.ini", kUnplugged);
  start();
  EXPECT_EQ(4u, view_.desktop.items.size());
  EXPECT_EQ(kNoConnection, view_.texts[IDC_DEVICE_PATH]);
  EXPECT_TRUE(view_.device.items.empty());
  // The status area ends in the text of the connection's code.
  bool code_text_shown = false;
  for (int code = 401; code <= 412; ++code) {
    std::string text;
    code_text_shown |=
        device::status_text_for_code(run_.context, code, &text) && view_.status() == text;
  }
  EXPECT_TRUE(code_text_shown) << view_.status();
  const std::string status = view_.status();
  dlg_.OnCommand(IDC_DEVICE_UP);  // nothing to go up from
  EXPECT_EQ(status, view_.status());
  const int animations = view_.animations;
  dlg_.OnCommand(ID_VIEW_ALL_FILES);  // in force already: nothing is read
  EXPECT_EQ(animations, view_.animations);
  dlg_.OnCommand(ID_VIEW_FEATLINK_FILES);  // the desktop alone is filtered
  EXPECT_EQ((Names{"Survey.csv", "codes.csv"}), view_.desktop.names());
  EXPECT_EQ(folder("down") + "*.csv", view_.texts[IDC_DESKTOP_PATH]);
  EXPECT_EQ(kNoConnection, view_.texts[IDC_DEVICE_PATH]);
  on_device("device.ini", "[Device]\n");
  dlg_.OnCommand(ID_VIEW_ALL_FILES);  // reads both
  EXPECT_EQ(4u, view_.desktop.items.size());
  expect_at_rest();

  // Plugged in, but the field program names no projects folder.
  std::filesystem::remove(std::filesystem::u8path(
      run_.fake.folder.path("device/fs/Program Files/Plotwise/Programs/vmark.ini")));
  on_device("device.ini", "[Device]\n");
  dlg_.OnCommand(ID_REFRESH_KEY);
  EXPECT_EQ(kNotSet, view_.texts[IDC_DEVICE_PATH]);
  EXPECT_TRUE(view_.device.items.empty());
  test::arrange_field_device(run_.fake.folder);
  dlg_.OnCommand(ID_FILE_REFRESH);
  EXPECT_EQ((Names{"Harbour Road", "Codes.csv"}), view_.device.names());
  EXPECT_EQ("Ready.", view_.status());
  expect_at_rest();
}

TEST_F(TransferWindow, BusyLocksTheControlsAndTheMenuAndLeavingWaitsForIt) {
  dlg_.OnInit();
  // Exit and the close box during the start-up sequence do nothing.
  dlg_.OnOK();
  dlg_.OnCancel();
  EXPECT_EQ(0, view_.ended);
  EXPECT_TRUE(run_.boxes.shown.empty());
  for (int id : {IDC_UPLOAD, IDC_DOWNLOAD, IDC_PROJECTS_FOLDER, IDC_DEFAULT_UPLOAD,
                 IDC_DEFAULT_DOWNLOAD, IDC_DEFAULT_FEATLINK, IDC_BROWSE_DESKTOP, IDC_BROWSE_DEVICE,
                 IDC_DESKTOP_LIST, IDC_DEVICE_LIST, IDC_DESKTOP_UP, IDC_DEVICE_UP, IDC_EXIT,
                 IDC_HELP_BUTTON, IDC_FEATLINK_CHECK, IDC_FILTER_TOGGLE, IDC_CREATE_REPORT,
                 IDC_LAUNCH_PROGRAM})
    EXPECT_FALSE(view_.is_control_enabled(id)) << id;
  // A command that arrives while busy (F5 pumped during a read) starts nothing.
  dlg_.OnCommand(ID_REFRESH_KEY);
  EXPECT_EQ(0, view_.animations);
  dlg_.OnTimer(kStartupTimer);
  EXPECT_TRUE(view_.is_control_enabled(IDC_EXIT));

  // While a pane is read messages are pumped, and no idle time comes.
  dlg_.OnIdle();
  ASSERT_TRUE(view_.menu[ID_FILE_REFRESH].enabled);
  int enabled_while_reading = 0;
  view_.on_pump = [&] { enabled_while_reading += view_.menu[ID_OPTIONS_SETTINGS].enabled; };
  dlg_.OnCommand(ID_FILE_REFRESH);
  EXPECT_GT(view_.pumped, 0);
  EXPECT_EQ(0, enabled_while_reading);
  EXPECT_TRUE(view_.menu[ID_OPTIONS_SETTINGS].enabled);

  // With reports on, Cancel at "View report?" keeps the window; No closes it.
  run_.arrange_option("CreateReports", "1");
  view_.checks[IDC_CREATE_REPORT] = true;
  run_.boxes.answers = {app::id::kCancel, app::id::kNo};
  dlg_.OnCancel();
  EXPECT_EQ(0, view_.ended);
  EXPECT_EQ("View report?", run_.last_text());
  dlg_.OnCancel();
  EXPECT_EQ(app::id::kCancel, view_.ended);
  EXPECT_FALSE(run_.context.view_report_on_exit);
}

TEST_F(TransferWindow, ATimerThatCannotStartLeavesAWindowThatCanBeClosed) {
  view_.timer_works = false;
  dlg_.OnInit();
  EXPECT_EQ("Unable to set timer", run_.last_text());
  EXPECT_FALSE(dlg_.busy());
  dlg_.OnIdle();
  EXPECT_TRUE(view_.menu[ID_FILE_EXIT].enabled);
  dlg_.OnOK();
  EXPECT_EQ(app::id::kOk, view_.ended);
}

TEST_F(TransferWindow, ViewCommandsSortAndRefillWithoutReadingUntilARefresh) {
  start();
  const int clears = view_.desktop.clears;
  dlg_.OnCommand(ID_VIEW_DETAILS);  // the current mode: nothing is filled again
  EXPECT_EQ(clears, view_.desktop.clears);
  dlg_.OnColumnClick(PaneSide::kDesktop, 2);
  dlg_.OnColumnClick(PaneSide::kDesktop, 2);
  EXPECT_EQ((Names{"notes.txt", "Mill Lane"}), view_.desktop.names());
  dlg_.OnCommand(ID_VIEW_LIST);
  EXPECT_EQ(ViewMode::kList, view_.device.mode);
  dlg_.OnCommand(ID_VIEW_DETAILS);
  EXPECT_EQ((Names{"notes.txt", "Mill Lane"}), view_.desktop.names());
  EXPECT_EQ(2, view_.animations);  // nothing was read again
  dlg_.OnCommand(ID_DESKTOP_REFRESH);  // a read sorts by name again
  EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());

  dlg_.OnCommand(ID_DEVICE_SELECT_ALL);
  EXPECT_EQ(2u, view_.device.selected.size());
  EXPECT_TRUE(view_.desktop.selected.empty());
}

TEST_F(TransferWindow, DoubleClickEnterUpAndBrowseMoveThroughFolders) {
  start();
  dlg_.OnDoubleClick(PaneSide::kDesktop, view_.desktop.index_of("notes.txt"));
  dlg_.OnDoubleClick(PaneSide::kDesktop, view_.desktop.index_of("Mill Lane"));
  EXPECT_EQ((Names{"job.raw"}), view_.desktop.names());
  dlg_.OnCommand(IDC_DESKTOP_UP);
  // Enter on a file is left to the exit; on a folder it opens it, as a double click.
  EXPECT_FALSE(dlg_.OnEnterInList(PaneSide::kDevice, view_.device.index_of("Codes.csv")));
  EXPECT_TRUE(dlg_.OnEnterInList(PaneSide::kDevice, view_.device.index_of("Harbour Road")));
  EXPECT_EQ((Names{"Harbour Road.raw"}), view_.device.names());
  dlg_.OnCommand(IDC_DEVICE_UP);
  dlg_.OnCommand(IDC_DEVICE_UP);
  EXPECT_NE(view_.device.index_of("Projects"), -1);
  // At the root a further move reads nothing, nor "Projects folder" asked twice.
  const int animations = view_.animations;
  dlg_.OnCommand(IDC_DEVICE_UP);
  EXPECT_EQ("\\*.*", view_.texts[IDC_DEVICE_PATH]);
  dlg_.OnCommand(IDC_PROJECTS_FOLDER);
  dlg_.OnCommand(IDC_PROJECTS_FOLDER);
  EXPECT_EQ(animations + 1, view_.animations);
  expect_at_rest();

  // The device browser starts at the pane's folder; Cancel changes nothing.
  view_.browser_folder = "\\Projects\\Harbour Road";
  view_.browser_result = app::id::kCancel;
  dlg_.OnCommand(IDC_BROWSE_DEVICE);
  EXPECT_EQ((Names{"\\Projects"}), view_.browser_starts);
  EXPECT_EQ("\\Projects\\*.*", view_.texts[IDC_DEVICE_PATH]);
  view_.browser_result = app::id::kOk;
  dlg_.OnCommand(IDC_BROWSE_DEVICE);
  EXPECT_EQ((Names{"Harbour Road.raw"}), view_.device.names());
  EXPECT_FALSE(run_.context.connected);

  // Browsing to the folder shown, in other case, reads nothing.
  const int before_browse = view_.animations;
  std::string same = folder("down");
  same.pop_back();
  std::transform(same.begin(), same.end(), same.begin(), [](char ch) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  });
  view_.browse_answers = {same, folder("up")};
  dlg_.OnCommand(IDC_BROWSE_DESKTOP);
  EXPECT_EQ(before_browse, view_.animations);
  dlg_.OnCommand(IDC_BROWSE_DESKTOP);
  dlg_.OnCommand(IDC_BROWSE_DESKTOP);  // cancelled
  EXPECT_EQ(folder("up") + "*.*", view_.texts[IDC_DESKTOP_PATH]);
}

TEST_F(TransferWindow, DefaultFolderButtonsNeitherResolveAgainNorRemakeDeletedFolders) {
  // A program row whose working folders the resolution makes when missing.
  run_.arrange_option("DefSyncProgram", settings::program::kVeldmarkCad2012);
  run_.arrange("Software\\Veldmark\\VMCAD2012", "InstallDir", folder("vm2012"));
  start();
  const std::string downloads = dlg_.desktop_pane().folder;
  ASSERT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(downloads))) << downloads;
  std::filesystem::remove_all(std::filesystem::u8path(downloads));
  run_.arrange_option("DefSyncProgram", "Vistaplot 2099");  // changed behind the window's back
  dlg_.OnCommand(IDC_DEFAULT_UPLOAD);
  dlg_.OnCommand(IDC_DEFAULT_DOWNLOAD);
  EXPECT_EQ("NOT FOUND: " + downloads, view_.texts[IDC_DESKTOP_PATH]);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(downloads)));
  EXPECT_TRUE(run_.boxes.shown.empty()) << run_.last_text();
}

// A key readable but not writable (a standard user before the installation
// opened it up), or gone altogether.
TEST_F(TransferWindow, CheckBoxesThatCannotBeSavedSayItOnceAndShowWhatIsStored) {
  run_.arrange_option("LaunchOnTransfer", "1");
  run_.arrange_option("DefSyncProgram", "Vistaplot");
  start();
  view_.checks[IDC_CREATE_REPORT] = true;
  dlg_.OnCommand(IDC_CREATE_REPORT);
  EXPECT_EQ("1", run_.stored_option("CreateReports"));

  const std::string key = "SOFTWARE\\Veldmark\\Transfer\\TransferOptions";
  run_.registry.fail(test::FaultRegistry::Call::kOpen, key, 5, {}, 2);
  run_.boxes.shown.clear();
  view_.checks[IDC_CREATE_REPORT] = false;
  dlg_.OnCommand(IDC_CREATE_REPORT);
  // The second arranged failure is the quiet read; the box still shows the old state.
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ(0u, run_.last_text().find("The setting CreateReports was not saved"));
  EXPECT_TRUE(view_.checks[IDC_CREATE_REPORT]);
  EXPECT_TRUE(dlg_.create_report());

  run_.registry.fail(test::FaultRegistry::Call::kSetString, key, 5, "LaunchOnTransfer");
  run_.boxes.shown.clear();
  view_.checks[IDC_LAUNCH_PROGRAM] = false;
  dlg_.OnCommand(IDC_LAUNCH_PROGRAM);
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_TRUE(view_.checks[IDC_LAUNCH_PROGRAM]);
  EXPECT_TRUE(dlg_.launch_program());
  EXPECT_EQ("1", run_.stored_option("LaunchOnTransfer"));
  EXPECT_EQ("1", run_.stored_option("CreateReports"));
}

TEST_F(TransferWindow, TheStatusAreaGetsOnlyWhatChangesAndDropsItsOldestLinesPastTheLimit) {
  start();
  dlg_.append_status_line("one\ntwo\n");
  dlg_.set_status_text("now");
  EXPECT_EQ("one\r\ntwo\r\nnow", view_.status());
  view_.handed = 0;
  std::size_t given = 0;
  std::size_t lines = 0;
  while (view_.drops == 0) {  // a long run passes the limit once
    const std::string name = "\t--> point " + std::to_string(lines++) + ".raw:\t";
    dlg_.set_status_text(name + "0 of 9 (0 %)");
    dlg_.set_status_text({});
    dlg_.append_status_line(name + "9 of 9 (100 %)\n");
    given += 2 * name.size() + 12 + 16;  // the record's line ends in "\r\n"
  }
  // Each line was handed over once, never the whole record again.
  EXPECT_EQ(given, view_.handed);
  // Whole lines left from the front, down to what is kept; the window and
  // the logic agree on what remains, and the newest line is the last.
  EXPECT_EQ(view_.record, dlg_.status_history());
  EXPECT_LE(view_.record.size(), kStatusRecordKept);
  EXPECT_GT(view_.record.size(), kStatusRecordKept - 64);
  EXPECT_EQ(0u, view_.record.find("\t--> point "));
  const std::string last = "\t--> point " + std::to_string(lines - 1) + ".raw:\t9 of 9 (100 %)\r\n";
  EXPECT_EQ(view_.record.size() - last.size(), view_.record.rfind(last));
  dlg_.set_status_text("Ready.");
  EXPECT_EQ(view_.record + "Ready.", view_.status());

  // At most `keep` bytes stay, from the start of a line; a last line longer
  // than what is kept is cut between two characters.
  EXPECT_EQ(0u, status_record_cut("one\r\ntwo\r\n", 10));
  EXPECT_EQ(5u, status_record_cut("one\r\ntwo\r\n", 9));
  EXPECT_EQ(10u, status_record_cut("one\r\ntwo\r\n", 4));
  const std::string wide = "a\r\n\xC3\xA4\xC3\xA4\xC3\xA4";
  EXPECT_EQ(3u, status_record_cut(wide, 6));
  EXPECT_EQ(5u, status_record_cut(wide, 4));
  EXPECT_EQ(7u, status_record_cut(wide, 3));
}

TEST_F(TransferWindow, TransfersNeedASelectionAskAboutTheClashAndReadTheDestinationAgain) {
  on_device("fs/Projects/notes.txt", "older");
  start();
  dlg_.OnCommand(IDC_UPLOAD);
  EXPECT_EQ("Nothing selected in desktop computer list", run_.last_text());
  dlg_.OnCommand(IDC_DOWNLOAD);
  EXPECT_EQ("Nothing selected in data collector list", run_.last_text());
  select(view_.desktop, {"Mill Lane", "notes.txt"});
  run_.boxes.answers = {app::id::kYes};
  dlg_.OnCommand(IDC_UPLOAD);
  EXPECT_NE(npos, run_.last_text().find("  File:'notes.txt' (file will be overwritten)"));
  EXPECT_EQ("n", run_.fake.folder.read_file("device/fs/Projects/notes.txt"));
  EXPECT_EQ((Names{"Harbour Road", "Mill Lane", "Codes.csv", "notes.txt"}), view_.device.names());
  EXPECT_FALSE(device::is_copying_dialog_open(run_.context));
  EXPECT_NE(npos, dlg_.status_history().find("\t--> notes.txt:\t1 of 1 (100 %)\r\n"));
  EXPECT_EQ("Ready.", dlg_.current_status_line());
  expect_at_rest();
  EXPECT_EQ(2u, view_.desktop.selected.size());  // the source list keeps the selection

  select(view_.device, {"Codes.csv"});
  dlg_.OnCommand(IDC_DOWNLOAD);
  EXPECT_EQ((Names{"Mill Lane", "Codes.csv", "notes.txt"}), view_.desktop.names());

  on_device("device.ini", kUnplugged);
  dlg_.OnCommand(ID_FILE_REFRESH);
  dlg_.OnCommand(IDC_UPLOAD);
  EXPECT_EQ("The data collector folder is not set.\nUnable to copy to it.", run_.last_text());
  EXPECT_FALSE(dlg_.busy());
}

TEST_F(TransferWindow, CancelWhileTheFieldProgramRunsCopiesNothingAndReadsAgain) {
  run_.arrange_option("UserCsvDir", folder("csv"));
  on_desktop("csv/Roads.csv", "roads");
  start();
  on_device("registry.reg", kFieldProgramRunning);
  select(view_.device, {"Codes.csv"});
  run_.boxes.answers = {app::id::kCancel};
  dlg_.OnCommand(IDC_DOWNLOAD);
  EXPECT_NE(npos, run_.last_text().find("Plotwise is currently running"));
  EXPECT_FALSE(exists("desk/down/Codes.csv"));
  EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());
  expect_at_rest();

  // The Featlink check declined the same way leaves both panes as they were.
  run_.boxes.shown.clear();
  run_.boxes.answers = {app::id::kCancel};
  dlg_.OnCommand(IDC_FEATLINK_CHECK);
  EXPECT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ("*.*", dlg_.device_pane().filter);
  EXPECT_FALSE(exists("device/fs/Projects/Roads.csv"));
  expect_at_rest();
}

TEST_F(TransferWindow, FeatlinkCheckNeedsItsFolderAndItsGuidanceCopiesOnlyWhatIsAnsweredYes) {
  start();
  dlg_.OnCommand(IDC_FEATLINK_CHECK);
  EXPECT_EQ(0u, run_.last_text().find("You do not have a default Featlink folder set."));
  // A folder that has gone is named, and nothing is read or compared.
  run_.arrange_option("UserCsvDir", folder("csv"));
  const int animations = view_.animations;
  dlg_.OnCommand(IDC_FEATLINK_CHECK);
  EXPECT_EQ(0u, run_.last_text().find("The Featlink folder was not found:\n" + folder("csv")));
  EXPECT_EQ(animations, view_.animations);

  on_desktop("csv/Roads.csv", "roads");
  run_.boxes.shown.clear();
  run_.boxes.answers = {app::id::kYes, app::id::kCancel};
  dlg_.OnCommand(IDC_FEATLINK_CHECK);
  ASSERT_EQ(2u, run_.boxes.shown.size());
  EXPECT_EQ(app::mb::kYesNo, run_.boxes.shown[0].style);
  EXPECT_FALSE(exists("device/fs/Projects/Roads.csv"));
  EXPECT_FALSE(exists("desk/csv/Codes.csv"));
  EXPECT_TRUE(view_.hidden.count(IDC_FILTER_TOGGLE));
  expect_at_rest();

  run_.boxes.answers = {app::id::kYes, app::id::kYes, app::id::kYes};
  dlg_.OnCommand(IDC_FEATLINK_CHECK);
  EXPECT_TRUE(exists("device/fs/Projects/Roads.csv"));
  EXPECT_TRUE(exists("desk/csv/Codes.csv"));
  dlg_.OnCommand(IDC_FILTER_TOGGLE);
  EXPECT_EQ((Names{"Codes.csv", "Roads.csv"}), view_.device.names());
  EXPECT_TRUE(view_.desktop.names().empty());
  EXPECT_EQ("Show All Files", view_.texts[IDC_FILTER_TOGGLE]);
  dlg_.OnCommand(IDC_FILTER_TOGGLE);
  EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());
  EXPECT_TRUE(view_.hidden.count(IDC_FILTER_TOGGLE));
}

TEST_F(TransferWindow, TheOptionsDialogTheLaunchBoxAndTheActiveSyncStartFollowTheChoices) {
  start();
  view_.options_result = -1;
  dlg_.OnCommand(ID_OPTIONS_SETTINGS);
  EXPECT_EQ("Error 4RF48TGH, unable to start program dialog", run_.last_text());
  // The dialog saves an installed program with the launch on.
  view_.options_result = app::id::kOk;
  view_.on_options = [this] {
    run_.arrange("SOFTWARE\\Veldmark\\Vistaplot2006", "InstallDir", run_.fake.folder.path("VP"));
    run_.arrange_option("DefSyncProgram", settings::program::kVistaplot2006);
    run_.arrange_option("LaunchOnTransfer", "1");
  };
  dlg_.OnCommand(ID_OPTIONS_SETTINGS);
  EXPECT_TRUE(view_.is_control_enabled(IDC_LAUNCH_PROGRAM));
  EXPECT_TRUE(view_.checks[IDC_LAUNCH_PROGRAM]);

  dlg_.OnCommand(ID_OPTIONS_AUTO_START);
  EXPECT_EQ("\"" + run_.fake.platform().files.executable_path() + "\"",
            run_.stored(kAutoStartKey, "Veldmark"));
  dlg_.OnIdle();
  EXPECT_TRUE(view_.menu[ID_OPTIONS_AUTO_START].checked);
}

TEST_F(TransferWindow, CreateFolderMakesEveryLevelOrNothingForAnEmptyNameOrNoFolder) {
  start();
  dlg_.OnCommand(ID_DESKTOP_CREATE_FOLDER);  // an empty name
  EXPECT_EQ((Names{folder("down")}), view_.new_folder_parents);
  EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());
  view_.new_folder_name = "a\\b";
  dlg_.OnCommand(ID_DESKTOP_CREATE_FOLDER);
  EXPECT_EQ(folder("down/a/b") + "*.*", view_.texts[IDC_DESKTOP_PATH]);
  view_.new_folder_result = app::id::kCancel;
  view_.new_folder_name = "never";
  dlg_.OnCommand(ID_DESKTOP_CREATE_FOLDER);
  EXPECT_FALSE(exists("desk/down/a/b/never"));

  // A pane that shows "NOT SET" is no folder to make one in.
  run_.remove_option("UserDownDir");
  dlg_.OnCommand(IDC_DEFAULT_DOWNLOAD);
  ASSERT_EQ(kNotSet, dlg_.desktop_pane().folder);
  view_.new_folder_result = app::id::kOk;
  dlg_.OnCommand(ID_DESKTOP_CREATE_FOLDER);
  EXPECT_EQ("The desktop computer folder is not set.\nUnable to create a folder in it.",
            run_.last_text());
  EXPECT_EQ(3u, view_.new_folder_parents.size());
  EXPECT_FALSE(std::filesystem::exists("NOT SETnever"));
}

// The cable pulled at an odd byte of the first of two files, in both of the
// emulator's ways of reporting it: the failure is shown, never "Ready.".
TEST_F(TransferWindow, ACablePulledDuringADownloadIsToldInTheStatusTheReportAndABox) {
  start();
  for (const std::string mode : {"", "RapiErrors=real\n"}) {
    SCOPED_TRACE(mode);
    on_device("device.ini", "[Device]\n" + mode + "UnplugAfterBytes=2\n");
    select(view_.device, {"Harbour Road", "Codes.csv"});
    run_.boxes.shown.clear();
    dlg_.OnCommand(IDC_DOWNLOAD);
    const std::string failure = dlg_.current_status_line();
    EXPECT_EQ(0u, failure.find("The transfer stopped at ")) << failure;
    EXPECT_NE(npos, failure.find("data collector disconnected")) << failure;
    ASSERT_FALSE(run_.boxes.shown.empty());  // the ideal link may first name the lost time
    EXPECT_EQ(0u, run_.last_text().find(failure + "\n"));
    EXPECT_EQ(0x147u, run_.boxes.shown.back().owner);
    EXPECT_EQ(0x30u, run_.boxes.shown.back().style);
    EXPECT_NE(npos, dlg_.status_history().find("Not transferred:\r\n"));
    EXPECT_NE(npos, report().find("Not transferred:\n"));
    EXPECT_FALSE(exists("desk/down/Codes.csv"));
    EXPECT_FALSE(dlg_.busy());
    EXPECT_FALSE(run_.context.connected);
    std::filesystem::remove_all(
        std::filesystem::u8path(run_.fake.folder.path("desk/down/Harbour Road")));
    on_device("device.ini", "[Device]\n" + mode);
    dlg_.OnCommand(ID_FILE_REFRESH);
    EXPECT_EQ((Names{"Mill Lane", "notes.txt"}), view_.desktop.names());
    expect_at_rest();
  }
}

TEST_F(TransferWindow, AnUploadWhoseFirstConnectionFailedShowsTheFolderOnceReconnected) {
  start();
  on_device("device.ini", kUnplugged);
  // The cable goes back in as soon as the pane has shown no connection.
  view_.device.on_clear = [this] {
    if (dlg_.device_pane().folder == kNoConnection) on_device("device.ini", "[Device]\n");
  };
  select(view_.desktop, {"notes.txt"});
  dlg_.OnCommand(IDC_UPLOAD);
  view_.device.on_clear = nullptr;
  EXPECT_EQ((Names{"Harbour Road", "Codes.csv"}), view_.device.names());
  EXPECT_FALSE(exists("device/fs/Projects/notes.txt"));
  expect_at_rest();
}

TEST_F(TransferWindow, CopySubFoldersIsAStoredMenuItemThatTakesTheWholeFolder) {
  on_device("fs/Projects/Harbour Road/Photos/p.jpg", "photo");
  start();
  select(view_.device, {"Harbour Road"});
  run_.boxes.answers = {app::id::kNo};
  dlg_.OnCommand(IDC_DOWNLOAD);
  EXPECT_NE(npos, run_.last_text().find("  Dir: 'Harbour Road\\Photos' (sub-folder"));
  EXPECT_FALSE(exists("desk/down/Harbour Road"));

  dlg_.OnCommand(ID_OPTIONS_COPY_SUBFOLDERS);
  EXPECT_EQ("1", run_.stored_option("CopySubfolders"));
  EXPECT_TRUE(dlg_.menu_item_state(ID_OPTIONS_COPY_SUBFOLDERS).checked);
  run_.boxes.shown.clear();
  dlg_.OnCommand(IDC_DOWNLOAD);
  EXPECT_TRUE(run_.boxes.shown.empty());
  EXPECT_TRUE(exists("desk/down/Harbour Road/Photos/p.jpg"));
}

TEST_F(TransferWindow, OpenReplacedFilesOpensTheirFolderOrSaysWhyNot) {
  const std::string replaced = run_.fake.folder.path("shell/AppData/Stakeline Exchange/Replaced");
  start();
  dlg_.OnCommand(ID_FILE_OPEN_REPLACED);
  EXPECT_EQ("No replaced file has been kept yet. They are kept in:\n" + replaced, run_.last_text());
  EXPECT_TRUE(run_.fake.windows.opened_folders.empty());
  run_.fake.folder.write_file(
      "shell/AppData/Stakeline Exchange/Replaced/2012-02-23 14.05.09/Desktop/a.raw", "a");
  dlg_.OnCommand(ID_FILE_OPEN_REPLACED);
  EXPECT_EQ(std::vector<std::string>{replaced}, run_.fake.windows.opened_folders);
  run_.fake.windows.fail_start = true;
  dlg_.OnCommand(ID_FILE_OPEN_REPLACED);
  EXPECT_EQ("The folder could not be opened:\n" + replaced + "\nSystem error 2.", run_.last_text());
}

}  // namespace
}  // namespace vmt::ui
