// The data collector's folder browser on the real template 9011: modal,
// forwarding its events to CCEB_Browser_Dlg.
#pragma once

#include <windows.h>

#include <string>

#include "app/run_context.h"
#include "device/device_browser.h"
#include "gui/win32/dialog.h"

namespace vmt::gui {

class BrowserWindow : public Dialog, public device::BrowserView {
 public:
  BrowserWindow(const ResourceModules& resources, app::RunContext& context, std::string start)
      : Dialog(resources, IDD_DEVICE_BROWSER), logic_(context, *this, std::move(start)) {}
  ~BrowserWindow() override { Close(); }

  const std::string& folder() const { return logic_.folder(); }

  // BrowserView
  app::WindowRef window() override {
    return reinterpret_cast<app::WindowRef>(Dialog::window().get());
  }
  void set_folder_text(const std::string& text) override;
  std::string folder_text() override;
  void show_lists(const std::vector<std::string>& folders,
                  const std::vector<std::string>& files) override;
  bool selected_folder(std::string* name) override;
  void end_dialog(int result) override { End(result); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;
  void OnCancel() override { logic_.OnCancel(); }

 private:
  device::CCEB_Browser_Dlg logic_;
};

}  // namespace vmt::gui
