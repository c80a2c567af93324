// The platform implementations of the build under test, by one name each.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_windows.h"
#else
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_windows.h"
#endif

namespace vmt::test {

#ifdef _WIN32
using BuildFiles = platform::Win32DesktopFiles;
using BuildWindows = platform::Win32DesktopWindows;
constexpr const char* kExeSuffix = ".exe";
#else
using BuildFiles = platform::PosixDesktopFiles;
using BuildWindows = platform::PosixDesktopWindows;
constexpr const char* kExeSuffix = "";
#endif

// Wine runs on a Linux file system: it keeps no creation time, and as root it
// enforces neither the read-only attribute nor the access of a handle to times.
inline bool under_wine() {
#ifdef _WIN32
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace vmt::test
