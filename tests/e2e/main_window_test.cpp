// The real program under Wine against the emulated data collector: started as
// ActiveSync starts it, driven with window messages, left through Escape and
// the exit question, and judged by its lists, its status area, its report and
// its log.
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

#include "e2e/window_driver.h"

namespace vmt::e2e {
namespace {

namespace fs = std::filesystem;

const wchar_t kOptionsKey[] = L"SOFTWARE\\Veldmark\\Transfer\\TransferOptions";

fs::path from_build(const char* native) { return fs::path(std::string(native)); }

void set_option(const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kOptionsKey, 0, nullptr, 0,
                                           KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                                           nullptr));
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
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

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = fs::path(temp) / ("vmt-e2e-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    const fs::path source = from_build(VMT_SOURCE_DIR);
    fs::copy(source / "examples" / "demo-device", root_ / "device", fs::copy_options::recursive);
    fs::copy(source / "examples" / "demo-desktop", root_ / "desktop",
             fs::copy_options::recursive);

    set_option(L"DefSyncProgram", L"User defined");
    set_option(L"UserDownDir", (root_ / "desktop" / "Downloads").wstring());
    set_option(L"UserUpDir", (root_ / "desktop" / "Uploads").wstring());
    set_option(L"UserCsvDir", (root_ / "desktop" / "Featlink").wstring());
    set_option(L"CreateReports", L"1");
    set_option(L"LaunchOnTransfer", L"0");
    set_option(L"CopySubfolders", L"0");
    set_option(L"KeepReplaced", L"1");
    set_option(L"KeepReplacedDays", L"30");
    set_option(L"VerifyCopies", L"1");
    // As installed: the program's own path, and ActiveSync's key for starting it.
    set_option(L"TransferExe", (from_build(VMT_BINARY_DIR) / "vmtransfer.exe").wstring());
    HKEY active_sync = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect", 0,
                              nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &active_sync,
                              nullptr));
    RegCloseKey(active_sync);

    wchar_t app_data[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, app_data);
    report_ = fs::path(app_data) / "Stakeline Exchange" / "Transfer Sync log most recent.txt";
    exe_ = from_build(VMT_BINARY_DIR) / "vmtransfer.exe";
    log_ = exe_.parent_path() / "veldmark log.txt";
    log_before_ = read_file(log_);
  }

  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
      }
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void start(const std::wstring& keyword) {
    SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", (root_ / "device").wstring().c_str());
    std::wstring command = L"\"" + exe_.wstring() + L"\" " + keyword;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(exe_.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process_))
        << GetLastError();
    ASSERT_TRUE(driver_.find(60000)) << "no window titled Veldmark  Transfer";
    // The start-up has ended when the window leaves its busy state.
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(GetDlgItem(driver_.window(), 1036)); },
                           60000))
        << narrow(driver_.text(1015));
  }

  // Escape, then No at "View report?": the window closes and the program ends.
  void leave_through_escape() {
    driver_.press_key(VK_ESCAPE);
    HWND box = nullptr;
    EXPECT_EQ(L"View report?", driver_.wait_box(10000, &box));
    ASSERT_NE(nullptr, box);
    WindowDriver::press_box_button(box, IDNO);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 30000));
  }

  static std::string narrow(const std::wstring& text) {
    return fs::path(text).u8string();
  }
  std::vector<std::wstring> names(int list) const { return driver_.list_column(list, 0); }
  bool ready() const { return driver_.is_ready(); }

  fs::path root_;
  fs::path exe_;
  fs::path report_;
  fs::path log_;
  std::string log_before_;
  PROCESS_INFORMATION process_{};
  WindowDriver driver_;
};

TEST_F(MainWindow, StartsOnBothFoldersNavigatesRefreshesAndLeavesThroughTheExitQuestion) {
  // A name outside every ANSI code page must reach the list as it is.
  const std::wstring unusual = L"Gr\u00FCn \u0424\u03A9 \u5730.txt";
  std::ofstream(root_ / "device" / "fs" / "My Documents" / "Plotwise Projects" / "Harbour Road" /
                unusual)
      << "x";
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const std::wstring downloads = (root_ / "desktop" / "Downloads").wstring();
  EXPECT_EQ(downloads + L"\\*.*", driver_.text(1025));
  EXPECT_EQ((std::vector<std::wstring>{L"Bridge Survey", L"readme.txt"}), names(1034));
  EXPECT_EQ(L"\\My Documents\\Plotwise Projects\\*.*", driver_.text(1028));
  EXPECT_EQ((std::vector<std::wstring>{L"Harbour Road", L"Mill Lane Topo", L"Station Yard",
                                       L"Westfield Estate", L"Codes.csv", L"Utilities.csv"}),
            names(1035));
  EXPECT_EQ(L"32 bytes", driver_.list_column(1034, 2)[1]);
  EXPECT_FALSE(driver_.list_column(1035, 3)[0].empty());  // the shell's name for a folder

  // A double click opens a device folder; "Up one level" comes back.
  ASSERT_TRUE(driver_.double_click_item(1035, 0));
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1028) == L"\\My Documents\\Plotwise Projects\\Harbour Road\\*.*";
  })) << narrow(driver_.text(1028));
  EXPECT_EQ((std::vector<std::wstring>{L"Photos", unusual, L"Harbour Road.csv",
                                       L"Harbour Road.job", L"Harbour Road.raw"}),
            names(1035));
  driver_.click(1033);
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1028) == L"\\My Documents\\Plotwise Projects\\*.*";
  }));
  EXPECT_EQ(6, driver_.list_count(1035));

  // A file that appears on the PC is listed after F5.
  std::ofstream(root_ / "desktop" / "Downloads" / "added.txt") << "new";
  driver_.press_key(VK_F5);
  ASSERT_TRUE(eventually([&] { return ready() && driver_.list_count(1034) == 3; }));
  EXPECT_EQ((std::vector<std::wstring>{L"Bridge Survey", L"added.txt", L"readme.txt"}),
            names(1034));

  // Escape asks "View report?"; No closes the window with Cancel.
  leave_through_escape();
  DWORD exit_code = 1;
  GetExitCodeProcess(process_.hProcess, &exit_code);
  EXPECT_EQ(0u, exit_code);

  const std::string report = read_file(report_);
  EXPECT_EQ(0u, report.find("VMTRANSFERVERSION=Feb 23 2012\r\n")) << report;
  EXPECT_NE(std::string::npos, report.find("SYNC STARTUP::::DOWNLOAD\r\n")) << report;
  EXPECT_NE(std::string::npos,
            report.find("Projects folder found on data collector::::\\My Documents\\Plotwise "
                        "Projects\r\n"))
      << report;
  EXPECT_NE(std::string::npos, report.find("SYNC COMPLETED.")) << report;
  // The window's own logic met nothing unexpected on the way (the device
  // link logs the field program that is not installed, as it should).
  const std::string log = read_file(log_).substr(log_before_.size());
  for (const char* module : {"transfer_dlg", "file_panes", "pane_list", "transfer_window"}) {
    EXPECT_EQ(std::string::npos, log.find(std::string(".\\") + module + " ")) << log;
  }
}

