// The copy engine against the emulated data collector and the real desktop
// file system, every test in both of the emulator's error modes (the ideal one
// and the real link's): blocks, progress and times, cancel, and the faults
// that must never cost the user a file.
#include "device/copy_engine.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "device/replaced_files.h"
#include "platform/common/path.h"
#include "support/fake_copying.h"
#include "support/fake_run.h"
#include "support/field_device.h"
#include "ui/file_panes.h"

#ifdef _WIN32
#include "platform/win32/win32_clock.h"
#endif

namespace vmt::device {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
constexpr char kSep = platform::path::kSeparator;
const platform::FileTimes kFieldTimes{130000000000000001ULL, 130000000100000002ULL,
                                      130000000200000003ULL};

std::string bytes(std::size_t size, char seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + i % 61);
  return text;
}
bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
std::string read_host_file(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
Names names_in(const fs::path& folder) {
  Names names;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_directory()) names.push_back(fs::relative(item.path(), folder).generic_u8string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class CopyEngine : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    faults("");
    run_.context.status_record = &record_;
    run_.context.report.open_transfer_report();
    run_.fake.folder.write_file("desk/keep", "");
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }
  void TearDown() override { disconnect_from_device(run_.context); }

  // device.ini's faults, in the run's error mode; most take effect at the next connection.
  void faults(const std::string& lines) {
    test::set_device_faults(run_.fake.folder,
                            std::string("RapiErrors=") + GetParam() + "\n" + lines);
  }
  void reconnect() {
    disconnect_from_device(run_.context);
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }
  int down(const std::string& name, double size, const CopySafety& safety = {}) {
    return download_file(run_.context, "\\Projects\\" + name, desk(), size, safety);
  }
  int up(const std::string& name, double size, const CopySafety& safety = {}) {
    return upload_file(run_.context, desk() + name, "\\Projects\\", size, safety);
  }
  std::string desk() { return run_.fake.folder.path("desk") + kSep; }
  std::string on_desk(const std::string& name) {
    return run_.fake.folder.read_file("desk/" + name);
  }
  std::string on_device(const std::string& name) {
    return run_.fake.folder.read_file("device/fs/Projects/" + name);
  }
  bool device_has(const std::string& name) {
    return fs::exists(fs::u8path(run_.fake.folder.path("device/fs/Projects/" + name)));
  }
  Names desk_names() { return names_in(fs::u8path(run_.fake.folder.path("desk"))); }
  Names device_names() { return names_in(fs::u8path(run_.fake.folder.path("device/fs/Projects"))); }
  Names kept_files() {
    const fs::path root = fs::u8path(replaced_files_folder(run_.context));
    return fs::exists(root) ? names_in(root) : Names{};
  }
  void put_on_device(const std::string& name, const std::string& contents) {
    run_.fake.folder.write_file("device/fs/Projects/" + name, contents);
    platform::Device& device = *run_.emulated;
    const platform::CeHandle file = device.CeCreateFile(
        to_device("\\Projects\\" + name), platform::ce::kGenericRead | platform::ce::kGenericWrite,
        0, platform::ce::kOpenExisting, platform::ce::kFileAttributeNormal);
    ASSERT_NE(platform::kCeInvalidHandle, file);
    device.CeSetFileTime(file, &kFieldTimes.creation, &kFieldTimes.last_access,
                         &kFieldTimes.last_write);
    device.CeCloseHandle(file);
  }
  void put_on_desktop(const std::string& name, const std::string& contents,
                      const platform::FileTimes& times = kFieldTimes) {
    run_.fake.folder.write_file("desk/" + name, contents);
    platform::DesktopFiles& files = run_.fake.platform().files;
    const platform::FileHandle file = files.open_file(
        desk() + name, platform::FileAccess::kReadWrite, platform::FileDisposition::kOpenExisting);
    ASSERT_NE(platform::kInvalidFile, file);
    files.set_file_times(file, times);
    files.close_file(file);
  }
  platform::FileTimes device_times(const std::string& name) {
    platform::CeFindData data;
    platform::Device& device = *run_.emulated;
    EXPECT_TRUE(
        device.CeFindClose(device.CeFindFirstFile(to_device("\\Projects\\" + name), &data)));
    return {data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime};
  }
  platform::FileTimes desktop_times(const std::string& path) {
    platform::FindData data;
    platform::DesktopFiles& files = run_.fake.platform().files;
    const platform::FindHandle find = files.find_first(path, &data);
    EXPECT_NE(platform::kInvalidFind, find) << path;
    files.find_close(find);
    return data.times;
  }
  // A desktop file's creation time is the host file system's to keep (Linux
  // and Wine on it keep none), so the desktop side is judged by the other two.
  void expect_desktop_times(const platform::FileTimes& expected, const std::string& path) {
    const platform::FileTimes times = desktop_times(path);
    EXPECT_EQ(expected.last_access, times.last_access);
    EXPECT_EQ(expected.last_write, times.last_write);
  }
  // The device pane read at \Projects\ over a connection of its own, which
  // puts right what an interrupted overwrite left.
  ui::C_file_dir_pane read_device_pane() {
    ui::C_file_dir_pane pane(ui::PaneSide::kDevice);
    reconnect();
    ui::set_pane_folder(run_.context, pane, "\\Projects\\");
    ui::read_pane_folder(run_.context, pane, nullptr);
    return pane;
  }
  std::string report() {
    return run_.fake.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
  }
  // The safety net as a transfer with the options' defaults asks for it:
  // copies read back, and the file replaced kept as `relative`.
  static CopySafety safety(ReplacedFiles& kept, bool download, const std::string& relative) {
    CopySafety checked;
    checked.verify = true;
    checked.keep_replaced = [&kept, download, relative](const std::string& destination) {
      return kept.keep(!download, destination, relative);
    };
    return checked;
  }

  test::FakeRun run_{true};
  test::RecordingStatus record_;
  test::FakeCopying copying_{run_.context};
  ReplacedFiles kept_{run_.context};
};

