// The panes' entries: folder texts, reading desktop and device folders, the
// nine sort orders, headings, size texts and the selection helpers.
#include "ui/file_panes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "platform/emulator/emulated_device.h"
#include "support/fake_run.h"

namespace vmt::ui {
namespace {

constexpr char kSep = platform::path::kSeparator;

C_file_dir_info file(test::FakeRun& run, const std::string& name, std::uint64_t size,
                     platform::FileTimeTicks written, bool folder = false) {
  platform::FindData data;
  data.name = name;
  data.size = size;
  data.times.last_write = written;
  data.attributes = folder ? platform::attr::kDirectory : platform::attr::kArchive;
  C_file_dir_info entry = C_file_dir_info::desktop(data, run.fake.clock);
  entry.set_type_text(folder ? "File Folder" : name.substr(name.rfind('.') + 1) + " File",
                      run.log);
  return entry;
}

std::vector<std::string> names(const C_file_dir_pane& pane) {
  std::vector<std::string> result;
  for (const auto& entry : pane.entries) result.push_back(entry.name());
  return result;
}

constexpr platform::FileTimeTicks kDay = 864000000000ULL;
constexpr platform::FileTimeTicks kBase = 129745000000000000ULL;

TEST(FilePanes, FolderTextsAndTheirUse) {
  test::FakeRun run;
  C_file_dir_pane desktop(PaneSide::kDesktop);
  C_file_dir_pane device(PaneSide::kDevice);
  EXPECT_FALSE(is_pane_folder_usable(desktop));
  set_pane_folder(run.context, desktop, "");
  EXPECT_EQ(kNotSet, desktop.folder);
  set_pane_folder(run.context, device, "");
  EXPECT_EQ("\\", device.folder);
  set_pane_folder(run.context, device, "\\Data\\\\");
  EXPECT_EQ("\\Data\\", device.folder);
  EXPECT_EQ("\\Data\\*.*", pane_folder_text(device));
  set_pane_folder(run.context, desktop, std::string("data") + kSep + kSep);
  EXPECT_EQ(std::string("data") + kSep, desktop.folder);

  const std::size_t logged = run.log.count();
  set_pane_folder(run.context, desktop, kNoConnection);
  EXPECT_EQ(logged + 1, run.log.count());
  set_pane_folder(run.context, device, kNoConnection);
  EXPECT_EQ(kNoConnection, pane_folder_text(device));
  EXPECT_FALSE(is_pane_folder_usable(device));

  // A folder removed behind the program's back.
  set_pane_folder(run.context, desktop, run.fake.folder.path("gone"));
  EXPECT_TRUE(read_pane_folder(run.context, desktop, {}));
  EXPECT_EQ("NOT FOUND: " + run.fake.folder.path("gone") + kSep, desktop.folder);
  EXPECT_EQ(desktop.folder, pane_folder_text(desktop));
  EXPECT_FALSE(is_pane_folder_usable(desktop));
  EXPECT_TRUE(desktop.entries.empty());
}

TEST(FilePanes, ADesktopFolderIsReadWithFoldersFirstAndTheDotEntriesKept) {
  test::FakeRun run;
  run.fake.folder.write_file("job/b.raw", "bb");
  run.fake.folder.write_file("job/A.csv", "a");
  run.fake.folder.write_file("job/Sub/x", "");
  run.fake.folder.write_file("job/abc/x", "");
  C_file_dir_pane pane(PaneSide::kDesktop);
  set_pane_folder(run.context, pane, run.fake.folder.path("job"));
  pane.sort_mode = 6;
  int pumped = 0;
  EXPECT_TRUE(read_pane_folder(run.context, pane, [&] { ++pumped; }));
  EXPECT_EQ(1, pane.sort_mode);
  EXPECT_EQ(6, pumped);
  EXPECT_EQ((std::vector<std::string>{".", "..", "abc", "Sub", "A.csv", "b.raw"}), names(pane));
  EXPECT_EQ(0, count_selected(run.context, pane));

  pane.sort_mode = 2;
  sort_pane(run.context, pane);
  EXPECT_EQ((std::vector<std::string>{"b.raw", "A.csv", "Sub", "abc", "..", "."}), names(pane));

  pane.filter = kFeatlinkFiles;
  read_pane_folder(run.context, pane, {});
  EXPECT_EQ((std::vector<std::string>{"A.csv"}), names(pane));
}

TEST(FilePanes, EachSortOrderAndItsMirror) {
  test::FakeRun run;
  C_file_dir_pane pane(PaneSide::kDesktop);
  pane.entries = {file(run, "b.txt", 10, kBase + kDay), file(run, "A.txt", 10, kBase),
                  file(run, "a.txt", 3000, kBase + 2 * kDay), file(run, "c.dat", 5, kBase),
                  file(run, "Maps", 0, kBase + 9 * kDay, true)};
  const auto sorted = [&](int mode) {
    pane.sort_mode = mode;
    EXPECT_TRUE(sort_pane(run.context, pane));
    return names(pane);
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ((Names{"Maps", "A.txt", "a.txt", "b.txt", "c.dat"}), sorted(1));
  EXPECT_EQ((Names{"c.dat", "b.txt", "a.txt", "A.txt", "Maps"}), sorted(2));
  EXPECT_EQ((Names{"Maps", "A.txt", "c.dat", "b.txt", "a.txt"}), sorted(3));
  EXPECT_EQ((Names{"a.txt", "b.txt", "c.dat", "A.txt", "Maps"}), sorted(4));
  EXPECT_EQ((Names{"Maps", "c.dat", "A.txt", "b.txt", "a.txt"}), sorted(5));
  EXPECT_EQ((Names{"a.txt", "b.txt", "A.txt", "c.dat", "Maps"}), sorted(6));
  EXPECT_EQ((Names{"Maps", "c.dat", "A.txt", "a.txt", "b.txt"}), sorted(7));
  EXPECT_EQ((Names{"b.txt", "a.txt", "A.txt", "c.dat", "Maps"}), sorted(8));
  EXPECT_FALSE((pane.sort_mode = 9, sort_pane(run.context, pane)));

  // Clicking Size twice sorts descending; any other column starts ascending.
  int mode = 1;
  mode = sort_mode_after_column_click(run.context, mode, 2);
  EXPECT_EQ(5, mode);
  mode = sort_mode_after_column_click(run.context, mode, 2);
  EXPECT_EQ(6, mode);
  EXPECT_EQ("Size \\/", column_headings(run.context, mode)[2]);
  EXPECT_EQ("Name", column_headings(run.context, mode)[0]);
  EXPECT_EQ(3, sort_mode_after_column_click(run.context, mode, 1));
  EXPECT_EQ(1, sort_mode_after_column_click(run.context, mode, 7));
  EXPECT_EQ("Name /\\", column_headings(run.context, 1)[0]);
}

TEST(FilePanes, NamesOfOtherScriptsSortAsTheNameComparisonOrdersThem) {
  test::FakeRun run;
  C_file_dir_pane pane(PaneSide::kDesktop);
  // ASCII names beside names that are not, and names that differ in case only.
  for (const char* name : {"zeta.raw", "\xC3\x84pfel.raw", "apfel.raw", "\xC3\xA4pfel.RAW",
                           "Apfel.raw", "\xCE\xA9mega.txt", "omega.txt", "_first", "~last",
                           "\xE5\x9C\xB0.csv", "B.raw", "b.RAW"}) {
    pane.entries.push_back(file(run, name, 1, kBase));
  }
  std::vector<std::string> expected = names(pane);
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    const int order = platform::compare_no_case(a, b);
    return order != 0 ? order < 0 : a < b;
  });
  pane.sort_mode = 1;
  ASSERT_TRUE(sort_pane(run.context, pane));
  EXPECT_EQ(expected, names(pane));
  pane.sort_mode = 2;
  ASSERT_TRUE(sort_pane(run.context, pane));
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(expected, names(pane));
}

TEST(FilePanes, SizesAreGroupedInThousands) {
  test::FakeRun run;
  EXPECT_EQ("999 bytes", size_text(run.context, file(run, "a.x", 999, kBase)));
  EXPECT_EQ("1,000 bytes", size_text(run.context, file(run, "a.x", 1000, kBase)));
  EXPECT_EQ("0 bytes", size_text(run.context, file(run, "a.x", 0, kBase)));
  EXPECT_EQ("1,234,567 bytes", size_text(run.context, file(run, "a.x", 1234567, kBase)));
  EXPECT_EQ("5,000,000,000 bytes",
            size_text(run.context, file(run, "a.x", 5000000000ULL, kBase)));
  EXPECT_EQ("", size_text(run.context, file(run, "Maps", 4096, kBase, true)));
}

TEST(FilePanes, SelectionAndLookupByName) {
  test::FakeRun run;
  C_file_dir_pane pane(PaneSide::kDesktop);
  pane.entries = {file(run, "a.txt", 1, kBase), file(run, "B.txt", 1, kBase),
                  file(run, "b.TXT", 1, kBase)};
  C_file_dir_info entry;
  EXPECT_FALSE(get_entry(run.context, pane, 3, &entry));
  EXPECT_TRUE(get_entry_clamped(pane, 7, &entry));
  EXPECT_EQ("b.TXT", entry.name());
  const std::size_t logged = run.log.count();
  EXPECT_TRUE(find_entry(run.context, pane, "b.txt", &entry));
  EXPECT_EQ("B.txt", entry.name());
  EXPECT_EQ(logged + 1, run.log.count());

  set_all_selected(run.context, pane, 0);
  pane.entries[0].set_selected(1, run.log);
  EXPECT_EQ(1, count_selected(run.context, pane));
  EXPECT_TRUE(is_entry_selected(run.context, pane, "A.TXT"));
  EXPECT_FALSE(is_entry_selected(run.context, pane, "missing"));
  pane.entries[1].set_selected(2, run.log);
  EXPECT_EQ(logged + 3, run.log.count());
}

TEST(FilePanes, ADeviceFolderIsListedThroughTheDevice) {
  test::FakeRun run;
  run.fake.folder.write_file("device/fs/Projects/Job 1/a.raw", "raw");
  run.fake.folder.write_file("device/fs/Projects/Codes.csv", "c");
  run.fake.folder.write_file("device/device.ini", "[Device]\nPresent=1\n");
  platform::EmulatedDevice device(run.fake.folder.path("device"), run.fake.clock);
  platform::Platform platform{run.registry, run.fake.platform().files, run.fake.shell,
                              run.fake.windows, run.fake.clock, device, run.fake.resources};
  app::RunContext context(platform, run.boxes, run.log, run.message_texts);
  ASSERT_EQ(device::status::kSuccess, device::connect_to_device(context, false, false));

  C_file_dir_pane pane(PaneSide::kDevice);
  set_pane_folder(context, pane, "\\Projects");
  EXPECT_TRUE(read_pane_folder(context, pane, {}));
  EXPECT_EQ((std::vector<std::string>{"Job 1", "Codes.csv"}), names(pane));
  EXPECT_EQ(1, pane.entries[0].is_device());
  EXPECT_TRUE(pane.entries[0].is_folder());

  set_pane_folder(context, pane, "\\Nowhere");
  read_pane_folder(context, pane, {});
  EXPECT_EQ("NOT FOUND: \\Nowhere\\", pane.folder);
  device::disconnect_from_device(context);
}

}  // namespace
}  // namespace vmt::ui
