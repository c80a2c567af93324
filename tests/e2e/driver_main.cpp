// The run command's helper: "wait-ready" waits until the window has finished
// its start-up, "close" closes it and answers the exit question with No.
// "first-start" (the install test) waits for "Ready." and fails at any message
// box on the way, then expects the options dialog that a first start opens,
// cancels it (Yes to its warnings) and closes the window. The window
// benchmark's "upload-all" selects every file of the PC list, presses ">>>"
// and waits until the window is ready again.
#include <cstdio>
#include <cwchar>
#include <string>

#include "e2e/window_driver.h"

namespace {

int first_start(const vmt::e2e::WindowDriver& driver) {
  HWND box = nullptr;
  for (int i = 0; i < 600 && !driver.is_ready(); ++i) {
    const std::wstring text = driver.wait_box(100, &box);
    if (box != nullptr) {
      std::fwprintf(stderr, L"A message box at start-up: %ls\n", text.c_str());
      return 1;
    }
  }
  if (!driver.is_ready()) {
    std::fprintf(stderr, "The window did not become ready.\n");
    return 1;
  }
  HWND options = driver.wait_dialog(L"Transfer options", 30000);
  if (options == nullptr) {
    std::fprintf(stderr, "The first start did not open the options dialog.\n");
    return 1;
  }
  vmt::e2e::WindowDriver::press_box_button(options, IDCANCEL);
  for (int i = 0; i < 100 && IsWindow(options); ++i) {
    driver.wait_box(100, &box, {}, options);
    if (box != nullptr) vmt::e2e::WindowDriver::press_box_button(box, IDYES);
  }
  return IsWindow(options) ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  vmt::e2e::WindowDriver driver;
  if (argc < 2 || !driver.find(60000)) {
    std::fprintf(stderr, "The program's window did not appear.\n");
    return 1;
  }
  if (std::wcscmp(argv[1], L"wait-ready") == 0) {
    if (driver.wait_ready(60000)) return 0;
    std::fprintf(stderr, "The window did not become ready.\n");
    return 1;
  }
  if (std::wcscmp(argv[1], L"upload-all") == 0) {
    if (driver.list_count(1034) == 0 || !driver.select_items(1034, {-1})) {
      std::fprintf(stderr, "Nothing to select in the PC list.\n");
      return 1;
    }
    driver.click(4001);
    // The busy state is watched through the Exit button's style alone: a
    // message to the window would take the program's time while it copies.
    const HWND exit_button = GetDlgItem(driver.window(), 1036);
    for (int i = 0; i < 200 && IsWindowEnabled(exit_button); ++i) Sleep(50);
    while (driver.exists() && !IsWindowEnabled(exit_button)) Sleep(500);
    if (driver.wait_ready(60000)) return 0;
    std::fprintf(stderr, "The window did not become ready after the upload.\n");
    return 1;
  }
  if (std::wcscmp(argv[1], L"first-start") == 0 && first_start(driver) != 0) return 1;
  if (std::wcscmp(argv[1], L"close") == 0 || std::wcscmp(argv[1], L"first-start") == 0) {
    PostMessageW(driver.window(), WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && driver.exists(); ++i) {
      HWND box = nullptr;
      driver.wait_box(100, &box);
      if (box != nullptr) vmt::e2e::WindowDriver::press_box_button(box, IDNO);
    }
    return driver.exists() ? 1 : 0;
  }
  return 2;
}