INSTANTIATE_TEST_SUITE_P(Modes, CopyEngine, ::testing::Values("ideal", "real"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(CopyEngine, ADownloadReadsTheSizeTheSourceHasAndCarriesTheTimesEvenOfAnEmptyFile) {
  const std::string contents = bytes(2 * kCopyBlockSize, 'a');
  put_on_device("two.raw", contents);
  copying_.open();
  EXPECT_EQ(copy_result::kCopied, down("two.raw", 131072));
  // Two whole blocks are the whole file: no read asks for more.
  EXPECT_EQ(2, copying_.checks);
  EXPECT_EQ("\t<-- two.raw:\t131072 of 131072 (100 %)\n", record_.history);
  expect_desktop_times(kFieldTimes, desk() + "two.raw");
  EXPECT_EQ(contents, on_desk("two.raw"));
  EXPECT_TRUE(contains(report(), "Begin copying from::::\\Projects\\two.raw"));
  EXPECT_TRUE(contains(report(), "                to::::" + desk() + "two.raw"));
  EXPECT_TRUE(contains(report(), "                Successful"));
  EXPECT_EQ((Names{"keep", "two.raw"}), desk_names());  // no partial copy outlives a copy

  put_on_device("empty.raw", "");
  record_.history.clear();
  EXPECT_EQ(copy_result::kCopied, down("empty.raw", 0));
  EXPECT_EQ("\t<-- empty.raw:\t0 of 1 (0 %)\n", record_.history);
  expect_desktop_times(kFieldTimes, desk() + "empty.raw");
  EXPECT_EQ("", on_desk("empty.raw"));
}

// Without a copying dialog (a copy started from the command line) nothing
// asks for messages, so nothing can cancel.
TEST_P(CopyEngine, UploadsShowProgressByTensAndCarryAllThreeTimesEvenOfAnEmptyFile) {
  const std::string contents = bytes(1000000, 'k');
  put_on_desktop("big.job", contents);
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  EXPECT_EQ(copy_result::kCopied, up("big.job", 1e6));
  record_ = test::RecordingStatus();
  EXPECT_EQ(copy_result::kCopied, up("big.job", 1e6));  // over the first copy
  EXPECT_EQ(0, copying_.checks);
  EXPECT_TRUE(run_.boxes.shown.empty());
  EXPECT_EQ(contents, on_device("big.job"));
  // The first line, one per ten points (16 blocks in all), and the cleared line.
  ASSERT_EQ(12u, record_.shown_lines.size());
  EXPECT_EQ("\t--> big.job:\t131072 of 1000000 (10 %)", record_.shown_lines[1]);
  EXPECT_EQ("\t--> big.job:\t1000000 of 1000000 (100 %)", record_.shown_lines[10]);
  EXPECT_EQ(desktop_times(desk() + "big.job"), device_times("big.job"));

  const platform::FileTimes others{129000000000000000ULL, 129000000500000000ULL,
                                   129000000900000000ULL};
  put_on_desktop("nothing.job", "", others);
  record_.history.clear();
  EXPECT_EQ(copy_result::kCopied, up("nothing.job", 0));
  EXPECT_EQ("\t--> nothing.job:\t0 of 0 (0 %)\n", record_.history);
  EXPECT_EQ(desktop_times(desk() + "nothing.job"), device_times("nothing.job"));
  EXPECT_EQ((Names{"big.job", "nothing.job"}), device_names());
}

TEST_P(CopyEngine, CancelKeepsTheOldFileOrLeavesNoneAndAnswerNoGoesOn) {
  const std::string old_copy = bytes(5000, 'o');
  const std::string field_copy = bytes(5 * kCopyBlockSize + 1234, 'n');
  const double size = static_cast<double>(field_copy.size());
  put_on_desktop("job.raw", old_copy);
  put_on_device("job.raw", field_copy);
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView& view) {
    if (copying_.checks == 3) view.press_cancel();
  };
  run_.boxes.answers = {app::id::kYes};
  EXPECT_EQ(copy_result::kCancelled, down("job.raw", size));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ(0x145u, run_.boxes.shown[0].owner);  // over the copying dialog
  EXPECT_EQ("\tjob.raw:\tCancelled\n", record_.history);
  EXPECT_EQ((Names{"job.raw", "keep"}), desk_names());
  EXPECT_EQ(old_copy, on_desk("job.raw"));
  EXPECT_TRUE(contains(report(), "                Cancelled"));

  // An upload cancelled at its first check leaves no file where there was none.
  put_on_desktop("fresh.job", bytes(200000, 'f'));
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  run_.boxes.answers = {app::id::kYes};
  EXPECT_EQ(copy_result::kCancelled, up("fresh.job", 200000));
  EXPECT_EQ((Names{"job.raw"}), device_names());

  // A new dialog; Cancel pressed twice before one check asks once, and No goes on.
  close_copying_dialog(run_.context);
  copying_.open();
  copying_.checks = 0;
  copying_.on_check = [&](test::FakeCopyingView& view) {
    if (copying_.checks != 2) return;
    view.press_cancel();
    view.press_cancel();
  };
  run_.boxes.answers = {app::id::kNo};
  EXPECT_EQ(copy_result::kCopied, down("job.raw", size));
  EXPECT_EQ(3u, run_.boxes.shown.size());
  EXPECT_EQ(field_copy, on_desk("job.raw"));

  // Windows ends the session under a copy: abandoned as by Cancel, nobody asked.
  copying_.on_check = [&](test::FakeCopyingView&) {
    if (copying_.checks != 2) return;
    run_.context.session_ending = true;
    run_.context.abandon_copy();
  };
  for (const bool upload : {false, true}) {
    SCOPED_TRACE(upload ? "upload" : "download");
    copying_.checks = 0;
    const std::string desk_copy = upload ? bytes(300000, 'u') : old_copy;
    put_on_desktop("job.raw", desk_copy);
    EXPECT_EQ(copy_result::kCancelled, upload ? up("job.raw", 300000) : down("job.raw", size));
    EXPECT_EQ(desk_copy, on_desk("job.raw"));
    EXPECT_EQ(field_copy, on_device("job.raw"));
    EXPECT_EQ((Names{"fresh.job", "job.raw", "keep"}), desk_names());
    EXPECT_EQ((Names{"job.raw"}), device_names());
    EXPECT_EQ(3u, run_.boxes.shown.size());
    EXPECT_FALSE(run_.context.abandon_copy);
    run_.context.session_ending = false;
  }
}

// A fault part way through the blocks, never at a block's end, or a source
// that grows or shrinks under the copy: the old file stays whole under its
// name and the cause is named.
TEST_P(CopyEngine, AFaultPartWayThroughTheBlocksKeepsTheOldFileAndNamesTheCause) {
  const fs::path source = fs::u8path(run_.fake.folder.path("device/fs/Projects/points.raw"));
  struct Case {
    bool upload;
    const char* fault;
    int change;  // the device file grows (1) or shrinks (-1) at the first check
    const char* cause;
    std::size_t size = 1000003;
  };
  for (const Case& k :
       {Case{false, "FailReadAfterBytes=300000\n", 0, "read error"},
        Case{false, "UnplugAfterBytes=300000\n", 0, "data collector disconnected"},
        Case{false, "", 1, "the file changed while it was copied"},
        Case{false, "", -1, "the file changed while it was copied"},
        Case{false, "", 1, "the file changed while it was copied", 16 * kCopyBlockSize},
        Case{true, "DiskFullAfterBytes=100000\n", 0, "disk full"},
        Case{true, "FailWriteAfterBytes=200001\n", 0, "write error"},
        Case{true, "UnplugAfterBytes=200001\n", 0, "data collector disconnected"}}) {
    SCOPED_TRACE(std::string(k.fault) + k.cause + std::to_string(k.size));
    const std::string big = bytes(k.size, 'p');
    put_on_device("points.raw", k.upload ? "the field copy" : big);
    put_on_desktop("points.raw", k.upload ? big : "yesterday's points");
    run_.context.report.open_transfer_report();
    faults(k.fault);
    reconnect();
    copying_.open();
    copying_.checks = 0;
    copying_.on_check = [&](test::FakeCopyingView&) {
      if (copying_.checks != 1 || k.change == 0) return;
      if (k.change > 0) {
        std::ofstream(source, std::ios::binary | std::ios::app) << bytes(100000, 'x');
      } else {
        fs::resize_file(source, 70000);
      }
    };
    record_.history.clear();
    EXPECT_EQ(copy_result::kFailed,
              k.upload ? up("points.raw", static_cast<double>(k.size))
                       : down("points.raw", static_cast<double>(k.size)));
    EXPECT_EQ(
        std::string("\tpoints.raw:\tERROR copying (") + k.cause + "), the file was not copied\n",
        record_.history);
    EXPECT_TRUE(on_desk("points.raw") == (k.upload ? big : "yesterday's points"));
    EXPECT_EQ((Names{"keep", "points.raw"}), desk_names());
    EXPECT_TRUE(contains(report(), "                Not successful"));
    EXPECT_FALSE(contains(report(), "                Successful"));
    close_copying_dialog(run_.context);
    faults("");
    read_device_pane();
    EXPECT_EQ((Names{"points.raw"}), device_names());
    if (k.upload) {
      EXPECT_EQ("the field copy", on_device("points.raw"));
    }
  }
}

// The cable pulled before each step of an overwrite on the device, plain and
// checked with the file it replaces kept: reading back, fetching the old file,
// putting it aside, taking its name, removing it. A whole copy, old or new, is
// always there; the next reading of the folder puts the name back to one whole
// file; the old one is kept on the PC whenever the new one may have replaced
// it, and nothing is kept that was not whole.
TEST_P(CopyEngine, ACablePulledBeforeAnyStepOfAnOverwriteNeverLeavesLess) {
  const std::string old_copy = bytes(70000, 'o');
  const std::string new_copy = bytes(3 * kCopyBlockSize + 77, 'n');
  const std::string backup = backup_copy_name("job.raw");
  put_on_desktop("job.raw", new_copy);
  // What each pull is in: a checked copy (read back, the file replaced kept),
  // the keeping of the old file; and what it leaves: the old one kept, copied.
  constexpr int kChecked = 1, kKeeping = 2, kKept = 4, kCopied = 8;
  std::size_t kept_so_far = 0;
  struct Pull {
    const char* before;
    int how;
  };
  const Pull pulls[] = {
      {"CeCreateFile", 0}, {"CeWriteFile:2", 0}, {"CeGetFileSize", 0}, {"CeSetFileTime", 0},
      {"CeCloseHandle", 0}, {"CeGetFileAttributes", 0}, {"CeMoveFile:1", 0}, {"CeMoveFile:2", 0},
      {"CeDeleteFile", kCopied}, {"CeCreateFile:2", kChecked}, {"CeReadFile:3", kChecked},
      {"CeCloseHandle:2", kChecked}, {"CeGetFileAttributes", kChecked},
      {"CeCreateFile:3", kChecked | kKeeping}, {"CeReadFile:6", kChecked | kKeeping},
      {"CeMoveFile:1", kChecked | kKept}, {"CeMoveFile:2", kChecked | kKept},
      {"CeDeleteFile", kChecked | kKept | kCopied}};
  for (const auto& [before, how] : pulls) {
    const bool copied = (how & kCopied) != 0;
    SCOPED_TRACE(std::string(before) + ((how & kChecked) ? " checked" : " plain"));
    put_on_device("job.raw", old_copy);
    faults(std::string("UnplugBefore=") + before + "\n");
    reconnect();
    record_.history.clear();
    ReplacedFiles kept(run_.context);
    EXPECT_EQ(copied ? copy_result::kCopied : copy_result::kFailed,
              up("job.raw", 0, (how & kChecked) ? safety(kept, false, "job.raw") : CopySafety{}));
    // The cause is named, unless the copy could not even be made (the
    // spelled-out open failure).
    if (how & kKeeping) {
      EXPECT_TRUE(contains(record_.history, "\tjob.raw:\tERROR keeping the file it replaces"))
          << record_.history;
    } else if (!copied && std::string(before) != "CeCreateFile") {
      EXPECT_TRUE(contains(record_.history, "ERROR copying (data collector disconnected)"))
          << record_.history;
    }
    // As the cable left it: the name holds a whole file, or the old one waits
    // under its backup name with the whole new copy beside it.
    if (device_has("job.raw")) {
      const std::string now = on_device("job.raw");
      EXPECT_TRUE(now == old_copy || now == new_copy);
    } else {
      EXPECT_EQ(old_copy, on_device(backup));
      EXPECT_EQ(new_copy, on_device(kPartialCopyName));
    }
    // Kept whole, or not at all; each keeping transfer has a folder of its own.
    if (how & kKept) {
      ++kept_so_far;
      EXPECT_EQ(old_copy, read_host_file(platform::path::join(kept.folder(), "Data collector") +
                                         kSep + "job.raw"));
    }
    for (const std::string& file : kept_files()) EXPECT_FALSE(contains(file, kPartialCopyName));
    EXPECT_EQ(kept_so_far, kept_files().size());

    faults("");
    record_.history.clear();
    EXPECT_EQ(1u, read_device_pane().entries.size());
    EXPECT_EQ((Names{"job.raw"}), device_names());
    EXPECT_EQ(copied ? new_copy : old_copy, on_device("job.raw"));
    if (std::string(before) == "CeMoveFile:2") {
      EXPECT_TRUE(contains(record_.history, "\tjob.raw:\tput back from " + backup))
          << record_.history;
    }
  }
}

// In the real mode a listing the cable cut ends as a whole one does, but for
// the link's own error; the planner's tests take a cut folder through a transfer.
TEST_P(CopyEngine, AListingCutByTheCableIsNeverShownAsTheWholeFolder) {
  for (int i = 0; i < 20; ++i) put_on_device(std::to_string(i) + ".raw", "m");
  faults("UnplugBefore=CeFindNextFile:3\n");
  const ui::C_file_dir_pane pane = read_device_pane();
  EXPECT_TRUE(pane.entries.empty());
  EXPECT_EQ(ui::kNoConnection, pane.folder);
}

TEST_P(CopyEngine, AMoveThatFailsNeverDeletesEitherCopy) {
  const std::string backup = backup_copy_name("job.raw");
  put_on_desktop("job.raw", "new");
  put_on_device("job.raw", "old");
  // Putting the old file aside fails: it stays under its name.
  faults("FailMove=" + backup + "\n");
  EXPECT_EQ(copy_result::kFailed, up("job.raw", 3));
  EXPECT_EQ("old", on_device("job.raw"));
  EXPECT_EQ((Names{"job.raw"}), device_names());

  // The copy cannot take the name, nor can the old file go back: both stay.
  faults("FailMove=job.raw\n");
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed, up("job.raw", 3));
  EXPECT_EQ("old", on_device(backup));
  EXPECT_EQ("new", on_device(kPartialCopyName));
  EXPECT_TRUE(contains(record_.history, "\tjob.raw:\tthe earlier file is kept as " + backup))
      << record_.history;
  // Still failing at the next reading: the backup is shown, nothing is lost.
  record_.history.clear();
  ui::C_file_dir_pane pane = read_device_pane();
  ASSERT_EQ(1u, pane.entries.size());
  EXPECT_EQ(backup, pane.entries[0].name());
  EXPECT_TRUE(contains(record_.history, "could not be put right"));
  EXPECT_EQ((Names{backup, kPartialCopyName}), device_names());
  // Once moves work again the old file is back under its name.
  faults("");
  record_.history.clear();
  pane = read_device_pane();
  ASSERT_EQ(1u, pane.entries.size());
  EXPECT_EQ("old", on_device("job.raw"));
  EXPECT_EQ((Names{"job.raw"}), device_names());
  EXPECT_TRUE(contains(record_.history, std::string(kPartialCopyName) + ":\tremoved"));
  EXPECT_TRUE(contains(report(), "\tjob.raw:\tput back from " + backup));
}

