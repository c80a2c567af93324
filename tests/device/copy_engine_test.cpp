// The copy engine against the emulated data collector and the real desktop
// file system: blocks and progress lines, the three times, cancel, and the
// faults that must never cost the user a file, each in both of the
// emulator's error modes (the ideal one and the real link's).
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
#include "platform/emulator/emulated_device.h"
#include "support/fake_copying.h"
#include "support/fake_run.h"
#include "support/field_device.h"
#include "ui/file_panes.h"
#include "ui/transfer_planner.h"

#ifdef _WIN32
#include "platform/win32/win32_clock.h"
#endif

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

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CopyEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    faults("");
    run_.context.status_record = &record_;
    run_.fake.folder.write_file("desk/keep", "");
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }
  void TearDown() override { disconnect_from_device(run_.context); }

  // The error mode of the run; the real one in the tests that ask for it.
  virtual const char* mode() const { return "ideal"; }
  // device.ini's faults, in the run's error mode.
  void faults(const std::string& lines) {
    test::set_device_faults(run_.fake.folder, std::string("RapiErrors=") + mode() + "\n" + lines);
  }
  // A fault that lasts until the next connection takes effect at this one.
  void reconnect() {
    disconnect_from_device(run_.context);
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }

  platform::EmulatedDevice& emulator() {
    return static_cast<platform::EmulatedDevice&>(*run_.emulated);
  }
  std::string desk() { return run_.fake.folder.path("desk") + kSep; }
  std::string desk_file(const std::string& name) { return desk() + name; }
  std::string on_device(const std::string& name) {
    return run_.fake.folder.read_file("device/fs/Projects/" + name);
  }
  bool device_has(const std::string& name) {
    return std::filesystem::exists(
        std::filesystem::u8path(run_.fake.folder.path("device/fs/Projects/" + name)));
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
  // What the folders hold, partial copies and backups included.
  std::vector<std::string> names_in(const std::string& relative) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(
             std::filesystem::u8path(run_.fake.folder.path(relative)))) {
      names.push_back(item.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> device_names() { return names_in("device/fs/Projects"); }
  // The device pane read at \Projects\ over a connection of its own.
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
  void open_report() { run_.context.report.open_transfer_report(); }
  // Remote calls of an upload or a download, the blocks left out.
  std::uint64_t calls_besides_blocks(const std::function<void()>& copy) {
    const std::uint64_t before = emulator().remote_calls() - emulator().remote_calls("CeReadFile") -
                                 emulator().remote_calls("CeWriteFile");
    copy();
    return emulator().remote_calls() - emulator().remote_calls("CeReadFile") -
           emulator().remote_calls("CeWriteFile") - before;
  }

  // The safety net as a transfer with the options' defaults asks for it:
  // copies read back, and the file replaced kept as `relative`.
  CopySafety safety(bool download, const std::string& relative) {
    CopySafety checked;
    checked.verify = true;
    checked.keep_replaced = [this, download, relative](const std::string& destination) {
      return kept_.keep(!download, destination, relative);
    };
    return checked;
  }
  // The transfer folder's kept copies, by their path inside it.
  std::vector<std::string> kept_files() {
    std::vector<std::string> found;
    const std::filesystem::path root = std::filesystem::u8path(replaced_files_folder(run_.context));
    if (!std::filesystem::exists(root)) return found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
      if (item.is_regular_file()) {
        found.push_back(std::filesystem::relative(item.path(), root).generic_u8string());
      }
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  std::string kept_path(const std::string& inside) {
    return platform::path::join(kept_.folder(), inside);
  }
  static std::string read_host_file(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  test::FakeRun run_{true};
  test::RecordingStatus record_;
  test::FakeCopying copying_{run_.context};
  ReplacedFiles kept_{run_.context};
};

// The same tests in the real link's error mode as well.
class CopyEngineModes : public CopyEngine, public ::testing::WithParamInterface<const char*> {
 protected:
  const char* mode() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Modes, CopyEngineModes, ::testing::Values("ideal", "real"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(CopyEngine, ADownloadReadsTheSizeTheSourceHasAndCarriesTheTimes) {
  const std::string contents = bytes(2 * kCopyBlockSize, 'a');
  put_on_device("two.raw", contents);
  open_report();
  copying_.open();
  // Opened, its size asked, its times read, closed: four calls besides the blocks.
  EXPECT_EQ(4u, calls_besides_blocks([&] {
              EXPECT_EQ(copy_result::kCopied,
                        download_file(run_.context, "\\Projects\\two.raw", desk(),
                                      static_cast<double>(contents.size())));
            }));
  // Two whole blocks are the whole file: no read asks for more.
  EXPECT_EQ(2, copying_.checks);
  EXPECT_EQ("\t<-- two.raw:\t131072 of 131072 (100 %)\n", record_.history);
  EXPECT_EQ("", record_.current);
  EXPECT_EQ("\t<-- two.raw:\t0 of 131072 (0 %)", record_.shown_lines.front());
  expect_desktop_times(kFieldTimes, desktop_times("two.raw"));
  EXPECT_EQ(contents, run_.fake.folder.read_file("desk/two.raw"));
  const std::string lines = report();
  EXPECT_TRUE(contains(lines, "Begin copying from::::\\Projects\\two.raw"));
  EXPECT_TRUE(contains(lines, "                to::::" + desk_file("two.raw")));
  EXPECT_TRUE(contains(lines, "                Successful\n") ||
              contains(lines, "                Successful\r\n"));
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
  EXPECT_EQ(desktop_times("nothing.job"), device_times("nothing.job"));
}

TEST_F(CopyEngine, UploadsSpendFewCallsAndShowProgressByTensWithAllThreeTimes) {
  const std::string contents = bytes(1000000, 'k');
  put_on_desktop("big.job", contents);
  // Created, sized, timed, closed, its name looked at, moved there.
  EXPECT_EQ(6u, calls_besides_blocks([&] {
              EXPECT_EQ(copy_result::kCopied,
                        upload_file(run_.context, desk_file("big.job"), "\\Projects\\", 1000000));
            }));
  record_ = test::RecordingStatus();
  // Over a file: the old one put aside and removed once the copy has its name.
  EXPECT_EQ(8u, calls_besides_blocks([&] {
              EXPECT_EQ(copy_result::kCopied,
                        upload_file(run_.context, desk_file("big.job"), "\\Projects\\", 1000000));
            }));
  EXPECT_EQ(contents, on_device("big.job"));
  EXPECT_EQ("\t--> big.job:\t1000000 of 1000000 (100 %)\n", record_.history);
  // The first line, one per ten points (16 blocks in all), and the cleared line.
  ASSERT_EQ(12u, record_.shown_lines.size());
  EXPECT_EQ("\t--> big.job:\t0 of 1000000 (0 %)", record_.shown_lines[0]);
  EXPECT_EQ("\t--> big.job:\t131072 of 1000000 (10 %)", record_.shown_lines[1]);
  EXPECT_EQ("\t--> big.job:\t1000000 of 1000000 (100 %)", record_.shown_lines[10]);
  EXPECT_EQ(desktop_times("big.job"), device_times("big.job"));
  EXPECT_EQ(kFieldTimes.last_write, device_times("big.job").last_write);
  EXPECT_EQ((std::vector<std::string>{"big.job"}), device_names());
}

TEST_F(CopyEngine, CancelOfAnOverwriteKeepsTheOldFileAndAnswerNoGoesOn) {
  const std::string old_copy = bytes(5000, 'o');
  const std::string field_copy = bytes(5 * kCopyBlockSize + 1234, 'n');
  put_on_desktop("job.raw", old_copy);
  put_on_device("job.raw", field_copy);
  open_report();
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView& view) {
    if (copying_.checks == 3) view.press_cancel();
  };
  const double size = static_cast<double>(field_copy.size());
  run_.boxes.answers = {app::id::kYes};
  EXPECT_EQ(copy_result::kCancelled,
            download_file(run_.context, "\\Projects\\job.raw", desk(), size));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ("Are you sure you want to cancel the transfer?", run_.boxes.shown[0].text);
  EXPECT_EQ(0x24u, run_.boxes.shown[0].style);
  EXPECT_EQ(0x145u, run_.boxes.shown[0].owner);
  EXPECT_EQ("\tjob.raw:\tCancelled\n", record_.history);
  EXPECT_EQ((std::vector<std::string>{"job.raw", "keep"}), names_in("desk"));
  EXPECT_EQ(old_copy, run_.fake.folder.read_file("desk/job.raw"));
  EXPECT_TRUE(contains(report(), "User cancelled"));
  EXPECT_TRUE(contains(report(), "                Cancelled"));

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
  EXPECT_EQ(copy_result::kCopied, download_file(run_.context, "\\Projects\\job.raw", desk(), size));
  EXPECT_EQ(2u, run_.boxes.shown.size());
  EXPECT_EQ(field_copy, run_.fake.folder.read_file("desk/job.raw"));
}

TEST_F(CopyEngine, CancelledUploadLeavesNoFileWhereThereWasNone) {
  put_on_desktop("fresh.job", bytes(200000, 'f'));
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  run_.boxes.default_answer = app::id::kYes;
  EXPECT_EQ(copy_result::kCancelled,
            upload_file(run_.context, desk_file("fresh.job"), "\\Projects\\", 200000));
  EXPECT_TRUE(device_names().empty());
}

TEST_P(CopyEngineModes, TheEndOfTheSessionAbandonsACopyAsCancelDoes) {
  put_on_desktop("job.raw", "the desk's");
  put_on_device("job.raw", bytes(300000, 'd'));
  copying_.open();
  copying_.on_check = [&](test::FakeCopyingView&) {
    if (copying_.checks != 2) return;
    // What the window does when Windows ends the session under the copy.
    run_.context.session_ending = true;
    run_.context.abandon_copy();
  };
  EXPECT_EQ(copy_result::kCancelled,
            download_file(run_.context, "\\Projects\\job.raw", desk(), 300000));
  EXPECT_EQ("the desk's", run_.fake.folder.read_file("desk/job.raw"));
  EXPECT_EQ((std::vector<std::string>{"job.raw", "keep"}), names_in("desk"));
  EXPECT_TRUE(run_.boxes.shown.empty());  // nobody is asked any more

  run_.context.session_ending = false;
  copying_.checks = 0;
  put_on_desktop("job.raw", bytes(300000, 'u'));
  EXPECT_EQ(copy_result::kCancelled,
            upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 300000));
  EXPECT_EQ(bytes(300000, 'd'), on_device("job.raw"));
  EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
  EXPECT_FALSE(run_.context.abandon_copy);
}

TEST_P(CopyEngineModes, AReadFailingPartWayKeepsTheOldFileAndNamesTheCause) {
  struct Case {
    const char* fault;
    const char* cause;
  };
  for (const Case& k : {Case{"FailReadAfterBytes=300000\n", "read error"},
                        Case{"UnplugAfterBytes=300000\n", "data collector disconnected"}}) {
    SCOPED_TRACE(k.fault);
    put_on_device("points.raw", bytes(1 << 20, 'p'));
    put_on_desktop("points.raw", "yesterday's points");
    open_report();
    faults(k.fault);
    reconnect();
    record_.history.clear();
    EXPECT_EQ(copy_result::kFailed,
              download_file(run_.context, "\\Projects\\points.raw", desk(), 1 << 20));
    EXPECT_EQ(
        std::string("\tpoints.raw:\tERROR copying (") + k.cause + "), the file was not copied\n",
        record_.history);
    EXPECT_EQ("yesterday's points", run_.fake.folder.read_file("desk/points.raw"));
    EXPECT_EQ((std::vector<std::string>{"keep", "points.raw"}), names_in("desk"));
    EXPECT_TRUE(contains(report(), "                Not successful"));
    EXPECT_FALSE(contains(report(), "                Successful"));
    faults("");
    reconnect();
  }
}

TEST_P(CopyEngineModes, ASourceThatChangesUnderTheCopyIsNotPutInPlace) {
  const std::string host = run_.fake.folder.path("device/fs/Projects/growing.raw");
  for (const bool grow : {true, false}) {
    SCOPED_TRACE(grow ? "grows" : "shrinks");
    put_on_device("growing.raw", bytes(300000, 'g'));
    put_on_desktop("growing.raw", "the desk's");
    copying_.open();
    copying_.checks = 0;
    copying_.on_check = [&](test::FakeCopyingView&) {
      if (copying_.checks != 1) return;
      if (grow) {
        std::ofstream(std::filesystem::u8path(host), std::ios::binary | std::ios::app)
            << bytes(100000, 'x');
      } else {
        std::filesystem::resize_file(std::filesystem::u8path(host), 70000);
      }
    };
    record_.history.clear();
    EXPECT_EQ(copy_result::kFailed,
              download_file(run_.context, "\\Projects\\growing.raw", desk(), 300000));
    EXPECT_EQ(
        "\tgrowing.raw:\tERROR copying (the file changed while it was copied), the file "
        "was not copied\n",
        record_.history);
    EXPECT_EQ("the desk's", run_.fake.folder.read_file("desk/growing.raw"));
    close_copying_dialog(run_.context);
  }
}

TEST_P(CopyEngineModes, AFullDeviceKeepsThePreviousFile) {
  put_on_desktop("survey.job", bytes(300000, 's'));
  put_on_device("survey.job", "the field copy");
  faults("DiskFullAfterBytes=100000\n");
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("survey.job"), "\\Projects\\", 300000));
  EXPECT_EQ("\tsurvey.job:\tERROR copying (disk full), the file was not copied\n", record_.history);
  EXPECT_EQ("the field copy", on_device("survey.job"));
  EXPECT_EQ((std::vector<std::string>{"survey.job"}), device_names());
}

// Each step of an overwrite on the device, interrupted by the cable: a whole
// copy, old or new, is always there, and the next reading of the folder puts
// the name back to one whole file and clears away the rest.
TEST_P(CopyEngineModes, ACablePulledBeforeAnyStepOfAnOverwriteNeverLeavesLess) {
  const std::string old_copy = bytes(70000, 'o');
  const std::string new_copy = bytes(3 * kCopyBlockSize + 77, 'n');
  const std::string backup = backup_copy_name("job.raw");
  put_on_desktop("job.raw", new_copy);
  struct Case {
    const char* before;
    bool copied;
  };
  for (const Case& k :
       {Case{"CeCreateFile", false}, Case{"CeWriteFile:2", false}, Case{"CeGetFileSize", false},
        Case{"CeSetFileTime", false}, Case{"CeCloseHandle", false},
        Case{"CeGetFileAttributes", false}, Case{"CeMoveFile:1", false},
        Case{"CeMoveFile:2", false}, Case{"CeDeleteFile", true}}) {
    SCOPED_TRACE(k.before);
    put_on_device("job.raw", old_copy);
    faults(std::string("UnplugBefore=") + k.before + "\n");
    reconnect();
    record_.history.clear();
    EXPECT_EQ(k.copied ? copy_result::kCopied : copy_result::kFailed,
              upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 0));
    // The device file could not even be made (the spelled-out open failure),
    // or the cause is named.
    if (!k.copied && std::string(k.before) != "CeCreateFile") {
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
    faults("");
    record_.history.clear();
    const ui::C_file_dir_pane pane = read_device_pane();
    EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
    ASSERT_EQ(1u, pane.entries.size());
    EXPECT_EQ(k.copied ? new_copy : old_copy, on_device("job.raw"));
    if (std::string(k.before) == "CeMoveFile:2") {
      EXPECT_TRUE(contains(record_.history, "\tjob.raw:\tput back from " + backup))
          << record_.history;
    }
  }
}

TEST_P(CopyEngineModes, AMoveThatFailsNeverDeletesEitherCopy) {
  const std::string backup = backup_copy_name("job.raw");
  put_on_desktop("job.raw", "new");
  put_on_device("job.raw", "old");
  open_report();
  // Putting the old file aside fails: it stays under its name.
  faults("FailMove=" + backup + "\n");
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 3));
  EXPECT_EQ("old", on_device("job.raw"));
  EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());

  // The copy cannot take the name, nor can the old file go back: both stay.
  faults("FailMove=job.raw\n");
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 3));
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
  EXPECT_EQ("new", on_device(kPartialCopyName));
  // Once moves work again the old file is back under its name.
  faults("");
  record_.history.clear();
  pane = read_device_pane();
  ASSERT_EQ(1u, pane.entries.size());
  EXPECT_EQ("job.raw", pane.entries[0].name());
  EXPECT_EQ("old", on_device("job.raw"));
  EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
  EXPECT_TRUE(contains(record_.history, "put back from " + backup));
  EXPECT_TRUE(contains(record_.history, std::string(kPartialCopyName) + ":\tremoved"));
  EXPECT_TRUE(contains(report(), "\tjob.raw:\tput back from " + backup));
}