TEST_F(MainWindow, UploadModeOpensTheUploadFolderAndAnUnpluggedDeviceSaysSo) {
  std::ofstream(root_ / "device" / "device.ini") << "[Device]\nPresent=0\n";
  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  EXPECT_EQ((root_ / "desktop" / "Uploads").wstring() + L"\\*.*", driver_.text(1025));
  EXPECT_EQ((std::vector<std::wstring>{L"Setting Out.job"}), names(1034));
  EXPECT_EQ(L"NO CONNECTION FOUND", driver_.text(1028));
  EXPECT_EQ(0, driver_.list_count(1035));
  EXPECT_TRUE(eventually([&] {
    return driver_.text(1015).find(L"Unable to connect to data collector") == 0;
  })) << narrow(driver_.text(1015));

  // Plugged in, a refresh from the File menu opens the projects folder.
  std::ofstream(root_ / "device" / "device.ini") << "[Device]\nPresent=1\n";
  PostMessageW(driver_.window(), WM_COMMAND, MAKEWPARAM(32786, 0), 0);
  ASSERT_TRUE(eventually([&] { return driver_.list_count(1035) == 6; }));
  EXPECT_EQ(L"\\My Documents\\Plotwise Projects\\*.*", driver_.text(1028));

  // Exit asks the question too; Cancel keeps the window, then No leaves.
  driver_.click(1036);
  HWND box = nullptr;
  EXPECT_EQ(L"View report?", driver_.wait_box(10000, &box));
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDCANCEL);
  Sleep(500);
  EXPECT_TRUE(driver_.exists());
  driver_.click(1036);
  box = nullptr;
  driver_.wait_box(10000, &box);
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDNO);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 30000));
}

TEST_F(MainWindow, AResourceLibraryBesideTheProgramSuppliesItsDialogTextsAndKeys) {
  // A copy of the program in a folder of its own, with a translation beside it.
  const fs::path folder = root_ / "translated";
  fs::create_directories(folder);
  fs::copy_file(exe_, folder / "vmtransfer.exe");
  fs::copy_file(from_build(VMT_BINARY_DIR) / "translation" / "VmTransferTST.dll",
                folder / "VmTransferTST.dll");
  exe_ = folder / "vmtransfer.exe";
  set_option(L"TransferExe", exe_.wstring());
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const auto bereit = [&] {
    const std::wstring status = driver_.text(1015);
    return status.size() >= 7 && status.compare(status.size() - 7, 7, L"Bereit.") == 0 &&
           IsWindowEnabled(GetDlgItem(driver_.window(), 1036));
  };
  EXPECT_TRUE(eventually(bereit)) << narrow(driver_.text(1015));
  EXPECT_EQ(L"&Beenden", driver_.text(1036));
  EXPECT_EQ((std::vector<std::wstring>{L"Bridge Survey", L"readme.txt"}), names(1034));

  // Its accelerator refreshes with F6; the program's own F5 is not in it.
  std::ofstream(root_ / "desktop" / "Downloads" / "added.txt") << "new";
  driver_.press_key(VK_F5);
  Sleep(1500);
  EXPECT_EQ(2, driver_.list_count(1034));
  driver_.press_key(VK_F6);
  EXPECT_TRUE(eventually([&] { return bereit() && driver_.list_count(1034) == 3; }));

  leave_through_escape();
  // With a library in use no text is checked against the program's own.
  EXPECT_EQ(std::string::npos, read_file(report_).find("string mismatch"));
}

std::wstring read_last_write(const fs::path& file, FILETIME* time) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.wstring().c_str(), GetFileExInfoStandard, &data)) {
    return L"missing: " + file.wstring();
  }
  *time = data.ftLastWriteTime;
  return {};
}