TEST_P(CopyEngine, ADesktopFileHeldForHalfASecondIsReplacedOnRetry) {
  put_on_device("points.raw", bytes(30000, 'p'));
  put_on_desktop("points.raw", "yesterday");
  const platform::FileTimeTicks start = run_.fake.clock.utc_now();
  run_.fake.renames_held_until = start + platform::kTicksPerSecond / 2;
  EXPECT_EQ(copy_result::kCopied, down("points.raw", 30000));
  EXPECT_EQ(bytes(30000, 'p'), on_desk("points.raw"));
  EXPECT_GE(run_.fake.clock.utc_now() - start, platform::kTicksPerSecond / 2);

  // Held for good: after a few seconds the copy gives up, the file as it was.
  run_.fake.renames_held_until = ~platform::FileTimeTicks{0};
  put_on_device("points.raw", bytes(30000, 'q'));
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed, down("points.raw", 30000));
  EXPECT_TRUE(contains(record_.history, "the copy could not be put in place"));
  EXPECT_EQ(bytes(30000, 'p'), on_desk("points.raw"));
  EXPECT_EQ((Names{"keep", "points.raw"}), desk_names());
  run_.fake.renames_held_until = 0;

#ifdef _WIN32
  // Another program holds the file open without sharing, with the real clock.
  platform::SystemClock real_clock;
  const platform::Platform& p = run_.platform;
  platform::Platform timed{p.registry, p.files,  p.shell,    p.windows,
                           real_clock, p.device, p.resources};
  app::RunContext context(timed, run_.boxes, run_.log, run_.message_texts);
  context.connected = true;
  HANDLE holder =
      CreateFileW(fs::u8path(desk() + "points.raw").wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                  0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  std::thread release([holder] {
    Sleep(500);
    CloseHandle(holder);
  });
  EXPECT_EQ(copy_result::kCopied, download_file(context, "\\Projects\\points.raw", desk(), 30000));
  release.join();
  EXPECT_EQ(bytes(30000, 'q'), on_desk("points.raw"));
#endif
}

