// The real program under Wine against the emulated data collector: started as
// ActiveSync starts it, driven with window messages and keys, and judged by
// its windows, its lists, its status area, its files and its log.
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "device/device_browser_ids.h"
#include "e2e/window_driver.h"
#include "settings/options_dlg_ids.h"
#include "ui/new_folder_dlg_ids.h"
#include "ui/transfer_dlg_ids.h"

namespace vmt::e2e {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::wstring>;

const std::wstring kProjects = L"\\My Documents\\Plotwise Projects";
const fs::path kBinaryDir = std::string(VMT_BINARY_DIR);
const fs::path kPictures = kBinaryDir / "e2e-pictures";

// A key in the 32-bit view, where both builds keep their settings; by default the options key.
HKEY options_key(REGSAM access,
                 const wchar_t* path = L"SOFTWARE\\Veldmark\\Transfer\\TransferOptions") {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access | KEY_WOW64_32KEY, nullptr, &key,
                  nullptr);
  return key;
}

void set_option(const wchar_t* name, const std::wstring& value) {
  const HKEY key = options_key(KEY_SET_VALUE);
  EXPECT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
  RegCloseKey(key);
}

std::wstring read_option(const wchar_t* name) {
  const HKEY key = options_key(KEY_QUERY_VALUE);
  wchar_t value[512] = {};
  DWORD size = sizeof value;
  const LONG read = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? value : L"<none>";
}

// The options key's access list, from SDDL.
bool set_options_key_access(const wchar_t* sddl) {
  const HKEY key = options_key(WRITE_DAC);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                        &descriptor, nullptr) &&
                   RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  LocalFree(descriptor);
  RegCloseKey(key);
  return set;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool eventually(const std::function<bool()>& condition, int timeout_ms = 30000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    Sleep(100);
  }
  return condition();
}

int index_of(const Names& names, const std::wstring& name) {
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

std::string narrow(const std::wstring& text) { return fs::path(text).u8string(); }

std::wstring dialog_text(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

// Asks the test's runner for a picture of the window's place on the screen;
// it saves NAME.png (the README shows some) and NAME.rgb in e2e-pictures.
bool save_picture(HWND window, const wchar_t* name) {
  RECT rect{};
  const fs::path request = kPictures / (std::wstring(name) + L".request");
  const fs::path done = kPictures / (std::wstring(name) + L".done");
  fs::create_directories(kPictures);
  fs::remove(done);
  if (!GetWindowRect(window, &rect)) return false;
  // The runner takes a request only once it is whole.
  std::ofstream(fs::path(request).concat(".part"))
      << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left << ' '
      << rect.bottom - rect.top << '\n';
  fs::rename(fs::path(request).concat(".part"), request);
  return eventually([&] { return fs::exists(done); }, 10000);
}

// How many of a window's pixels, as the runner took them from the screen
// (raw 8-bit red, green, blue), pass the test.
int count_pixels(HWND window, const wchar_t* name, const std::function<bool(COLORREF)>& test) {
  if (!save_picture(window, name)) return -1;
  const std::string raw = read_file(kPictures / (std::wstring(name) + L".rgb"));
  int passed = 0;
  for (std::size_t i = 0; i + 2 < raw.size(); i += 3) {
    const auto* p = reinterpret_cast<const unsigned char*>(&raw[i]);
    passed += test(RGB(p[0], p[1], p[2]));
  }
  return passed;
}

// Green is the upload arrows' colour: more green than red or blue.
bool is_green(COLORREF c) {
  return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40;
}

bool popup_menu_shown() {
  HWND menu = nullptr;
  while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
    if (IsWindowVisible(menu)) return true;
  }
  return false;
}

// Windows' scaling setting as Wine keeps it; 96 is 100 %.
void set_log_pixels(DWORD dpi) {
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                  sizeof dpi);
}

struct Layout {
  RECT client{};
  std::map<int, RECT> controls;  // in client coordinates
  int name_column = 0;
};

