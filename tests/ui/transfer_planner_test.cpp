// The conflict check and the planner over panes read from the emulated data
// collector and the desktop, with the copying dialog's checks scripted.
#include "ui/transfer_planner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "device/copy_engine.h"
#include "device/device_link.h"
#include "device/replaced_files.h"
#include "platform/common/path.h"
#include "support/fake_copying.h"
#include "support/fake_run.h"
#include "support/field_device.h"

namespace vmt::ui {
namespace {

constexpr char kSep = platform::path::kSeparator;
constexpr platform::FileTimes kOfficeTimes{130000000000000000ULL, 130100000000000000ULL,
                                           130200000000000000ULL};
// The emulator's two ways of reporting a lost link: the ideal one and rapi.dll's own.
constexpr const char* kErrorModes[] = {"", "RapiErrors=real\n"};

class Planner : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    run_.context.status_record = &record_;
    run_.fake.folder.write_file("desk/.keep", "");
  }
  // Both sides' files get one whole second: written in turn, a slow run could
  // cross a second between them and make the later one "newer".
  void on_device(const std::string& relative, const std::string& contents) {
    write_at_stamp("device/fs/Projects/" + relative, contents);
  }
  void on_desktop(const std::string& relative, const std::string& contents) {
    write_at_stamp("desk/" + relative, contents);
  }
  void write_at_stamp(const std::string& relative, const std::string& contents) {
    run_.fake.folder.write_file(relative, contents);
    std::filesystem::last_write_time(std::filesystem::u8path(run_.fake.folder.path(relative)),
                                     stamp_);
  }
  bool device_has(const std::string& relative) {
    return std::filesystem::exists(
        std::filesystem::u8path(run_.fake.folder.path("device/fs/Projects/" + relative)));
  }
  bool desktop_has(const std::string& relative) {
    return std::filesystem::exists(std::filesystem::u8path(run_.fake.folder.path("desk/" + relative)));
  }
  // A device folder as the device names it, a desktop one under the test's folder.
  C_file_dir_pane pane_at(PaneSide side, const std::string& folder,
                          const std::string& filter = kAllFiles) {
    C_file_dir_pane pane(side);
    const bool device = side == PaneSide::kDevice;
    set_pane_folder(run_.context, pane, device ? folder : run_.fake.folder.path(folder) + kSep);
    pane.filter = filter;
    if (device) {
      EXPECT_EQ(device::status::kSuccess, device::connect_to_device(run_.context, false, false));
    }
    read_pane_folder(run_.context, pane, nullptr);
    if (device) device::disconnect_from_device(run_.context);
    return pane;
  }
  C_file_dir_pane device_pane(const std::string& filter = kAllFiles) {
    return pane_at(PaneSide::kDevice, "\\Projects\\", filter);
  }
  C_file_dir_pane desktop_pane() { return pane_at(PaneSide::kDesktop, "desk"); }
  void select(C_file_dir_pane& pane, const std::vector<std::string>& names) {
    for (C_file_dir_info& entry : pane.entries) {
      const bool chosen = std::find(names.begin(), names.end(), entry.name()) != names.end();
      entry.set_selected(chosen ? 1 : 0, run_.context.log);
    }
  }
  bool check(const C_file_dir_pane& source, const C_file_dir_pane& destination,
             bool subfolders = false) {
    return check_conflicts(run_.context,
                           plan_transfer(run_.context, source, destination, subfolders, nullptr));
  }
  int transfer(const C_file_dir_pane& source, const C_file_dir_pane& destination,
               const std::function<void()>& no_connection, bool subfolders = false) {
    plan_ = plan_transfer(run_.context, source, destination, subfolders, nullptr);
    return transfer_entries(run_.context, plan_, no_connection, &outcome_);
  }
  std::string conflict_lines(const C_file_dir_pane& source, const C_file_dir_pane& destination,
                             bool subfolders = false) {
    std::string text;
    for (const Conflict& conflict :
         plan_transfer(run_.context, source, destination, subfolders, nullptr).conflicts) {
      text += conflict.line + (conflict.blocks ? " [blocks]\n" : "\n");
    }
    return text;
  }
  std::string summary() {
    std::string text;
    for (const std::string& line : failure_summary(run_.context, plan_, outcome_)) {
      text += line + "\n";
    }
    return text;
  }

