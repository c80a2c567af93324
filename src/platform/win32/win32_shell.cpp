#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/common/path.h"
#include "platform/types.h"
#include "platform/win32/win32_path.h"

namespace vmt::platform {

namespace {

// A folder from one of the GetXxxDirectoryW calls, whose result is the length
// needed when the buffer is too small.
template <typename Call>
std::wstring directory_from(Call call) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    const UINT length = call(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length + 1);
  }
}

bool is_folder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Where the folders below the root of a "\\?\" path begin.
std::size_t root_length(const std::wstring& full) {
  if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    // The server and the share cannot be made.
    std::size_t at = full.find(L'\\', 8);
    if (at != std::wstring::npos) at = full.find(L'\\', at + 1);
    return at == std::wstring::npos ? full.size() : at + 1;
  }
  return std::min<std::size_t>(full.size(), 7);  // "\\?\C:\"
}

// Level by level with CreateDirectoryW, for paths beyond what
// SHCreateDirectoryExW takes.
int create_long_tree(const std::wstring& full) {
  bool made = false;
  std::size_t at = root_length(full);
  while (at < full.size()) {
    std::size_t end = full.find(L'\\', at);
    if (end == std::wstring::npos) end = full.size();
    const std::wstring level = full.substr(0, end);
    at = end + 1;
    if (CreateDirectoryW(level.c_str(), nullptr)) {
      made = true;
      continue;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS) return static_cast<int>(code);
    if (!is_folder(level)) {
      return static_cast<int>(at > full.size() ? error::kDirectory : error::kPathNotFound);
    }
  }
  return static_cast<int>(made ? error::kSuccess : error::kAlreadyExists);
}

}  // namespace

Win32Shell::Win32Shell() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  com_initialised_ = SUCCEEDED(result);
}

Win32Shell::~Win32Shell() {
  if (com_initialised_) CoUninitialize();
}

bool Win32Shell::get_folder(ShellFolder folder, bool create, std::string* path) {
  std::wstring found;
  switch (folder) {
    case ShellFolder::kUserAppData:
    case ShellFolder::kCommonAppData: {
      const int csidl = folder == ShellFolder::kUserAppData ? CSIDL_APPDATA : CSIDL_COMMON_APPDATA;
      wchar_t buffer[MAX_PATH] = {};
      const HRESULT result = SHGetFolderPathW(nullptr, csidl | (create ? CSIDL_FLAG_CREATE : 0),
                                              nullptr, SHGFP_TYPE_CURRENT, buffer);
      // S_FALSE names a folder that does not exist yet: the name is still good.
      if (FAILED(result)) return false;
      found = buffer;
      break;
    }
    case ShellFolder::kWindows:
      found = directory_from(
          [](wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); });
      break;
    case ShellFolder::kSystem:
      found = directory_from(
          [](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
      break;
  }
  const std::string text = path::without_trailing_separators(from_wide(found));
  if (text.empty()) return false;
  *path = text;
  return true;
}

int Win32Shell::create_folder_tree(const std::string& path) {
  const std::wstring target = to_win32_path(path::without_trailing_separators(path));
  if (target.rfind(L"\\\\?\\", 0) == 0) return create_long_tree(target);
  const int result = SHCreateDirectoryExW(nullptr, target.c_str(), nullptr);
  if ((result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS) && !is_folder(target)) {
    return static_cast<int>(error::kDirectory);
  }
  return result == ERROR_FILE_EXISTS ? static_cast<int>(error::kAlreadyExists) : result;
}

bool Win32Shell::get_file_info(const std::string& path, bool use_attributes,
                               std::uint32_t attributes, ShellFileInfo* info) {
  std::wstring wide = to_wide(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  SHFILEINFOW found{};
  UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_TYPENAME;
  if (use_attributes) flags |= SHGFI_USEFILEATTRIBUTES;
  if (SHGetFileInfoW(wide.c_str(), attributes, &found, sizeof found, flags) == 0) return false;
  info->icon = reinterpret_cast<IconHandle>(found.hIcon);
  info->type_name = from_wide(found.szTypeName, wcsnlen(found.szTypeName, 80));
  return true;
}

void Win32Shell::destroy_icon(IconHandle icon) {
  if (icon != 0) DestroyIcon(reinterpret_cast<HICON>(icon));
}

std::string Win32Shell::system_error_text(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return std::string();
  std::wstring wide(text, length);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.pop_back();
  return from_wide(wide);
}

}  // namespace vmt::platform
