// The services of the build pick the emulated data collector when asked to.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vmt::platform {
namespace {

void set_device_variable(const std::string& value) {
#ifdef _WIN32
  SetEnvironmentVariableA(kDeviceEnvironmentVariable, value.empty() ? nullptr : value.c_str());
#else
  if (value.empty()) {
    unsetenv(kDeviceEnvironmentVariable);
  } else {
    setenv(kDeviceEnvironmentVariable, value.c_str(), 1);
  }
#endif
}

TEST(PlatformServices, TheEnvironmentSelectsTheEmulatedDevice) {
  set_device_variable(test::source_path("examples/demo-device"));
  auto services = make_platform_services();
  set_device_variable("");
  Platform platform = services->platform();
  RapiInit init;
  ASSERT_EQ(0, platform.device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, platform.device.WaitForInitEvent(&init, 1000));
  CeFindData data;
  EXPECT_NE(kCeInvalidHandle,
            platform.device.CeFindFirstFile(u"\\My Documents\\Plotwise Projects\\*.*", &data));
  EXPECT_EQ(0, platform.device.CeRapiUninit());
}

TEST(PlatformServices, WithoutAnEmulatedDeviceNoDataCollectorAnswers) {
  set_device_variable("");
  auto services = make_platform_services();
  Platform platform = services->platform();
  RapiInit init;
  // No ActiveSync here: the library is missing (Windows) or no device is attached (Linux).
  if (platform.device.CeRapiInitEx(&init) == 0) {
    EXPECT_NE(0u, platform.device.WaitForInitEvent(&init, 10));
  }
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, platform.device.CeFindFirstFile(u"\\*.*", &data));
}

}  // namespace
}  // namespace vmt::platform
