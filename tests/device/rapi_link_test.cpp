// The connection code over the loader of rapi.dll, with the stand-in library
// that serves an emulated data collector: the Windows path end to end.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include "device/device_link.h"
#include "platform/common/utf.h"
#include "platform/win32/rapi_device.h"
#include "support/fake_rapi_library.h"
#include "platform/win32/win32_clock.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::device {
namespace {

TEST(RapiLink, ConnectsAndFindsTheProjectsFolderThroughTheLibrary) {
  test::FakePlatform fake;
  fake.folder.write_file("device/registry.reg",
                         "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\r\n"
                         "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\r\n"
                         "\"StatusRunning\"=\"NO\"\r\n");
  fake.folder.write_file("device/fs/Program Files/Plotwise/Programs/vmark.ini",
                         "[Settings]\r\nDataPath=\\My Documents\\Jobs\r\n");
  fake.folder.write_file("device/fs/My Documents/Jobs/Job 1/a.raw", "raw");
  fake.folder.write_file("device/fs/Temp/keep", "");
  const std::u16string where = platform::to_utf16(fake.folder.path("device"));
  SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", reinterpret_cast<const wchar_t*>(where.c_str()));

  platform::RapiDevice device(test::fake_rapi_library_path());
  ASSERT_TRUE(device.loaded());
  platform::SystemClock clock;
  platform::Platform platform{fake.registry, fake.platform().files, fake.shell, fake.windows,
                              clock,         device,                fake.resources};
  test::ScriptedMessageBoxes boxes;
  app::BuiltInStringTable table;
  app::MessageTexts texts(boxes, table);
  test::RecordingLog log;
  app::RunContext context(platform, boxes, log, texts);

  EXPECT_EQ(status::kSuccess, connect_to_device(context, true, true));
  EXPECT_TRUE(context.connected);
  EXPECT_EQ("\\My Documents\\Jobs", context.projects_folder);
  EXPECT_TRUE(find_file_on_device(context, "\\My Documents\\Jobs\\Job 1\\a.raw", false));
  EXPECT_EQ(status::kSuccess, disconnect_from_device(context));
  EXPECT_TRUE(boxes.shown.empty());
  SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", nullptr);
}

}  // namespace
}  // namespace vmt::device
#endif