  void set_device_times(const std::string& relative, const platform::FileTimes& times) {
    ASSERT_EQ(device::status::kSuccess, device::connect_to_device(run_.context, false, false));
    std::string path = "\\Projects\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    platform::Device& dev = run_.context.platform.device;
    const platform::CeHandle file = dev.CeCreateFile(
        device::to_device(path), platform::ce::kGenericRead | platform::ce::kGenericWrite, 0,
        platform::ce::kOpenExisting, platform::ce::kFileAttributeNormal);
    ASSERT_NE(platform::kCeInvalidHandle, file);
    dev.CeSetFileTime(file, &times.creation, &times.last_access, &times.last_write);
    dev.CeCloseHandle(file);
    device::disconnect_from_device(run_.context);
  }
  std::string desk_path(const std::string& relative) {
    std::string path = run_.fake.folder.path("desk/" + relative);
    std::replace(path.begin(), path.end(), '/', kSep);
    return path;
  }
  void set_desktop_times(const std::string& relative, const platform::FileTimes& times) {
    platform::DesktopFiles& files = run_.context.platform.files;
    const platform::FileHandle file = files.open_file(
        desk_path(relative), platform::FileAccess::kReadWrite,
        platform::FileDisposition::kOpenExisting);
    ASSERT_NE(platform::kInvalidFile, file);
    files.set_file_times(file, times);
    files.close_file(file);
  }

