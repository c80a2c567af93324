// Filling a list view from a pane: columns inserted once, "." and ".." hidden,
// item data leading back to the entries, icons fetched once per key.
#include "ui/pane_list.h"

#include <gtest/gtest.h>

#include "support/fake_list_view.h"
#include "support/fake_run.h"

namespace vmt::ui {
namespace {

using test::FakeListView;

class CountingIcons : public IconList {
 public:
  int add_icon(platform::IconHandle) override { return added++; }
  int added = 0;
};

class CountingShell : public test::FakeShell {
 public:
  using FakeShell::FakeShell;
  bool get_file_info(const std::string& path, bool use_attributes, std::uint32_t attributes,
                     platform::ShellFileInfo* info) override {
    asked.push_back(path);
    if (!use_attributes) ++opened;
    if (attributes & platform::attr::kDirectory) ++folders;
    return FakeShell::get_file_info(path, use_attributes, attributes, info);
  }
  std::vector<std::string> asked;
  int opened = 0;   // requests that would make the shell open the entry
  int folders = 0;  // requests about a folder
};

// A run whose shell counts what it is asked, and one icon cache for its lists.
class PaneList : public ::testing::Test {
 protected:
  void add_device_entry(C_file_dir_pane& pane, const std::u16string& name,
                        std::uint32_t attributes, std::uint32_t size,
                        platform::FileTimeTicks written = 129745000000000000ULL) {
    platform::CeFindData data;
    data.cFileName = name;
    data.dwFileAttributes = attributes;
    data.nFileSizeLow = size;
    data.ftLastWriteTime = written;
    pane.entries.push_back(C_file_dir_info::device(data, context.platform.clock));
  }
  C_file_dir_pane desktop_folder(const std::vector<std::string>& files) {
    for (const std::string& name : files) run.fake.folder.write_file("job/" + name, "bb");
    C_file_dir_pane pane(PaneSide::kDesktop);
    set_pane_folder(context, pane, run.fake.folder.path("job"));
    read_pane_folder(context, pane, {});
    return pane;
  }

  test::FakeRun run;
  CountingShell shell{run.fake.folder.path("shell")};
  platform::Platform platform{run.registry, run.fake.platform().files, shell, run.fake.windows,
                              run.fake.clock, *run.fake.device, run.fake.resources};
  app::RunContext context{platform, run.boxes, run.log, run.message_texts};
  CountingIcons icons;
  IconCache cache{icons};
  FakeListView view;
  PaneListState state;
};

TEST_F(PaneList, DesktopEntriesAreListedWithTheirPositionsAndTheSelectionComesBack) {
  C_file_dir_pane pane = desktop_folder({"b.raw", "Sub/x"});
  ASSERT_EQ(4u, pane.entries.size());  // with "." and ".."
  fill_pane_list(context, pane, view, cache, state, ViewMode::kDetails, false);
  ASSERT_EQ(2u, view.items.size());
  EXPECT_EQ(2, view.items[0].data);
  EXPECT_EQ("File Folder", view.items[0].texts[3]);
  EXPECT_EQ(3, view.items[1].data);

  // A second fill replaces the headings only, and keeps the cache's icons.
  pane.sort_mode = 6;
  sort_pane(context, pane);
  fill_pane_list(context, pane, view, cache, state, ViewMode::kDetails, true);
  EXPECT_EQ(4u, view.columns.size());
  EXPECT_EQ("Size \\/", view.columns[2].heading);
  EXPECT_EQ(2, icons.added);

  // The list's selection is carried into the entries by item data.
  view.selected = {0};
  EXPECT_TRUE(mark_selected_entries(context, pane, view));
  EXPECT_TRUE(is_entry_selected(context, pane, "B.RAW"));
  EXPECT_EQ(1, count_selected(context, pane));
  view.selected.clear();  // and a stale one never stays behind
  EXPECT_FALSE(mark_selected_entries(context, pane, view));
  EXPECT_EQ(0, count_selected(context, pane));
}

TEST_F(PaneList, IconsAreAskedOncePerKeyByNameWithoutOpeningAnEntry) {
  C_file_dir_pane pane =
      desktop_folder({"Alpha/x", "Beta/x", "a.raw", "B.RAW", "c.csv", "notes"});
  fill_pane_list(context, pane, view, cache, state, ViewMode::kDetails, false);
  // One request for the folders, one per extension (case ignored), one for the
  // files without; none opens an entry.
  EXPECT_EQ(4u, shell.asked.size());
  EXPECT_EQ(0, shell.opened);
  EXPECT_EQ(1, shell.folders);
  EXPECT_EQ(4, icons.added);
  ASSERT_EQ(6u, view.items.size());
  EXPECT_EQ(view.items[0].icon, view.items[1].icon);
  EXPECT_EQ(view.items[2].icon, view.items[3].icon);
  // The list drew nothing until every item was in.
  EXPECT_EQ(0, view.drawn_while_filled);
  EXPECT_FALSE(view.held);
  EXPECT_EQ(pane.entries.size(), view.announced);

  // The cache serves the next fill and the device pane without the shell; a
  // device name without an extension and an unknown time still list.
  fill_pane_list(context, pane, view, cache, state, ViewMode::kDetails, false);
  C_file_dir_pane device(PaneSide::kDevice);
  set_pane_folder(context, device, "\\Projects");
  add_device_entry(device, u"Job", platform::attr::kDirectory, 0);
  add_device_entry(device, u"d.Csv", platform::attr::kArchive, 1000);
  add_device_entry(device, u"README", platform::attr::kArchive, 5, 0);
  FakeListView device_view;
  PaneListState device_state;
  fill_pane_list(context, device, device_view, cache, device_state, ViewMode::kIcons, false);
  EXPECT_EQ(4u, shell.asked.size());
  EXPECT_EQ(view.items[0].icon, device_view.items[0].icon);
  EXPECT_EQ(view.items[4].icon, device_view.items[1].icon);
  EXPECT_EQ("1,000 bytes", device_view.items[1].texts[2]);
  EXPECT_NE("", device_view.items[1].texts[1]);
  EXPECT_EQ("", icon_key(device.entries[2]));
  std::int64_t seconds = 0;
  EXPECT_FALSE(device.entries[2].modification_time(&seconds));
  EXPECT_EQ("", date_text(context, device.entries[2], true));
}

}  // namespace
}  // namespace vmt::ui
