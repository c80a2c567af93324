// The loader of rapi.dll drives a library with the remote API's exports: here
// one of our own that serves the emulated data collector. It runs in both
// Windows builds, so that a wrong record layout or calling convention shows.
#ifdef _WIN32
#include "platform/win32/rapi_device.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/common/utf.h"
#include "support/fake_rapi_library.h"
#include "support/temp_folder.h"

namespace vmt::platform {
namespace {

namespace fs = std::filesystem;

// A rapi.dll beside the program or in the current folder is never taken:
// only the system folder's, where ActiveSync puts it.
TEST(RapiDevice, TakesRapiDllFromTheSystemFolderOnlyAndAMissingOneIsNoDevice) {
  RapiDevice missing(L"no_such_rapi_library.dll");
  EXPECT_FALSE(missing.loaded());
  RapiInit init;
  EXPECT_EQ(ce::kEFail, missing.CeRapiInitEx(&init));
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, missing.CeFindFirstFile(u"\\*.*", &data));
  EXPECT_EQ(error::kDeviceNotConnected, missing.CeGetLastError());

  test::TempFolder current;
  const fs::path planted[] = {
      fs::path(test::fake_rapi_library_path()).parent_path() / "rapi.dll",
      fs::u8path(current.path()) / "rapi.dll"};
  for (const fs::path& where : planted) {
    fs::copy_file(test::fake_rapi_library_path(), where, fs::copy_options::overwrite_existing);
  }
  const fs::path before = fs::current_path();
  fs::current_path(planted[1].parent_path());
  {
    RapiDevice device;
    const HMODULE taken = GetModuleHandleW(L"rapi.dll");
    if (device.loaded() || taken != nullptr) {
      wchar_t file[MAX_PATH] = {}, system[MAX_PATH] = {};
      GetModuleFileNameW(taken, file, MAX_PATH);
      GetSystemDirectoryW(system, MAX_PATH);
      EXPECT_EQ(0, _wcsnicmp(file, system, wcslen(system))) << fs::path(file).u8string();
    }
  }
  fs::current_path(before);
  std::error_code ignored;
  for (const fs::path& where : planted) fs::remove(where, ignored);
}

// An emulated device in a folder of the test's own, named by VMTRANSFER_DEVICE.
class RapiLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write_file("device/fs/Data/a.txt", "alpha");
    folder_.write_file("device/device.ini", "[Device]\n");
    const std::u16string where = to_utf16(folder_.path("device"));
    SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", reinterpret_cast<const wchar_t*>(where.c_str()));
  }
  void TearDown() override { SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", nullptr); }
  // Connected through the library; the result of the connection in `init`.
  std::uint32_t connect(RapiDevice& device, RapiInit* init) {
    EXPECT_EQ(0, device.CeRapiInitEx(init));
    return device.WaitForInitEvent(init, 1000);
  }

  test::TempFolder folder_;
};

TEST_F(RapiLibrary, DrivesTheLibraryThroughItsExports) {
  RapiDevice device(test::fake_rapi_library_path());
  ASSERT_TRUE(device.loaded());
  RapiInit init;
  ASSERT_EQ(0u, connect(device, &init));
  EXPECT_EQ(ce::kSOk, init.hrRapiInit);

  const CeHandle file = device.CeCreateFile(u"\\Data\\b.txt", ce::kGenericRead | ce::kGenericWrite,
                                            0, ce::kCreateAlways, ce::kFileAttributeNormal);
  ASSERT_NE(kCeInvalidHandle, file);
  std::uint32_t written = 0;
  ASSERT_TRUE(device.CeWriteFile(file, "bravo", 5, &written));
  std::uint32_t high = 7;
  EXPECT_EQ(5u, device.CeGetFileSize(file, &high));
  EXPECT_EQ(0u, high);
  const FileTimeTicks when = 129745000000000007ULL;
  ASSERT_TRUE(device.CeSetFileTime(file, &when, &when, &when));
  ASSERT_TRUE(device.CeCloseHandle(file));
  EXPECT_EQ("bravo", folder_.read_file("device/fs/Data/b.txt"));

  CeFindData data;
  const CeHandle find = device.CeFindFirstFile(u"\\Data\\b.txt", &data);
  ASSERT_NE(kCeInvalidHandle, find);
  EXPECT_EQ(when, data.ftLastWriteTime);
  EXPECT_EQ(5u, data.nFileSizeLow);
  device.CeFindClose(find);
  EXPECT_TRUE(device.CeMoveFile(u"\\Data\\b.txt", u"\\Data\\c.txt"));
  EXPECT_EQ(attr::kArchive, device.CeGetFileAttributes(u"\\Data\\c.txt"));
  EXPECT_EQ(attr::kDirectory, device.CeGetFileAttributes(u"\\Data"));
  EXPECT_TRUE(device.CeDeleteFile(u"\\Data\\c.txt"));
  EXPECT_EQ(ce::kInvalidFileAttributes, device.CeGetFileAttributes(u"\\Data\\c.txt"));

  std::u16string temp;
  EXPECT_EQ(6u, device.CeGetTempPath(260, &temp));
  EXPECT_EQ(u"\\Temp\\", temp);
  EXPECT_EQ(0, device.CeRapiUninit());
}

LRESULT CALLBACK count_messages(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_APP + 7) return DefWindowProcW(window, message, w, l);
  ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return 0;
}

// rapi.dll completes the connection after CeRapiInitEx has returned and writes
// its result into the record then. The wait lets the thread's messages
// through, and a quit asked for meanwhile is asked for again after it.
TEST_F(RapiLibrary, TheConnectionsResultIsReadOnceItsEventIsSetWhileMessagesAreHandled) {
  WNDCLASSW type{};
  type.lpfnWndProc = count_messages;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"VmtRapiWaitTest";
  RegisterClassW(&type);
  const HWND window = CreateWindowW(L"VmtRapiWaitTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    type.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  int handled = 0;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));

  RapiDevice device(test::fake_rapi_library_path());
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  PostMessageW(window, WM_APP + 7, 0, 0);
  PostQuitMessage(3);
  EXPECT_EQ(0u, device.WaitForInitEvent(&init, 1000));
  EXPECT_EQ(ce::kSOk, init.hrRapiInit);
  EXPECT_EQ(1, handled);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);
  EXPECT_EQ(0, device.CeRapiUninit());
  DestroyWindow(window);
}

}  // namespace
}  // namespace vmt::platform
#endif
