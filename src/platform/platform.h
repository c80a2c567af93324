// The platform services of one run, handed to the logic by reference. The
// logic reaches the world only through these interfaces.
#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/desktop_files.h"
#include "platform/desktop_windows.h"
#include "platform/device.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell.h"

namespace vmt::platform {

struct Platform {
  Registry& registry;
  DesktopFiles& files;
  Shell& shell;
  DesktopWindows& windows;
  Clock& clock;
  Device& device;
  ResourceLoader& resources;
};

// Owns the services of this build. The device is the emulator when the
// environment variable VMTRANSFER_DEVICE names an emulated device folder;
// otherwise it is rapi.dll on Windows and an absent device on Linux.
class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  virtual Platform platform() = 0;
};

std::unique_ptr<PlatformServices> make_platform_services();

// The environment variable that selects the emulated data collector.
constexpr const char* kDeviceEnvironmentVariable = "VMTRANSFER_DEVICE";

}  // namespace vmt::platform
