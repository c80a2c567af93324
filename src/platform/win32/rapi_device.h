// The data collector through ActiveSync's rapi.dll, loaded when the program
// starts. Without the library every call fails as a device that is not there.
#pragma once

#include <memory>
#include <string>

#include "platform/device.h"

namespace vmt::platform {

class RapiDevice : public Device {
 public:
  // `library` is "rapi.dll" in the program, loaded from the system folder
  // only; tests give the full path of a library of their own.
  explicit RapiDevice(const std::wstring& library = L"rapi.dll");
  ~RapiDevice() override;
  RapiDevice(const RapiDevice&) = delete;
  RapiDevice& operator=(const RapiDevice&) = delete;

  // False when the library or one of its functions could not be loaded.
  bool loaded() const;

  std::int32_t CeRapiInitEx(RapiInit* init) override;
  std::uint32_t WaitForInitEvent(RapiInit* init, std::uint32_t timeout_ms) override;
  std::int32_t CeRapiUninit() override;
  std::uint32_t CeGetLastError() override;
  std::int32_t CeRapiGetError() override;

  CeHandle CeFindFirstFile(const std::u16string& pattern, CeFindData* data) override;
  bool CeFindNextFile(CeHandle find, CeFindData* data) override;
  bool CeFindClose(CeHandle find) override;
  bool CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                      std::vector<CeFindData>* found) override;

  CeHandle CeCreateFile(const std::u16string& path, std::uint32_t access, std::uint32_t share,
                        std::uint32_t disposition, std::uint32_t attributes) override;
  bool CeReadFile(CeHandle file, void* buffer, std::uint32_t to_read,
                  std::uint32_t* read) override;
  bool CeWriteFile(CeHandle file, const void* buffer, std::uint32_t to_write,
                   std::uint32_t* written) override;
  bool CeGetFileTime(CeHandle file, FileTimeTicks* creation, FileTimeTicks* last_access,
                     FileTimeTicks* last_write) override;
  bool CeSetFileTime(CeHandle file, const FileTimeTicks* creation,
                     const FileTimeTicks* last_access, const FileTimeTicks* last_write) override;
  std::uint32_t CeGetFileSize(CeHandle file, std::uint32_t* size_high) override;
  bool CeCloseHandle(CeHandle handle) override;
  bool CeDeleteFile(const std::u16string& path) override;
  bool CeCreateDirectory(const std::u16string& path) override;
  bool CeMoveFile(const std::u16string& from, const std::u16string& to) override;
  std::uint32_t CeGetFileAttributes(const std::u16string& path) override;

  long CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey, CeRegKey* key) override;
  long CeRegQueryValueEx(CeRegKey key, const std::u16string& name, std::uint32_t* type,
                         void* data, std::uint32_t* size) override;
  long CeRegCloseKey(CeRegKey key) override;

  std::uint32_t CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) override;

 private:
  struct Library;
  std::unique_ptr<Library> library_;
};

}  // namespace vmt::platform