int index_of(const std::vector<std::wstring>& names, const std::wstring& name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

TEST_F(MainWindow, UploadsAFolderAndAFileOverTheClashAndDownloadsThemBackIntact) {
  const fs::path uploads = root_ / "desktop" / "Uploads";
  fs::create_directories(uploads / "Road Job" / "Sub");
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  std::ofstream(uploads / "Road Job" / "road.raw", std::ios::binary) << big;
  std::ofstream(uploads / "Road Job" / "Sub" / "deeper.txt") << "not copied";
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  std::ofstream(projects / "Setting Out.job") << "an older copy";

  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  const std::vector<std::wstring> desktop = names(1034);
  ASSERT_TRUE(driver_.select_items(
      1034, {index_of(desktop, L"Road Job"), index_of(desktop, L"Setting Out.job")}));
  driver_.click(4001);
  HWND box = nullptr;
  const std::wstring question = driver_.wait_box(20000, &box);
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::wstring::npos, question.find(L"  File:'Setting Out.job' (file will be overwritten)"))
      << narrow(question);
  EXPECT_NE(std::wstring::npos, question.find(L"Do you want to continue?"));
  WindowDriver::press_box_button(box, IDYES);
  ASSERT_TRUE(eventually([&] { return ready() && index_of(names(1035), L"Road Job") >= 0; }))
      << narrow(driver_.text(1015));
  EXPECT_EQ(read_file(uploads / "Setting Out.job"), read_file(projects / "Setting Out.job"));
  EXPECT_EQ(big, read_file(projects / "Road Job" / "road.raw"));
  EXPECT_FALSE(fs::exists(projects / "Road Job" / "Sub"));
  EXPECT_NE(std::wstring::npos, driver_.text(1015).find(L"\t--> road.raw:\t300000 of 300000 (100 %)"));

  // Down again into the download folder, where neither exists.
  driver_.click(1016);
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1025) == (root_ / "desktop" / "Downloads").wstring() + L"\\*.*";
  }));
  const std::vector<std::wstring> device = names(1035);
  ASSERT_TRUE(driver_.select_items(
      1035, {index_of(device, L"Road Job"), index_of(device, L"Setting Out.job")}));
  driver_.click(1013);
  const fs::path downloads = root_ / "desktop" / "Downloads";
  ASSERT_TRUE(eventually([&] { return ready() && index_of(names(1034), L"Road Job") >= 0; }))
      << narrow(driver_.text(1015));
  EXPECT_EQ(big, read_file(downloads / "Road Job" / "road.raw"));
  EXPECT_EQ(read_file(uploads / "Setting Out.job"), read_file(downloads / "Setting Out.job"));
  // The status area's record holds both transfers in order, the current line after it.
  const std::wstring status = driver_.text(1015);
  const std::size_t up = status.find(L"\t--> road.raw:\t300000 of 300000 (100 %)\r\n");
  const std::size_t down = status.find(L"\t<-- road.raw:\t300000 of 300000 (100 %)\r\n");
  EXPECT_NE(std::wstring::npos, up) << narrow(status);
  EXPECT_NE(std::wstring::npos, down) << narrow(status);
  EXPECT_LT(up, down);
  EXPECT_EQ(L"\r\nReady.", status.substr(status.size() - 8));
  for (const fs::path& relative : {fs::path("Road Job") / "road.raw", fs::path("Setting Out.job")}) {
    FILETIME original{}, returned{};
    EXPECT_EQ(L"", read_last_write(uploads / relative, &original));
    EXPECT_EQ(L"", read_last_write(downloads / relative, &returned));
    EXPECT_EQ(0, CompareFileTime(&original, &returned)) << relative.u8string();
  }
  for (const auto& item : fs::recursive_directory_iterator(root_)) {
    EXPECT_EQ(std::string::npos, item.path().u8string().find("~vmtransfer.partial"));
  }

  driver_.press_key(VK_ESCAPE);
  box = nullptr;
  driver_.wait_box(10000, &box);
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDNO);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 30000));
  const std::string report = read_file(report_);
  EXPECT_NE(std::string::npos, report.find("                Successful")) << report;
  EXPECT_EQ(std::string::npos, report.find("Not successful")) << report;
}

// Windows asks to end the session while a file is copied to the data
// collector: the window refuses with its reason; ended anyway, the copy goes
// as Cancel takes it, and no partial copy is left.
TEST_F(MainWindow, TheEndOfTheSessionIsRefusedDuringACopyAndAbandonsIt) {
  const fs::path uploads = root_ / "desktop" / "Uploads";
  std::ofstream(uploads / "slow.raw", std::ios::binary) << std::string(1 << 20, 's');
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  std::ofstream(root_ / "device" / "device.ini") << "[Device]\nBlockDelayMs=400\n";

  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  DWORD_PTR answer = 9;
  ASSERT_NE(0, SendMessageTimeoutW(driver_.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                   SMTO_BLOCK, 10000, &answer));
  EXPECT_EQ(TRUE, static_cast<BOOL>(answer));  // nothing under way: the session may end

  const std::vector<std::wstring> desktop = names(1034);
  ASSERT_TRUE(driver_.select_items(1034, {index_of(desktop, L"slow.raw")}));
  driver_.click(4001);
  ASSERT_TRUE(eventually([&] { return fs::exists(projects / "~vmtransfer.partial"); }));
  answer = 9;
  ASSERT_NE(0, SendMessageTimeoutW(driver_.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                   SMTO_BLOCK, 10000, &answer));
  EXPECT_EQ(FALSE, static_cast<BOOL>(answer));
  ASSERT_NE(0, SendMessageTimeoutW(driver_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                   SMTO_BLOCK, 10000, &answer));
  // Abandoned before the window answered: nothing of the copy is left.
  EXPECT_FALSE(fs::exists(projects / "~vmtransfer.partial"));
  EXPECT_FALSE(fs::exists(projects / "slow.raw"));
  ASSERT_TRUE(eventually([&] { return ready(); })) << narrow(driver_.text(1015));
  EXPECT_NE(std::wstring::npos, driver_.text(1015).find(L"slow.raw:\tCancelled"))
      << narrow(driver_.text(1015));
}

void set_modified(const fs::path& file, std::chrono::seconds age) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - age);
}

// The first list view among a window's descendants.
HWND find_list_view(HWND window) {
  HWND found = nullptr;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM result) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (std::wstring(name) != L"SysListView32") return TRUE;
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A newer file of the data collector overwritten on purpose: the field's copy
// is fetched and kept first, and File, "Open replaced files" shows Explorer on
// the folder that holds it.
TEST_F(MainWindow, AnOverwrittenNewerDeviceFileIsKeptAndOpenReplacedFilesShowsIt) {
  const fs::path replaced = report_.parent_path() / "Replaced";
  fs::remove_all(replaced);
  const fs::path uploads = root_ / "desktop" / "Uploads";
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  const std::string field = "the setting out as the field changed it today\r\n";
  std::ofstream(projects / "Setting Out.job", std::ios::binary) << field;
  set_modified(uploads / "Setting Out.job", std::chrono::hours(3));
  set_modified(projects / "Setting Out.job", std::chrono::minutes(5));

  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  ASSERT_TRUE(driver_.select_items(1034, {index_of(names(1034), L"Setting Out.job")}));
  driver_.click(4001);
  HWND box = nullptr;
  const std::wstring question = driver_.wait_box(20000, &box);
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::wstring::npos,
            question.find(L"  File:'Setting Out.job' (File will be overwritten. WARNING, "
                          L"destination file is newer.)"))
      << narrow(question);
  WindowDriver::press_box_button(box, IDYES);
  ASSERT_TRUE(eventually([&] {
    return ready() &&
           read_file(projects / "Setting Out.job") == read_file(uploads / "Setting Out.job");
  })) << narrow(driver_.text(1015));
  EXPECT_NE(std::wstring::npos, driver_.text(1015).find(L"\tKeeping Setting Out.job:\t"))
      << narrow(driver_.text(1015));

  // One folder for the transfer, named after its date and time, the old copy in it.
  std::vector<fs::path> transfers;
  for (const auto& item : fs::directory_iterator(replaced)) transfers.push_back(item.path());
  ASSERT_EQ(1u, transfers.size());
  const fs::path kept = transfers[0] / "Data collector" / "Setting Out.job";
  EXPECT_EQ(field, read_file(kept));

  driver_.command(32830);
  HWND explorer = nullptr;
  ASSERT_TRUE(eventually([&] {
    explorer = FindWindowW(nullptr, L"Replaced");
    return explorer != nullptr && IsWindowVisible(explorer);
  }, 60000)) << "no Explorer window on the Replaced folder";
  HWND list = nullptr;
  EXPECT_TRUE(eventually([&] {
    list = find_list_view(explorer);
    return list != nullptr &&
           index_of(WindowDriver::list_texts(list, 0), transfers[0].filename().wstring()) >= 0;
  })) << "the transfer's folder is not listed";
  PostMessageW(explorer, WM_CLOSE, 0, 0);

  leave_through_escape();
  const std::string report = read_file(report_);
  EXPECT_NE(std::string::npos,
            report.find("                Replaced file kept as::::" + kept.u8string()))
      << report;
}