Layout take_layout(HWND window) {
  Layout layout;
  GetClientRect(window, &layout.client);
  for (int id : {1014, 1016, 1018, 1019, 1031, 1017, 1025, 1028, 1032, 1033,
                 1034, 1035, 4001, 1013, 1040, 1015, 1036, 1038, 1047, 1048}) {
    RECT place{};
    GetWindowRect(GetDlgItem(window, id), &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    layout.controls[id] = place;
  }
  layout.name_column =
      static_cast<int>(SendMessageW(GetDlgItem(window, IDC_DEVICE_LIST), LVM_GETCOLUMNWIDTH, 0, 0));
  return layout;
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = fs::path(temp) / ("vmt-e2e-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    const fs::path examples = fs::path(std::string(VMT_SOURCE_DIR)) / "examples";
    fs::copy(examples / "demo-device", root_ / "device", fs::copy_options::recursive);
    fs::copy(examples / "demo-desktop", root_ / "desktop", fs::copy_options::recursive);
    projects_ = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
    downloads_ = root_ / "desktop" / "Downloads";
    uploads_ = root_ / "desktop" / "Uploads";

    // As installed: the program's own path, and ActiveSync's key for starting it.
    exe_ = kBinaryDir / "vmtransfer.exe";
    const std::pair<const wchar_t*, std::wstring> options[] = {
        {L"DefSyncProgram", L"User defined"}, {L"UserDownDir", downloads_.wstring()},
        {L"UserUpDir", uploads_.wstring()},
        {L"UserCsvDir", (root_ / "desktop" / "Featlink").wstring()},
        {L"CreateReports", L"1"}, {L"KeepReplaced", L"1"}, {L"KeepReplacedDays", L"30"},
        {L"VerifyCopies", L"1"}, {L"LaunchOnTransfer", L"0"}, {L"CopySubfolders", L"0"},
        {L"TransferExe", exe_.wstring()}};
    for (const auto& [name, value] : options) set_option(name, value);
    const HKEY active_sync =
        options_key(KEY_WRITE, L"Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect");
    ASSERT_NE(nullptr, active_sync);
    RegCloseKey(active_sync);
    wchar_t app_data[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, app_data);
    replaced_ = fs::path(app_data) / "Stakeline Exchange" / "Replaced";
  }

  void TearDown() override {
    end_process();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void end_process() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }

  void start(const std::wstring& keyword) {
    SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", (root_ / "device").wstring().c_str());
    std::wstring command = L"\"" + exe_.wstring() + L"\" " + keyword;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(exe_.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process_))
        << GetLastError();
    ASSERT_TRUE(driver_.find(60000)) << "no main window";
    // The start-up has ended when the window leaves its busy state.
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(item(IDC_EXIT)); }, 60000))
        << narrow(driver_.text(IDC_STATUS));
  }

  // A message box of the program with this text; pressing `button` must close it.
  std::wstring answer_box(const std::wstring& part, int button, DWORD timeout_ms = 10000) {
    HWND box = nullptr;
    const std::wstring text = driver_.wait_box(timeout_ms, &box, part);
    EXPECT_NE(nullptr, box) << narrow(part) << "\n" << narrow(driver_.text(IDC_STATUS));
    if (box == nullptr) return text;
    WindowDriver::press_box_button(box, button);
    EXPECT_TRUE(eventually([&] { return !IsWindow(box); }));
    return text;
  }

  // Escape, then No at "View report?": the window closes and the program ends.
  void leave() {
    key(VK_ESCAPE);
    ASSERT_EQ(L"View report?", answer_box(L"View report?", IDNO));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 30000));
  }

  HWND item(int id) const { return GetDlgItem(driver_.window(), id); }
  void key(UINT vk) const { WindowDriver::press_key_in(item(IDC_DESKTOP_LIST), vk); }
  Names names(int list) const { return driver_.list_column(list, 0); }
  bool ready() const { return driver_.is_ready(); }
  // The window is ready again and the control shows this text.
  bool reaches(int id, const std::wstring& text) const {
    return eventually([&] { return ready() && driver_.text(id) == text; });
  }
  bool select(int list, const Names& wanted) const {
    const Names shown = names(list);
    std::vector<int> items;
    for (const std::wstring& name : wanted) items.push_back(index_of(shown, name));
    return driver_.select_items(list, items);
  }

  fs::path root_, projects_, downloads_, uploads_, exe_, replaced_;
  PROCESS_INFORMATION process_{};
  WindowDriver driver_;
};

