// The connection code and the copy engine over the loader of rapi.dll, with
// the stand-in library that serves an emulated data collector: the Windows
// path end to end, in both of the emulator's error modes and both bitnesses.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "device/copy_engine.h"
#include "device/device_link.h"
#include "platform/common/utf.h"
#include "platform/win32/rapi_device.h"
#include "platform/win32/win32_clock.h"
#include "support/fake_platform.h"
#include "support/fake_rapi_library.h"
#include "support/fakes.h"
#include "ui/file_panes.h"

namespace vmt::device {
namespace {

std::string bytes(std::size_t size, char seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + i % 61);
  return text;
}

class RapiLink : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    fake_.folder.write_file("device/registry.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\r\n"
                            "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\r\n"
                            "\"StatusRunning\"=\"NO\"\r\n");
    fake_.folder.write_file("device/fs/Program Files/Plotwise/Programs/vmark.ini",
                            "[Settings]\r\nDataPath=\\My Documents\\Jobs\r\n");
    fake_.folder.write_file("device/fs/My Documents/Jobs/Job 1/a.raw", "raw");
    fake_.folder.write_file("device/fs/Temp/keep", "");
    fake_.folder.write_file("desk/keep", "");
    faults("");
    const std::u16string where = platform::to_utf16(fake_.folder.path("device"));
    SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", reinterpret_cast<const wchar_t*>(where.c_str()));
    context_.status_record = &record_;
    context_.report.open_transfer_report();
  }
  void TearDown() override {
    if (context_.connected) disconnect_from_device(context_);
    SetEnvironmentVariableW(L"VMTRANSFER_DEVICE", nullptr);
  }
  void faults(const std::string& lines) {
    fake_.folder.write_file("device/device.ini",
                            std::string("[Device]\nRapiErrors=") + GetParam() + "\n" + lines);
  }
  std::string on_device(const std::string& relative) {
    return fake_.folder.read_file("device/fs/My Documents/Jobs/" + relative);
  }
  std::string desk() { return fake_.folder.path("desk") + "\\"; }
  std::string report() {
    return fake_.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
  }

  test::FakePlatform fake_;
  platform::RapiDevice device_{test::fake_rapi_library_path()};
  platform::SystemClock clock_;
  platform::Platform platform_{
      fake_.registry, fake_.platform().files, fake_.shell, fake_.windows, clock_,
      device_,        fake_.resources};
  test::ScriptedMessageBoxes boxes_;
  app::BuiltInStringTable table_;
  app::MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  app::RunContext context_{platform_, boxes_, log_, texts_};
  test::RecordingStatus record_;
};

INSTANTIATE_TEST_SUITE_P(Modes, RapiLink, ::testing::Values("ideal", "real"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(RapiLink, ConnectsAndFindsTheProjectsFolderThroughTheLibrary) {
  ASSERT_TRUE(device_.loaded());
  EXPECT_EQ(status::kSuccess, connect_to_device(context_, true, true));
  EXPECT_TRUE(context_.connected);
  EXPECT_EQ("\\My Documents\\Jobs", context_.projects_folder);
  EXPECT_TRUE(find_file_on_device(context_, "\\My Documents\\Jobs\\Job 1\\a.raw", false));
  EXPECT_EQ(status::kSuccess, disconnect_from_device(context_));
  EXPECT_TRUE(boxes_.shown.empty());

  // A connection whose event signals with a failed result has failed.
  faults("InitResultFails=1\n");
  EXPECT_EQ(status::kInitFailed, connect_to_device(context_, true, true));
  EXPECT_FALSE(context_.connected);
  EXPECT_NE(std::string::npos,
            report().find("The connection to the data collector failed (0x80004005)."));
}

// A read failing part way, and an overwrite cut between its steps: the old
// file is kept, and put back at the next reading.
TEST_P(RapiLink, FaultsThroughTheLibraryNeverCostTheOldFile) {
  fake_.folder.write_file("device/fs/My Documents/Jobs/points.raw", bytes(300001, 'p'));
  fake_.folder.write_file("desk/points.raw", "yesterday");
  faults("FailReadAfterBytes=200000\n");
  ASSERT_EQ(status::kSuccess, connect_to_device(context_, false, false));
  EXPECT_EQ(copy_result::kFailed,
            download_file(context_, "\\My Documents\\Jobs\\points.raw", desk(), 300001));
  EXPECT_EQ("\tpoints.raw:\tERROR copying (read error), the file was not copied\n",
            record_.history);
  EXPECT_EQ("yesterday", fake_.folder.read_file("desk/points.raw"));
  disconnect_from_device(context_);

  fake_.folder.write_file("desk/job.raw", bytes(200000, 'n'));
  fake_.folder.write_file("device/fs/My Documents/Jobs/job.raw", "old");
  faults("UnplugBefore=CeMoveFile:2\n");
  ASSERT_EQ(status::kSuccess, connect_to_device(context_, false, false));
  EXPECT_EQ(copy_result::kFailed,
            upload_file(context_, desk() + "job.raw", "\\My Documents\\Jobs\\", 200000));
  EXPECT_NE(std::string::npos, record_.history.find("(data collector disconnected)"));
  disconnect_from_device(context_);
  EXPECT_EQ("old", on_device(backup_copy_name("job.raw")));
  EXPECT_EQ(bytes(200000, 'n'), on_device(kPartialCopyName));

  faults("");
  ASSERT_EQ(status::kSuccess, connect_to_device(context_, false, false));
  ui::C_file_dir_pane pane(ui::PaneSide::kDevice);
  ui::set_pane_folder(context_, pane, "\\My Documents\\Jobs\\");
  ui::read_pane_folder(context_, pane, nullptr);
  EXPECT_EQ(3u, pane.entries.size());  // "Job 1", "job.raw" and "points.raw"
  EXPECT_EQ("old", on_device("job.raw"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(
      fake_.folder.path("device/fs/My Documents/Jobs/") + kPartialCopyName)));

  // With the cable in, the same upload goes through.
  EXPECT_EQ(copy_result::kCopied,
            upload_file(context_, desk() + "job.raw", "\\My Documents\\Jobs\\", 200000));
  EXPECT_EQ(bytes(200000, 'n'), on_device("job.raw"));
}

}  // namespace
}  // namespace vmt::device
#endif