  const std::filesystem::file_time_type stamp_ = std::chrono::floor<std::chrono::seconds>(
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  test::FakeRun run_{true};
  test::RecordingStatus record_;
  test::FakeCopying copying_{run_.context};
  TransferPlan plan_;
  TransferOutcome outcome_;
};

TEST_F(Planner, ConflictLinesCoverEveryPairingEvenUnlistedOnesAndTheBoxFollowsThem) {
  on_desktop("Job A/a.raw", "a");
  on_desktop("Job B/b.raw", "b");
  on_desktop("same.raw", "s");
  on_desktop("mine.raw", "m");
  on_desktop("plan.csv", "p");
  on_device("JOB A/old.raw", "o");
  on_device("Job B", "a file by the folder's name");
  on_device("same.raw", "s");
  on_device("plan.csv/inside", "a folder by the file's name");
  C_file_dir_pane source = desktop_pane();
  C_file_dir_pane destination = device_pane();
  select(source, {"Job A", "same.raw", "mine.raw"});
  run_.boxes.answers = {app::id::kNo, app::id::kYes};
  EXPECT_FALSE(check(source, destination));
  EXPECT_EQ("The following conflicts have been found:\n\n"
            "  Dir: 'Job A' (files with same name will be overwritten in destination folder)\n"
            "  File:'same.raw' (file will be overwritten)\n\n"
            "Do you want to continue?\n",
            run_.last_text());
  EXPECT_EQ(0x24u, run_.boxes.shown.back().style);
  EXPECT_TRUE(check(source, destination));

  select(source, {"Job B", "plan.csv", "mine.raw"});
  EXPECT_EQ("  Dir: 'Job B' to File:'Job B', NOT ALLOWED [blocks]\n"
            "  File:'plan.csv' to Dir: 'plan.csv', NOT ALLOWED [blocks]\n",
            conflict_lines(source, destination));
  EXPECT_FALSE(check(source, destination));
  EXPECT_NE(std::string::npos,
            run_.last_text().find("You must deselect the NOT ALLOWED items before proceeding.\n"));
  EXPECT_EQ(0u, run_.boxes.shown.back().style);

  select(source, {"mine.raw"});
  const std::size_t boxes = run_.boxes.shown.size();
  EXPECT_TRUE(check(source, destination));
  EXPECT_EQ(boxes, run_.boxes.shown.size());

  // Names equal in any case clash, and names the last read did not list (hidden
  // by the filter, or arrived since) are asked of the destination.
  const std::string lower = "\xC3\xA9t\xC3\xA9.csv";  // été.csv
  on_device("\xC3\x89T\xC3\x89.csv", "field");      // ÉTÉ.csv
  on_device("points.raw", "hidden by the filter");
  on_desktop(lower, "office");
  on_desktop("points.raw", "p");
  source = desktop_pane();
  destination = device_pane(kFeatlinkFiles);
  select(source, {lower, "points.raw", "mine.raw"});
  on_device("late.raw", "arrived since");
  on_desktop("late.raw", "l");
  EXPECT_EQ("  File:'points.raw' (file will be overwritten)\n"
            "  File:'" + lower + "' (file will be overwritten)\n",
            conflict_lines(source, destination));
  EXPECT_FALSE(run_.context.connected);
  C_file_dir_pane field = device_pane();
  select(field, {"late.raw"});
  EXPECT_EQ("  File:'late.raw' (file will be overwritten)\n", conflict_lines(field, source));
}

// Ten files "01.raw" to "10.raw", copied in that order; each holds 1000 bytes
// of its own letter.
std::vector<std::string> ten_files() {
  std::vector<std::string> names;
  for (int i = 1; i <= 10; ++i) names.push_back((i < 10 ? "0" : "") + std::to_string(i) + ".raw");
  return names;
}
std::string contents_of(const std::string& name) {
  return std::string(1000, static_cast<char>('a' + std::stoi(name) - 1));
}

TEST_F(Planner, UnpluggedDuringTheFifthOfTenUploadsKeepsTheFourAndTheOldFifth) {
  for (const std::string& name : ten_files()) on_desktop(name, contents_of(name));
  on_device("05.raw", "the fifth as it was");
  C_file_dir_pane source = desktop_pane();
  C_file_dir_pane destination = device_pane();
  select(source, ten_files());
  copying_.open();
  // Each copy is read back: four files move 8000 bytes, the fifth is cut.
  test::set_device_faults(run_.fake.folder, "UnplugAfterBytes=8500\n");
  EXPECT_EQ(device::copy_result::kFailed,
            transfer(source, destination, nullptr));
  for (const char* name : {"01.raw", "02.raw", "03.raw", "04.raw"}) {
    EXPECT_EQ(contents_of(name),
              run_.fake.folder.read_file(std::string("device/fs/Projects/") + name));
  }
  EXPECT_EQ("the fifth as it was", run_.fake.folder.read_file("device/fs/Projects/05.raw"));
  EXPECT_FALSE(device_has("06.raw"));
  EXPECT_NE(std::string::npos, record_.history.find("05.raw"));
  EXPECT_NE(std::string::npos, record_.history.find("data collector disconnected"));

  // Plugged in again, the pane shows the four and the old fifth, and no partial copy.
  test::set_device_faults(run_.fake.folder, "");
  std::vector<std::string> names;
  for (const C_file_dir_info& entry : device_pane().entries) names.push_back(entry.name());
  EXPECT_EQ(std::vector<std::string>({"01.raw", "02.raw", "03.raw", "04.raw", "05.raw"}), names);
}

// A full desktop, the cable pulled at an odd byte in either error mode, or Cancel
// during the fifth of ten files of a folder: the transfer stops there, and a
// failure's summary says what is left.
TEST_F(Planner, AFailureOrCancelDuringTheFifthOfTenDownloadsStopsThereAndTheSummaryNamesTheRest) {
  for (const std::string& name : ten_files()) on_device("Job/" + name, contents_of(name));
  on_device("z.raw", "z");
  struct Case {
    const char* faults;
    std::int64_t space;
    bool fifth_copied;
    const char* cause;  // none: Cancel
  };
  // The ideal link hands over the fifth file's one read whole and fails the next
  // call, the sixth file's open, which names the cable as a failed read does.
  for (const Case& k :
       {Case{"", 4500, false, "disk full"},
        Case{"UnplugAfterBytes=4321\n", -1, true, "data collector disconnected"},
        Case{"UnplugAfterBytes=4321\nRapiErrors=real\n", -1, false, "data collector disconnected"},
        Case{"", -1, false, nullptr}}) {
    SCOPED_TRACE(k.faults);
    std::filesystem::remove_all(std::filesystem::u8path(desk_path("Job")));
    on_desktop("Job/05.raw", "the fifth as it was");
    test::set_device_faults(run_.fake.folder, "");
    C_file_dir_pane source = device_pane();
    select(source, {"Job", "z.raw"});
    copying_.open();
    copying_.on_check = [&](test::FakeCopyingView& view) {
      const bool fifth = desktop_has("Job/04.raw") &&
                         desktop_has(std::string("Job/") + device::kPartialCopyName);
      if (k.cause == nullptr && fifth) view.press_cancel();
    };
    run_.boxes.default_answer = app::id::kYes;
    record_.history.clear();
    run_.fake.desktop_space = k.space;
    test::set_device_faults(run_.fake.folder, k.faults);
    EXPECT_EQ(k.cause ? device::copy_result::kFailed : device::copy_result::kCancelled,
              transfer(source, desktop_pane(), nullptr));
    run_.fake.desktop_space = -1;
    for (const char* name : {"01.raw", "02.raw", "03.raw", "04.raw"}) {
      EXPECT_EQ(contents_of(name), run_.fake.folder.read_file(std::string("desk/Job/") + name));
    }
    EXPECT_EQ(k.fifth_copied ? contents_of("05.raw") : "the fifth as it was",
              run_.fake.folder.read_file("desk/Job/05.raw"));
    EXPECT_FALSE(desktop_has("Job/06.raw"));
    EXPECT_FALSE(desktop_has(std::string("Job/") + device::kPartialCopyName));
    EXPECT_FALSE(desktop_has("z.raw"));
    EXPECT_FALSE(run_.context.connected);
    if (k.cause == nullptr) {
      EXPECT_NE(std::string::npos, record_.history.find("\t05.raw:\tCancelled\n"));
      continue;
    }
    const int copied = k.fifth_copied ? 5 : 4;
    const std::string failed = k.fifth_copied ? "06.raw" : "05.raw";
    EXPECT_EQ("The transfer stopped at Job\\" + failed + ": " + k.cause + "\n" +
                  std::to_string(copied) + " of 11 files were copied.\nNot transferred:\n  Dir: 'Job' (" +
                  std::to_string(10 - copied) + " of its 10 files not copied)\n  File:'z.raw'\n",
              summary());
    record_failure(run_.context, failure_summary(run_.context, plan_, outcome_));
    EXPECT_NE(std::string::npos, record_.history.find("\nNot transferred:\n  Dir: 'Job' ("));
  }

  // A cancel confirmed between files stops before the next one with its own line.
  record_.history.clear();
  copying_.on_check = [&](test::FakeCopyingView& view) { view.press_cancel(); };
  C_file_dir_pane source = device_pane();
  select(source, {"z.raw"});
  EXPECT_EQ(device::copy_result::kCancelled, transfer(source, desktop_pane(), nullptr));
  EXPECT_EQ("\tCancelled\n", record_.history);
}

// A folder that cannot be listed stops the transfer before anything is made; a
// device gone at the plan or between the plan and the copy tells the caller.
TEST_F(Planner, AFolderThatCannotBeListedOrAnAbsentDeviceIsAFailureAndNothingIsMade) {
  for (int i = 0; i < 20; ++i) on_device("Job 5/" + std::to_string(i) + ".raw", "m");
  on_device("after.raw", "a");
  for (const char* mode : kErrorModes) {
    SCOPED_TRACE(mode);
    test::set_device_faults(run_.fake.folder, mode);
    C_file_dir_pane source = device_pane();
    select(source, {"Job 5", "after.raw"});
    int pumped = 0;
    plan_ = plan_transfer(run_.context, source, desktop_pane(), true, [&] {
      if (++pumped == 7) test::set_device_faults(run_.fake.folder, std::string("Present=0\n") + mode);
    });
    EXPECT_EQ("Job 5", plan_.unlisted_folder);
    EXPECT_EQ(device::copy_result::kFailed,
              transfer_entries(run_.context, plan_, nullptr, &outcome_));
    EXPECT_EQ(0u, outcome_.copied);
    EXPECT_EQ(0u, summary().find("The transfer stopped at Job 5: the folder could not be listed"));
    EXPECT_NE(std::string::npos,
              summary().find("No file was copied.\nNot transferred:\n  Dir: 'Job 5'\n"
                             "  File:'after.raw'\n"));

    // Still gone at the next plan, or gone between the plan and the copy.
    bool told = false;
    EXPECT_NE(device::status::kSuccess, transfer(source, desktop_pane(), [&] { told = true; }));
    EXPECT_TRUE(told);
    test::set_device_faults(run_.fake.folder, mode);
    plan_ = plan_transfer(run_.context, source, desktop_pane(), true, nullptr);
    test::set_device_faults(run_.fake.folder, std::string("Present=0\n") + mode);
    told = false;
    EXPECT_NE(device::status::kSuccess,
              transfer_entries(run_.context, plan_, [&] { told = true; }, &outcome_));
    EXPECT_TRUE(told);
    EXPECT_FALSE(desktop_has("Job 5"));
    EXPECT_FALSE(desktop_has("after.raw"));
    EXPECT_FALSE(run_.context.connected);
  }

  // A desktop folder gone since the pane was read fails the same way.
  test::set_device_faults(run_.fake.folder, "");
  on_desktop("Gone/x.raw", "x");
  C_file_dir_pane desk = desktop_pane();
  select(desk, {"Gone"});
  std::filesystem::remove_all(std::filesystem::u8path(desk_path("Gone")));
  EXPECT_EQ(device::copy_result::kFailed, transfer(desk, device_pane(), nullptr, true));
  EXPECT_FALSE(device_has("Gone"));
  EXPECT_EQ("Gone", outcome_.stopped_at);
}

// Names outside ASCII in folders and files, blocks of odd sizes and an empty
// folder go up and back whole; a name the device's paths cannot hold is refused.
TEST_F(Planner, AThreeLevelTreeGoesUpAndBackWholeWithSubFoldersOnAndTooLongNamesAreRefused) {
  const std::vector<std::string> files = {
      "Job 9/a.raw", "Job 9/Day 1/b.raw",
      "Job 9/Day 1/Gr\xC3\xBCn \xD0\xA4\xCE\xA9/\xE5\x9C\xB0 \xC3\xA9.raw"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    on_desktop(files[i], std::string(4097 * i + 3, static_cast<char>('a' + i)));
  }
  std::filesystem::create_directories(std::filesystem::u8path(desk_path("Job 9/Empty")));
  C_file_dir_pane source = desktop_pane();
  select(source, {"Job 9"});
  copying_.open();
  EXPECT_EQ(device::copy_result::kCopied, transfer(source, device_pane(), nullptr, true));
  EXPECT_EQ(3u, outcome_.copied);
  EXPECT_TRUE(device_has("Job 9/Empty"));

  run_.fake.folder.write_file("back/.keep", "");
  C_file_dir_pane field = device_pane();
  select(field, {"Job 9"});
  EXPECT_EQ(device::copy_result::kCopied,
            transfer(field, pane_at(PaneSide::kDesktop, "back"), nullptr, true));
  EXPECT_TRUE(std::filesystem::is_directory(
      std::filesystem::u8path(run_.fake.folder.path("back/Job 9/Empty"))));
  for (const std::string& file : files) {
    EXPECT_EQ(run_.fake.folder.read_file("desk/" + file),
              run_.fake.folder.read_file("device/fs/Projects/" + file));
    EXPECT_EQ(run_.fake.folder.read_file("desk/" + file), run_.fake.folder.read_file("back/" + file));
  }

  // The device path would pass 259 characters: the copy is not put in place
  // under a cut name, and the status area says so.
  const std::string long_name = std::string(250, 'L') + ".raw";
  on_desktop(long_name, "long");
  on_device("LLLL.raw", "a neighbour that must stay");
  source = desktop_pane();
  select(source, {long_name});
  EXPECT_EQ(device::copy_result::kFailed, transfer(source, device_pane(), nullptr));
  EXPECT_NE(std::string::npos, record_.history.find(long_name + ":\tERROR copying ("));
  EXPECT_EQ("a neighbour that must stay", run_.fake.folder.read_file("device/fs/Projects/LLLL.raw"));
  for (const C_file_dir_info& entry : device_pane().entries) {
    EXPECT_EQ(std::string::npos, entry.name().find("LLLLLLLL")) << entry.name();
  }
}

#ifndef _WIN32
// Only a Linux host can hold, for the emulated device, the names a real device
// may hand back that Windows itself would not keep.
TEST_F(Planner, DeviceNamesWindowsWouldChangeOrKeepForDevicesAreNeverDownloaded) {
  on_device("survey.raw.", "would become survey.raw");
  on_device("notes ", "would become notes");
  on_device("..\\..\\escape.raw", "a name with separators");
  on_desktop("survey.raw", "the PC's own survey");
  run_.log.clear();
  C_file_dir_pane source = device_pane();
  EXPECT_EQ(1u, run_.log.count());
  for (const C_file_dir_info& entry : source.entries) {
    EXPECT_EQ(std::string::npos, entry.name().find("escape")) << entry.name();
  }
  copying_.open();
  run_.boxes.default_answer = app::id::kYes;
  for (const char* name : {"notes ", "survey.raw."}) {
    SCOPED_TRACE(name);
    record_.history.clear();
    select(source, {name});
    EXPECT_EQ(device::copy_result::kFailed, transfer(source, desktop_pane(), nullptr));
    EXPECT_NE(std::string::npos,
              record_.history.find(std::string("\t") + name +
                                   ":\tERROR copying (the name ends with a blank or a dot, "
                                   "which Windows drops), the file was not copied\n"))
        << record_.history;
  }
  EXPECT_EQ("the PC's own survey", run_.fake.folder.read_file("desk/survey.raw"));
  EXPECT_FALSE(desktop_has("notes "));
  EXPECT_FALSE(desktop_has("notes"));

  // A folder so named stops the download before it is made.
  on_device("Job 9/a.raw", "a");
  on_device("Job 9/AUX/b.raw", "b");
  on_device("Job 9/AUX/Deeper/c.raw", "c");
  source = device_pane();
  select(source, {"Job 9"});
  EXPECT_EQ(device::copy_result::kFailed, transfer(source, desktop_pane(), nullptr, true));
  EXPECT_TRUE(desktop_has("Job 9/a.raw"));
  EXPECT_FALSE(desktop_has("Job 9/AUX"));
  EXPECT_EQ("The transfer stopped at Job 9\\AUX: Windows keeps the name for a device\n"
            "1 of 3 files were copied.\n"
            "Not transferred:\n"
            "  Dir: 'Job 9' (2 of its 3 files not copied)\n",
            summary());
}
#endif

TEST_F(Planner, WithSubFoldersOffAFolderCopiesItsOwnLevelIntoAFolderOfOtherCaseAndNamesTheRest) {
  on_device("Job 9/a.raw", "a");
  on_device("Job 9/Photos/p.jpg", "p");
  on_device("Job 9/Photos/Old/q.jpg", "q");
  on_device("Job 9/Day 1/b.raw", "b");
  on_desktop("JOB 9/old.txt", "kept");
  C_file_dir_pane source = device_pane();
  select(source, {"Job 9"});
  C_file_dir_pane destination = desktop_pane();
  run_.boxes.answers = {app::id::kNo};
  EXPECT_FALSE(check(source, destination));
  EXPECT_EQ("These sub-folders will not be copied, nor anything inside them:\n\n"
            "  Dir: 'Job 9\\Day 1' (sub-folder, not copied)\n"
            "  Dir: 'Job 9\\Photos' (sub-folder, not copied)\n\n"
            "To copy sub-folders too, check \"Copy sub-folders\" in the Options menu.\n\n"
            "The following conflicts have been found:\n\n"
            "  Dir: 'Job 9' (files with same name will be overwritten in destination folder)\n\n"
            "Do you want to continue?\n",
            run_.last_text());
  EXPECT_FALSE(desktop_has("JOB 9/a.raw"));

  copying_.open();
  EXPECT_EQ(device::copy_result::kCopied, transfer(source, destination, nullptr));
  EXPECT_EQ("a", run_.fake.folder.read_file("desk/JOB 9/a.raw"));
  EXPECT_EQ("kept", run_.fake.folder.read_file("desk/JOB 9/old.txt"));
  EXPECT_FALSE(desktop_has("JOB 9/Photos"));
  EXPECT_FALSE(desktop_has("JOB 9/Day 1"));
  // No second folder in the source's spelling.
  std::vector<std::string> folders;
  for (const auto& item : std::filesystem::directory_iterator(
           std::filesystem::u8path(run_.fake.folder.path("desk")))) {
    if (item.is_directory()) folders.push_back(item.path().filename().u8string());
  }
  EXPECT_EQ((std::vector<std::string>{"JOB 9"}), folders);
  EXPECT_NE(std::string::npos, record_.history.find("\tSub-folder not copied: Job 9\\Photos\n"));
}

std::string read_host_file(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An upload into a merged folder: clashes deep inside are named by their paths
// and No copies nothing; Yes over a newer file of the data collector keeps the
// field's copy first, with its time, under its path in the transfer's one folder.
TEST_F(Planner, AnUploadIntoAMergedFolderNamesDeepClashesAndYesKeepsTheNewerFieldCopy) {
  const platform::FileTimes field_times{kOfficeTimes.creation, kOfficeTimes.last_access,
                                        kOfficeTimes.last_write + 3600 * platform::kTicksPerSecond};
  on_device("Job 9/a.raw", "older a");
  on_device("Job 9/Day 2/Points/pts.raw", "the field's points");
  on_device("notes.txt", "the field's notes");
  on_desktop("Job 9/a.raw", "office a");
  on_desktop("Job 9/Day 2/Points/pts.raw", "the office's points");
  on_desktop("Job 9/Day 2/new.raw", "n");
  on_desktop("notes.txt", "the office's notes");
  set_desktop_times("Job 9/Day 2/Points/pts.raw", kOfficeTimes);
  set_device_times("Job 9/Day 2/Points/pts.raw", field_times);
  C_file_dir_pane source = desktop_pane();
  select(source, {"Job 9", "notes.txt"});
  const std::string merged =
      "  Dir: 'Job 9' (files with same name will be overwritten in destination folder)\n";
  const std::string notes = "  File:'notes.txt' (file will be overwritten)\n";
  EXPECT_EQ(merged +
                "  File:'Job 9\\Day 2\\Points\\pts.raw' (File will be overwritten. WARNING, "
                "destination file is newer.)\n" + notes,
            conflict_lines(source, device_pane(), true));
  // With sub-folders off only the folder's own level is looked at.
  EXPECT_EQ(merged + notes, conflict_lines(source, device_pane()));
  plan_ = plan_transfer(run_.context, source, device_pane(), true, nullptr);
  run_.boxes.answers = {app::id::kNo, app::id::kYes};
  EXPECT_FALSE(check_conflicts(run_.context, plan_));
  EXPECT_EQ("the field's points",
            run_.fake.folder.read_file("device/fs/Projects/Job 9/Day 2/Points/pts.raw"));
  EXPECT_FALSE(device_has("Job 9/Day 2/new.raw"));
  ASSERT_TRUE(check_conflicts(run_.context, plan_));
  copying_.open();
  EXPECT_EQ(device::copy_result::kCopied,
            transfer_entries(run_.context, plan_, nullptr, &outcome_));

  const std::string folder = platform::path::join(device::replaced_files_folder(run_.context),
                                                  "2012-02-23 14.05.09");
  const std::string kept_in = platform::path::join(folder, "Data collector") + kSep;
  const std::string kept =
      kept_in + "Job 9" + kSep + "Day 2" + kSep + "Points" + kSep + "pts.raw";
  EXPECT_EQ("the field's points", read_host_file(kept));
  platform::FindData data;
  platform::DesktopFiles& files = run_.context.platform.files;
  const platform::FindHandle find = files.find_first(kept, &data);
  ASSERT_NE(platform::kInvalidFind, find) << kept;
  files.find_close(find);
  EXPECT_EQ(field_times.last_write, data.times.last_write);
  EXPECT_EQ("the field's notes", read_host_file(kept_in + "notes.txt"));
  EXPECT_EQ("the office's points",
            run_.fake.folder.read_file("device/fs/Projects/Job 9/Day 2/Points/pts.raw"));

  // Switched off, nothing is kept and nothing is read back.
  run_.arrange_option("KeepReplaced", "0");
  run_.arrange_option("VerifyCopies", "0");
  record_.shown_lines.clear();
  EXPECT_EQ(device::copy_result::kCopied, transfer(source, device_pane(), nullptr, true));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(folder + " (2)")));
  for (const std::string& line : record_.shown_lines) EXPECT_EQ(std::string::npos, line.find("Checking"));