std::wstring read_option(const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOptionsKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS) {
    return L"<no key>";
  }
  wchar_t value[512] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  const LONG read = RegQueryValueExW(key, name, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::wstring(value) : L"<none>";
}

TEST_F(MainWindow, FeatlinkCheckGuidesOneNewerFileEachWayAndGoesBack) {
  const fs::path featlink = root_ / "desktop" / "Featlink";
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  std::ofstream(featlink / "Utilities.csv") << "an old desktop copy\n";
  std::ofstream(featlink / "Codes.csv", std::ios::app) << "NEW,new code from the office\n";
  set_modified(featlink / "Utilities.csv", std::chrono::hours(3));
  set_modified(featlink / "Codes.csv", std::chrono::seconds(60));
  set_modified(projects / "Codes.csv", std::chrono::hours(3));
  set_modified(projects / "Utilities.csv", std::chrono::seconds(60));

  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  driver_.click(1040);
  HWND box = nullptr;
  const std::wstring report = driver_.wait_box_with(L"Featlink library files report:", 30000, &box);
  ASSERT_NE(nullptr, box) << narrow(driver_.text(1015));
  EXPECT_NE(std::wstring::npos,
            report.find(L"1 common Featlink file, which is newer on the desktop, was found:\n"
                        L"\t*** Codes.csv"))
      << narrow(report);
  EXPECT_NE(std::wstring::npos,
            report.find(L"1 common Featlink file, which is newer on the data collector, was "
                        L"found:\n\t*** Utilities.csv"));
  EXPECT_NE(std::wstring::npos, report.find(L"2 situations were found"));
  WindowDriver::press_box_button(box, IDYES);

  driver_.wait_box_with(L"Do you want to copy Codes.csv", 30000, &box);
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDYES);
  const std::wstring second = driver_.wait_box_with(L"Do you want to copy Utilities.csv", 30000, &box);
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::wstring::npos, second.find(L"Data collector version is newer"));
  WindowDriver::press_box_button(box, IDYES);

  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1025) == (root_ / "desktop" / "Downloads").wstring() + L"\\*.*";
  })) << narrow(driver_.text(1015));
  EXPECT_EQ(read_file(featlink / "Codes.csv"), read_file(projects / "Codes.csv"));
  EXPECT_NE(std::string::npos, read_file(projects / "Codes.csv").find("NEW,new code"));
  EXPECT_EQ(read_file(projects / "Utilities.csv"), read_file(featlink / "Utilities.csv"));
  EXPECT_NE(std::string::npos, narrow(driver_.text(1028)).find("Plotwise Projects\\*.*"));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(driver_.window(), 1042)));
}

bool save_picture(HWND window, const wchar_t* name);

TEST_F(MainWindow, TheOptionsDialogOpensFromTheMenuShowsTheChoiceAndSavesOnOk) {
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  driver_.command(32783);
  HWND options = driver_.wait_dialog(L"Transfer options", 30000);
  ASSERT_NE(nullptr, options);
  // The safety net: files kept for 30 days, copies verified.
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(options, 21021));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(options, 21022)));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(options, 21024));
  EXPECT_TRUE(save_picture(options, L"options-dialog"));
  // Unticked, the days are greyed and OK stores the choice.
  PostMessageW(GetDlgItem(options, 21024), BM_CLICK, 0, 0);
  ASSERT_TRUE(eventually([&] { return IsDlgButtonChecked(options, 21024) == BST_UNCHECKED; }));
  PostMessageW(GetDlgItem(options, 21021), BM_CLICK, 0, 0);
  ASSERT_TRUE(eventually([&] { return !IsWindowEnabled(GetDlgItem(options, 21022)); }));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(options, 21008));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, 21000)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, 21001)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(options, 21010)));
  wchar_t text[1024] = {};
  GetDlgItemTextW(options, 21009, text, 1024);
  EXPECT_EQ((root_ / "desktop" / "Downloads").wstring(), text);
  GetDlgItemTextW(options, 1043, text, 1024);
  EXPECT_EQ((root_ / "desktop" / "Featlink").wstring(), text);

  set_option(L"DefSyncProgram", L"Vistaplot");  // changed behind the dialog: OK writes it back
  PostMessageW(options, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(options, IDOK)));
  ASSERT_TRUE(eventually([&] { return !IsWindow(options); }, 20000));
  EXPECT_EQ(L"User defined", read_option(L"DefSyncProgram"));
  EXPECT_EQ((root_ / "desktop" / "Uploads").wstring(), read_option(L"UserUpDir"));
  EXPECT_EQ(L"0", read_option(L"LaunchOnTransfer"));
  EXPECT_EQ(L"0", read_option(L"KeepReplaced"));
  EXPECT_EQ(L"30", read_option(L"KeepReplacedDays"));
  EXPECT_EQ(L"0", read_option(L"VerifyCopies"));
  EXPECT_TRUE(ready());

  // Cancel with every folder in place closes without a question.
  driver_.command(32783);
  options = driver_.wait_dialog(L"Transfer options", 30000);
  ASSERT_NE(nullptr, options);
  PostMessageW(options, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(options, IDCANCEL)));
  EXPECT_TRUE(eventually([&] { return !IsWindow(options); }, 20000));
}

