// The platform implementations of the build under test, by one name each.
#pragma once

#ifdef _WIN32
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
#else
using BuildFiles = platform::PosixDesktopFiles;
#endif

}  // namespace vmt::test