TEST_P(CopyEngineModes, AListingCutByTheCableIsNeverShownOrCopiedAsTheWholeFolder) {
  for (int i = 0; i < 20; ++i) {
    run_.fake.folder.write_file("device/fs/Projects/many/" + std::to_string(i) + ".raw", "m");
  }
  faults("UnplugBefore=CeFindNextFile:3\n");
  reconnect();
  ui::C_file_dir_pane pane(ui::PaneSide::kDevice);
  ui::set_pane_folder(run_.context, pane, "\\Projects\\many\\");
  ui::read_pane_folder(run_.context, pane, nullptr);
  EXPECT_TRUE(pane.entries.empty());
  EXPECT_EQ(ui::kNoConnection, pane.folder);

  // Planned for a download, the cut folder fails the transfer and nothing is copied.
  faults("");
  reconnect();
  ui::C_file_dir_pane source(ui::PaneSide::kDevice);
  ui::set_pane_folder(run_.context, source, "\\Projects\\");
  ui::read_pane_folder(run_.context, source, nullptr);
  for (ui::C_file_dir_info& entry : source.entries) {
    entry.set_selected(entry.name() == "many" ? 1 : 0, run_.context.log);
  }
  ui::C_file_dir_pane destination(ui::PaneSide::kDesktop);
  ui::set_pane_folder(run_.context, destination, desk());
  faults("UnplugBefore=CeFindNextFile:3\n");
  reconnect();
  copying_.open();
  open_report();
  const ui::TransferPlan plan =
      ui::plan_transfer(run_.context, source, destination, false, nullptr);
  EXPECT_EQ("many", plan.unlisted_folder);
  ui::TransferOutcome outcome;
  EXPECT_EQ(copy_result::kFailed, ui::transfer_entries(run_.context, plan, nullptr, &outcome));
  EXPECT_EQ(0u, outcome.copied);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(run_.fake.folder.path("desk/many"))));
  EXPECT_FALSE(contains(report(), "Successful"));
}