  // A file meeting a folder, or a folder a file, at any depth blocks with OK only.
  on_device("Job 9/Day 1/pts.raw/inside", "a folder by the file's name");
  on_device("Job 9/Notes", "a file by the folder's name");
  on_desktop("Job 9/Day 1/pts.raw", "p");
  on_desktop("Job 9/Notes/n.txt", "n");
  source = desktop_pane();
  select(source, {"Job 9"});
  const std::string lines = conflict_lines(source, device_pane(), true);
  EXPECT_NE(std::string::npos,
            lines.find("  File:'Job 9\\Day 1\\pts.raw' to Dir: 'Job 9\\Day 1\\pts.raw', NOT "
                       "ALLOWED [blocks]\n"))
      << lines;
  EXPECT_NE(std::string::npos,
            lines.find("  Dir: 'Job 9\\Notes' to File:'Job 9\\Notes', NOT ALLOWED [blocks]\n"))
      << lines;
  run_.boxes.answers = {app::id::kYes};
  EXPECT_FALSE(check(source, device_pane(), true));
  EXPECT_EQ(0u, run_.boxes.shown.back().style);
}

// Storage cards and FAT disks keep a file's time to two seconds: a copy there
// is up to two seconds later than its source, and no newer for it. A device
// time that converts to no date is never newer either, and the file still copies.
TEST_F(Planner, ASecondOrTwoLaterIsNotNewerWhereEitherSideKeepsFatTimesNorIsAnUnknownTime) {
  test::set_device_faults(run_.fake.folder, "StorageCards=Storage Card\n");
  on_desktop("a.raw", "office");
  // 14:05:09.3 on the PC; the card rounds its copy up to 14:05:10.
  const platform::FileTimes odd{kOfficeTimes.creation, kOfficeTimes.last_access,
                                130000000090000000ULL + 3000000ULL};
  set_desktop_times("a.raw", odd);
  std::filesystem::create_directories(
      std::filesystem::u8path(run_.fake.folder.path("device/fs/Storage Card/Jobs")));
  C_file_dir_pane source = desktop_pane();
  select(source, {"a.raw"});
  copying_.open();
  ASSERT_EQ(device::copy_result::kCopied,
            transfer(source, pane_at(PaneSide::kDevice, "\\Storage Card\\Jobs\\"), nullptr));
  const C_file_dir_pane card = pane_at(PaneSide::kDevice, "\\Storage Card\\Jobs\\");
  ASSERT_EQ(1u, card.entries.size());
  EXPECT_EQ(130000000100000000ULL, card.entries[0].last_write());
  const std::string plain = "  File:'a.raw' (file will be overwritten)\n";
  EXPECT_EQ(plain, conflict_lines(source, card));

  // In the object store a second later is newer; on a FAT disk of the PC it is not.
  on_device("a.raw", "field");
  const auto later = [&](platform::FileTimeTicks by) {
    set_device_times("a.raw", {odd.creation, odd.last_access, odd.last_write + by});
    return conflict_lines(source, device_pane());
  };
  const std::string newer =
      "  File:'a.raw' (File will be overwritten. WARNING, destination file is newer.)\n";
  EXPECT_EQ(newer, later(10000000ULL));
  EXPECT_EQ(plain, later(6000000ULL));  // 09.3 against 09.9: the same second
  run_.fake.desktop_file_system = "FAT32";
  EXPECT_EQ(plain, later(10000000ULL));
  EXPECT_EQ(newer, later(30000000ULL));
  run_.fake.desktop_file_system.clear();

  for (const platform::FileTimeTicks unknown : {platform::FileTimeTicks{0}, ~platform::FileTimeTicks{0}}) {
    SCOPED_TRACE(unknown);
    set_device_times("a.raw", {unknown, unknown, unknown});
    C_file_dir_pane field = device_pane();
    std::int64_t seconds = 0;
    EXPECT_FALSE(field.entries[0].modification_time(&seconds));
    EXPECT_EQ(plain, conflict_lines(source, field));
    select(field, {"a.raw"});
    EXPECT_EQ(device::copy_result::kCopied, transfer(field, desktop_pane(), nullptr));
    EXPECT_EQ("field", run_.fake.folder.read_file("desk/a.raw"));
  }
}

