// Where the test programs find the stand-in for rapi.dll: beside themselves.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace vmt::test {

inline std::wstring fake_rapi_library_path() {
  wchar_t exe[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
  const std::wstring path(exe);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"fake_rapi.dll";
}

}  // namespace vmt::test
#endif
