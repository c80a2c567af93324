// The data collector, reached through the Windows CE Remote API. Every
// operation keeps the name, arguments and results of its RAPI function, so the
// same logic drives the real rapi.dll and the emulator. Wide strings are UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace vmt::platform {

// Opaque device handles; kCeInvalidHandle is INVALID_HANDLE_VALUE.
using CeHandle = std::uintptr_t;
constexpr CeHandle kCeInvalidHandle = ~CeHandle{0};
using CeRegKey = std::uintptr_t;
// The device's HKEY_LOCAL_MACHINE as the portable code names it; the binding of
// rapi.dll passes the SDK's own (sign-extended) handle in its place.
constexpr CeRegKey kCeHkeyLocalMachine = 0x80000002;
// The event of a RAPIINIT record.
using CeEvent = std::uintptr_t;

namespace ce {
// CeCreateFile access and disposition.
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kCreateNew = 1;
constexpr std::uint32_t kCreateAlways = 2;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kTruncateExisting = 5;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
// CeFindAllFiles flags: attributes and names.
constexpr std::uint32_t kFafAttributes = 0x01;
constexpr std::uint32_t kFafName = 0x80;
// WaitForSingleObject results.
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 258;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
// HRESULTs of CeRapiInitEx and CeRapiGetError.
constexpr std::int32_t kSOk = 0;
constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005);
// CeGetFileSize and CeGetFileAttributes on failure.
constexpr std::uint32_t kInvalidFileSize = 0xFFFFFFFF;
constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
// True for an HRESULT that reports a failure.
constexpr bool failed(std::int32_t hresult) { return hresult < 0; }
}  // namespace ce

// RAPIINIT: the caller sets cbSize (12); the call fills the event and result.
struct RapiInit {
  std::uint32_t cbSize = 12;
  CeEvent heRapiInit = 0;
  std::int32_t hrRapiInit = 0;
};

// CE_FIND_DATA.
struct CeFindData {
  std::uint32_t dwFileAttributes = 0;
  FileTimeTicks ftCreationTime = 0;
  FileTimeTicks ftLastAccessTime = 0;
  FileTimeTicks ftLastWriteTime = 0;
  std::uint32_t nFileSizeHigh = 0;
  std::uint32_t nFileSizeLow = 0;
  std::uint32_t dwOID = 0;
  std::u16string cFileName;  // at most 259 characters, as in the record
};

class Device {
 public:
  virtual ~Device() = default;

  // 0 (S_OK) when the connection was started; `init` receives the event,
  // which signals once the connection has completed, well or not. The device
  // keeps the record the remote API writes its result into until CeRapiUninit.
  virtual std::int32_t CeRapiInitEx(RapiInit* init) = 0;
  // Waits for the event of `init` (on Windows handling the thread's messages
  // meanwhile): 0 signalled, 258 timed out, 0xFFFFFFFF failed. When signalled,
  // init->hrRapiInit is the connection's result (S_OK or a failure).
  virtual std::uint32_t WaitForInitEvent(RapiInit* init, std::uint32_t timeout_ms) = 0;
  // 0 when closed.
  virtual std::int32_t CeRapiUninit() = 0;
  // The Win32 code the device gave for the last failed remote call. After a
  // failure of the link itself it is stale: ask CeRapiGetError first.
  virtual std::uint32_t CeGetLastError() = 0;
  // S_OK, or the failure of the remote API itself in the last call (the link).
  virtual std::int32_t CeRapiGetError() = 0;

  virtual CeHandle CeFindFirstFile(const std::u16string& pattern, CeFindData* data) = 0;
  virtual bool CeFindNextFile(CeHandle find, CeFindData* data) = 0;
  virtual bool CeFindClose(CeHandle find) = 0;
  // Every entry matching `pattern`, with the fields that `flags` ask for.
  virtual bool CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                              std::vector<CeFindData>* found) = 0;

  virtual CeHandle CeCreateFile(const std::u16string& path, std::uint32_t access,
                                std::uint32_t share, std::uint32_t disposition,
                                std::uint32_t attributes) = 0;
  virtual bool CeReadFile(CeHandle file, void* buffer, std::uint32_t to_read,
                          std::uint32_t* read) = 0;
  virtual bool CeWriteFile(CeHandle file, const void* buffer, std::uint32_t to_write,
                           std::uint32_t* written) = 0;
  // Null pointers are left out, as in the RAPI call.
  virtual bool CeGetFileTime(CeHandle file, FileTimeTicks* creation, FileTimeTicks* last_access,
                             FileTimeTicks* last_write) = 0;
  virtual bool CeSetFileTime(CeHandle file, const FileTimeTicks* creation,
                             const FileTimeTicks* last_access,
                             const FileTimeTicks* last_write) = 0;
  // The size of an open file: the low 32 bits, the high ones in `*size_high`;
  // kInvalidFileSize with an error on failure.
  virtual std::uint32_t CeGetFileSize(CeHandle file, std::uint32_t* size_high) = 0;
  virtual bool CeCloseHandle(CeHandle handle) = 0;
  virtual bool CeDeleteFile(const std::u16string& path) = 0;
  virtual bool CeCreateDirectory(const std::u16string& path) = 0;
  // Renames a file or folder; fails when the destination exists.
  virtual bool CeMoveFile(const std::u16string& from, const std::u16string& to) = 0;
  // The attributes of a file or folder; kInvalidFileAttributes when there is none.
  virtual std::uint32_t CeGetFileAttributes(const std::u16string& path) = 0;

  // Registry results are Win32 codes: 0 success, 2 missing, 87 invalid
  // parameter, 234 when `*size` is too small (then `*size` is what is needed).
  virtual long CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey, CeRegKey* key) = 0;
  // `data` receives the raw value: UTF-16 with its terminating zero for
  // REG_SZ, four bytes for REG_DWORD.
  virtual long CeRegQueryValueEx(CeRegKey key, const std::u16string& name, std::uint32_t* type,
                                 void* data, std::uint32_t* size) = 0;
  virtual long CeRegCloseKey(CeRegKey key) = 0;

  // Copies the device temporary folder (ending with a backslash) and returns
  // its length; 0 on failure. `buffer_length` is in characters.
  virtual std::uint32_t CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) = 0;
};

}  // namespace vmt::platform