TEST_F(CopyEngine, ADesktopRenameHeldForHalfASecondSucceedsOnRetry) {
  put_on_device("points.raw", bytes(30000, 'p'));
  put_on_desktop("points.raw", "yesterday");
  const platform::FileTimeTicks start = run_.fake.clock.utc_now();
  run_.fake.renames_held_until = start + 5 * platform::kTicksPerSecond / 10;
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\points.raw", desk(), 30000));
  EXPECT_EQ(bytes(30000, 'p'), run_.fake.folder.read_file("desk/points.raw"));
  EXPECT_GE(run_.fake.clock.utc_now() - start, 5 * platform::kTicksPerSecond / 10);

  // Held for good: after a few seconds the copy gives up, the file as it was.
  run_.fake.renames_held_until = ~platform::FileTimeTicks{0};
  put_on_device("points.raw", bytes(30000, 'q'));
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\points.raw", desk(), 30000));
  EXPECT_TRUE(contains(record_.history, "the copy could not be put in place"));
  EXPECT_EQ(bytes(30000, 'p'), run_.fake.folder.read_file("desk/points.raw"));
  EXPECT_EQ((std::vector<std::string>{"keep", "points.raw"}), names_in("desk"));
}

#ifdef _WIN32
// Another program holds the PC's file open without sharing for half a
// second, with the real clock: the rename is tried again until it is free.
TEST_F(CopyEngine, ADesktopFileHeldByAnotherProgramForHalfASecondIsReplacedAfterIt) {
  put_on_device("points.raw", bytes(30000, 'p'));
  put_on_desktop("points.raw", "yesterday");
  platform::SystemClock real_clock;
  platform::Platform platform = run_.platform;
  platform::Platform timed{platform.registry, platform.files,  platform.shell,    platform.windows,
                           real_clock,        platform.device, platform.resources};
  app::RunContext context(timed, run_.boxes, run_.log, run_.message_texts);
  context.connected = true;
  const std::wstring held = std::filesystem::u8path(desk_file("points.raw")).wstring();
  HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  std::thread release([holder] {
    Sleep(500);
    CloseHandle(holder);
  });
  EXPECT_EQ(copy_result::kCopied, download_file(context, "\\Projects\\points.raw", desk(), 30000));
  release.join();
  EXPECT_EQ(bytes(30000, 'p'), run_.fake.folder.read_file("desk/points.raw"));
  EXPECT_EQ((std::vector<std::string>{"keep", "points.raw"}), names_in("desk"));
}
#endif