// The mouse, the keys and the real dialogs reach their commands; with the
// options key readable but not writable (a standard user before the
// installation opened it up) a change says once what was not saved.
TEST_F(MainWindow, StartsOnBothFoldersAndTheMouseTheKeysAndTheDialogsReachTheirCommands) {
  struct Restore {
    ~Restore() { set_options_key_access(L"D:(A;CI;KA;;;WD)"); }
  } restore;
  const fs::path log = kBinaryDir / "veldmark log.txt";
  const std::size_t log_before = read_file(log).size();
  // A name outside every ANSI code page must reach the list as it is.
  const std::wstring unusual = L"Gr\u00FCn \u0424\u03A9 \u5730.txt";
  std::ofstream(projects_ / "Harbour Road" / unusual) << "x";
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const HWND window = driver_.window();
  const HWND device = item(IDC_DEVICE_LIST);
  EXPECT_EQ(downloads_.wstring() + L"\\*.*", driver_.text(IDC_DESKTOP_PATH));
  EXPECT_EQ((Names{L"Bridge Survey", L"readme.txt"}), names(IDC_DESKTOP_LIST));
  EXPECT_EQ(kProjects + L"\\*.*", driver_.text(IDC_DEVICE_PATH));
  EXPECT_EQ((Names{L"Harbour Road", L"Mill Lane Topo", L"Station Yard", L"Westfield Estate",
                   L"Codes.csv", L"Utilities.csv"}),
            names(IDC_DEVICE_LIST));

  // A double click opens a device folder; Backspace goes up again.
  ASSERT_TRUE(driver_.click_item(IDC_DEVICE_LIST, 0, true));
  ASSERT_TRUE(reaches(IDC_DEVICE_PATH, kProjects + L"\\Harbour Road\\*.*"))
      << narrow(driver_.text(IDC_DEVICE_PATH));
  EXPECT_EQ((Names{L"Photos", unusual, L"Harbour Road.csv", L"Harbour Road.job",
                   L"Harbour Road.raw"}),
            names(IDC_DEVICE_LIST));
  WindowDriver::press_key_in(device, VK_BACK);
  ASSERT_TRUE(reaches(IDC_DEVICE_PATH, kProjects + L"\\*.*"));

  // F5, from the accelerators, lists a file that appeared on the PC.
  std::ofstream(downloads_ / "added.txt") << "new";
  key(VK_F5);
  ASSERT_TRUE(eventually([&] { return ready() && driver_.list_count(IDC_DESKTOP_LIST) == 3; }));

  // Ctrl+A selects the whole list that has the focus.
  ASSERT_TRUE(driver_.click_item(IDC_DEVICE_LIST, 0));
  ASSERT_TRUE(
      eventually([&] { return GetForegroundWindow() == window || SetForegroundWindow(window); }));
  Sleep(300);
  WindowDriver::type_keys({'A'}, VK_CONTROL);
  EXPECT_TRUE(
      eventually([&] { return SendMessageW(device, LVM_GETSELECTEDCOUNT, 0, 0) == 6; }, 10000));

  // Alt+R is "Create file transfer report", stored at once.
  WindowDriver::type_keys({'R'}, VK_MENU);
  EXPECT_TRUE(eventually([&] { return read_option(L"CreateReports") == L"0"; }, 10000));
  WindowDriver::type_keys({'R'}, VK_MENU);
  EXPECT_TRUE(eventually([&] { return read_option(L"CreateReports") == L"1"; }, 10000));
  // With the key locked the change is said once, and the box shows what is stored.
  ASSERT_TRUE(set_options_key_access(L"D:P(D;;0x2;;;WD)(A;CI;KA;;;WD)"));
  PostMessageW(item(IDC_CREATE_REPORT), BM_CLICK, 0, 0);
  const std::wstring notice = answer_box(L"was not saved", IDOK);
  EXPECT_EQ(0u, notice.find(L"The setting CreateReports was not saved")) << narrow(notice);
  EXPECT_NE(std::wstring::npos, notice.find(L"This Windows account may not change"));
  HWND box = nullptr;
  EXPECT_EQ(L"", driver_.wait_box(1000, &box, L"was not saved"));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(window, IDC_CREATE_REPORT));
  EXPECT_EQ(L"1", read_option(L"CreateReports"));
  ASSERT_TRUE(set_options_key_access(L"D:(A;CI;KA;;;WD)"));

  // Enter on a file is the usual exit: its question, and Cancel stays.
  const int readme = index_of(names(IDC_DESKTOP_LIST), L"readme.txt");
  ASSERT_TRUE(driver_.click_item(IDC_DESKTOP_LIST, readme));
  WindowDriver::press_key_in(item(IDC_DESKTOP_LIST), VK_RETURN);
  EXPECT_EQ(L"View report?", answer_box(L"View report?", IDCANCEL));

  // The menu key opens the list's own menu, whose C is Create folder.
  ASSERT_TRUE(driver_.click_item(IDC_DESKTOP_LIST, readme));
  Sleep(300);
  WindowDriver::type_keys({VK_APPS});
  ASSERT_TRUE(eventually(popup_menu_shown, 10000));
  WindowDriver::type_keys({'C'});
  const HWND create = driver_.wait_dialog(L"Create new folder", 30000);
  ASSERT_NE(nullptr, create);
  SetDlgItemTextW(create, IDC_NEW_FOLDER_NAME, L"Keyed");
  WindowDriver::press_box_button(create, IDOK);
  ASSERT_TRUE(reaches(IDC_DESKTOP_PATH, (downloads_ / "Keyed").wstring() + L"\\*.*"))
      << narrow(driver_.text(IDC_DESKTOP_PATH));

  // The device browser: a click only selects, Enter goes down, OK opens the folder in the pane.
  driver_.click(IDC_BROWSE_DEVICE);
  const HWND browser = driver_.wait_dialog(L"Browse Device For Folder", 30000);
  ASSERT_NE(nullptr, browser);
  const HWND folders = GetDlgItem(browser, IDC_BROWSER_SUBFOLDERS);
  const LRESULT harbour = SendMessageW(folders, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(L"Harbour Road"));
  ASSERT_NE(LB_ERR, harbour);
  const int row = static_cast<int>(SendMessageW(folders, LB_GETITEMHEIGHT, 0, 0));
  const LPARAM point = MAKELPARAM(8, static_cast<int>(harbour) * row + row / 2);
  PostMessageW(folders, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(folders, WM_LBUTTONUP, 0, point);
  ASSERT_TRUE(eventually([&] { return SendMessageW(folders, LB_GETCURSEL, 0, 0) == harbour; }));
  Sleep(300);
  EXPECT_EQ(kProjects, dialog_text(browser, IDC_BROWSER_FOLDER));
  WindowDriver::press_key_in(folders, VK_RETURN);
  ASSERT_TRUE(eventually(
      [&] { return dialog_text(browser, IDC_BROWSER_FOLDER) == kProjects + L"\\Harbour Road"; }));
  EXPECT_TRUE(save_picture(browser, L"device-browser"));
  WindowDriver::press_box_button(browser, IDOK);
  ASSERT_TRUE(reaches(IDC_DEVICE_PATH, kProjects + L"\\Harbour Road\\*.*"))
      << narrow(driver_.text(IDC_DEVICE_PATH));

  // The options from the menu: OK stores what its check box shows.
  driver_.command(ID_OPTIONS_SETTINGS);
  const HWND options = driver_.wait_dialog(L"Transfer options", 30000);
  ASSERT_NE(nullptr, options);
  EXPECT_EQ(downloads_.wstring(), dialog_text(options, IDC_OPT_DOWNLOAD_DIR));
  EXPECT_TRUE(save_picture(options, L"options-dialog"));
  PostMessageW(GetDlgItem(options, IDC_OPT_VERIFY), BM_CLICK, 0, 0);
  ASSERT_TRUE(
      eventually([&] { return IsDlgButtonChecked(options, IDC_OPT_VERIFY) == BST_UNCHECKED; }));
  WindowDriver::press_box_button(options, IDOK);
  ASSERT_TRUE(eventually([&] { return !IsWindow(options); }, 20000));
  EXPECT_EQ(L"0", read_option(L"VerifyCopies"));

  ASSERT_NO_FATAL_FAILURE(leave());
  DWORD exit_code = 1;
  GetExitCodeProcess(process_.hProcess, &exit_code);
  EXPECT_EQ(0u, exit_code);
  // The window's own code met nothing unexpected on the way (the device link
  // logs the field program that is not installed, as it should).
  const std::string logged = read_file(log).substr(log_before);
  for (const char* module : {"transfer_dlg", "file_panes", "pane_list", "transfer_window"}) {
    EXPECT_EQ(std::string::npos, logged.find(std::string(".\\") + module + " ")) << logged;
  }
}

