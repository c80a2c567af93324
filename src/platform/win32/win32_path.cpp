#include "platform/win32/win32_path.h"

#include <windows.h>

#include <algorithm>

#include "platform/common/utf.h"

namespace vmt::platform {

namespace {

// CreateDirectoryW refuses paths of MAX_PATH - 12 characters and more.
constexpr std::size_t kLongPathFrom = MAX_PATH - 12;

bool starts_with(const std::wstring& text, const wchar_t* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::wstring to_wide(const std::string& utf8) {
  const std::u16string wide = to_utf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

std::string from_wide(const wchar_t* wide, std::size_t length) {
  return to_utf8(std::u16string(wide, wide + length));
}

std::string from_wide(const std::wstring& wide) { return from_wide(wide.data(), wide.size()); }

std::wstring to_win32_path(const std::string& utf8) {
  std::wstring path = to_wide(utf8);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (path.size() < kLongPathFrom || starts_with(path, L"\\\\?\\") ||
      starts_with(path, L"\\\\.\\")) {
    return path;
  }
  // The "\\?\" form skips the normalising of "." and "..": do it here.
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (starts_with(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace vmt::platform
