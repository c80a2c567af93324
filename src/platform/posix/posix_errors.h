// Win32 error codes for errno values, so that the Linux build reports what the
// callers test for on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace vmt::platform {

// `path` tells a missing file (2) from a missing folder on the way to it (3);
// with an empty path a missing entry is a missing file.
std::uint32_t win32_error_from_errno(int err, const std::string& path);

}  // namespace vmt::platform
