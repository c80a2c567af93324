// The data collector of a machine that has none: the connection is started
// but never comes up, and every remote call fails as not connected.
#pragma once

#include "platform/device.h"

namespace vmt::platform {

class AbsentDevice : public Device {
 public:
  std::int32_t CeRapiInitEx(RapiInit* init) override;
  std::uint32_t WaitForInitEvent(RapiInit*, std::uint32_t) override { return ce::kWaitTimeout; }
  std::int32_t CeRapiUninit() override { return ce::kSOk; }
  std::uint32_t CeGetLastError() override { return error::kDeviceNotConnected; }
  std::int32_t CeRapiGetError() override { return ce::kSOk; }

  CeHandle CeFindFirstFile(const std::u16string&, CeFindData*) override {
    return kCeInvalidHandle;
  }
  bool CeFindNextFile(CeHandle, CeFindData*) override { return false; }
  bool CeFindClose(CeHandle) override { return false; }
  bool CeFindAllFiles(const std::u16string&, std::uint32_t,
                      std::vector<CeFindData>* found) override;
  CeHandle CeCreateFile(const std::u16string&, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t) override {
    return kCeInvalidHandle;
  }
  bool CeReadFile(CeHandle, void*, std::uint32_t, std::uint32_t* read) override;
  bool CeWriteFile(CeHandle, const void*, std::uint32_t, std::uint32_t* written) override;
  bool CeGetFileTime(CeHandle, FileTimeTicks*, FileTimeTicks*, FileTimeTicks*) override {
    return false;
  }
  bool CeSetFileTime(CeHandle, const FileTimeTicks*, const FileTimeTicks*,
                     const FileTimeTicks*) override {
    return false;
  }
  std::uint32_t CeGetFileSize(CeHandle, std::uint32_t* size_high) override;
  bool CeCloseHandle(CeHandle) override { return false; }
  bool CeDeleteFile(const std::u16string&) override { return false; }
  bool CeCreateDirectory(const std::u16string&) override { return false; }
  bool CeMoveFile(const std::u16string&, const std::u16string&) override { return false; }
  std::uint32_t CeGetFileAttributes(const std::u16string&) override {
    return ce::kInvalidFileAttributes;
  }
  long CeRegOpenKeyEx(CeRegKey, const std::u16string&, CeRegKey* key) override;
  long CeRegQueryValueEx(CeRegKey, const std::u16string&, std::uint32_t*, void*,
                         std::uint32_t*) override {
    return static_cast<long>(error::kDeviceNotConnected);
  }
  long CeRegCloseKey(CeRegKey) override { return static_cast<long>(error::kDeviceNotConnected); }
  std::uint32_t CeGetTempPath(std::uint32_t, std::u16string* path) override;
};

}  // namespace vmt::platform