TEST_P(CopyEngineModes, TimesThatCannotBeReadAreSaidSoInTheBoxAndTheReport) {
  put_on_device("timed.raw", bytes(1000, 't'));
  open_report();
  faults("UnplugBefore=CeGetFileTime\n");
  reconnect();
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\timed.raw", desk(), 1000));
  ASSERT_EQ(1u, run_.boxes.shown.size());
  EXPECT_EQ("Veldmark - AEF6598", run_.boxes.shown[0].caption);
  EXPECT_TRUE(
      contains(run_.boxes.shown[0].text, "\nGetting time on device file (\\Projects\\timed.raw)"))
      << run_.boxes.shown[0].text;
  EXPECT_TRUE(contains(report(), "Successful, but the file times could not be carried over"));
}

TEST_F(CopyEngine, OpenFailuresNameTheFileAndCreateNothing) {
  put_on_device("locked.raw", "x");
  put_on_desktop("new.job", "y");
  open_report();
  faults("FailOpen=locked.raw\n");
  EXPECT_EQ(copy_result::kFailed,
            download_file(run_.context, "\\Projects\\locked.raw", desk(), 1));
  EXPECT_EQ("\tlocked.raw:\tERROR copying (CeCreateFile)\n", record_.history);
  EXPECT_EQ((std::vector<std::string>{"keep", "new.job"}), names_in("desk"));

  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("missing.job"), "\\Projects\\", 1));
  EXPECT_EQ("\tmissing.job:\tERROR copying (CreateFile)\n", record_.history);
  EXPECT_TRUE(contains(
      report(), "\tmissing.job:\tERROR copying (CreateFile)::::" + desk_file("missing.job")));

  // The device refuses the file the copy is written to.
  faults(std::string("FailOpen=") + kPartialCopyName + "\n");
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed,
            upload_file(run_.context, desk_file("new.job"), "\\Projects\\", 1));
  EXPECT_EQ("\tnew.job:\tERROR copying (CeCreateFile)\n", record_.history);
  EXPECT_EQ((std::vector<std::string>{"locked.raw"}), device_names());

  EXPECT_EQ(copy_result::kFailed, download_file(run_.context, "nameless", desk(), 1));
  EXPECT_TRUE(contains(report(),
                       "Error ERTHG4, Unable to extract title and extension for file::::"
                       "nameless"));
}

