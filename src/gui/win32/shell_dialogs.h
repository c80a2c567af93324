// The shell's folder picker and the HTML Help viewer, as both dialogs use them.
#pragma once

#include <windows.h>

#include <string>

namespace vmt::gui {

// The folder picker with `title`, opened on `start`; false when cancelled or
// when the folder chosen has no file-system path.
bool browse_for_folder(HWND owner, const std::string& title, const std::string& start,
                       std::string* chosen);

// Opens the help file's first topic, owned by `owner`.
void open_html_help(HWND owner, const std::string& file);

}  // namespace vmt::gui
