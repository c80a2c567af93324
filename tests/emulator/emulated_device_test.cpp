// The emulated data collector keeps the remote API's contracts where the copy
// engine's tests do not reach them: error codes, paths that would leave the
// device, storage cards, the file times kept between processes, the registry,
// and how each error mode reports a fault.
#include "platform/emulator/emulated_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/common/manual_clock.h"
#include "platform/common/utf.h"
#include "platform/emulator/absent_device.h"
#include "support/temp_folder.h"

namespace vmt::platform {
namespace {

constexpr std::uint32_t kReadWrite = ce::kGenericRead | ce::kGenericWrite;

class EmulatedDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write_file("device/fs/Data/Job1.raw", "raw data");
    folder_.write_file("device/fs/Data/Codes.CSV", "Code,Description\n");
    folder_.write_file("device/fs/Data/Sub/inner.txt", "inner");
  }
  void write_ini(const std::string& lines) {
    folder_.write_file("device/device.ini", "[Device]\n" + lines);
  }
  std::unique_ptr<EmulatedDevice> connect(const std::string& where = {}) {
    auto emulated =
        std::make_unique<EmulatedDevice>(where.empty() ? folder_.path("device") : where, clock_);
    RapiInit init;
    EXPECT_EQ(0, emulated->CeRapiInitEx(&init));
    EXPECT_EQ(0u, emulated->WaitForInitEvent(&init, 1000));
    return emulated;
  }
  CeHandle open(Device& device, const std::u16string& path, std::uint32_t how) {
    return device.CeCreateFile(path, how == ce::kOpenExisting ? ce::kGenericRead : kReadWrite, 0,
                               how, ce::kFileAttributeNormal);
  }
  static std::vector<std::string> names(Device& device, const std::u16string& pattern) {
    std::vector<std::string> found;
    CeFindData data;
    const CeHandle find = device.CeFindFirstFile(pattern, &data);
    if (find == kCeInvalidHandle) return found;
    do {
      found.push_back(to_utf8(data.cFileName));
    } while (device.CeFindNextFile(find, &data));
    EXPECT_EQ(error::kNoMoreFiles, device.CeGetLastError());
    EXPECT_TRUE(device.CeFindClose(find));
    return found;
  }
  FileTimes times(Device& device, const std::u16string& path) {
    CeFindData data;
    EXPECT_TRUE(device.CeFindClose(device.CeFindFirstFile(path, &data)));
    return {data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime};
  }

  test::TempFolder folder_;
  ManualClock clock_;
};

