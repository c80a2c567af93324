#include "gui/win32/new_folder_window.h"

#include "platform/win32/win32_path.h"

namespace vmt::gui {

BOOL NewFolderWindow::OnInit() {
  Dialog::window().item(IDC_NEW_FOLDER_PARENT).set_text(platform::to_wide(data_.parent_folder));
  SetFocus(Dialog::window().item(IDC_NEW_FOLDER_NAME).get());
  // The focus is set here, so the dialog manager must not move it.
  return FALSE;
}

void NewFolderWindow::OnOK() {
  const HWND name = Dialog::window().item(IDC_NEW_FOLDER_NAME).get();
  const int length = GetWindowTextLengthW(name);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(name, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  data_.name = platform::from_wide(text);
  End(IDOK);
}

}  // namespace vmt::gui