TEST_P(CopyEngine, FailuresToOpenOrToTimeNameTheFileAndCreateNothing) {
  put_on_device("locked.raw", "x");
  put_on_desktop("new.job", "y");
  faults("FailOpen=locked.raw\n");
  EXPECT_EQ(copy_result::kFailed, down("locked.raw", 1));
  EXPECT_EQ("\tlocked.raw:\tERROR copying (CeCreateFile)\n", record_.history);
  EXPECT_EQ(copy_result::kFailed, up("missing.job", 1));
  EXPECT_TRUE(contains(report(),
                       "\tmissing.job:\tERROR copying (CreateFile)::::" + desk() + "missing.job"));
  // The device refuses the file the copy is written to.
  faults(std::string("FailOpen=") + kPartialCopyName + "\n");
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed, up("new.job", 1));
  EXPECT_EQ("\tnew.job:\tERROR copying (CeCreateFile)\n", record_.history);
  EXPECT_EQ((Names{"locked.raw"}), device_names());
  EXPECT_EQ((Names{"keep", "new.job"}), desk_names());
  EXPECT_EQ(copy_result::kFailed, download_file(run_.context, "nameless", desk(), 1));
  EXPECT_TRUE(contains(report(), "Unable to extract title and extension for file::::nameless"));

  // Times that cannot be read: copied, and the box and the report say so.
  put_on_device("timed.raw", bytes(1000, 't'));
  faults("UnplugBefore=CeGetFileTime\n");
  reconnect();
  EXPECT_EQ(copy_result::kCopied, down("timed.raw", 1000));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_TRUE(
      contains(run_.boxes.shown[0].text, "\nGetting time on device file (\\Projects\\timed.raw)"))
      << run_.boxes.shown[0].text;
  EXPECT_TRUE(contains(report(), "Successful, but the file times could not be carried over"));
}