// The pictures the README shows, taken into the build's e2e-pictures folder.
bool save_picture(HWND window, const wchar_t* name) {
  const fs::path folder = from_build(VMT_BINARY_DIR) / "e2e-pictures";
  fs::create_directories(folder);
  return WindowDriver::save_picture(window, folder.wstring(), name);
}

void press_dialog_button(HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::wstring dialog_text(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

TEST_F(MainWindow, FiltersBrowsesTheDeviceCreatesAFolderAndResizes) {
  std::ofstream(root_ / "desktop" / "Downloads" / "codes.csv") << "A,a\n";
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));

  // "Show Featlink Files Only": both panes list "*.csv" only.
  driver_.command(32780);
  ASSERT_TRUE(eventually([&] {
    return driver_.text(1025) == (root_ / "desktop" / "Downloads").wstring() + L"\\*.csv" &&
           IsWindowEnabled(GetDlgItem(driver_.window(), 1036));
  })) << narrow(driver_.text(1025));
  EXPECT_EQ((std::vector<std::wstring>{L"codes.csv"}), names(1034));
  EXPECT_EQ((std::vector<std::wstring>{L"Codes.csv", L"Utilities.csv"}), names(1035));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(driver_.window(), 1042)));
  EXPECT_TRUE(save_picture(driver_.window(), L"featlink-filter"));
  driver_.command(32779);
  ASSERT_TRUE(eventually([&] { return ready() && driver_.list_count(1035) == 6; }));

  // The device browser: down into "Harbour Road", OK opens it in the pane.
  driver_.click(1031);
  HWND browser = driver_.wait_dialog(L"Browse Device For Folder", 30000);
  ASSERT_NE(nullptr, browser);
  EXPECT_EQ(L"\\My Documents\\Plotwise Projects", dialog_text(browser, 9024));
  const HWND folders = GetDlgItem(browser, 9025);
  const LRESULT harbour = SendMessageW(folders, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(L"Harbour Road"));
  ASSERT_NE(LB_ERR, harbour);
  // A click only selects (and gives the list the focus); Enter goes down.
  const int row = static_cast<int>(SendMessageW(folders, LB_GETITEMHEIGHT, 0, 0));
  const LPARAM point = MAKELPARAM(8, static_cast<int>(harbour) * row + row / 2);
  PostMessageW(folders, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(folders, WM_LBUTTONUP, 0, point);
  ASSERT_TRUE(eventually([&] { return SendMessageW(folders, LB_GETCURSEL, 0, 0) == harbour; }));
  Sleep(300);
  EXPECT_EQ(L"\\My Documents\\Plotwise Projects", dialog_text(browser, 9024));
  WindowDriver::press_key_in(folders, VK_DOWN);
  Sleep(300);
  EXPECT_EQ(L"\\My Documents\\Plotwise Projects", dialog_text(browser, 9024));
  WindowDriver::press_key_in(folders, VK_UP);
  WindowDriver::press_key_in(folders, VK_RETURN);
  ASSERT_TRUE(eventually([&] {
    return dialog_text(browser, 9024) == L"\\My Documents\\Plotwise Projects\\Harbour Road";
  }));
  EXPECT_NE(LB_ERR, SendMessageW(GetDlgItem(browser, 9026), LB_FINDSTRINGEXACT,
                                 static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(L"Harbour Road.raw")));
  EXPECT_TRUE(save_picture(browser, L"device-browser"));
  press_dialog_button(browser, IDOK);
  ASSERT_TRUE(eventually([&] {
    return ready() &&
           driver_.text(1028) == L"\\My Documents\\Plotwise Projects\\Harbour Road\\*.*";
  })) << narrow(driver_.text(1028));

  // Create folder from the desktop list's menu: two levels at once.
  driver_.command(32792);
  HWND create = driver_.wait_dialog(L"Create new folder", 30000);
  ASSERT_NE(nullptr, create);
  EXPECT_EQ((root_ / "desktop" / "Downloads").wstring() + L"\\", dialog_text(create, 1049));
  SetDlgItemTextW(create, 1050, L"Site 7\\Day 1");
  EXPECT_TRUE(save_picture(create, L"create-folder"));
  press_dialog_button(create, IDOK);
  const fs::path made = root_ / "desktop" / "Downloads" / "Site 7" / "Day 1";
  ASSERT_TRUE(eventually([&] { return ready() && driver_.text(1025) == made.wstring() + L"\\*.*"; }))
      << narrow(driver_.text(1025));
  EXPECT_TRUE(fs::is_directory(made));

  // Wider by 200 pixels: ">>>" moves by 100, each list widens by 100.
  SetWindowPos(driver_.window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT outer{}, upload_before{}, list_before{};
  GetWindowRect(driver_.window(), &outer);
  GetWindowRect(GetDlgItem(driver_.window(), 4001), &upload_before);
  GetWindowRect(GetDlgItem(driver_.window(), 1034), &list_before);
  SetWindowPos(driver_.window(), nullptr, 0, 0, outer.right - outer.left + 200,
               outer.bottom - outer.top + 120, SWP_NOMOVE | SWP_NOZORDER);
  RECT upload_after{}, list_after{};
  // The X server may settle the new size in more than one step.
  EXPECT_TRUE(eventually([&] {
    GetWindowRect(GetDlgItem(driver_.window(), 4001), &upload_after);
    return upload_after.left - upload_before.left == 100;
  }, 10000)) << upload_after.left - upload_before.left;
  GetWindowRect(GetDlgItem(driver_.window(), 1034), &list_after);
  EXPECT_EQ(100, (list_after.right - list_after.left) - (list_before.right - list_before.left));
  EXPECT_EQ(120, (list_after.bottom - list_after.top) - (list_before.bottom - list_before.top));
  Sleep(500);
  EXPECT_TRUE(save_picture(driver_.window(), L"main-window-large"));

  // Smaller than at start-up it does not go.
  SendMessageW(driver_.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  RECT drag{outer.left + 300, outer.top, outer.right, outer.bottom};
  SendMessageW(driver_.window(), WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(outer.right, drag.right);
  EXPECT_EQ(outer.right - outer.left, drag.right - drag.left);
}

// Every file below `root`, by its path from there, with its bytes.
std::vector<std::pair<std::string, std::string>> tree_of(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).u8string();
    files.emplace_back(relative, item.is_directory() ? "<folder>" : read_file(item.path()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(MainWindow, WithCopySubFoldersATreeGoesUpAndComesBackByteForByte) {
  set_option(L"CopySubfolders", L"1");
  const fs::path tree = root_ / "desktop" / "Uploads" / "Tree";
  fs::create_directories(tree / "Day 1" / "Points");
  fs::create_directories(tree / "Empty");
  std::string binary(70000, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 13 % 256);
  std::ofstream(tree / "a.raw", std::ios::binary) << "level one";
  std::ofstream(tree / "Day 1" / "b.raw", std::ios::binary) << "level two";
  std::ofstream(tree / "Day 1" / "Points" / "c.bin", std::ios::binary) << binary;

  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  EXPECT_TRUE(eventually([&] {
    return (GetMenuState(GetMenu(driver_.window()), 32810, MF_BYCOMMAND) & MF_CHECKED) != 0;
  }));
  ASSERT_TRUE(driver_.select_items(1034, {index_of(names(1034), L"Tree")}));
  driver_.click(4001);
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  ASSERT_TRUE(eventually([&] { return ready() && index_of(names(1035), L"Tree") >= 0; }))
      << narrow(driver_.text(1015));
  EXPECT_EQ(tree_of(tree), tree_of(projects / "Tree"));

  driver_.click(1016);
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1025) == (root_ / "desktop" / "Downloads").wstring() + L"\\*.*";
  }));
  ASSERT_TRUE(driver_.select_items(1035, {index_of(names(1035), L"Tree")}));
  driver_.click(1013);
  const fs::path back = root_ / "desktop" / "Downloads" / "Tree";
  ASSERT_TRUE(eventually([&] { return ready() && index_of(names(1034), L"Tree") >= 0; }))
      << narrow(driver_.text(1015));
  EXPECT_EQ(tree_of(tree), tree_of(back));
  EXPECT_EQ(6u, tree_of(back).size());
}

TEST_F(MainWindow, AClashListTallerThanTheScreenIsShownInAWindowThatScrolls) {
  const fs::path uploads = root_ / "desktop" / "Uploads";
  const fs::path projects = root_ / "device" / "fs" / "My Documents" / "Plotwise Projects";
  for (int i = 0; i < 200; ++i) {
    const std::string name = "clash " + std::to_string(1000 + i) + ".txt";
    std::ofstream(uploads / name) << "office";
    std::ofstream(projects / name) << "field";
  }
  ASSERT_NO_FATAL_FAILURE(start(L"UPLOAD"));
  std::vector<int> all;
  for (int i = 0; i < driver_.list_count(1034); ++i) all.push_back(i);
  ASSERT_TRUE(driver_.select_items(1034, all));
  driver_.click(4001);
  HWND box = nullptr;
  const std::wstring text =
      driver_.wait_box_with(L"The following conflicts have been found:", 30000, &box);
  ASSERT_NE(nullptr, box) << narrow(driver_.text(1015));
  EXPECT_NE(nullptr, GetDlgItem(box, kLongMessageText));
  EXPECT_NE(0, GetWindowLongW(box, GWL_STYLE) & WS_THICKFRAME);
  wchar_t caption[64] = {};
  GetWindowTextW(box, caption, 64);
  EXPECT_EQ(std::wstring(L"Veldmark"), caption);
  EXPECT_NE(std::wstring::npos, text.find(L"  File:'clash 1000.txt' (file will be overwritten)\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"  File:'clash 1199.txt' (file will be overwritten)\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"Do you want to continue?"));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(box, IDYES)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(box, IDNO)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(box, IDOK)));
  // Its buttons are on the screen, whatever the length of the list.
  RECT button{};
  GetWindowRect(GetDlgItem(box, IDNO), &button);
  EXPECT_LE(button.bottom, GetSystemMetrics(SM_CYSCREEN));
  WindowDriver::press_box_button(box, IDNO);
  ASSERT_TRUE(eventually([&] { return ready(); }));
  EXPECT_EQ("field", read_file(projects / "clash 1000.txt"));
}

