#include "gui/win32/copying_window.h"

#include <commctrl.h>

#include <memory>

#include "platform/win32/win32_path.h"

namespace vmt::gui {

BOOL CopyingWindow::OnInit() {
  dialog_.OnInit(*this);
  return TRUE;
}

bool CopyingWindow::OnCommand(int id, int code, HWND control) {
  if (control != nullptr && code != BN_CLICKED) return false;
  if (id != IDC_COPY_CANCEL) return false;
  dialog_.OnCommand(id);
  return true;
}

bool CopyingWindow::open_animation() {
  return Dialog::window().item(IDC_COPY_ANIMATION).send(
             ACM_OPENW, reinterpret_cast<WPARAM>(instance()),
             reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_COPYING_AVI))) != 0;
}

void CopyingWindow::play_animation() {
  const Window animation = Dialog::window().item(IDC_COPY_ANIMATION);
  animation.show(true);
  animation.send(ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
}

bool CopyingWindow::message_waiting() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

void CopyingWindow::pump_one_message() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
  if (msg.message == WM_QUIT) {
    // The program's own loop ends on it once the copy is over.
    PostQuitMessage(static_cast<int>(msg.wParam));
    return;
  }
  const HWND hwnd = Dialog::window().get();
  if (hwnd != nullptr && IsDialogMessageW(hwnd, &msg)) return;
  dispatch_(msg);
}

void CopyingWindow::show_progress(int done, int total, const std::string& line) {
  const Window bar = Dialog::window().item(IDC_COPY_PROGRESS);
  bar.send(PBM_SETRANGE32, 0, total);
  bar.send(PBM_SETPOS, static_cast<WPARAM>(done));
  Dialog::window().item(IDC_COPY_FILE).set_text(platform::to_wide(line));
}

device::CopyingViewMaker copying_window_maker(const ResourceModules& resources,
                                              std::function<void(MSG&)> dispatch) {
  return [resources, dispatch](app::WindowRef parent, device::CCPY_Copying_Dlg& dialog)
             -> std::unique_ptr<device::CopyingView> {
    auto window = std::make_unique<CopyingWindow>(resources, dialog, dispatch);
    if (!window->Create(reinterpret_cast<HWND>(parent))) return nullptr;
    ShowWindow(window->Dialog::window().get(), SW_SHOW);
    return window;
  };
}

}  // namespace vmt::gui