TEST_P(CopyEngine, NamesWindowsKeepsForDevicesAreNeverDownloaded) {
  for (const char* name : {"AUX.csv", "prn.txt", "NUL", "COM9.raw", "lpt1.x.y", "LPT0.txt",
                           "Com\xC2\xB9.txt", "NUL .txt"}) {
    EXPECT_TRUE(is_reserved_device_name(name)) << name;
  }
  for (const char* name : {"AUXILIARY.csv", "COM10.raw", "LPT.txt", "xNUL", "COM",
                           "Com\xC2\xB9x.txt", "nul-points.csv"}) {
    EXPECT_FALSE(is_reserved_device_name(name)) << name;
  }
#ifndef _WIN32
  // (A Windows host cannot hold such a file for the emulated device either.)
  put_on_device("AUX.csv", "codes");
  EXPECT_EQ(copy_result::kFailed, down("AUX.csv", 5));
  EXPECT_EQ(
      "\tAUX.csv:\tERROR copying (Windows keeps the name for a device), the file was not copied\n",
      record_.history);
  EXPECT_EQ((Names{"keep"}), desk_names());
#endif
}

// A copy that reads back wrong, wherever the wrong byte lies: the copy fails
// with its own words before anything is replaced, and the file there stays.
TEST_P(CopyEngine, ACopyThatReadsBackWrongFailsAndLeavesTheDestinationAsItWas) {
  const std::string new_copy = bytes(3 * kCopyBlockSize + 500, 'v');
  const double size = static_cast<double>(new_copy.size());
  put_on_desktop("job.raw", new_copy);
  for (const long long at : {70001LL, 3LL * kCopyBlockSize + 499}) {
    SCOPED_TRACE(at);
    put_on_device("job.raw", "the field copy");
    faults("CorruptWriteAtByte=" + std::to_string(at) + "\n");
    reconnect();
    record_.history.clear();
    EXPECT_EQ(copy_result::kFailed, up("job.raw", size, safety(kept_, false, "job.raw")));
    EXPECT_TRUE(contains(record_.history,
                         "\tjob.raw:\tERROR copying (the copy read back differs from the "
                         "original), the file was not copied\n"));
    EXPECT_EQ((Names{"job.raw"}), device_names());
    EXPECT_EQ("the field copy", on_device("job.raw"));
    EXPECT_TRUE(kept_files().empty());  // nothing was about to be replaced
    EXPECT_TRUE(contains(report(), "                Not successful"));
  }
  // Unchecked, the same fault goes unseen: the check is what finds it.
  EXPECT_EQ(copy_result::kCopied, up("job.raw", size));
  EXPECT_NE(new_copy, on_device("job.raw"));

  // On this computer: a wrong byte in what the disk keeps.
  put_on_device("down.raw", new_copy);
  put_on_desktop("down.raw", "yesterday's");
  run_.fake.corrupt_write_at = 2 * kCopyBlockSize + 3;
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed, down("down.raw", size, safety(kept_, true, "down.raw")));
  EXPECT_TRUE(contains(record_.history, "(the copy read back differs from the original)"));
  EXPECT_EQ("yesterday's", on_desk("down.raw"));
  EXPECT_EQ((Names{"down.raw", "job.raw", "keep"}), desk_names());
}