// The pixels of a picture that the runner took (24-bit, bottom-up rows).
class Picture {
 public:
  bool load(const wchar_t* name) {
    const std::string bytes =
        read_file(from_build(VMT_BINARY_DIR) / "e2e-pictures" / (std::wstring(name) + L".bmp"));
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    auto number = [&](std::size_t at) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
             static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    offset_ = number(10);
    width_ = static_cast<int>(number(18));
    height_ = static_cast<int>(number(22));
    if ((number(28) & 0xFFFF) != 24 || width_ <= 0 || height_ <= 0) return false;
    bytes_ = bytes;
    return bytes_.size() >= offset_ + stride() * static_cast<std::size_t>(height_);
  }
  // How many pixels satisfy the test of their colour.
  int count(const std::function<bool(COLORREF)>& test) const {
    int found = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const std::size_t at = offset_ + static_cast<std::size_t>(y) * stride() + x * 3u;
        const COLORREF colour = RGB(static_cast<unsigned char>(bytes_[at + 2]),
                                    static_cast<unsigned char>(bytes_[at + 1]),
                                    static_cast<unsigned char>(bytes_[at]));
        if (test(colour)) ++found;
      }
    }
    return found;
  }

 private:
  std::size_t stride() const { return (static_cast<std::size_t>(width_) * 3 + 3) & ~std::size_t{3}; }
  std::string bytes_;
  std::size_t offset_ = 0;
  int width_ = 0;
  int height_ = 0;
};

bool is_grey(COLORREF colour) {
  return GetRValue(colour) == GetGValue(colour) && GetGValue(colour) == GetBValue(colour);
}

// Green is the upload arrows' colour: more green than red or blue.
bool is_green(COLORREF colour) {
  return GetGValue(colour) > GetRValue(colour) + 40 && GetGValue(colour) > GetBValue(colour) + 40;
}

HWND visible_popup_menu() {
  HWND menu = nullptr;
  while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
    if (IsWindowVisible(menu)) return menu;
  }
  return nullptr;
}