TEST_F(CopyEngine, NamesWindowsKeepsForDevicesAreNeverDownloaded) {
  for (const char* name : {"AUX.csv", "CON.job", "prn.txt", "NUL", "com1", "COM9.raw", "lpt1.x.y",
                           "LPT0.txt", "Com\xC2\xB9.txt", "NUL .txt"}) {
    EXPECT_TRUE(is_reserved_device_name(name)) << name;
  }
  for (const char* name : {"AUXILIARY.csv", "CONSOLE.job", "COM10.raw", "LPT.txt", "xNUL", "COM",
                           "Com\xC2\xB9x.txt", "nul-points.csv"}) {
    EXPECT_FALSE(is_reserved_device_name(name)) << name;
  }
#ifndef _WIN32
  // (A Windows host cannot hold such a file for the emulated device either.)
  put_on_device("AUX.csv", "codes");
  open_report();
  EXPECT_EQ(copy_result::kFailed, download_file(run_.context, "\\Projects\\AUX.csv", desk(), 5));
  EXPECT_EQ(
      "\tAUX.csv:\tERROR copying (Windows keeps the name for a device), the file was not "
      "copied\n",
      record_.history);
  EXPECT_EQ((std::vector<std::string>{"keep"}), names_in("desk"));
#endif
}

