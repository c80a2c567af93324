// The emulated data collector keeps the remote API's contracts, and its faults
// happen where a test asks for them.
#include "platform/emulator/emulated_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
    folder_.write_file("device/registry.reg",
                       "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\r\n"
                       "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\r\n"
                       "\"Count\"=dword:0000002a\r\n");
  }

  void write_ini(const std::string& lines) {
    folder_.write_file("device/device.ini", "[Device]\n" + lines);
  }

  std::unique_ptr<EmulatedDevice> connect() {
    auto device = std::make_unique<EmulatedDevice>(folder_.path("device"), clock_);
    RapiInit init;
    EXPECT_EQ(0, device->CeRapiInitEx(&init));
    EXPECT_EQ(0u, device->WaitForInitEvent(&init, 1000));
    return device;
  }

  static std::string read_all(Device& device, const std::u16string& path) {
    const CeHandle file = device.CeCreateFile(path, ce::kGenericRead, 0, ce::kOpenExisting,
                                              ce::kFileAttributeNormal);
    if (file == kCeInvalidHandle) return "<cannot open>";
    std::string contents;
    char buffer[4096];
    std::uint32_t read = 0;
    while (device.CeReadFile(file, buffer, sizeof buffer, &read) && read > 0) {
      contents.append(buffer, read);
    }
    device.CeCloseHandle(file);
    return contents;
  }

  static bool write_all(Device& device, const std::u16string& path, const std::string& data) {
    const CeHandle file =
        device.CeCreateFile(path, kReadWrite, 0, ce::kCreateAlways, ce::kFileAttributeNormal);
    if (file == kCeInvalidHandle) return false;
    std::uint32_t written = 0;
    const bool ok = device.CeWriteFile(file, data.data(), static_cast<std::uint32_t>(data.size()),
                                       &written) &&
                    written == data.size();
    return device.CeCloseHandle(file) && ok;
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

  test::TempFolder folder_;
  ManualClock clock_;
};

TEST_F(EmulatedDeviceTest, ConnectionStatesOfDeviceIni) {
  {
    write_ini("Present=0\n");
    EmulatedDevice device(folder_.path("device"), clock_);
    RapiInit init;
    EXPECT_EQ(0, device.CeRapiInitEx(&init));
    EXPECT_EQ(ce::kWaitTimeout, device.WaitForInitEvent(&init, 1000));
    CeFindData data;
    EXPECT_EQ(kCeInvalidHandle, device.CeFindFirstFile(u"\\*.*", &data));
    EXPECT_EQ(error::kDeviceNotConnected, device.CeGetLastError());
  }
  {
    write_ini("InitFails=1\n");
    EmulatedDevice device(folder_.path("device"), clock_);
    RapiInit init;
    EXPECT_EQ(ce::kEFail, device.CeRapiInitEx(&init));
  }
  {
    write_ini("WaitFails=1\n");
    EmulatedDevice device(folder_.path("device"), clock_);
    RapiInit init;
    EXPECT_EQ(0, device.CeRapiInitEx(&init));
    EXPECT_EQ(ce::kWaitFailed, device.WaitForInitEvent(&init, 1000));
  }
  {
    EmulatedDevice device(folder_.path("device"), clock_);
    CeFindData data;
    EXPECT_EQ(kCeInvalidHandle, device.CeFindFirstFile(u"\\*.*", &data));
    EXPECT_EQ(error::kDeviceNotConnected, device.CeGetLastError());
  }
  AbsentDevice absent;
  RapiInit init;
  EXPECT_EQ(0, absent.CeRapiInitEx(&init));
  EXPECT_EQ(ce::kWaitTimeout, absent.WaitForInitEvent(&init, 1000));
}