TEST_F(MainWindow, TheKeyboardOpensFoldersGoesUpSelectsAllAndReachesTheListMenus) {
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const HWND window = driver_.window();
  const HWND desktop = GetDlgItem(window, 1034);
  const HWND device = GetDlgItem(window, 1035);

  // Every picture button has a name that a screen reader can say.
  for (int id : {4001, 1013, 1014, 1031, 1032, 1033}) {
    EXPECT_GT(GetWindowTextLengthW(GetDlgItem(window, id)), 10) << id;
  }
  EXPECT_EQ(L"Upload to the data collector (>>>)", driver_.text(4001));
  // Mnemonics on the buttons and check boxes: Alt+D is "Default download".
  EXPECT_EQ(L"Default &download", driver_.text(1016));
  EXPECT_EQ(L"Create file transfer &report", driver_.text(1047));

  // Enter on a folder opens it; Backspace goes up again.
  ASSERT_TRUE(driver_.click_item(1035, 0));
  WindowDriver::press_key_in(device, VK_RETURN);
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1028) == L"\\My Documents\\Plotwise Projects\\Harbour Road\\*.*";
  })) << narrow(driver_.text(1028));
  WindowDriver::press_key_in(device, VK_BACK);
  ASSERT_TRUE(eventually([&] {
    return ready() && driver_.text(1028) == L"\\My Documents\\Plotwise Projects\\*.*";
  })) << narrow(driver_.text(1028));

  // Ctrl+A selects the whole list that has the focus.
  ASSERT_TRUE(driver_.click_item(1035, 0));
  ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == window || SetForegroundWindow(window); }));
  Sleep(300);
  WindowDriver::type_keys({'A'}, VK_CONTROL);
  EXPECT_TRUE(eventually([&] { return SendMessageW(device, LVM_GETSELECTEDCOUNT, 0, 0) == 6; },
                         10000))
      << SendMessageW(device, LVM_GETSELECTEDCOUNT, 0, 0);

  // Alt and an underlined letter: Alt+R is "Create file transfer report".
  EXPECT_EQ(L"1", read_option(L"CreateReports"));
  WindowDriver::type_keys({'R'}, VK_MENU);
  EXPECT_TRUE(eventually([&] { return read_option(L"CreateReports") == L"0"; }, 10000));
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(window, 1047));
  WindowDriver::type_keys({'R'}, VK_MENU);
  EXPECT_TRUE(eventually([&] { return read_option(L"CreateReports") == L"1"; }, 10000));

  // Enter on a file is the usual exit: its question, and Cancel stays.
  const int readme = index_of(names(1034), L"readme.txt");
  ASSERT_TRUE(driver_.click_item(1034, readme));
  WindowDriver::press_key_in(desktop, VK_RETURN);
  HWND box = nullptr;
  EXPECT_EQ(L"View report?", driver_.wait_box(10000, &box));
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDCANCEL);
  ASSERT_TRUE(eventually([&] { return IsWindowEnabled(window) != FALSE; }));

  // Shift+F10 and the menu key open the list's own menu; Escape closes it,
  // and its C is Create folder.
  ASSERT_TRUE(driver_.click_item(1034, readme));
  Sleep(300);
  WindowDriver::type_keys({VK_F10}, VK_SHIFT);
  ASSERT_TRUE(eventually([&] { return visible_popup_menu() != nullptr; }, 10000));
  WindowDriver::type_keys({VK_ESCAPE});
  ASSERT_TRUE(eventually([&] { return visible_popup_menu() == nullptr; }, 10000));
  WindowDriver::type_keys({VK_APPS});
  ASSERT_TRUE(eventually([&] { return visible_popup_menu() != nullptr; }, 10000));
  WindowDriver::type_keys({'C'});
  HWND create = driver_.wait_dialog(L"Create new folder", 30000);
  ASSERT_NE(nullptr, create);
  SetDlgItemTextW(create, 1050, L"Keyed");
  press_dialog_button(create, IDOK);
  const fs::path made = root_ / "desktop" / "Downloads" / "Keyed";
  ASSERT_TRUE(eventually([&] { return ready() && driver_.text(1025) == made.wstring() + L"\\*.*"; }))
      << narrow(driver_.text(1025));
  EXPECT_TRUE(fs::is_directory(made));
}

TEST_F(MainWindow, ADisabledTransferButtonShowsItsPictureGreyedAndColoursFollowTheSystem) {
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const HWND upload = GetDlgItem(driver_.window(), 4001);
  ASSERT_TRUE(save_picture(upload, L"upload-enabled"));
  Picture enabled;
  ASSERT_TRUE(enabled.load(L"upload-enabled"));
  EXPECT_GT(enabled.count(is_green), 50);
  // As while the window is busy.
  EnableWindow(upload, FALSE);
  Sleep(500);
  ASSERT_TRUE(save_picture(upload, L"upload-disabled"));
  Picture disabled;
  ASSERT_TRUE(disabled.load(L"upload-disabled"));
  EXPECT_EQ(0, disabled.count(is_green));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // The arrows are there, in greys darker than the button's face.
  EXPECT_GT(disabled.count([&](COLORREF c) {
    return is_grey(c) && GetRValue(c) + 20 < GetRValue(face) && GetRValue(c) > 40;
  }), 50);
  EnableWindow(upload, TRUE);

  // A change of the system's colours (as High Contrast makes) rebuilds the
  // pictures on the face colour. Wine keeps each process's colours to itself,
  // so here the window is told of a change and must show the same again.
  PostMessageW(driver_.window(), WM_SYSCOLORCHANGE, 0, 0);
  Sleep(1000);
  ASSERT_TRUE(save_picture(GetDlgItem(driver_.window(), 1039), L"desktop-picture-again"));
  Picture again;
  ASSERT_TRUE(again.load(L"desktop-picture-again"));
  EXPECT_GT(again.count([&](COLORREF c) { return c == face; }), 200);
  EXPECT_EQ(0, again.count([](COLORREF c) { return c == RGB(255, 0, 255); }));
  ASSERT_TRUE(save_picture(upload, L"upload-again"));
  Picture upload_again;
  ASSERT_TRUE(upload_again.load(L"upload-again"));
  EXPECT_GT(upload_again.count(is_green), 50);
  EXPECT_TRUE(ready());
}

// Windows' scaling setting as Wine keeps it; 96 is 100 %.
void set_log_pixels(DWORD dpi) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr,
                                           0, KEY_SET_VALUE, nullptr, &key, nullptr));
  RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  RegCloseKey(key);
}

struct Layout {
  RECT client{};
  std::map<int, RECT> controls;  // in client coordinates
  int name_column = 0;
};

