// The platform services of the Linux build.
#include <cstdlib>
#include <memory>

#include "platform/emulator/absent_device.h"
#include "platform/emulator/emulated_device.h"
#include "platform/platform.h"
#include "platform/posix/posix_resources.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_windows.h"

namespace vmt::platform {

namespace {

class PosixServices : public PlatformServices {
 public:
  PosixServices()
      : registry_(PosixRegistry::default_store_folder()),
        shell_(PosixShellFolders::from_environment()) {
    const char* folder = std::getenv(kDeviceEnvironmentVariable);
    if (folder && *folder) {
      device_ = std::make_unique<EmulatedDevice>(folder, clock_);
    } else {
      device_ = std::make_unique<AbsentDevice>();
    }
  }

  Platform platform() override {
    return Platform{registry_, files_, shell_, windows_, clock_, *device_, resources_};
  }

 private:
  SystemClock clock_;
  PosixRegistry registry_;
  PosixDesktopFiles files_;
  PosixShell shell_;
  PosixDesktopWindows windows_;
  std::unique_ptr<Device> device_;
  PosixResourceLoader resources_;
};

}  // namespace

std::unique_ptr<PlatformServices> make_platform_services() {
  return std::make_unique<PosixServices>();
}

}  // namespace vmt::platform
