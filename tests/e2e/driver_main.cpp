// The run command's helper: "wait-ready" waits until the window has finished
// its start-up, "close" closes it and answers the exit question with No.
// The window benchmark's: "upload-all" selects every file of the PC list,
// presses ">>>" and waits until the window is ready again.
#include <cstdio>
#include <cwchar>
#include <vector>

#include "e2e/window_driver.h"

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
    std::vector<int> all(static_cast<std::size_t>(driver.list_count(1034)));
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    if (all.empty() || !driver.select_items(1034, all)) {
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
  if (std::wcscmp(argv[1], L"close") == 0) {
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