TEST_F(CopyEngine, WithoutADialogNoMessagesAreHandledAndNothingCancels) {
  put_on_device("quiet.raw", bytes(90000, 'q'));
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  EXPECT_FALSE(is_copying_dialog_open(run_.context));
  EXPECT_FALSE(copy_cancel_confirmed(run_.context));
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\quiet.raw", desk(), 90000));
  EXPECT_EQ(0, copying_.checks);
  EXPECT_TRUE(run_.boxes.shown.empty());
}

// A copy that reads back wrong, wherever the wrong byte lies: the copy fails
// with its own words before anything is replaced, and the file there stays.
TEST_P(CopyEngineModes, ACopyThatReadsBackWrongFailsAndLeavesTheDestinationAsItWas) {
  const std::string new_copy = bytes(3 * kCopyBlockSize + 500, 'v');
  const double size = static_cast<double>(new_copy.size());
  put_on_desktop("job.raw", new_copy);
  open_report();
  for (const long long at : {70001LL, 3LL * kCopyBlockSize + 499}) {
    SCOPED_TRACE(at);
    put_on_device("job.raw", "the field copy");
    faults("CorruptWriteAtByte=" + std::to_string(at) + "\n");
    reconnect();
    record_.history.clear();
    EXPECT_EQ(copy_result::kFailed,
              upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", size,
                          safety(false, "job.raw")));
    EXPECT_TRUE(contains(record_.history,
                         "\tjob.raw:\tERROR copying (the copy read back differs from the "
                         "original), the file was not copied\n"))
        << record_.history;
    EXPECT_EQ("the field copy", on_device("job.raw"));
    EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
    EXPECT_TRUE(kept_files().empty());  // nothing was about to be replaced
    EXPECT_TRUE(contains(report(), "                Not successful"));
  }
  // Unchecked, the same fault goes unseen: the check is what finds it.
  EXPECT_EQ(copy_result::kCopied,
            upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", size));
  EXPECT_NE(new_copy, on_device("job.raw"));

  // On this computer: a wrong byte in what the disk keeps.
  faults("");
  reconnect();
  put_on_device("down.raw", new_copy);
  put_on_desktop("down.raw", "yesterday's");
  run_.fake.corrupt_write_at = 2 * kCopyBlockSize + 3;
  record_.history.clear();
  EXPECT_EQ(copy_result::kFailed, download_file(run_.context, "\\Projects\\down.raw", desk(), size,
                                                safety(true, "down.raw")));
  EXPECT_TRUE(contains(record_.history, "(the copy read back differs from the original)"));
  EXPECT_EQ("yesterday's", run_.fake.folder.read_file("desk/down.raw"));
  EXPECT_EQ((std::vector<std::string>{"down.raw", "job.raw", "keep"}), names_in("desk"));
}