// The file a download replaces is kept first: byte for byte, with its times,
// under "Desktop" and its path, with its own progress line, named in the report.
TEST_P(CopyEngine, TheDesktopFileADownloadReplacesIsKeptWithItsTimes) {
  const std::string field = bytes(2 * kCopyBlockSize + 1, 'f');
  put_on_device("job.raw", field);
  put_on_desktop("job.raw", "the office's copy");
  EXPECT_EQ(copy_result::kCopied, down("job.raw", 131073, safety(kept_, true, "Job 9\\job.raw")));
  // The copy read back still has the source's times; then its bytes.
  expect_desktop_times(kFieldTimes, desk() + "job.raw");
  EXPECT_EQ(field, on_desk("job.raw"));
  // In the transfer's folder, named after the time of the first file kept.
  EXPECT_EQ((Names{"2012-02-23 14.05.09/Desktop/Job 9/job.raw"}), kept_files());
  const std::string job9 = platform::path::join(kept_.folder(), "Desktop") + kSep + "Job 9" + kSep;
  expect_desktop_times(kFieldTimes, job9 + "job.raw");
  EXPECT_EQ("the office's copy", read_host_file(job9 + "job.raw"));
  EXPECT_TRUE(contains(record_.history, "\tKeeping Job 9\\job.raw:\t17 of 17 (100 %)\n"));
  EXPECT_TRUE(contains(report(), "                Replaced file kept as::::" + job9 + "job.raw"));

  // Replaced again in the same transfer: both versions are kept.
  put_on_device("job.raw", "the field's second copy");
  EXPECT_EQ(copy_result::kCopied, down("job.raw", 23, safety(kept_, true, "Job 9\\job.raw")));
  EXPECT_EQ((Names{"2012-02-23 14.05.09/Desktop/Job 9/job (2).raw",
                   "2012-02-23 14.05.09/Desktop/Job 9/job.raw"}),
            kept_files());
  EXPECT_EQ(field, read_host_file(job9 + "job (2).raw"));
}