// One upload over the real clash question; then the cable pulled at an odd
// byte, in either way the link reports it: the window tells the failure, never
// "Ready.", and leaves nothing on the device. At the end of the Windows session
// during a copy it refuses with its reason, and ended anyway the copy goes as
// Cancel takes it.
TEST_F(MainWindow, UploadsOverTheClashQuestionAndTellsAPulledCableAndRefusesTheSessionEndInACopy) {
  std::ofstream(projects_ / "Setting Out.job") << "the setting out as the field changed it today";
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(uploads_ / "Setting Out.job", now - std::chrono::hours(3));
  fs::last_write_time(projects_ / "Setting Out.job", now - std::chrono::minutes(5));
  // Clashes enough for a list taller than the screen.
  for (int i = 1000; i < 1200; ++i) {
    const std::string name = "clash " + std::to_string(i) + ".txt";
    std::ofstream(uploads_ / name) << "office";
    std::ofstream(projects_ / name) << "field";
  }
  fs::remove_all(replaced_);

  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  ASSERT_TRUE(driver_.select_items(IDC_DESKTOP_LIST, {-1}));
  driver_.click(IDC_UPLOAD);
  // The clashes fill a window that scrolls, its buttons on the screen.
  HWND box = nullptr;
  const std::wstring text =
      driver_.wait_box(30000, &box, L"The following conflicts have been found:");
  ASSERT_NE(nullptr, box) << narrow(driver_.text(IDC_STATUS));
  EXPECT_NE(nullptr, GetDlgItem(box, kLongMessageText));
  EXPECT_NE(0, GetWindowLongW(box, GWL_STYLE) & WS_THICKFRAME);
  for (const wchar_t* line :
       {L"  File:'clash 1000.txt' (file will be overwritten)\n",
        L"  File:'clash 1199.txt' (file will be overwritten)\n",
        L"  File:'Setting Out.job' (File will be overwritten. WARNING, destination file is newer.)",
        L"Do you want to continue?"}) {
    EXPECT_NE(std::wstring::npos, text.find(line)) << narrow(line);
  }
  RECT button{};
  GetWindowRect(GetDlgItem(box, IDNO), &button);
  EXPECT_LE(button.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(box, IDYES)));
  WindowDriver::press_box_button(box, IDYES);
  ASSERT_TRUE(eventually([&] { return !IsWindow(box) && ready(); }, 60000))
      << narrow(driver_.text(IDC_STATUS));
  EXPECT_EQ("office", read_file(projects_ / "clash 1199.txt"));
  EXPECT_EQ(read_file(uploads_ / "Setting Out.job"), read_file(projects_ / "Setting Out.job"));

  // The field's copy was kept: File, "Open replaced files" shows Explorer on their folder.
  driver_.command(ID_FILE_OPEN_REPLACED);
  HWND explorer = nullptr;
  EXPECT_TRUE(eventually(
      [&] { return IsWindowVisible(explorer = FindWindowW(nullptr, L"Replaced")) != FALSE; }, 60000))
      << "no Explorer window on the Replaced folder";
  if (explorer != nullptr) PostMessageW(explorer, WM_CLOSE, 0, 0);

  const fs::path ini = root_ / "device" / "device.ini";
  std::ofstream(uploads_ / "slow.raw", std::ios::binary) << std::string((1 << 20) + 1000, 's');
  driver_.command(ID_FILE_REFRESH);
  ASSERT_TRUE(
      eventually([&] { return ready() && index_of(names(IDC_DESKTOP_LIST), L"slow.raw") >= 0; }));
  for (const char* mode : {"", "RapiErrors=real\n"}) {
    SCOPED_TRACE(mode);
    // Each connection reads the settings afresh: the cable is back in for the next.
    std::ofstream(ini) << "[Device]\nUnplugAfterBytes=70001\n" << mode;
    ASSERT_TRUE(select(IDC_DESKTOP_LIST, {L"slow.raw"}));
    driver_.click(IDC_UPLOAD);
    const std::wstring told = answer_box(L"The transfer stopped at slow.raw", IDOK, 30000);
    EXPECT_NE(std::wstring::npos, told.find(L"data collector disconnected")) << narrow(told);
    EXPECT_NE(std::wstring::npos, told.find(L"0 of 1 files were copied.")) << narrow(told);
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(item(IDC_EXIT)) != FALSE; }));
    EXPECT_FALSE(ready()) << narrow(driver_.text(IDC_STATUS));
    EXPECT_EQ(-1, index_of(names(IDC_DEVICE_LIST), L"slow.raw"));
    EXPECT_FALSE(fs::exists(projects_ / "slow.raw"));
    EXPECT_FALSE(fs::exists(projects_ / "~vmtransfer.partial"));
  }

  std::ofstream(ini) << "[Device]\nBlockDelayMs=400\n";
  auto ask_to_end = [&](UINT message, WPARAM yes) {
    DWORD_PTR answer = 9;
    EXPECT_NE(0, SendMessageTimeoutW(driver_.window(), message, yes, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                     10000, &answer));
    return static_cast<BOOL>(answer);
  };
  EXPECT_EQ(TRUE, ask_to_end(WM_QUERYENDSESSION, 0));  // nothing under way: the session may end
  ASSERT_TRUE(select(IDC_DESKTOP_LIST, {L"slow.raw"}));
  driver_.click(IDC_UPLOAD);
  ASSERT_TRUE(eventually([&] { return fs::exists(projects_ / "~vmtransfer.partial"); }));
  EXPECT_EQ(FALSE, ask_to_end(WM_QUERYENDSESSION, 0));
  ask_to_end(WM_ENDSESSION, TRUE);
  // Abandoned before the window answered: nothing of the copy is left.
  EXPECT_FALSE(fs::exists(projects_ / "~vmtransfer.partial"));
  EXPECT_FALSE(fs::exists(projects_ / "slow.raw"));
  ASSERT_TRUE(eventually([&] { return ready(); })) << narrow(driver_.text(IDC_STATUS));
  EXPECT_NE(std::wstring::npos, driver_.text(IDC_STATUS).find(L"slow.raw:\tCancelled"))
      << narrow(driver_.text(IDC_STATUS));
}

