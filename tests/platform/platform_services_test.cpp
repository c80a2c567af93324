// The services of the build pick the emulated data collector when asked to,
// and the emulated one never reaches out of its folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/common/manual_clock.h"
#include "platform/emulator/emulated_device.h"
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

#ifndef _WIN32
// Links inside the device's folder that point out of it are never followed.
TEST(EmulatedDevice, RefusesLinksOutOfItsFolder) {
  namespace fs = std::filesystem;
  test::TempFolder folder;
  folder.write_file("outside/secret.txt", "secret");
  folder.write_file("device/fs/Data/inner.txt", "inner");
  fs::create_directory_symlink(fs::u8path(folder.path("outside")),
                               fs::u8path(folder.path("device/fs/Data/Link out")));
  fs::create_symlink(fs::u8path(folder.path("outside/secret.txt")),
                     fs::u8path(folder.path("device/fs/secret.txt")));
  ManualClock clock;
  EmulatedDevice device(folder.path("device"), clock);
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));
  for (const char16_t* path :
       {u"\\Data\\Link out\\secret.txt", u"\\SECRET.TXT", u"\\data\\link OUT\\secret.txt"}) {
    EXPECT_EQ(kCeInvalidHandle,
              device.CeCreateFile(path, ce::kGenericRead, 0, ce::kOpenExisting, 0));
    EXPECT_EQ(error::kBadPathName, device.CeGetLastError());
  }
  EXPECT_FALSE(device.CeCreateDirectory(u"\\Data\\Link out\\made"));
  EXPECT_FALSE(fs::exists(fs::u8path(folder.path("outside/made"))));
  std::vector<CeFindData> found;
  EXPECT_FALSE(device.CeFindAllFiles(u"\\Data\\Link out\\*.*", 0xBF, &found));
  ASSERT_TRUE(device.CeFindAllFiles(u"\\Data\\*.*", 0xBF, &found));
  ASSERT_EQ(found.size(), 1u);  // the link itself is not listed
  EXPECT_EQ(found[0].cFileName, u"inner.txt");
}
#endif

}  // namespace
}  // namespace vmt::platform