// The codes the program tells cases apart by, names in any case.
TEST_F(EmulatedDeviceTest, FilesAndFoldersGiveTheRemoteApisCodesWithoutRegardToCase) {
  folder_.write_file("device/fs/Data/Late.txt", "late");  // behind the emulator's back
  auto device = connect();
  EXPECT_EQ((std::vector<std::string>{"Codes.CSV", "Job1.raw", "Late.txt", "Sub"}),
            names(*device, u"\\data\\*.*"));
  EXPECT_EQ((std::vector<std::string>{"Late.txt"}), names(*device, u"\\DATA\\late.TXT"));
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\Data\\*.dxf", &data));
  EXPECT_EQ(error::kNoMoreFiles, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\Data\\missing.txt", &data));
  EXPECT_EQ(error::kFileNotFound, device->CeGetLastError());

  // An existing name is taken over whatever its case.
  CeHandle file = open(*device, u"\\data\\job1.RAW", ce::kCreateAlways);
  std::uint32_t count = 0;
  ASSERT_TRUE(device->CeWriteFile(file, "new", 3, &count));
  ASSERT_TRUE(device->CeCloseHandle(file));
  EXPECT_EQ("new", folder_.read_file("device/fs/Data/Job1.raw"));
  EXPECT_EQ(kCeInvalidHandle, open(*device, u"\\Data\\JOB1.raw", ce::kCreateNew));
  EXPECT_EQ(error::kFileExists, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, open(*device, u"\\Data\\Sub", ce::kOpenExisting));
  EXPECT_EQ(error::kAccessDenied, device->CeGetLastError());
  EXPECT_FALSE(device->CeCreateDirectory(u"\\data\\SUB"));
  EXPECT_EQ(error::kAlreadyExists, device->CeGetLastError());
  EXPECT_FALSE(device->CeDeleteFile(u"\\Data\\none.txt"));
  EXPECT_EQ(error::kFileNotFound, device->CeGetLastError());
  // A move never replaces a file; into a folder it goes whole.
  EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Sub\\INNER.txt"));
  EXPECT_EQ(error::kAlreadyExists, device->CeGetLastError());
  EXPECT_TRUE(device->CeMoveFile(u"\\Data\\job1.raw", u"\\Data\\Sub\\Moved.raw"));
  EXPECT_EQ(ce::kInvalidFileAttributes, device->CeGetFileAttributes(u"\\DATA\\JOB1.RAW"));
  EXPECT_EQ("new", folder_.read_file("device/fs/Data/Sub/Moved.raw"));
}

TEST_F(EmulatedDeviceTest, PathsThatWouldLeaveTheDeviceAreRefused) {
  folder_.write_file("outside.txt", "secret");
  auto device = connect();
  for (const std::u16string& path :
       {std::u16string(u"\\..\\..\\outside.txt"), std::u16string(u"\\Data\\..\\..\\x"),
        std::u16string(u"C:\\outside.txt"), std::u16string(u"\\Data/../../outside.txt"),
        std::u16string(u"relative.txt"), std::u16string(u"\\Data\\a\0b", 10)}) {
    EXPECT_EQ(kCeInvalidHandle, open(*device, path, ce::kOpenExisting));
    EXPECT_EQ(error::kBadPathName, device->CeGetLastError());
  }
  EXPECT_FALSE(device->CeDeleteFile(u"\\..\\outside.txt"));
  EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\..\\..\\moved.txt"));
  EXPECT_EQ("secret", folder_.read_file("outside.txt"));
  EXPECT_EQ(kCeInvalidHandle, open(*device, u"\\" + std::u16string(260, u'n'), ce::kCreateAlways));
  EXPECT_EQ(error::kFilenameExcedRange, device->CeGetLastError());
}

// A storage card is a folder of the root that Windows CE marks, with every
// folder on it, as temporary; its FAT keeps the last write to two seconds
// (rounded up), the creation to ten milliseconds and the last access to the day.
TEST_F(EmulatedDeviceTest, AStorageCardIsMarkedAndKeepsFatTimes) {
  folder_.write_file("device/fs/SD Card/Jobs/a.raw", "a");
  write_ini("StorageCards=Storage Card;SD Card\n");
  auto device = connect();
  EXPECT_EQ(attr::kDirectory | attr::kTemporary, device->CeGetFileAttributes(u"\\sd card"));
  EXPECT_EQ(attr::kDirectory | attr::kTemporary, device->CeGetFileAttributes(u"\\SD Card\\Jobs"));
  EXPECT_EQ(attr::kArchive, device->CeGetFileAttributes(u"\\SD Card\\Jobs\\a.raw"));
  EXPECT_EQ(attr::kDirectory, device->CeGetFileAttributes(u"\\Data"));

  const FileTimes set{130000000001234567ULL, 130000000007654321ULL, 130000000010000001ULL};
  for (const char16_t* path : {u"\\SD Card\\Jobs\\t.raw", u"\\Data\\t.raw"}) {
    const CeHandle file = open(*device, path, ce::kCreateAlways);
    ASSERT_TRUE(device->CeSetFileTime(file, &set.creation, &set.last_access, &set.last_write));
    FileTimes kept;
    ASSERT_TRUE(device->CeGetFileTime(file, &kept.creation, &kept.last_access, &kept.last_write));
    device->CeCloseHandle(file);
    if (path[1] == u'S') {
      EXPECT_EQ(130000000001200000ULL, kept.creation);
      EXPECT_EQ(129999168000000000ULL, kept.last_access);  // midnight of that day
      EXPECT_EQ(130000000020000000ULL, kept.last_write);
    } else {
      EXPECT_EQ(set, kept);
    }
  }
}

// The file times are a journal that every change is appended to at once: a
// second process sees them before the first has closed its connection, a line
// cut short by a process that died is never applied, and the journal is
// rewritten whole before it outgrows what it describes. A file written and
// closed without times set takes the device's clock.
TEST_F(EmulatedDeviceTest, TheFileTimesJournalKeepsEveryFinishedChange) {
  write_ini("ClockOffsetSeconds=3600\n");
  auto first = connect();
  const FileTimes set{130000000001234567ULL, 130000000007654321ULL, 130000000009999999ULL};
  CeHandle file = open(*first, u"\\Data\\Job1.raw", ce::kOpenAlways);
  ASSERT_TRUE(first->CeSetFileTime(file, &set.creation, &set.last_access, &set.last_write));
  ASSERT_TRUE(first->CeCloseHandle(file));
  ASSERT_TRUE(first->CeMoveFile(u"\\Data", u"\\Moved"));
  clock_.advance_seconds(10);
  file = open(*first, u"\\Moved\\probe.txt", ce::kCreateAlways);
  std::uint32_t written = 0;
  ASSERT_TRUE(first->CeWriteFile(file, "probe", 5, &written));
  ASSERT_TRUE(first->CeCloseHandle(file));

  auto second = connect();
  EXPECT_EQ(set, times(*second, u"\\Moved\\Job1.raw"));
  EXPECT_EQ(clock_.utc_now() + 3600 * kTicksPerSecond,
            times(*second, u"\\Moved\\probe.txt").last_write);
  second->CeRapiUninit();

  // A change cut short: the line without its end is not taken.
  std::ofstream(std::filesystem::u8path(folder_.path("device/filetimes.txt")),
                std::ios::binary | std::ios::app)
      << "\\moved\\job1.raw\t1\t2";
  auto third = connect();
  EXPECT_EQ(set, times(*third, u"\\Moved\\Job1.raw"));

  for (int i = 0; i < 3000; ++i) {
    const FileTimeTicks when = 130000000000000000ULL + static_cast<FileTimeTicks>(i);
    file = open(*third, u"\\Moved\\Job1.raw", ce::kOpenAlways);
    third->CeSetFileTime(file, &when, &when, &when);
    third->CeCloseHandle(file);
  }
  const std::string journal = folder_.read_file("device/filetimes.txt");
  EXPECT_LT(std::count(journal.begin(), journal.end(), '\n'), 300);
  EXPECT_EQ(130000000000000000ULL + 2999, times(*connect(), u"\\Moved\\Job1.raw").last_write);
}

// The device's own faults (write faults and a full disk are driven through the
// copy engine): the same in both modes, except that the real link hands over
// the bytes before a read fault and fails the read after.
TEST_F(EmulatedDeviceTest, ReadAndOpenFaultsInBothModes) {
  folder_.write_file("device/fs/Data/long.bin", std::string(10000, 'L'));
  for (const bool real : {false, true}) {
    SCOPED_TRACE(real ? "real" : "ideal");
    const std::string mode = real ? "RapiErrors=real\n" : "";
    write_ini(mode + "FailReadAfterBytes=5000\nFailOpen=JOB1.RAW\n");
    auto device = connect();
    // A file in use on the device: not opened, deleted or moved.
    EXPECT_EQ(kCeInvalidHandle, open(*device, u"\\Data\\Job1.raw", ce::kOpenExisting));
    EXPECT_EQ(error::kSharingViolation, device->CeGetLastError());
    EXPECT_EQ(kCeInvalidHandle, open(*device, u"\\Data\\job1.raw", ce::kCreateAlways));
    EXPECT_FALSE(device->CeDeleteFile(u"\\Data\\Job1.raw"));
    EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Job2.raw"));
    EXPECT_EQ(error::kSharingViolation, device->CeGetLastError());

    const CeHandle file = open(*device, u"\\Data\\long.bin", ce::kOpenExisting);
    char buffer[4096];
    std::uint32_t count = 0;
    ASSERT_TRUE(device->CeReadFile(file, buffer, 4096, &count));
    if (real) {
      ASSERT_TRUE(device->CeReadFile(file, buffer, 4096, &count));
      EXPECT_EQ(5000u - 4096u, count);
    }
    EXPECT_FALSE(device->CeReadFile(file, buffer, 4096, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(error::kReadFault, device->CeGetLastError());
    EXPECT_EQ(ce::kSOk, device->CeRapiGetError());  // the device's fault, not the link's
    device->CeCloseHandle(file);
  }
}

// A pulled cable: the ideal mode says 1167 from CeGetLastError; the real one
// fails in the remote API itself and leaves the device's last code as it was.
TEST_F(EmulatedDeviceTest, APulledCableFailsCallsAsTheModeReportsIt) {
  folder_.write_file("device/fs/big.bin", std::string(3 * 4096, 'b'));
  for (const bool real : {false, true}) {
    SCOPED_TRACE(real ? "real" : "ideal");
    const std::string mode = real ? "RapiErrors=real\n" : "";
    write_ini(mode + "UnplugAfterBytes=6000\n");
    auto device = connect();
    EXPECT_EQ(3u, names(*device, u"\\Data\\*.*").size());  // leaves 18 as the last code
    const CeHandle file = open(*device, u"\\big.bin", ce::kOpenExisting);
    char buffer[4096];
    std::uint32_t read = 0;
    ASSERT_TRUE(device->CeReadFile(file, buffer, sizeof buffer, &read));
    ASSERT_TRUE(device->CeReadFile(file, buffer, sizeof buffer, &read));
    EXPECT_EQ(real ? 6000u - 4096u : 4096u, read);
    EXPECT_FALSE(device->CeReadFile(file, buffer, sizeof buffer, &read));
    CeRegKey key = 0;
    const long registry = device->CeRegOpenKeyEx(kCeHkeyLocalMachine, u"SOFTWARE", &key);
    if (real) {
      EXPECT_EQ(kRapiLinkLost, device->CeRapiGetError());
      EXPECT_EQ(error::kNoMoreFiles, device->CeGetLastError());
      EXPECT_EQ(static_cast<long>(kRapiLinkLost), registry);
    } else {
      EXPECT_EQ(ce::kSOk, device->CeRapiGetError());
      EXPECT_EQ(error::kDeviceNotConnected, device->CeGetLastError());
      EXPECT_EQ(static_cast<long>(error::kDeviceNotConnected), registry);
    }
    EXPECT_EQ(0, device->CeRapiUninit());
    // Plugged in again at the next connection; device.ini is read at each
    // call that starts an operation, so a cable pulled there shows at once.
    device = connect();
    EXPECT_EQ(3u, names(*device, u"\\Data\\*.*").size());
    write_ini(mode + "Present=0\n");
    CeFindData data;
    EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\*.*", &data));
    EXPECT_EQ(real ? kRapiLinkLost : ce::kSOk, device->CeRapiGetError());
  }
  // No connection made, or no device at all: nothing answers.
  EmulatedDevice unconnected(folder_.path("device"), clock_);
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, unconnected.CeFindFirstFile(u"\\*.*", &data));
  EXPECT_EQ(error::kDeviceNotConnected, unconnected.CeGetLastError());
  AbsentDevice absent;
  RapiInit init;
  EXPECT_EQ(0, absent.CeRapiInitEx(&init));
  EXPECT_EQ(ce::kWaitTimeout, absent.WaitForInitEvent(&init, 1000));
}

// The registry's codes, and the demo device's settings that name a projects
// folder that exists.
TEST_F(EmulatedDeviceTest, TheRegistryGivesItsCodesAndTheDemoDeviceItsProjects) {
  folder_.write_file("device/registry.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\r\n"
                     "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\r\n");
  auto device = connect();
  CeRegKey key = 0;
  EXPECT_EQ(2, device->CeRegOpenKeyEx(kCeHkeyLocalMachine, u"SOFTWARE\\Nobody", &key));
  EXPECT_EQ(87, device->CeRegOpenKeyEx(0x80000001, u"SOFTWARE", &key));
  ASSERT_EQ(0, device->CeRegOpenKeyEx(kCeHkeyLocalMachine,
                                      u"software\\veldmark software, inc.\\PLOTWISE", &key));
  std::uint32_t type = 0;
  std::uint32_t size = 4;
  char16_t text[260] = {};
  EXPECT_EQ(234, device->CeRegQueryValueEx(key, u"InstallLoc", &type, text, &size));
  EXPECT_EQ(2u * (std::u16string(u"\\Program Files\\Plotwise").size() + 1), size);
  EXPECT_EQ(2, device->CeRegQueryValueEx(key, u"StatusRunning", &type, text, &size));
  EXPECT_EQ(0, device->CeRegCloseKey(key));

  auto demo = connect(test::source_path("examples/demo-device"));
  ASSERT_EQ(0, demo->CeRegOpenKeyEx(kCeHkeyLocalMachine,
                                    u"SOFTWARE\\Veldmark Software, Inc.\\Plotwise", &key));
  size = sizeof text;
  ASSERT_EQ(0, demo->CeRegQueryValueEx(key, u"InstallLoc", &type, text, &size));
  EXPECT_EQ(1u, type);
  CeFindData data;
  EXPECT_NE(kCeInvalidHandle,
            demo->CeFindFirstFile(std::u16string(text) + u"\\Programs\\vmark.ini", &data));
  EXPECT_NE(kCeInvalidHandle,
            demo->CeFindFirstFile(u"\\My Documents\\Plotwise Projects\\*.csv", &data));
}

}  // namespace
}  // namespace vmt::platform
