// The options dialog on the real template 21000: modal, forwarding its events
// to COPT_Options_Dlg and showing what the logic asks for.
#pragma once

#include <windows.h>

#include "app/run_context.h"
#include "gui/win32/dialog.h"
#include "settings/options_dlg.h"

namespace vmt::gui {

class OptionsWindow : public Dialog, public settings::OptionsView {
 public:
  OptionsWindow(const ResourceModules& resources, app::RunContext& context)
      : Dialog(resources, IDD_OPTIONS_DLG), logic_(context, *this) {}
  ~OptionsWindow() override { Close(); }

  // OptionsView
  app::WindowRef window() override {
    return reinterpret_cast<app::WindowRef>(Dialog::window().get());
  }
  void set_caption(const std::string& text) override;
  void set_control_text(int id, const std::string& text) override;
  std::string control_text(int id) override;
  void enable_control(int id, bool enabled) override;
  void set_check(int id, bool checked) override;
  bool is_checked(int id) override;
  void clear_list() override;
  void add_list_entry(const std::string& text) override;
  int select_list_entry(const std::string& prefix) override;
  int list_selection() override;
  std::string list_entry(int index) override;
  bool browse_for_folder(const std::string& title, const std::string& start,
                         std::string* chosen) override;
  void open_help(const std::string& file) override;
  void end_dialog(int result) override { End(result); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override { logic_.OnOK(); }
  void OnCancel() override { logic_.OnCancel(); }

 private:
  Window list() const { return Dialog::window().item(IDC_OPT_PROGRAM_LIST); }

  settings::COPT_Options_Dlg logic_;
};

}  // namespace vmt::gui
