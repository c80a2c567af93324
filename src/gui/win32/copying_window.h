// The "Copying..." window on dialog 145: modeless, owned by the main window,
// forwarding its events to CCPY_Copying_Dlg.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "device/copying_dlg.h"
#include "gui/win32/dialog.h"

namespace vmt::gui {

class CopyingWindow : public Dialog, public device::CopyingView {
 public:
  // `dispatch` hands a message to the program's pump (the main window's
  // accelerators and dialog keys) when this window does not take it.
  CopyingWindow(const ResourceModules& resources, device::CCPY_Copying_Dlg& dialog,
                std::function<void(MSG&)> dispatch)
      : Dialog(resources, IDD_COPYING_DLG), dialog_(dialog), dispatch_(std::move(dispatch)) {}
  ~CopyingWindow() override { Close(); }

  // CopyingView
  app::WindowRef window() override {
    return reinterpret_cast<app::WindowRef>(Dialog::window().get());
  }
  bool open_animation() override;
  void play_animation() override;
  bool message_waiting() override;
  void pump_one_message() override;
  void show_progress(int done, int total, const std::string& line) override;

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override { dialog_.OnOK(); }
  void OnCancel() override { dialog_.OnCancel(); }

 private:
  device::CCPY_Copying_Dlg& dialog_;
  std::function<void(MSG&)> dispatch_;
};

// The maker that the run's copying dialogs use.
device::CopyingViewMaker copying_window_maker(const ResourceModules& resources,
                                              std::function<void(MSG&)> dispatch);

}  // namespace vmt::gui