Layout take_layout(HWND window, const WindowDriver& driver) {
  Layout layout;
  GetClientRect(window, &layout.client);
  for (int id : {1014, 1016, 1018, 1019, 1031, 1017, 1025, 1028, 1032, 1033, 1034, 1035, 4001,
                 1013, 1040, 1015, 1036, 1038, 1047, 1048}) {
    RECT place{};
    GetWindowRect(GetDlgItem(window, id), &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    layout.controls[id] = place;
  }
  layout.name_column = driver.column_width(1035, 0);
  return layout;
}

bool overlaps(const RECT& a, const RECT& b) {
  RECT both{};
  return IntersectRect(&both, &a, &b) != FALSE;
}

TEST_F(MainWindow, AtOneHundredAndFiftyPercentEverySizeScalesAndTheLayoutHolds) {
  // At 100 % first, for the sizes to compare with.
  set_log_pixels(96);
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const Layout normal = take_layout(driver_.window(), driver_);
  driver_.press_key(VK_ESCAPE);
  HWND box = nullptr;
  driver_.wait_box(10000, &box);
  ASSERT_NE(nullptr, box);
  WindowDriver::press_box_button(box, IDNO);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 30000));
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
  process_ = {};

  set_log_pixels(144);
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  set_log_pixels(96);  // the program has read it; the other tests run at 100 %
  const Layout large = take_layout(driver_.window(), driver_);
  RedrawWindow(driver_.window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(500);
  EXPECT_TRUE(save_picture(driver_.window(), L"main-window-150"));

  EXPECT_EQ(150, normal.name_column);
  EXPECT_EQ(225, large.name_column);
  const double wider = static_cast<double>(large.client.right) / normal.client.right;
  const double taller = static_cast<double>(large.client.bottom) / normal.client.bottom;
  EXPECT_NEAR(1.5, wider, 0.12);
  EXPECT_NEAR(1.5, taller, 0.12);
  // Every control inside the window, and the ones that must not meet apart.
  for (const auto& [id, place] : large.controls) {
    EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= large.client.right &&
                place.bottom <= large.client.bottom)
        << id;
  }
  const auto& c = large.controls;
  for (int button : {4001, 1013, 1040}) {
    EXPECT_FALSE(overlaps(c.at(button), c.at(1034))) << button;
    EXPECT_FALSE(overlaps(c.at(button), c.at(1035))) << button;
  }
  EXPECT_FALSE(overlaps(c.at(4001), c.at(1013)));
  EXPECT_FALSE(overlaps(c.at(1036), c.at(1038)));
  EXPECT_FALSE(overlaps(c.at(1036), c.at(1047)));
  EXPECT_FALSE(overlaps(c.at(1047), c.at(1048)));
  EXPECT_LE(c.at(1015).bottom, c.at(1036).top);
  EXPECT_LE(c.at(1034).bottom, c.at(1015).top);
  // The controls keep their places relative to the window.
  for (const auto& [id, place] : normal.controls) {
    EXPECT_NEAR(static_cast<double>(place.left) / normal.client.right,
                static_cast<double>(c.at(id).left) / large.client.right, 0.03)
        << id;
  }

  // Smaller than at start-up it does not go, at this scale either.
  RECT outer{};
  GetWindowRect(driver_.window(), &outer);
  RECT drag{outer.left, outer.top, outer.right, outer.bottom - 200};
  SendMessageW(driver_.window(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(outer.bottom - outer.top, drag.bottom - drag.top);
}

// The options key's access list for this test, from SDDL.
bool set_options_key_access(const wchar_t* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOptionsKey, 0, WRITE_DAC | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                  &descriptor, nullptr) &&
             RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  LocalFree(descriptor);
  RegCloseKey(key);
  return set;
}

// A message box of the program's process, owned or not; null after the time.
HWND program_box(HWND main, DWORD timeout_ms, std::wstring* text) {
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  const DWORD start = GetTickCount();
  do {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (owner == process && IsWindowVisible(found) && GetDlgItem(found, 0xFFFF) != nullptr) {
        wchar_t buffer[2048] = {};
        GetDlgItemTextW(found, 0xFFFF, buffer, 2048);
        *text = buffer;
        return found;
      }
    }
    Sleep(100);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

// A standard user's view of a key the installation did not open up: it may
// be read, not written. Each change says once what was not saved, the check
// box shows what is stored, and OK leaves the options dialog open.
TEST_F(MainWindow, WithTheOptionsKeyUnwritableAChangeSaysOnceWhatWasNotSaved) {
  struct Restore {
    ~Restore() { set_options_key_access(L"D:(A;CI;KA;;;WD)"); }
  } restore;
  ASSERT_TRUE(set_options_key_access(L"D:P(D;;0x2;;;WD)(A;CI;KA;;;WD)"));
  ASSERT_NO_FATAL_FAILURE(start(L"DOWNLOAD"));
  const HWND window = driver_.window();
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(window, 1047));

  PostMessageW(GetDlgItem(window, 1047), BM_CLICK, 0, 0);
  std::wstring notice;
  HWND box = program_box(window, 10000, &notice);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(0u, notice.find(L"The setting CreateReports was not saved")) << narrow(notice);
  EXPECT_NE(std::wstring::npos, notice.find(L"This Windows account may not change"));
  WindowDriver::press_box_button(box, IDOK);
  ASSERT_TRUE(eventually([&] { return !IsWindow(box); }));
  EXPECT_EQ(nullptr, program_box(window, 1000, &notice)) << narrow(notice);  // once
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(window, 1047));
  EXPECT_EQ(L"1", read_option(L"CreateReports"));

  driver_.command(32783);
  HWND options = driver_.wait_dialog(L"Transfer options", 30000);
  ASSERT_NE(nullptr, options);
  press_dialog_button(options, IDOK);
  box = program_box(window, 10000, &notice);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(0u, notice.find(L"The setting UserDownDir was not saved")) << narrow(notice);
  WindowDriver::press_box_button(box, IDOK);
  ASSERT_TRUE(eventually([&] { return !IsWindow(box); }));
  EXPECT_EQ(nullptr, program_box(window, 1000, &notice)) << narrow(notice);
  EXPECT_TRUE(IsWindow(options));  // not closed as if saved
  press_dialog_button(options, IDCANCEL);
  EXPECT_TRUE(eventually([&] { return !IsWindow(options); }, 20000));
}

}  // namespace
}  // namespace vmt::e2e
