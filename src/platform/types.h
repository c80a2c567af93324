// Values shared by every platform interface: Win32 error codes, file attributes
// and file times. The logic tests results against these numbers on both builds.
#pragma once

#include <cstdint>

namespace vmt::platform {

// Win32 error codes that callers test or that the implementations report.
namespace error {
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kInvalidData = 13;
constexpr std::uint32_t kNoMoreFiles = 18;
constexpr std::uint32_t kWriteFault = 29;
constexpr std::uint32_t kReadFault = 30;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kHandleEof = 38;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kDirNotEmpty = 145;
constexpr std::uint32_t kBadPathName = 161;
constexpr std::uint32_t kAlreadyExists = 183;
constexpr std::uint32_t kFilenameExcedRange = 206;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint32_t kWaitTimeout = 258;
constexpr std::uint32_t kNoMoreItems = 259;
constexpr std::uint32_t kDirectory = 267;  // ERROR_DIRECTORY: not a folder
constexpr std::uint32_t kDeviceNotConnected = 1167;
}  // namespace error

// File attribute bits (FILE_ATTRIBUTE_*).
namespace attr {
constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kNormal = 0x80;
constexpr std::uint32_t kTemporary = 0x100;
}  // namespace attr

// A FILETIME as one number: 100-nanosecond ticks since 1601-01-01 00:00 UTC.
using FileTimeTicks = std::uint64_t;

// Ticks between 1601-01-01 and the Unix epoch 1970-01-01.
constexpr FileTimeTicks kUnixEpochTicks = 116444736000000000ULL;
constexpr FileTimeTicks kTicksPerSecond = 10000000ULL;

// Creation, last-access and last-write times of one file.
struct FileTimes {
  FileTimeTicks creation = 0;
  FileTimeTicks last_access = 0;
  FileTimeTicks last_write = 0;
  bool operator==(const FileTimes& other) const {
    return creation == other.creation && last_access == other.last_access &&
           last_write == other.last_write;
  }
  bool operator!=(const FileTimes& other) const { return !(*this == other); }
};

}  // namespace vmt::platform
