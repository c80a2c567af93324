// The panes' entries: folder texts, reading desktop and device folders, the
// sort orders, size texts and the selection helpers.
#include "ui/file_panes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "device/device_link.h"
#include "support/fakes.h"
#include "support/fake_copying.h"
#include "device/copying_dlg.h"
#include "device/copy_engine.h"
#include "platform/common/path.h"
#include "support/fake_run.h"
#include "support/field_device.h"

namespace vmt::ui {
namespace {

constexpr char kSep = platform::path::kSeparator;
constexpr platform::FileTimeTicks kDay = 864000000000ULL;
constexpr platform::FileTimeTicks kBase = 129745000000000000ULL;
using Names = std::vector<std::string>;

class FilePanes : public ::testing::Test {
 protected:
  C_file_dir_info file(const std::string& name, std::uint64_t size,
                       platform::FileTimeTicks written = kBase, bool folder = false) {
    platform::FindData data;
    data.name = name;
    data.size = size;
    data.times.last_write = written;
    data.attributes = folder ? platform::attr::kDirectory : platform::attr::kArchive;
    C_file_dir_info entry = C_file_dir_info::desktop(data, run_.fake.clock);
    entry.set_type_text(folder ? "File Folder" : name.substr(name.rfind('.') + 1) + " File",
                        run_.log);
    return entry;
  }
  Names sorted(int mode) {
    pane_.sort_mode = mode;
    EXPECT_TRUE(sort_pane(run_.context, pane_));
    Names result;
    for (const auto& entry : pane_.entries) result.push_back(entry.name());
    return result;
  }

