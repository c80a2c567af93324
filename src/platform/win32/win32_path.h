// Desktop paths at the Win32 calls: UTF-16 with backslashes, and the "\\?\"
// form for long paths so that folders deeper than MAX_PATH still work.
#pragma once

#include <string>

namespace vmt::platform {

std::wstring to_wide(const std::string& utf8);
std::string from_wide(const std::wstring& wide);
std::string from_wide(const wchar_t* wide, std::size_t length);

// Slashes become backslashes; a path of 248 characters or more (the limit of
// CreateDirectoryW) is made absolute and given "\\?\" ("\\?\UNC\" for a
// network path). Paths that already carry a device prefix are left alone.
std::wstring to_win32_path(const std::string& utf8);

}  // namespace vmt::platform
