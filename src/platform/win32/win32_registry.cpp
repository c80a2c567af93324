#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/common/utf.h"

namespace vmt::platform {

namespace {

HKEY root_key(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY as_hkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

// The 32-bit view unless the 64-bit one is asked for: the 64-bit build reads
// and writes the keys the 32-bit build and the installer use.
REGSAM with_view(std::uint32_t access) {
  const REGSAM rights = access & ~static_cast<REGSAM>(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  return rights | ((access & key_access::kView64) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
}

std::wstring wide(const std::string& utf8) {
  const std::u16string units = to_utf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string narrow(const wchar_t* text, std::size_t length) {
  return to_utf8(std::u16string(text, text + length));
}

}  // namespace

long Win32Registry::open_key(RegistryRoot root, const std::string& path, std::uint32_t access,
                             RegistryKey* key) {
  HKEY opened = nullptr;
  const LONG rc = RegOpenKeyExW(root_key(root), wide(path).c_str(), 0, with_view(access), &opened);
  *key = rc == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(opened) : 0;
  return rc;
}

long Win32Registry::create_key(RegistryRoot root, const std::string& path, RegistryKey* key) {
  HKEY created = nullptr;
  const LONG rc =
      RegCreateKeyExW(root_key(root), wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &created, nullptr);
  *key = rc == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(created) : 0;
  return rc;
}

long Win32Registry::query_value(RegistryKey key, const std::string& name,
                                RegistryValue* value) {
  const std::wstring value_name = wide(name);
  std::vector<BYTE> data(256);
  DWORD type = 0;
  LONG rc;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    rc = RegQueryValueExW(as_hkey(key), value_name.c_str(), nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      data.resize(size + sizeof(wchar_t));  // the value may grow between calls
      continue;
    }
    data.resize(rc == ERROR_SUCCESS ? size : 0);
    break;
  }
  if (rc != ERROR_SUCCESS) return rc;
  value->type = type;
  value->text.clear();
  value->number = 0;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::size_t length = data.size() / sizeof(wchar_t);
    std::vector<wchar_t> units(length + 1, L'\0');
    if (length) std::memcpy(units.data(), data.data(), length * sizeof(wchar_t));
    // Stored strings need not end in a zero, and may hold one early.
    std::size_t end = 0;
    while (end < length && units[end] != L'\0') ++end;
    value->text = narrow(units.data(), end);
  } else if (type == REG_DWORD && data.size() >= sizeof(DWORD)) {
    DWORD number;
    std::memcpy(&number, data.data(), sizeof number);
    value->number = number;
  }
  return 0;
}

long Win32Registry::set_string(RegistryKey key, const std::string& name,
                               const std::string& text) {
  const std::wstring data = wide(text);
  return RegSetValueExW(as_hkey(key), wide(name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

long Win32Registry::set_dword(RegistryKey key, const std::string& name, std::uint32_t number) {
  const DWORD data = number;
  return RegSetValueExW(as_hkey(key), wide(name).c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data);
}

long Win32Registry::delete_value(RegistryKey key, const std::string& name) {
  return RegDeleteValueW(as_hkey(key), wide(name).c_str());
}

long Win32Registry::enum_subkey(RegistryKey key, std::uint32_t index, std::string* name) {
  wchar_t buffer[1024];
  DWORD length = static_cast<DWORD>(sizeof buffer / sizeof buffer[0]);
  const LONG rc =
      RegEnumKeyExW(as_hkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && name) *name = narrow(buffer, length);
  return rc;
}

long Win32Registry::close_key(RegistryKey key) { return RegCloseKey(as_hkey(key)); }

long Win32Registry::delete_key_tree(RegistryRoot root, const std::string& path) {
  HKEY parent = nullptr;
  LONG rc = RegOpenKeyExW(root_key(root), wide(path).c_str(), 0,
                          KEY_ALL_ACCESS | KEY_WOW64_32KEY, &parent);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegDeleteTreeW(parent, nullptr);
  RegCloseKey(parent);
  if (rc != ERROR_SUCCESS) return rc;
  return RegDeleteKeyExW(root_key(root), wide(path).c_str(), KEY_WOW64_32KEY, 0);
}

}  // namespace vmt::platform
