// Filling a pane's list view: the columns and their headings, one item per
// entry with its icon, date, size and type, and the item data that leads back
// to the entry. The list view itself is reached through a view interface.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <map>
#include <vector>

#include "app/run_context.h"
#include "platform/shell.h"
#include "ui/file_panes.h"

namespace vmt::ui {

enum class ViewMode { kDetails = 0, kList = 1, kIcons = 2 };

struct ListColumn {
  std::string heading;
  int width;
  bool right_aligned;
};

// One list view as the logic drives it.
class PaneListView {
 public:
  virtual ~PaneListView() = default;
  // Report, list or small-icon style.
  virtual void set_view_mode(ViewMode mode) = 0;
  virtual void delete_all_items() = 0;
  // A fill of `count` items begins: the list stops redrawing until it ends.
  virtual void begin_fill(std::size_t count) = 0;
  // The fill has ended: the list is redrawn once, whole.
  virtual void end_fill() = 0;
  virtual bool insert_column(int index, const ListColumn& column) = 0;
  virtual bool set_column_heading(int index, const std::string& heading) = 0;
  // The new item's index, or -1.
  virtual int insert_item(const std::string& name, int icon) = 0;
  virtual bool set_subitem(int item, int column, const std::string& text) = 0;
  virtual bool set_item_data(int item, std::intptr_t data) = 0;
  virtual std::vector<int> selected_items() = 0;
  virtual std::intptr_t item_data(int item) = 0;
  // Gives every item the selected state; false when one could not be set.
  virtual bool select_all() = 0;
};

// The small icons shared by both list views; the index of an icon in the
// image list is the index of its key in the cache.
class IconList {
 public:
  virtual ~IconList() = default;
  // Adds a copy of the icon; its index, or -1.
  virtual int add_icon(platform::IconHandle icon) = 0;
};

// Icons and type names by key ("File Folder" or a file's extension), fetched
// from the shell once per key and run for both lists.
class IconCache {
 public:
  explicit IconCache(IconList& icons) : icons_(icons) {}
  // The index of the key (case ignored), or -1.
  int find(const std::string& key) const;
  // Adds the key with the shell's icon and type name; the icon's index or -1.
  int add(const std::string& key, platform::IconHandle icon, const std::string& type_text);
  const std::string& type_text(int index) const { return couples_[index].type_text; }
  std::size_t size() const { return couples_.size(); }

 private:
  struct C_ext_and_folder_couple {
    std::string key;
    std::string type_text;
  };
  IconList& icons_;
  std::vector<C_ext_and_folder_couple> couples_;
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  // The couples' positions by their key, case ignored as names compare.
  std::map<std::string, int, NoCaseLess> index_;
};

// "File Folder" for a folder, else the text after the name's last dot.
std::string icon_key(const C_file_dir_info& entry);

// What one list keeps between fills.
struct PaneListState {
  bool columns_inserted = false;
};

// Rebuilds the list from the pane's entries (and stores the type texts back).
void fill_pane_list(app::RunContext& context, C_file_dir_pane& pane, PaneListView& view,
                    IconCache& cache, PaneListState& state, ViewMode mode, bool show_seconds);

// Marks the entries whose items are selected; false when none is or an item's
// entry cannot be found.
bool mark_selected_entries(app::RunContext& context, C_file_dir_pane& pane, PaneListView& view);

// The Date Modified text of an entry; empty when its time is unknown.
std::string date_text(app::RunContext& context, const C_file_dir_info& entry, bool show_seconds);

}  // namespace vmt::ui
