#include "gui/win32/browser_window.h"

#include "platform/win32/win32_path.h"

namespace vmt::gui {

using platform::from_wide;
using platform::to_wide;

namespace {

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void fill(HWND list, const std::vector<std::string>& names) {
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) {
    const std::wstring wide = to_wide(name);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

}  // namespace

BOOL BrowserWindow::OnInit() {
  logic_.OnInit();
  return TRUE;
}

bool BrowserWindow::OnCommand(int id, int code, HWND) {
  // A click or an arrow key only selects; a double click goes down a level.
  if (id == IDC_BROWSER_SUBFOLDERS) {
    if (code == LBN_DBLCLK) logic_.OnSelectionChange();
    return true;
  }
  if (id == IDC_BROWSER_UP && code == BN_CLICKED) {
    logic_.OnMoveUp();
    return true;
  }
  return false;
}

void BrowserWindow::OnOK() {
  // Enter in the folder list goes down into the selected folder; OK itself,
  // and Enter anywhere else, take the folder shown.
  const HWND folders = Dialog::window().item(IDC_BROWSER_SUBFOLDERS).get();
  if (GetFocus() == folders && SendMessageW(folders, LB_GETCURSEL, 0, 0) != LB_ERR) {
    logic_.OnSelectionChange();
    return;
  }
  logic_.OnOK();
}

void BrowserWindow::set_folder_text(const std::string& text) {
  Dialog::window().item(IDC_BROWSER_FOLDER).set_text(to_wide(text));
}

std::string BrowserWindow::folder_text() {
  return from_wide(window_text(Dialog::window().item(IDC_BROWSER_FOLDER).get()));
}

void BrowserWindow::show_lists(const std::vector<std::string>& folders,
                               const std::vector<std::string>& files) {
  fill(Dialog::window().item(IDC_BROWSER_SUBFOLDERS).get(), folders);
  fill(Dialog::window().item(IDC_BROWSER_FILES).get(), files);
}

bool BrowserWindow::selected_folder(std::string* name) {
  const Window list = Dialog::window().item(IDC_BROWSER_SUBFOLDERS);
  const LRESULT index = list.send(LB_GETCURSEL);
  if (index == LB_ERR) return false;
  const LRESULT length = list.send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length == LB_ERR) return false;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      list.send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  *name = from_wide(text);
  return true;
}

}  // namespace vmt::gui
