// The copy engine against the emulated data collector and the real desktop
// file system: blocks and progress lines, the three times, cancel, and the
// faults that must never cost the user a file.
#include "device/copy_engine.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>

#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "support/fake_copying.h"
#include "support/fake_run.h"
#include "support/field_device.h"
#include "ui/file_panes.h"

namespace vmt::device {
namespace {

constexpr char kSep = platform::path::kSeparator;

const platform::FileTimes kFieldTimes{130000000000000001ULL, 130000000100000002ULL,
                                      130000000200000003ULL};

std::string bytes(std::size_t size, char seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + i % 61);
  return text;
}

class CopyEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    run_.context.status_record = &record_;
    run_.fake.folder.write_file("desk/keep", "");
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }
  void TearDown() override { disconnect_from_device(run_.context); }

  std::string desk() { return run_.fake.folder.path("desk") + kSep; }
  std::string desk_file(const std::string& name) { return desk() + name; }
  std::string on_device(const std::string& name) {
    return run_.fake.folder.read_file("device/fs/Projects/" + name);
  }
  bool device_has(const std::string& name) {
    return find_file_on_device(run_.context, "\\Projects\\" + name, false);
  }
  void put_on_device(const std::string& name, const std::string& contents,
                     const platform::FileTimes& times = kFieldTimes) {
    run_.fake.folder.write_file("device/fs/Projects/" + name, contents);
    platform::Device& device = *run_.emulated;
    const platform::CeHandle file = device.CeCreateFile(
        to_device("\\Projects\\" + name), platform::ce::kGenericRead | platform::ce::kGenericWrite,
        0, platform::ce::kOpenExisting, platform::ce::kFileAttributeNormal);
    ASSERT_NE(platform::kCeInvalidHandle, file);
    device.CeSetFileTime(file, &times.creation, &times.last_access, &times.last_write);
    device.CeCloseHandle(file);
  }
  platform::FileTimes device_times(const std::string& name) {
    platform::CeFindData data;
    platform::Device& device = *run_.emulated;
    const platform::CeHandle find = device.CeFindFirstFile(to_device("\\Projects\\" + name), &data);
    EXPECT_NE(platform::kCeInvalidHandle, find) << name;
    device.CeFindClose(find);
    return {data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime};
  }
  void put_on_desktop(const std::string& name, const std::string& contents,
                      const platform::FileTimes& times = kFieldTimes) {
    run_.fake.folder.write_file("desk/" + name, contents);
    platform::DesktopFiles& files = run_.fake.platform().files;
    const platform::FileHandle file = files.open_file(
        desk_file(name), platform::FileAccess::kReadWrite, platform::FileDisposition::kOpenExisting);
    ASSERT_NE(platform::kInvalidFile, file);
    files.set_file_times(file, times);
    files.close_file(file);
  }
  platform::FileTimes desktop_times(const std::string& name) {
    platform::FindData data;
    platform::DesktopFiles& files = run_.fake.platform().files;
    const platform::FindHandle find = files.find_first(desk_file(name), &data);
    EXPECT_NE(platform::kInvalidFind, find) << name;
    files.find_close(find);
    return data.times;
  }
  // A desktop file's creation time is the host file system's to keep (Linux
  // and Wine on it keep none), so the desktop side is judged by the other two.
  static void expect_desktop_times(const platform::FileTimes& expected,
                                   const platform::FileTimes& actual) {
    EXPECT_EQ(expected.last_access, actual.last_access);
    EXPECT_EQ(expected.last_write, actual.last_write);
  }
  // An upload carries the source's times as they are after the copy (reading
  // may move the last access), all three as the desktop reports them.
  static void expect_carried(const platform::FileTimes& source,
                             const platform::FileTimes& device) {
    EXPECT_EQ(source, device);
  }
  // What the folders hold, partial copies included.
  std::vector<std::string> names_in(const std::string& relative) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(
             std::filesystem::u8path(run_.fake.folder.path(relative)))) {
      names.push_back(item.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string report() { return run_.fake.folder.read_file(
      "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt"); }
  void open_report() { run_.context.report.open_transfer_report(); }

  test::FakeRun run_{true};
  test::RecordingStatus record_;
  test::FakeCopying copying_{run_.context};
};

TEST_F(CopyEngine, DownloadOfTwoWholeBlocksReadsThreeTimesAndCarriesTheTimes) {
  const std::string contents = bytes(8192, 'a');
  put_on_device("two.raw", contents);
  open_report();
  copying_.open();
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\two.raw", desk(), 8192));
  // One check after each read: 4096, 4096, then 0.
  EXPECT_EQ(3, copying_.checks);
  EXPECT_EQ("\t<-- two.raw:\t8192 of 8192 (100 %)\n", record_.history);
  EXPECT_EQ("", record_.current);
  EXPECT_EQ("\t<-- two.raw:\t0 of 8192 (0 %)", record_.shown_lines.front());
  expect_desktop_times(kFieldTimes, desktop_times("two.raw"));
  EXPECT_EQ(contents, run_.fake.folder.read_file("desk/two.raw"));
  const std::string lines = report();
  EXPECT_NE(std::string::npos, lines.find("Begin copying from::::\\Projects\\two.raw"));
  EXPECT_NE(std::string::npos, lines.find("                to::::" + desk_file("two.raw")));
  EXPECT_NE(std::string::npos, lines.find("                Successful"));
  // The partial name never outlives a copy.
  EXPECT_EQ((std::vector<std::string>{"keep", "two.raw"}), names_in("desk"));
}

TEST_F(CopyEngine, ZeroByteFilesAreCopiedWithTheirTimesBothWays) {
  put_on_device("empty.raw", "");
  EXPECT_EQ(copy_result::kCopied, download_file(run_.context, "\\Projects\\empty.raw", desk(), 0));
  EXPECT_EQ("\t<-- empty.raw:\t0 of 1 (0 %)\n", record_.history);
  expect_desktop_times(kFieldTimes, desktop_times("empty.raw"));
  EXPECT_EQ("", run_.fake.folder.read_file("desk/empty.raw"));

  record_.history.clear();
  const platform::FileTimes others{129000000000000000ULL, 129000000500000000ULL,
                                   129000000900000000ULL};
  put_on_desktop("nothing.job", "", others);
  EXPECT_EQ(copy_result::kCopied,
            upload_file(run_.context, desk_file("nothing.job"), "\\Projects\\", 0));
  EXPECT_EQ("\t--> nothing.job:\t0 of 0 (0 %)\n", record_.history);
  expect_carried(desktop_times("nothing.job"), device_times("nothing.job"));
}

TEST_F(CopyEngine, UploadOverAnOldFileShowsProgressByTensAndKeepsAllThreeTimes) {
  const std::string contents = bytes(100000, 'k');
  put_on_desktop("big.job", contents);
  put_on_device("big.job", "old");
  EXPECT_EQ(copy_result::kCopied,
            upload_file(run_.context, desk_file("big.job"), "\\Projects\\", 100000));
  EXPECT_EQ(contents, on_device("big.job"));
  EXPECT_EQ("\t--> big.job:\t100000 of 100000 (100 %)\n", record_.history);
  // The first line, one per ten points (25 blocks in all), and the cleared line.
  ASSERT_EQ(12u, record_.shown_lines.size());
  EXPECT_EQ("\t--> big.job:\t0 of 100000 (0 %)", record_.shown_lines[0]);
  EXPECT_EQ("\t--> big.job:\t12288 of 100000 (10 %)", record_.shown_lines[1]);
  EXPECT_EQ("\t--> big.job:\t100000 of 100000 (100 %)", record_.shown_lines[10]);
  expect_carried(desktop_times("big.job"), device_times("big.job"));
  EXPECT_EQ(kFieldTimes.last_write, device_times("big.job").last_write);
}

TEST_F(CopyEngine, CancelOfAnOverwriteKeepsTheOldFileAndAnswerNoGoesOn) {
  const std::string old_copy = bytes(5000, 'o');
  put_on_desktop("job.raw", old_copy);
  put_on_device("job.raw", bytes(40000, 'n'));
  open_report();
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView& view) {
    if (copying_.checks == 3) view.press_cancel();
  };
  run_.boxes.answers = {app::id::kYes};
  EXPECT_EQ(copy_result::kCancelled,
            download_file(run_.context, "\\Projects\\job.raw", desk(), 40000));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ("Are you sure you want to cancel the transfer?", run_.boxes.shown[0].text);
  EXPECT_EQ(0x24u, run_.boxes.shown[0].style);
  EXPECT_EQ(0x145u, run_.boxes.shown[0].owner);
  EXPECT_EQ("\tjob.raw:\tCancelled\n", record_.history);
  EXPECT_EQ((std::vector<std::string>{"job.raw", "keep"}), names_in("desk"));
  EXPECT_EQ(old_copy, run_.fake.folder.read_file("desk/job.raw"));
  EXPECT_NE(std::string::npos, report().find("User cancelled"));
  EXPECT_NE(std::string::npos, report().find("                Cancelled"));

  // A new dialog; Cancel pressed twice before one check asks once, and No goes on.
  close_copying_dialog(run_.context);
  copying_.open();
  copying_.checks = 0;
  copying_.on_check = [&](test::FakeCopyingView& view) {
    if (copying_.checks == 2) {
      view.press_cancel();
      view.press_cancel();
    }
  };
  run_.boxes.answers = {app::id::kNo};
  record_.history.clear();
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\job.raw", desk(), 40000));
  EXPECT_EQ(2u, run_.boxes.shown.size());
  EXPECT_EQ(bytes(40000, 'n'), run_.fake.folder.read_file("desk/job.raw"));
}