TEST_F(EmulatedDeviceTest, FindsWithPatternsWithoutRegardToCase) {
  auto device = connect();
  EXPECT_EQ((std::vector<std::string>{"Codes.CSV", "Job1.raw", "Sub"}),
            names(*device, u"\\data\\*.*"));
  EXPECT_EQ((std::vector<std::string>{"Codes.CSV"}), names(*device, u"\\DATA\\*.csv"));
  EXPECT_EQ((std::vector<std::string>{"Sub"}), names(*device, u"\\Data\\sub"));

  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\Data\\*.dxf", &data));
  EXPECT_EQ(error::kNoMoreFiles, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\Nowhere\\*.*", &data));
  EXPECT_EQ(error::kPathNotFound, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, device->CeFindFirstFile(u"\\Data\\missing.txt", &data));
  EXPECT_EQ(error::kFileNotFound, device->CeGetLastError());

  ASSERT_NE(kCeInvalidHandle, device->CeFindFirstFile(u"\\Data\\Job1.raw", &data));
  EXPECT_EQ(8u, data.nFileSizeLow);
  EXPECT_EQ(attr::kArchive, data.dwFileAttributes);
  EXPECT_EQ(u"Job1.raw", data.cFileName);

  // Names the emulator made, and one put there behind its back, in any case.
  ASSERT_TRUE(device->CeMoveFile(u"\\data\\job1.RAW", u"\\Data\\Moved.raw"));
  EXPECT_EQ(attr::kArchive, device->CeGetFileAttributes(u"\\DATA\\MOVED.RAW"));
  EXPECT_EQ(ce::kInvalidFileAttributes, device->CeGetFileAttributes(u"\\DATA\\JOB1.RAW"));
  folder_.write_file("device/fs/Data/Late.txt", "late");
  device = connect();
  ASSERT_NE(kCeInvalidHandle, device->CeFindFirstFile(u"\\data\\LATE.TXT", &data));
  EXPECT_EQ(u"Late.txt", data.cFileName);
}

TEST_F(EmulatedDeviceTest, FindAllFilesGivesAttributesAndNamesAndMarksHiddenFolders) {
  folder_.write_file("device/fs/Data/.hidden/x.txt", "x");
  auto device = connect();
  std::vector<CeFindData> found;
  ASSERT_TRUE(device->CeFindAllFiles(u"\\Data\\*.*", ce::kFafAttributes | ce::kFafName, &found));
  ASSERT_EQ(4u, found.size());
  EXPECT_EQ(u".hidden", found[0].cFileName);
  EXPECT_EQ(attr::kDirectory | attr::kHidden, found[0].dwFileAttributes);
  EXPECT_EQ(u"Sub", found[3].cFileName);
  EXPECT_EQ(attr::kDirectory, found[3].dwFileAttributes);
  EXPECT_EQ(0u, found[1].nFileSizeLow);  // not asked for
  EXPECT_FALSE(device->CeFindAllFiles(u"\\Gone\\*.*", 0x81, &found));
}

TEST_F(EmulatedDeviceTest, PathsThatWouldLeaveTheDeviceAreRefused) {
  folder_.write_file("outside.txt", "secret");
  auto device = connect();
  for (const std::u16string& path :
       {std::u16string(u"\\..\\..\\outside.txt"), std::u16string(u"\\Data\\..\\..\\x"),
        std::u16string(u"C:\\outside.txt"), std::u16string(u"\\Data/../../outside.txt"),
        std::u16string(u"relative.txt"), std::u16string(u"\\Data\\a\0b", 10)}) {
    EXPECT_EQ(kCeInvalidHandle, device->CeCreateFile(path, ce::kGenericRead, 0,
                                                     ce::kOpenExisting, 0));
    EXPECT_EQ(error::kBadPathName, device->CeGetLastError());
  }
  EXPECT_FALSE(device->CeDeleteFile(u"\\..\\outside.txt"));
  EXPECT_EQ("secret", folder_.read_file("outside.txt"));
  EXPECT_EQ(kCeInvalidHandle,
            device->CeCreateFile(u"\\" + std::u16string(260, u'n'), kReadWrite, 0,
                                 ce::kCreateAlways, 0));
  EXPECT_EQ(error::kFilenameExcedRange, device->CeGetLastError());
}

TEST_F(EmulatedDeviceTest, FilesAreCreatedReadAndWrittenAsOnTheDevice) {
  auto device = connect();
  EXPECT_EQ("raw data", read_all(*device, u"\\DATA\\JOB1.RAW"));
  ASSERT_TRUE(write_all(*device, u"\\data\\New File.txt", "hello"));
  EXPECT_EQ("hello", folder_.read_file("device/fs/Data/New File.txt"));
  ASSERT_TRUE(write_all(*device, u"\\Data\\new file.TXT", "replaced"));
  EXPECT_EQ("replaced", folder_.read_file("device/fs/Data/New File.txt"));

  EXPECT_EQ(kCeInvalidHandle, device->CeCreateFile(u"\\Data\\Job1.raw", kReadWrite, 0,
                                                   ce::kCreateNew, 0));
  EXPECT_EQ(error::kFileExists, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, device->CeCreateFile(u"\\Data\\Sub", ce::kGenericRead, 0,
                                                   ce::kOpenExisting, 0));
  EXPECT_EQ(error::kAccessDenied, device->CeGetLastError());
  EXPECT_EQ(kCeInvalidHandle, device->CeCreateFile(u"\\Missing\\a.txt", kReadWrite, 0,
                                                   ce::kCreateAlways, 0));
  EXPECT_EQ(error::kPathNotFound, device->CeGetLastError());

  const CeHandle reader = device->CeCreateFile(u"\\Data\\Job1.raw", ce::kGenericRead, 0,
                                               ce::kOpenExisting, 0);
  std::uint32_t written = 0;
  EXPECT_FALSE(device->CeWriteFile(reader, "x", 1, &written));
  EXPECT_EQ(error::kAccessDenied, device->CeGetLastError());
  EXPECT_TRUE(device->CeCloseHandle(reader));
  EXPECT_FALSE(device->CeCloseHandle(reader));
  EXPECT_EQ(error::kInvalidHandle, device->CeGetLastError());
}

TEST_F(EmulatedDeviceTest, FoldersDeleteAndMove) {
  auto device = connect();
  EXPECT_TRUE(device->CeCreateDirectory(u"\\Data\\Project 2"));
  EXPECT_FALSE(device->CeCreateDirectory(u"\\data\\project 2"));
  EXPECT_EQ(error::kAlreadyExists, device->CeGetLastError());
  EXPECT_FALSE(device->CeCreateDirectory(u"\\No\\Such"));
  EXPECT_EQ(error::kPathNotFound, device->CeGetLastError());

  EXPECT_FALSE(device->CeDeleteFile(u"\\Data\\Sub"));
  EXPECT_EQ(error::kAccessDenied, device->CeGetLastError());
  EXPECT_FALSE(device->CeDeleteFile(u"\\Data\\none.txt"));
  EXPECT_EQ(error::kFileNotFound, device->CeGetLastError());
  EXPECT_TRUE(device->CeDeleteFile(u"\\Data\\codes.csv"));
  EXPECT_EQ((std::vector<std::string>{"Job1.raw", "Project 2", "Sub"}),
            names(*device, u"\\Data\\*.*"));

  EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Sub\\inner.txt"));
  EXPECT_EQ(error::kAlreadyExists, device->CeGetLastError());
  EXPECT_TRUE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Sub\\Job1.raw"));
  EXPECT_EQ("raw data", read_all(*device, u"\\Data\\Sub\\Job1.raw"));
}

TEST_F(EmulatedDeviceTest, AllThreeTimesRoundTripExactlyAndWritesTakeTheDeviceClock) {
  write_ini("ClockOffsetSeconds=3600\n");
  auto device = connect();
  const FileTimes set{130000000001234567ULL, 130000000007654321ULL, 130000000009999999ULL};
  CeHandle file = device->CeCreateFile(u"\\Data\\timed.txt", kReadWrite, 0, ce::kCreateAlways, 0);
  std::uint32_t written = 0;
  ASSERT_TRUE(device->CeWriteFile(file, "abc", 3, &written));
  ASSERT_TRUE(device->CeSetFileTime(file, &set.creation, &set.last_access, &set.last_write));
  ASSERT_TRUE(device->CeCloseHandle(file));

  auto again = connect();
  CeFindData data;
  ASSERT_NE(kCeInvalidHandle, again->CeFindFirstFile(u"\\Data\\timed.txt", &data));
  EXPECT_EQ(set.creation, data.ftCreationTime);
  EXPECT_EQ(set.last_access, data.ftLastAccessTime);
  EXPECT_EQ(set.last_write, data.ftLastWriteTime);

  // Written and closed without setting times: the device clock at close.
  clock_.advance_seconds(10);
  ASSERT_TRUE(again->CeCreateDirectory(u"\\Temp"));
  ASSERT_TRUE(write_all(*again, u"\\Temp\\probe.txt", "probe"));
  file = again->CeCreateFile(u"\\Temp\\probe.txt", ce::kGenericRead, 0, ce::kOpenExisting, 0);
  FileTimeTicks last_write = 0;
  ASSERT_TRUE(again->CeGetFileTime(file, nullptr, nullptr, &last_write));
  EXPECT_EQ(clock_.utc_now() + 3600 * kTicksPerSecond, last_write);
  again->CeCloseHandle(file);
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
  CeFindData card;
  device->CeFindClose(device->CeFindFirstFile(u"\\SD Card", &card));
  EXPECT_EQ(attr::kDirectory | attr::kTemporary, card.dwFileAttributes);

  const FileTimes set{130000000001234567ULL, 130000000007654321ULL, 130000000010000001ULL};
  for (const char16_t* path : {u"\\SD Card\\Jobs\\t.raw", u"\\Data\\t.raw"}) {
    const CeHandle file = device->CeCreateFile(path, kReadWrite, 0, ce::kCreateAlways, 0);
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

// Every write handle stores one wrong byte at the offset asked for, in
// whichever write reaches it; reading gives back what was stored.
TEST_F(EmulatedDeviceTest, CorruptWriteAtByteStoresOneWrongByteThere) {
  write_ini("CorruptWriteAtByte=5\n");
  auto device = connect();
  const CeHandle file =
      device->CeCreateFile(u"\\Data\\c.raw", kReadWrite, 0, ce::kCreateAlways, 0);
  std::uint32_t written = 0;
  ASSERT_TRUE(device->CeWriteFile(file, "0123", 4, &written));
  ASSERT_TRUE(device->CeWriteFile(file, "456789", 6, &written));
  ASSERT_TRUE(device->CeCloseHandle(file));
  const std::string stored = read_all(*device, u"\\Data\\c.raw");
  EXPECT_EQ(10u, stored.size());
  EXPECT_EQ("01234", stored.substr(0, 5));
  EXPECT_NE('5', stored[5]);
  EXPECT_EQ("6789", stored.substr(6));
  ASSERT_TRUE(write_all(*device, u"\\Data\\short.raw", "012"));
  EXPECT_EQ("012", read_all(*device, u"\\Data\\short.raw"));
}

TEST_F(EmulatedDeviceTest, ReadWriteAndDiskFaultsInBothModes) {
  folder_.write_file("device/fs/Data/long.bin", std::string(10000, 'L'));
  for (const bool real : {false, true}) {
    SCOPED_TRACE(real ? "real" : "ideal");
    write_ini(std::string(real ? "RapiErrors=real\n" : "") +
              "FailReadAfterBytes=5000\nFailWriteAfterBytes=6000\nFailOpen=JOB1.RAW\n"
              "BlockDelayMs=1\n");
    auto device = connect();
    // A file in use on the device: not opened, deleted or moved.
    EXPECT_EQ(kCeInvalidHandle,
              device->CeCreateFile(u"\\Data\\Job1.raw", ce::kGenericRead, 0, ce::kOpenExisting, 0));
    EXPECT_EQ(error::kSharingViolation, device->CeGetLastError());
    EXPECT_EQ(kCeInvalidHandle,
              device->CeCreateFile(u"\\Data\\job1.raw", kReadWrite, 0, ce::kCreateAlways, 0));
    EXPECT_FALSE(device->CeDeleteFile(u"\\Data\\Job1.raw"));
    EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Job2.raw"));
    EXPECT_EQ(error::kSharingViolation, device->CeGetLastError());

    CeHandle file =
        device->CeCreateFile(u"\\Data\\long.bin", ce::kGenericRead, 0, ce::kOpenExisting, 0);
    char buffer[4096];
    std::uint32_t count = 0;
    ASSERT_TRUE(device->CeReadFile(file, buffer, 4096, &count));
    // The read that meets the fault: the real link hands over the bytes before
    // it first, the ideal one fails at once.
    if (real) {
      ASSERT_TRUE(device->CeReadFile(file, buffer, 4096, &count));
      EXPECT_EQ(5000u - 4096u, count);
    }
    EXPECT_FALSE(device->CeReadFile(file, buffer, 4096, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(error::kReadFault, device->CeGetLastError());
    EXPECT_EQ(ce::kSOk, device->CeRapiGetError());  // the device's fault, not the link's
    device->CeCloseHandle(file);

    std::memset(buffer, 'w', sizeof buffer);
    file = device->CeCreateFile(u"\\Data\\out.bin", kReadWrite, 0, ce::kCreateAlways, 0);
    ASSERT_TRUE(device->CeWriteFile(file, buffer, 4096, &count));
    EXPECT_FALSE(device->CeWriteFile(file, buffer, 4096, &count));
    EXPECT_EQ(error::kWriteFault, device->CeGetLastError());
    EXPECT_EQ(6000u - 4096u, count);
    std::uint32_t high = 1;
    EXPECT_EQ(6000u, device->CeGetFileSize(file, &high));
    EXPECT_EQ(0u, high);
    device->CeCloseHandle(file);

    write_ini("DiskFullAfterBytes=5000\n");
    file = device->CeCreateFile(u"\\Data\\full.bin", kReadWrite, 0, ce::kCreateAlways, 0);
    ASSERT_TRUE(device->CeWriteFile(file, buffer, 4096, &count));
    EXPECT_FALSE(device->CeWriteFile(file, buffer, 4096, &count));
    EXPECT_EQ(error::kDiskFull, device->CeGetLastError());
    EXPECT_EQ(5000u - 4096u, count);
    device->CeCloseHandle(file);
    EXPECT_EQ(5000u, folder_.read_file("device/fs/Data/full.bin").size());
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
    const CeHandle file = device->CeCreateFile(u"\\big.bin", ce::kGenericRead, 0, ce::kOpenExisting,
                                               ce::kFileAttributeNormal);
    ASSERT_NE(kCeInvalidHandle, file);
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
}

TEST_F(EmulatedDeviceTest, FaultsBetweenTheStepsOfAnOperation) {
  write_ini("UnplugBefore=CeMoveFile:2\nFailMove=Locked.txt\n");
  auto device = connect();
  EXPECT_TRUE(device->CeMoveFile(u"\\Data\\Job1.raw", u"\\Data\\Job2.raw"));
  EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job2.raw", u"\\Data\\Job3.raw"));
  EXPECT_EQ(error::kDeviceNotConnected, device->CeGetLastError());
  EXPECT_EQ(ce::kInvalidFileAttributes, device->CeGetFileAttributes(u"\\Data\\Job2.raw"));
  EXPECT_EQ(2u, device->remote_calls("CeMoveFile"));

  // The cable is back at the next connection.
  write_ini("FailMove=Locked.txt\n");
  device = connect();
  EXPECT_EQ(attr::kArchive, device->CeGetFileAttributes(u"\\data\\JOB2.RAW"));
  EXPECT_EQ(attr::kDirectory, device->CeGetFileAttributes(u"\\Data\\Sub"));
  EXPECT_EQ(ce::kInvalidFileAttributes, device->CeGetFileAttributes(u"\\Data\\none"));
  EXPECT_EQ(error::kFileNotFound, device->CeGetLastError());
  // Moving onto the named file fails; moving it away does not.
  EXPECT_FALSE(device->CeMoveFile(u"\\Data\\Job2.raw", u"\\Data\\locked.TXT"));
  EXPECT_EQ(error::kAccessDenied, device->CeGetLastError());
  EXPECT_TRUE(device->CeMoveFile(u"\\Data\\Job2.raw", u"\\Data\\Job3.raw"));
  EXPECT_EQ("raw data", folder_.read_file("device/fs/Data/Job3.raw"));

  // A connection that completes with a failure: the event signals, the result says so.
  write_ini("InitResultFails=1\n");
  EmulatedDevice failing(folder_.path("device"), clock_);
  RapiInit init;
  ASSERT_EQ(0, failing.CeRapiInitEx(&init));
  EXPECT_EQ(ce::kWaitObject0, failing.WaitForInitEvent(&init, 1000));
  EXPECT_EQ(ce::kEFail, init.hrRapiInit);
  CeFindData data;
  EXPECT_EQ(kCeInvalidHandle, failing.CeFindFirstFile(u"\\*.*", &data));
}

// The file times are a journal that every change is appended to at once: a
// second process sees them before the first has closed its connection, a line
// cut short by a process that died is never applied, and the journal is
// rewritten whole before it outgrows what it describes.
TEST_F(EmulatedDeviceTest, TheFileTimesJournalKeepsEveryFinishedChange) {
  auto first = connect();
  const FileTimes set{130000000001234567ULL, 130000000007654321ULL, 130000000009999999ULL};
  CeHandle file = first->CeCreateFile(u"\\Data\\Job1.raw", kReadWrite, 0, ce::kOpenExisting, 0);
  ASSERT_TRUE(first->CeSetFileTime(file, &set.creation, &set.last_access, &set.last_write));
  ASSERT_TRUE(first->CeCloseHandle(file));
  ASSERT_TRUE(first->CeMoveFile(u"\\Data", u"\\Moved"));

  auto second = connect();
  CeFindData data;
  ASSERT_NE(kCeInvalidHandle, second->CeFindFirstFile(u"\\Moved\\Job1.raw", &data));
  EXPECT_EQ(set.last_write, data.ftLastWriteTime);
  EXPECT_EQ(set.creation, data.ftCreationTime);
  second->CeRapiUninit();

  // A change cut short: the line without its end is not taken.
  std::ofstream(std::filesystem::u8path(folder_.path("device/filetimes.txt")),
                std::ios::binary | std::ios::app)
      << "\\moved\\job1.raw\t1\t2";
  auto third = connect();
  ASSERT_NE(kCeInvalidHandle, third->CeFindFirstFile(u"\\Moved\\Job1.raw", &data));
  EXPECT_EQ(set.last_write, data.ftLastWriteTime);

  for (int i = 0; i < 3000; ++i) {
    const FileTimeTicks when = 130000000000000000ULL + static_cast<FileTimeTicks>(i);
    file = third->CeCreateFile(u"\\Moved\\Job1.raw", kReadWrite, 0, ce::kOpenExisting, 0);
    third->CeSetFileTime(file, &when, &when, &when);
    third->CeCloseHandle(file);
  }
  const std::string journal = folder_.read_file("device/filetimes.txt");
  EXPECT_LT(std::count(journal.begin(), journal.end(), '\n'), 300);
  auto fourth = connect();
  ASSERT_NE(kCeInvalidHandle, fourth->CeFindFirstFile(u"\\Moved\\Job1.raw", &data));
  EXPECT_EQ(130000000000000000ULL + 2999, data.ftLastWriteTime);
}

TEST_F(EmulatedDeviceTest, RegistryResults) {
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
  size = sizeof text;
  ASSERT_EQ(0, device->CeRegQueryValueEx(key, u"installloc", &type, text, &size));
  EXPECT_EQ(1u, type);
  EXPECT_EQ(u"\\Program Files\\Plotwise", std::u16string(text));
  std::uint32_t number = 0;
  size = sizeof number;
  ASSERT_EQ(0, device->CeRegQueryValueEx(key, u"Count", &type, &number, &size));
  EXPECT_EQ(4u, type);
  EXPECT_EQ(42u, number);
  EXPECT_EQ(2, device->CeRegQueryValueEx(key, u"StatusRunning", &type, text, &size));
  EXPECT_EQ(0, device->CeRegCloseKey(key));
}

TEST_F(EmulatedDeviceTest, TempPathEndsWithABackslashAndExists) {
  write_ini("TempPath=\\Windows\\Temp\n");
  auto device = connect();
  std::u16string path;
  EXPECT_EQ(14u, device->CeGetTempPath(260, &path));
  EXPECT_EQ(u"\\Windows\\Temp\\", path);
  EXPECT_EQ((std::vector<std::string>{"Temp"}), names(*device, u"\\Windows\\*.*"));
}

TEST(DemoDevice, NamesAProjectsFolderThatExists) {
  ManualClock clock;
  test::TempFolder copy;
  EmulatedDevice device(test::source_path("examples/demo-device"), clock);
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));
  CeRegKey key = 0;
  ASSERT_EQ(0, device.CeRegOpenKeyEx(kCeHkeyLocalMachine,
                                     u"SOFTWARE\\Veldmark Software, Inc.\\Plotwise", &key));
  char16_t location[260] = {};
  std::uint32_t type = 0, size = sizeof location;
  ASSERT_EQ(0, device.CeRegQueryValueEx(key, u"InstallLoc", &type, location, &size));
  device.CeRegCloseKey(key);
  CeFindData data;
  const std::u16string ini = std::u16string(location) + u"\\Programs\\vmark.ini";
  ASSERT_NE(kCeInvalidHandle, device.CeFindFirstFile(ini, &data));
  ASSERT_NE(kCeInvalidHandle,
            device.CeFindFirstFile(u"\\My Documents\\Plotwise Projects\\*.csv", &data));
  device.CeRapiUninit();
}

}  // namespace
}  // namespace vmt::platform