// The file a download replaces is kept first: byte for byte, with its times,
// under "Desktop" and its path, its own progress line, and named in the report.
TEST_F(CopyEngine, TheDesktopFileADownloadReplacesIsKeptWithItsTimes) {
  const std::string field = bytes(2 * kCopyBlockSize + 1, 'f');
  put_on_device("job.raw", field);
  put_on_desktop("job.raw", "the office's copy");
  open_report();
  copying_.open();
  EXPECT_EQ(copy_result::kCopied,
            download_file(run_.context, "\\Projects\\job.raw", desk(),
                          static_cast<double>(field.size()), safety(true, "Job 9\\job.raw")));
  // The copy read back still has the source's times; then its bytes.
  expect_desktop_times(device_times("job.raw"), desktop_times("job.raw"));
  EXPECT_EQ(field, run_.fake.folder.read_file("desk/job.raw"));
  // In the transfer's folder, named after the time of the first file kept.
  EXPECT_EQ((std::vector<std::string>{"2012-02-23 14.05.09/Desktop/Job 9/job.raw"}), kept_files());
  const std::string kept = kept_path("Desktop" + std::string(1, kSep) + "Job 9" + kSep + "job.raw");
  platform::FindData data;
  platform::DesktopFiles& files = run_.fake.platform().files;
  files.find_close(files.find_first(kept, &data));
  expect_desktop_times(kFieldTimes, data.times);
  EXPECT_EQ("the office's copy", read_host_file(kept));
  EXPECT_TRUE(contains(record_.history, "\tKeeping Job 9\\job.raw:\t17 of 17 (100 %)\n"))
      << record_.history;
  EXPECT_EQ("0/0 Keeping the file it replaces: Job 9\\job.raw", copying_.progress.back());
  EXPECT_TRUE(contains(report(), "                Replaced file kept as::::" + kept));
  EXPECT_TRUE(contains(report(), "                Successful"));

  // Replaced again in the same transfer: both versions are kept.
  put_on_device("job.raw", "the field's second copy");
  EXPECT_EQ(copy_result::kCopied, download_file(run_.context, "\\Projects\\job.raw", desk(), 23,
                                                safety(true, "Job 9\\job.raw")));
  EXPECT_EQ((std::vector<std::string>{"2012-02-23 14.05.09/Desktop/Job 9/job (2).raw",
                                      "2012-02-23 14.05.09/Desktop/Job 9/job.raw"}),
            kept_files());
  EXPECT_EQ(field, read_host_file(kept_path("Desktop" + std::string(1, kSep) + "Job 9" + kSep +
                                            "job (2).raw")));
}

