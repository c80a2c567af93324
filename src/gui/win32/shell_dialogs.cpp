#include "gui/win32/shell_dialogs.h"

#include <htmlhelp.h>
#include <shlobj.h>

#include "platform/win32/win32_path.h"

namespace vmt::gui {

using platform::from_wide;
using platform::to_wide;

namespace {

int CALLBACK browse_callback(HWND hwnd, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0) {
    SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, start);
  }
  return 0;
}

}  // namespace

bool browse_for_folder(HWND owner, const std::string& title, const std::string& start,
                       std::string* chosen) {
  std::wstring wide_title = to_wide(title);
  std::wstring wide_start = to_wide(start);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wide_title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = browse_callback;
  info.lParam = reinterpret_cast<LPARAM>(wide_start.c_str());
  PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
  if (list == nullptr) return false;
  // The shell gives the path at any length; a MAX_PATH buffer would refuse
  // every folder deeper than 260 characters.
  PWSTR path = nullptr;
  const bool ok = SUCCEEDED(SHGetNameFromIDList(list, SIGDN_FILESYSPATH, &path));
  CoTaskMemFree(list);
  if (!ok) return false;
  *chosen = from_wide(path);
  CoTaskMemFree(path);
  return true;
}

void open_html_help(HWND owner, const std::string& file) {
  HtmlHelpW(owner, to_wide(file).c_str(), HH_DISPLAY_TOPIC, 0);
}

}  // namespace vmt::gui
