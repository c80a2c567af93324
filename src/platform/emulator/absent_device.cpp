#include "platform/emulator/absent_device.h"

namespace vmt::platform {

std::int32_t AbsentDevice::CeRapiInitEx(RapiInit* init) {
  // ActiveSync starts the connection and signals nothing while no device is attached.
  init->heRapiInit = 1;
  init->hrRapiInit = ce::kSOk;
  return ce::kSOk;
}

bool AbsentDevice::CeFindAllFiles(const std::u16string&, std::uint32_t,
                                  std::vector<CeFindData>* found) {
  found->clear();
  return false;
}

bool AbsentDevice::CeReadFile(CeHandle, void*, std::uint32_t, std::uint32_t* read) {
  *read = 0;
  return false;
}

bool AbsentDevice::CeWriteFile(CeHandle, const void*, std::uint32_t, std::uint32_t* written) {
  *written = 0;
  return false;
}

std::uint32_t AbsentDevice::CeGetFileSize(CeHandle, std::uint32_t* size_high) {
  if (size_high) *size_high = 0;
  return ce::kInvalidFileSize;
}

long AbsentDevice::CeRegOpenKeyEx(CeRegKey, const std::u16string&, CeRegKey* key) {
  *key = 0;
  return static_cast<long>(error::kDeviceNotConnected);
}

std::uint32_t AbsentDevice::CeGetTempPath(std::uint32_t, std::u16string* path) {
  path->clear();
  return 0;
}

}  // namespace vmt::platform
