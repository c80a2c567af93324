#include "gui/win32/options_window.h"

#include "gui/win32/shell_dialogs.h"
#include "platform/win32/win32_path.h"

namespace vmt::gui {

using platform::from_wide;
using platform::to_wide;

BOOL OptionsWindow::OnInit() {
  logic_.OnInit();
  return TRUE;
}

bool OptionsWindow::OnCommand(int id, int code, HWND control) {
  if (id == IDC_OPT_PROGRAM_LIST) {
    if (code == LBN_SELCHANGE) logic_.OnSelectionChange();
    return true;
  }
  if (control != nullptr && code != BN_CLICKED) return false;
  return logic_.OnCommand(id);
}

void OptionsWindow::set_caption(const std::string& text) { Dialog::window().set_text(to_wide(text)); }

void OptionsWindow::set_control_text(int id, const std::string& text) {
  Dialog::window().item(id).set_text(to_wide(text));
}

std::string OptionsWindow::control_text(int id) {
  return from_wide(Dialog::window().item(id).text());
}

void OptionsWindow::enable_control(int id, bool enabled) {
  Dialog::window().item(id).enable(enabled);
}

void OptionsWindow::set_check(int id, bool checked) {
  CheckDlgButton(Dialog::window().get(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool OptionsWindow::is_checked(int id) {
  return IsDlgButtonChecked(Dialog::window().get(), id) == BST_CHECKED;
}

void OptionsWindow::clear_list() { list().send(LB_RESETCONTENT); }

void OptionsWindow::add_list_entry(const std::string& text) {
  const std::wstring wide = to_wide(text);
  list().send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int OptionsWindow::select_list_entry(const std::string& prefix) {
  const std::wstring wide = to_wide(prefix);
  const LRESULT index =
      list().send(LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

int OptionsWindow::list_selection() {
  const LRESULT index = list().send(LB_GETCURSEL);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

std::string OptionsWindow::list_entry(int index) {
  const LRESULT length = list().send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length == LB_ERR || length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      list().send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return from_wide(text);
}

bool OptionsWindow::browse_for_folder(const std::string& title, const std::string& start,
                                      std::string* chosen) {
  return gui::browse_for_folder(Dialog::window().get(), title, start, chosen);
}

void OptionsWindow::open_help(const std::string& file) {
  open_html_help(Dialog::window().get(), file);
}

}  // namespace vmt::gui
