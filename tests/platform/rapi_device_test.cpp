// The loader of rapi.dll drives a library with the remote API's exports: here
// one of our own that serves the emulated data collector.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/common/utf.h"
#include "platform/win32/rapi_device.h"
#include "support/fake_rapi_library.h"
#include "support/temp_folder.h"

namespace vmt::platform {
namespace {

TEST(RapiDevice, AMissingLibraryIsADeviceThatIsNotThere) {
  RapiDevice device(L"no_such_rapi_library.dll");
  EXPECT_FALSE(device.loaded());
  RapiInit init;
  EXPECT_EQ(ce::kEFail, device.CeRapiInitEx(&init));
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, device.CeFindFirstFile(u"\\*.*", &data));
  EXPECT_EQ(error::kDeviceNotConnected, device.CeGetLastError());
}

TEST(RapiDevice, DrivesTheLibraryThroughItsExports) {
  test::TempFolder folder;
  folder.write_file("device/fs/Data/a.txt", "alpha");
  folder.write_file("device/registry.reg",
                    "Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"Name\"=\"value\"\r\n");
  const std::u16string where = to_utf16(folder.path("device"));
  SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", reinterpret_cast<const wchar_t*>(where.c_str()));

  RapiDevice device(test::fake_rapi_library_path());
  ASSERT_TRUE(device.loaded());
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));

  std::vector<CeFindData> found;
  ASSERT_TRUE(device.CeFindAllFiles(u"\\Data\\*.*", 0x81, &found));
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(u"a.txt", found[0].cFileName);

  const CeHandle file = device.CeCreateFile(u"\\Data\\b.txt", ce::kGenericRead | ce::kGenericWrite,
                                            0, ce::kCreateAlways, ce::kFileAttributeNormal);
  ASSERT_NE(kCeInvalidHandle, file);
  std::uint32_t written = 0;
  ASSERT_TRUE(device.CeWriteFile(file, "bravo", 5, &written));
  const FileTimeTicks when = 129745000000000000ULL;
  ASSERT_TRUE(device.CeSetFileTime(file, &when, &when, &when));
  ASSERT_TRUE(device.CeCloseHandle(file));
  EXPECT_EQ("bravo", folder.read_file("device/fs/Data/b.txt"));

  CeFindData data;
  const CeHandle find = device.CeFindFirstFile(u"\\Data\\b.txt", &data);
  ASSERT_NE(kCeInvalidHandle, find);
  EXPECT_EQ(when, data.ftLastWriteTime);
  EXPECT_EQ(5u, data.nFileSizeLow);
  device.CeFindClose(find);
  EXPECT_EQ(kCeInvalidHandle, device.CeFindFirstFile(u"\\Data\\zzz.txt", &data));
  EXPECT_EQ(error::kFileNotFound, device.CeGetLastError());

  CeRegKey key = 0;
  ASSERT_EQ(0, device.CeRegOpenKeyEx(kCeHkeyLocalMachine, u"SOFTWARE\\Test", &key));
  char16_t value[64] = {};
  std::uint32_t type = 0, size = sizeof value;
  ASSERT_EQ(0, device.CeRegQueryValueEx(key, u"Name", &type, value, &size));
  EXPECT_EQ(u"value", std::u16string(value));
  device.CeRegCloseKey(key);

  std::u16string temp;
  EXPECT_EQ(6u, device.CeGetTempPath(260, &temp));
  EXPECT_EQ(u"\\Temp\\", temp);
  EXPECT_EQ(0, device.CeRapiUninit());
  SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", nullptr);
}

}  // namespace
}  // namespace vmt::platform
#endif