// A file that cannot be kept is not replaced: the PC's disk full, the cable
// pulled while the file is fetched, or Cancel while it is; nor is one whose
// copy was cancelled while it was read back.
TEST_P(CopyEngineModes, AFileThatCannotBeKeptIsNotReplaced) {
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
    SCOPED_TRACE(k.fault);
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
              upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 21,
                          safety(false, "job.raw")));
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
    EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
    close_copying_dialog(run_.context);
  }
}

// The cable pulled before each step of a checked overwrite that keeps the
// file it replaces: reading back, fetching the old file, putting it aside,
// taking its name. A whole copy, old or new, is always there, the old one is
// kept on the PC whenever the new one may have replaced it, and nothing is
// kept that was not whole.
TEST_P(CopyEngineModes, ACablePulledBeforeAnyStepOfAKeepingOverwriteNeverLeavesLess) {
  const std::string old_copy = bytes(70000, 'o');
  const std::string new_copy = bytes(3 * kCopyBlockSize + 77, 'n');
  put_on_desktop("job.raw", new_copy);
  struct Case {
    const char* before;
    bool keeping;  // the cable comes out while the old file is fetched
    bool kept;
    bool copied;
  };
  int transfer = 0;
  for (const Case& k :
       {Case{"CeCreateFile:2", false, false, false}, Case{"CeReadFile:3", false, false, false},
        Case{"CeCloseHandle:2", false, false, false},
        Case{"CeGetFileAttributes", false, false, false},
        Case{"CeCreateFile:3", true, false, false},
        Case{"CeReadFile:6", true, false, false}, Case{"CeMoveFile:1", false, true, false},
        Case{"CeMoveFile:2", false, true, false}, Case{"CeDeleteFile", false, true, true}}) {
    SCOPED_TRACE(k.before);
    record_.history.clear();
    put_on_device("job.raw", old_copy);
    faults(std::string("UnplugBefore=") + k.before + "\n");
    reconnect();
    ReplacedFiles kept(run_.context);
    CopySafety checked;
    checked.verify = true;
    checked.keep_replaced = [&](const std::string& destination) {
      return kept.keep(true, destination, "job.raw");
    };
    EXPECT_EQ(k.copied ? copy_result::kCopied : copy_result::kFailed,
              upload_file(run_.context, desk_file("job.raw"), "\\Projects\\", 0, checked));
    EXPECT_EQ(k.keeping,
              contains(record_.history, "\tjob.raw:\tERROR keeping the file it replaces"))
        << record_.history;
    if (device_has("job.raw")) {
      const std::string now = on_device("job.raw");
      EXPECT_TRUE(now == old_copy || now == new_copy);
    } else {
      EXPECT_EQ(old_copy, on_device(backup_copy_name("job.raw")));
    }
    // Kept whole, or not at all; each keeping transfer has a folder of its own.
    const std::string folder = kept.folder();
    if (k.kept) {
      ++transfer;
      EXPECT_EQ(old_copy, read_host_file(platform::path::join(folder, "Data collector") + kSep +
                                         "job.raw"));
    }
    for (const std::string& file : kept_files()) {
      EXPECT_EQ(std::string::npos, file.find(kPartialCopyName)) << file;
    }
    EXPECT_EQ(static_cast<std::size_t>(transfer), kept_files().size());
    faults("");
    read_device_pane();
    EXPECT_EQ((std::vector<std::string>{"job.raw"}), device_names());
    EXPECT_EQ(k.copied ? new_copy : old_copy, on_device("job.raw"));
  }
}

}  // namespace
}  // namespace vmt::device