// A file that cannot be kept is not replaced: the PC's disk full, the cable
// pulled while the file is fetched, or Cancel while it is; nor is one whose
// copy was cancelled while it was read back.
TEST_P(CopyEngine, AFileThatCannotBeKeptIsNotReplaced) {
  const std::string old_copy = bytes(3 * kCopyBlockSize + 11, 'o');
  put_on_desktop("job.raw", "the office's new copy");
  struct Case {
    const char* fault;
    std::int64_t desktop_space;
    int cancel_at;
    const char* cause;
  };
  for (const Case& k : {Case{"", 1000, 0, "disk full"},
                        Case{"UnplugBefore=CeReadFile:3\n", -1, 0, "data collector disconnected"},
                        Case{"", -1, 3, nullptr}, Case{"", -1, 2, nullptr}}) {
    SCOPED_TRACE(std::string(k.fault) + " cancel at " + std::to_string(k.cancel_at));
    put_on_device("job.raw", old_copy);
    faults(k.fault);
    reconnect();
    run_.fake.desktop_space = k.desktop_space;
    copying_.open();
    copying_.checks = 0;
    copying_.on_check = [&](test::FakeCopyingView& view) {
      if (copying_.checks == k.cancel_at) view.press_cancel();
    };
    run_.boxes.answers = {app::id::kYes};
    record_.history.clear();
    run_.context.last_copy_failure.clear();
    // The new copy is one block: written, read back, then the old one is fetched.
    EXPECT_EQ(k.cause != nullptr ? copy_result::kFailed : copy_result::kCancelled,
              up("job.raw", 21, safety(kept_, false, "job.raw")));
    if (k.cause != nullptr) {
      EXPECT_TRUE(contains(record_.history,
                           std::string("\tjob.raw:\tERROR keeping the file it replaces (") +
                               k.cause + "), so nothing was replaced\n"))
          << record_.history;
      EXPECT_EQ(std::string("the file it replaces could not be kept (") + k.cause + ")",
                run_.context.last_copy_failure);
    }
    EXPECT_EQ(old_copy, on_device("job.raw"));
    EXPECT_TRUE(kept_files().empty());
    run_.fake.desktop_space = -1;
    faults("");
    read_device_pane();
    EXPECT_EQ((Names{"job.raw"}), device_names());
    close_copying_dialog(run_.context);
  }
}

}  // namespace
}  // namespace vmt::device