TEST_F(CopyEngine, CancelledUploadLeavesNoFileWhereThereWasNone) {
  put_on_desktop("fresh.job", bytes(20000, 'f'));
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  run_.boxes.default_answer = app::id::kYes;
  EXPECT_EQ(copy_result::kCancelled,
            upload_file(run_.context, desk_file("fresh.job"), "\\Projects\\", 20000));
  EXPECT_FALSE(device_has("fresh.job"));
  EXPECT_FALSE(device_has(kPartialCopyName));
}

TEST_F(CopyEngine, DeviceUnpluggedOrFullMidFileFailsAndKeepsThePreviousFile) {
  put_on_desktop("survey.job", bytes(30000, 's'));
  put_on_device("survey.job", "the field copy");
  open_report();
  test::set_device_faults(run_.fake.folder, "UnplugAfterBytes=9000\n");
  disconnect_from_device(run_.context);
  ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("survey.job"), "\\Projects\\", 30000));
  EXPECT_EQ("\tsurvey.job:\tERROR copying (data collector disconnected), the file was not "
            "copied\n",
            record_.history);
  EXPECT_NE(std::string::npos, report().find("                Not successful"));

  // Plugged in again: the old file is there as it was, and the stray partial
  // copy is not listed.
  test::set_device_faults(run_.fake.folder, "DiskFullAfterBytes=10000\n");
  disconnect_from_device(run_.context);
  ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  EXPECT_EQ("the field copy", on_device("survey.job"));
  ui::C_file_dir_pane pane(ui::PaneSide::kDevice);
  ui::set_pane_folder(run_.context, pane, "\\Projects\\");
  ui::read_pane_folder(run_.context, pane, nullptr);
  for (const auto& entry : pane.entries) EXPECT_FALSE(is_partial_copy_name(entry.name()));

  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("survey.job"), "\\Projects\\", 30000));
  EXPECT_EQ("\tsurvey.job:\tERROR copying (disk full), the file was not copied\n",
            record_.history);
  EXPECT_EQ("the field copy", on_device("survey.job"));
  EXPECT_FALSE(device_has(kPartialCopyName));
}