TEST_F(MainWindow, ThePicturesFollowStateAndSystemColoursAndTheLayoutHoldsResizedAndAt150Percent) {
  set_log_pixels(96);
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const HWND window = driver_.window();
  const Layout normal = take_layout(window);
  const HWND upload = item(IDC_UPLOAD);
  EXPECT_GT(count_pixels(upload, L"upload-enabled", is_green), 50);
  // Disabled, as while the window is busy: the arrows in greys darker than the face.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EnableWindow(upload, FALSE);
  Sleep(500);
  EXPECT_EQ(0, count_pixels(upload, L"upload-disabled", is_green));
  EXPECT_GT(count_pixels(upload, L"upload-disabled",
                         [&](COLORREF c) {
                           return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c) &&
                                  GetRValue(c) + 20 < GetRValue(face) && GetRValue(c) > 40;
                         }),
            50);
  EnableWindow(upload, TRUE);
  // A change of the system's colours (as High Contrast makes) rebuilds the
  // pictures on the face colour. Wine keeps each process's colours to itself,
  // so here the window is told of a change and must show the same again.
  PostMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
  Sleep(1000);
  const HWND picture = item(IDC_DESKTOP_PICTURE);
  EXPECT_GT(count_pixels(picture, L"desktop-picture", [&](COLORREF c) { return c == face; }), 200);
  EXPECT_EQ(0, count_pixels(picture, L"desktop-picture",
                            [](COLORREF c) { return c == RGB(255, 0, 255); }));
  EXPECT_GT(count_pixels(upload, L"upload-again", is_green), 50);

  // Wider by 200 pixels: ">>>" moves by 100 (the X server may take more than one step).
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT outer{};
  GetWindowRect(window, &outer);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 200,
               outer.bottom - outer.top + 120, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(eventually(
      [&] {
        return take_layout(window).controls[IDC_UPLOAD].left -
                   normal.controls.at(IDC_UPLOAD).left ==
               100;
      },
      10000));
  Sleep(500);
  EXPECT_TRUE(save_picture(window, L"main-window-large"));
  ASSERT_NO_FATAL_FAILURE(leave());
  end_process();

  // At 150 % every size scales, the controls keep their places and none meet.
  set_log_pixels(144);
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  set_log_pixels(96);  // the program has read it; the other tests run at 100 %
  const Layout large = take_layout(driver_.window());
  RedrawWindow(driver_.window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(500);
  EXPECT_TRUE(save_picture(driver_.window(), L"main-window-150"));
  EXPECT_EQ(150, normal.name_column);
  EXPECT_EQ(225, large.name_column);
  EXPECT_NEAR(1.5, static_cast<double>(large.client.right) / normal.client.right, 0.12);
  EXPECT_NEAR(1.5, static_cast<double>(large.client.bottom) / normal.client.bottom, 0.12);
  const auto& c = large.controls;
  for (const auto& [id, place] : c) {
    EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= large.client.right &&
                place.bottom <= large.client.bottom)
        << id;
    EXPECT_NEAR(static_cast<double>(normal.controls.at(id).left) / normal.client.right,
                static_cast<double>(place.left) / large.client.right, 0.03)
        << id;
  }
  const std::pair<int, int> apart[] = {{4001, 1034}, {4001, 1035}, {1013, 1034}, {1013, 1035},
                                       {1040, 1034}, {1040, 1035}, {4001, 1013}, {1036, 1038},
                                       {1036, 1047}, {1047, 1048}};
  for (const auto& [a, b] : apart) {
    RECT both{};
    EXPECT_FALSE(IntersectRect(&both, &c.at(a), &c.at(b))) << a << " " << b;
  }
  EXPECT_LE(c.at(1034).bottom, c.at(1015).top);
  EXPECT_LE(c.at(1015).bottom, c.at(1036).top);
  // Smaller than at start-up it does not go, at this scale either.
  GetWindowRect(driver_.window(), &outer);
  RECT drag{outer.left, outer.top, outer.right, outer.bottom - 200};
  SendMessageW(driver_.window(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(outer.bottom - outer.top, drag.bottom - drag.top);
}

// A copy of the program in a folder of its own, with a translation beside it:
// its window, texts and accelerators are the library's.
TEST_F(MainWindow, AResourceLibraryBesideTheProgramSuppliesItsDialogTextsAndKeys) {
  const fs::path folder = root_ / "translated";
  fs::create_directories(folder);
  fs::copy_file(exe_, folder / "vmtransfer.exe");
  fs::copy_file(kBinaryDir / "translation" / "VmTransferTST.dll", folder / "VmTransferTST.dll");
  exe_ = folder / "vmtransfer.exe";
  set_option(L"TransferExe", exe_.wstring());
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  EXPECT_EQ(L"&Beenden", driver_.text(IDC_EXIT));
  std::ofstream(downloads_ / "added.txt") << "new";
  key(VK_F6);
  EXPECT_TRUE(eventually([&] {
    const std::wstring status = driver_.text(IDC_STATUS);
    return status.size() >= 7 && status.compare(status.size() - 7, 7, L"Bereit.") == 0 &&
           IsWindowEnabled(item(IDC_EXIT)) && driver_.list_count(IDC_DESKTOP_LIST) == 3;
  })) << narrow(driver_.text(IDC_STATUS));
}

}  // namespace
}  // namespace vmt::e2e