  test::FakeRun run_{true};
  C_file_dir_pane pane_{PaneSide::kDesktop};
};

TEST_F(FilePanes, FolderTextsAndFoldersThatAreGone) {
  C_file_dir_pane device(PaneSide::kDevice);
  EXPECT_FALSE(is_pane_folder_usable(pane_));
  set_pane_folder(run_.context, pane_, "");
  EXPECT_EQ(kNotSet, pane_.folder);
  set_pane_folder(run_.context, device, "");
  EXPECT_EQ("\\", device.folder);
  set_pane_folder(run_.context, device, "\\Data\\\\");
  EXPECT_EQ("\\Data\\*.*", pane_folder_text(device));
  set_pane_folder(run_.context, pane_, std::string("data") + kSep + kSep);
  EXPECT_EQ(std::string("data") + kSep, pane_.folder);
  set_pane_folder(run_.context, device, kNoConnection);
  EXPECT_EQ(kNoConnection, pane_folder_text(device));
  EXPECT_FALSE(is_pane_folder_usable(device));

  // A folder removed behind the program's back, on either side.
  set_pane_folder(run_.context, pane_, run_.fake.folder.path("gone"));
  EXPECT_TRUE(read_pane_folder(run_.context, pane_, {}));
  EXPECT_EQ("NOT FOUND: " + run_.fake.folder.path("gone") + kSep, pane_folder_text(pane_));
  EXPECT_FALSE(is_pane_folder_usable(pane_));
  EXPECT_TRUE(pane_.entries.empty());
  test::arrange_field_device(run_.fake.folder);
  run_.fake.folder.write_file("device/fs/Projects/Job 1/a.raw", "raw");
  ASSERT_EQ(device::status::kSuccess, device::connect_to_device(run_.context, false, false));
  set_pane_folder(run_.context, device, "\\Nowhere");
  read_pane_folder(run_.context, device, {});
  EXPECT_EQ("NOT FOUND: \\Nowhere\\", device.folder);
  set_pane_folder(run_.context, device, "\\Projects");
  EXPECT_TRUE(read_pane_folder(run_.context, device, {}));
  ASSERT_EQ(1u, device.entries.size());
  EXPECT_EQ(1, device.entries[0].is_device());
  EXPECT_TRUE(device.entries[0].is_folder());
  device::disconnect_from_device(run_.context);
}

TEST_F(FilePanes, ADesktopFolderIsReadWithFoldersFirstAndSortsEachWay) {
  run_.fake.folder.write_file("job/b.raw", "bb");
  run_.fake.folder.write_file("job/A.csv", "a");
  run_.fake.folder.write_file("job/Sub/x", "");
  run_.fake.folder.write_file("job/abc/x", "");
  set_pane_folder(run_.context, pane_, run_.fake.folder.path("job"));
  pane_.sort_mode = 6;
  int pumped = 0;
  EXPECT_TRUE(read_pane_folder(run_.context, pane_, [&] { ++pumped; }));
  EXPECT_EQ(6, pumped);
  EXPECT_EQ((Names{".", "..", "abc", "Sub", "A.csv", "b.raw"}), sorted(pane_.sort_mode));
  EXPECT_EQ((Names{"b.raw", "A.csv", "Sub", "abc", "..", "."}), sorted(2));
  pane_.filter = kFeatlinkFiles;
  read_pane_folder(run_.context, pane_, {});
  EXPECT_EQ((Names{"A.csv"}), sorted(1));

  // By name, type, size and date, each with its mirror; equal keys fall back to the name.
  pane_.entries = {file("b.txt", 10, kBase + kDay), file("A.txt", 10),
                   file("a.txt", 3000, kBase + 2 * kDay), file("c.dat", 5),
                   file("Maps", 0, kBase + 9 * kDay, true)};
  EXPECT_EQ((Names{"Maps", "A.txt", "a.txt", "b.txt", "c.dat"}), sorted(1));
  EXPECT_EQ((Names{"c.dat", "b.txt", "a.txt", "A.txt", "Maps"}), sorted(2));
  EXPECT_EQ((Names{"Maps", "A.txt", "c.dat", "b.txt", "a.txt"}), sorted(3));
  EXPECT_EQ((Names{"a.txt", "b.txt", "c.dat", "A.txt", "Maps"}), sorted(4));
  EXPECT_EQ((Names{"Maps", "c.dat", "A.txt", "b.txt", "a.txt"}), sorted(5));
  EXPECT_EQ((Names{"a.txt", "b.txt", "A.txt", "c.dat", "Maps"}), sorted(6));
  EXPECT_EQ((Names{"Maps", "c.dat", "A.txt", "a.txt", "b.txt"}), sorted(7));
  EXPECT_EQ((Names{"b.txt", "a.txt", "A.txt", "c.dat", "Maps"}), sorted(8));
  EXPECT_FALSE((pane_.sort_mode = 9, sort_pane(run_.context, pane_)));

  // Clicking Size twice sorts descending; any other column starts ascending.
  EXPECT_EQ(5, sort_mode_after_column_click(run_.context, 1, 2));
  EXPECT_EQ(6, sort_mode_after_column_click(run_.context, 5, 2));
  EXPECT_EQ(3, sort_mode_after_column_click(run_.context, 6, 1));
  EXPECT_EQ(1, sort_mode_after_column_click(run_.context, 6, 7));
  EXPECT_EQ("Size \\/", column_headings(run_.context, 6)[2]);

  EXPECT_EQ("999 bytes", size_text(run_.context, file("a.x", 999)));
  EXPECT_EQ("5,000,000,000 bytes", size_text(run_.context, file("a.x", 5000000000ULL)));
  EXPECT_EQ("", size_text(run_.context, file("Maps", 4096, kBase, true)));
}

TEST_F(FilePanes, SelectionAndLookupByNameIgnoreCase) {
  pane_.entries = {file("a.txt", 1), file("B.txt", 1), file("b.TXT", 1)};
  C_file_dir_info entry;
  EXPECT_FALSE(get_entry(run_.context, pane_, 3, &entry));
  EXPECT_TRUE(get_entry_clamped(pane_, 7, &entry));
  EXPECT_EQ("b.TXT", entry.name());
  EXPECT_TRUE(find_entry(run_.context, pane_, "b.txt", &entry));
  EXPECT_EQ("B.txt", entry.name());

  set_all_selected(run_.context, pane_, 0);
  pane_.entries[0].set_selected(1, run_.log);
  EXPECT_EQ(1, count_selected(run_.context, pane_));
  EXPECT_TRUE(is_entry_selected(run_.context, pane_, "A.TXT"));
  EXPECT_FALSE(is_entry_selected(run_.context, pane_, "missing"));
}

// A download cut short by the program's end leaves its partial copy; the next
// reading of the folder removes it and says so, but never while a copy runs.
TEST_F(FilePanes, ADesktopFolderLosesThePartialCopyAnEndedDownloadLeftButNotDuringACopy) {
  test::RecordingStatus record;
  run_.context.status_record = &record;
  run_.fake.folder.write_file("job/a.raw", "a");
  run_.fake.folder.write_file(std::string("job/") + device::kPartialCopyName, "half");
  set_pane_folder(run_.context, pane_, run_.fake.folder.path("job"));
  test::FakeCopying copying(run_.context);
  copying.open();
  read_pane_folder(run_.context, pane_, {});
  EXPECT_EQ((Names{".", "..", "a.raw"}), sorted(1));
  EXPECT_EQ("half", run_.fake.folder.read_file(std::string("job/") + device::kPartialCopyName));
  device::close_copying_dialog(run_.context);
  read_pane_folder(run_.context, pane_, {});
  EXPECT_EQ((Names{".", "..", "a.raw"}), sorted(1));
  EXPECT_FALSE(std::filesystem::exists(
      std::filesystem::u8path(run_.fake.folder.path(std::string("job/") + device::kPartialCopyName))));
  EXPECT_EQ("\t~vmtransfer.partial:\tremoved, which an interrupted copy left\n", record.history);
  run_.context.status_record = nullptr;
}

}  // namespace
}  // namespace vmt::ui