TEST_F(CopyEngine, ReadErrorOrFullDesktopFailsTheDownloadWithNoHalfFile) {
  put_on_device("points.raw", bytes(30000, 'p'));
  test::set_device_faults(run_.fake.folder, "FailReadAfterBytes=8192\n");
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\points.raw", desk(), 30000));
  EXPECT_EQ("\tpoints.raw:\tERROR copying (read error), the file was not copied\n",
            record_.history);
  EXPECT_EQ((std::vector<std::string>{"keep"}), names_in("desk"));

  test::set_device_faults(run_.fake.folder, "");
  put_on_desktop("points.raw", "yesterday");
  run_.fake.desktop_space = 10000;
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\points.raw", desk(), 30000));
  EXPECT_EQ("\tpoints.raw:\tERROR copying (disk full), the file was not copied\n",
            record_.history);
  EXPECT_EQ("yesterday", run_.fake.folder.read_file("desk/points.raw"));
  EXPECT_EQ((std::vector<std::string>{"keep", "points.raw"}), names_in("desk"));
}

#ifdef _WIN32
// Another program holds the PC's file open without sharing: the copy is made
// beside it and cannot take its place, and the file stays as it was.
TEST_F(CopyEngine, ADesktopFileLockedByAnotherProgramStaysAndTheCauseIsShown) {
  put_on_device("points.raw", bytes(30000, 'p'));
  put_on_desktop("points.raw", "yesterday");
  const std::wstring locked = std::filesystem::u8path(desk_file("points.raw")).wstring();
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\points.raw", desk(), 30000));
  CloseHandle(holder);
  EXPECT_NE(std::string::npos,
            record_.history.find("\tpoints.raw:\tERROR copying (the copy could not be put in place "
                                 "of the destination file), the file was not copied\n"));
  EXPECT_EQ("yesterday", run_.fake.folder.read_file("desk/points.raw"));
  EXPECT_EQ((std::vector<std::string>{"keep", "points.raw"}), names_in("desk"));
}
#endif

TEST_F(CopyEngine, OpenFailuresAndNamelessPathsCreateNothing) {
  put_on_device("locked.raw", "x");
  open_report();
  test::set_device_faults(run_.fake.folder, "FailOpen=locked.raw\n");
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\locked.raw", desk(), 1));
  EXPECT_EQ("\tlocked.raw:\tERROR copying (CeCreateFile)\n", record_.history);
  EXPECT_EQ((std::vector<std::string>{"keep"}), names_in("desk"));

  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("missing.job"), "\\Projects\\", 1));
  EXPECT_EQ("CreateFile failed\n", record_.history);
  EXPECT_FALSE(device_has("missing.job"));

  EXPECT_EQ(copy_result::kFailed, download_file(run_.context, "nameless", desk(), 1));
  EXPECT_NE(std::string::npos,
            report().find("Error ERTHG4, Unable to extract title and extension for file::::"
                          "nameless"));
}

TEST_F(CopyEngine, WithoutADialogNoMessagesAreHandledAndNothingCancels) {
  put_on_device("quiet.raw", bytes(9000, 'q'));
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  EXPECT_FALSE(is_copying_dialog_open(run_.context));
  EXPECT_FALSE(copy_cancel_confirmed(run_.context));
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\quiet.raw", desk(), 9000));
  EXPECT_EQ(0, copying_.checks);
  EXPECT_TRUE(run_.boxes.shown.empty());
}

}  // namespace
}  // namespace vmt::device
