// The platform services of the Windows build.
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/common/utf.h"
#include "platform/emulator/emulated_device.h"
#include "platform/platform.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/rapi_device.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_windows.h"

namespace vmt::platform {

namespace {

// The emulated device folder named by the environment, or empty.
std::string emulated_device_folder() {
  const std::u16string name = to_utf16(kDeviceEnvironmentVariable);
  const wchar_t* wide_name = reinterpret_cast<const wchar_t*>(name.c_str());
  const DWORD length = GetEnvironmentVariableW(wide_name, nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> value(length);
  const DWORD copied = GetEnvironmentVariableW(wide_name, value.data(), length);
  if (copied == 0 || copied >= length) return {};
  return to_utf8(std::u16string(value.begin(), value.begin() + copied));
}

class Win32Services : public PlatformServices {
 public:
  Win32Services() {
    const std::string folder = emulated_device_folder();
    if (!folder.empty()) {
      device_ = std::make_unique<EmulatedDevice>(folder, clock_);
    } else {
      device_ = std::make_unique<RapiDevice>();
    }
  }

  Platform platform() override {
    return Platform{registry_, files_, shell_, windows_, clock_, *device_, resources_};
  }

 private:
  SystemClock clock_;
  Win32Registry registry_;
  Win32DesktopFiles files_;
  Win32Shell shell_;
  Win32DesktopWindows windows_;
  std::unique_ptr<Device> device_;
  Win32ResourceLoader resources_;
};

}  // namespace

std::unique_ptr<PlatformServices> make_platform_services() {
  return std::make_unique<Win32Services>();
}

}  // namespace vmt::platform