// Past two minutes, the clock check's measure ends every line that compares a
// device time with a desktop time, at every level.
TEST_F(Planner, TheMeasuredClockDifferenceEndsTheLinesThatCompareTimes) {
  on_device("a.raw", "field");
  on_device("Job/b.raw", "field");
  on_desktop("a.raw", "office");
  on_desktop("Job/b.raw", "office");
  set_desktop_times("a.raw", kOfficeTimes);
  set_desktop_times("Job/b.raw", kOfficeTimes);
  set_device_times("a.raw", kOfficeTimes);
  set_device_times("Job/b.raw", {kOfficeTimes.creation, kOfficeTimes.last_access,
                                 kOfficeTimes.last_write + 60 * platform::kTicksPerSecond});
  struct Case {
    const char* offset;
    const char* words;
  };
  for (const Case& k : {Case{"7200", " (device clock 2 h 00 min ahead)"},
                        Case{"-3720", " (device clock 1 h 02 min behind)"},
                        Case{"-150", " (device clock 3 min behind)"}, Case{"120", ""}}) {
    SCOPED_TRACE(k.offset);
    test::set_device_faults(run_.fake.folder, std::string("ClockOffsetSeconds=") + k.offset + "\n");
    run_.context.clock_check_done = false;
    C_file_dir_pane source = desktop_pane();
    select(source, {"a.raw", "Job"});
    EXPECT_EQ(std::string("  Dir: 'Job' (files with same name will be overwritten in destination "
                          "folder)\n"
                          "  File:'Job\\b.raw' (File will be overwritten. WARNING, destination "
                          "file is newer.)") +
                  k.words + "\n  File:'a.raw' (file will be overwritten)" + k.words + "\n",
              conflict_lines(source, device_pane(), true));
  }
}

}  // namespace
}  // namespace vmt::ui
