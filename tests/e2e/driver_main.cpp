// The run command's helper: "wait-ready" waits until the window has finished
// its start-up, "close" closes it and answers the exit question with No.
#include <cstdio>
#include <cwchar>

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
