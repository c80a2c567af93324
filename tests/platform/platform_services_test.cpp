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
  value.empty() ? unsetenv(kDeviceEnvironmentVariable)
                : setenv(kDeviceEnvironmentVariable, value.c_str(), 1);
#endif
}

TEST(PlatformServices, TheEnvironmentSelectsTheEmulatedDeviceAndWithoutItNoneAnswers) {
  for (const bool emulated : {true, false}) {
    SCOPED_TRACE(emulated);
    set_device_variable(emulated ? test::source_path("examples/demo-device") : "");
    auto services = make_platform_services();
    set_device_variable("");
    Device& device = services->platform().device;
    RapiInit init;
    CeFindData data;
    if (emulated) {
      ASSERT_EQ(0, device.CeRapiInitEx(&init));
      ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));
      EXPECT_NE(kCeInvalidHandle,
                device.CeFindFirstFile(u"\\My Documents\\Plotwise Projects\\*.*", &data));
      EXPECT_EQ(0, device.CeRapiUninit());
    } else {
      // No ActiveSync here: the library is missing (Windows) or no device is attached (Linux).
      if (device.CeRapiInitEx(&init) == 0) {
        EXPECT_NE(0u, device.WaitForInitEvent(&init, 10));
      }
      EXPECT_EQ(kCeInvalidHandle, device.CeFindFirstFile(u"\\*.*", &data));
    }
  }
}

}  // namespace
}  // namespace vmt::platform
