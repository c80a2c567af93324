#include "ui/pane_list.h"

#include "app/dates.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::ui {
namespace {

constexpr char kFileFolder[] = "File Folder";

const ListColumn kColumns[] = {
    {"", 150, false}, {"", 125, false}, {"", 100, true}, {"", 150, false}};

// The shell's icon and type name for a key new to the cache, asked by name
// and attributes only: no entry is opened, so a folder on a slow share costs
// nothing, and the icon is the one every folder or file of the key shares.
// Desktop entries by their path, device entries by the system folder or by a
// pattern of their extension.
bool shell_info(app::RunContext& c, const C_file_dir_pane& pane, const C_file_dir_info& entry,
                const std::string& key, platform::ShellFileInfo* info) {
  platform::Shell& shell = c.platform.shell;
  if (pane.side == PaneSide::kDesktop) {
    return shell.get_file_info(pane.folder + entry.name(), true,
                               entry.is_folder() ? platform::attr::kDirectory : 0, info);
  }
  if (entry.is_folder()) {
    std::string system;
    shell.get_folder(platform::ShellFolder::kSystem, false, &system);
    return shell.get_file_info(system, true, platform::attr::kDirectory, info);
  }
  return shell.get_file_info("*." + key, true, platform::attr::kNormal, info);
}

}  // namespace

bool IconCache::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return platform::compare_no_case(a, b) < 0;
}

int IconCache::find(const std::string& key) const {
  const auto found = index_.find(key);
  return found == index_.end() ? -1 : found->second;
}

int IconCache::add(const std::string& key, platform::IconHandle icon,
                   const std::string& type_text) {
  const int index = icons_.add_icon(icon);
  if (index < 0) return -1;
  if (static_cast<std::size_t>(index) >= couples_.size()) {
    couples_.resize(static_cast<std::size_t>(index) + 1);
  }
  couples_[static_cast<std::size_t>(index)] = {key, type_text};
  index_[key] = index;
  return index;
}

std::string icon_key(const C_file_dir_info& entry) {
  if (entry.is_folder()) return kFileFolder;
  const std::string name = entry.name();
  for (std::size_t i = name.size(); i > 0; --i) {
    const char ch = name[i - 1];
    if (ch == '\\' || ch == '/') break;
    if (ch == '.') return name.substr(i);
  }
  return {};
}

std::string date_text(app::RunContext& c, const C_file_dir_info& entry, bool show_seconds) {
  platform::LocalTime local;
  std::int64_t seconds = 0;
  if (!entry.modification_time(&seconds) ||
      !c.platform.clock.file_time_to_local(entry.last_write(), &local)) {
    return {};
  }
  app::DateServices services{c.texts, c.log, c.platform.clock};
  return app::format_date_time(services, local.year, local.month, local.day, local.hour,
                               local.minute, local.second, show_seconds);
}

void fill_pane_list(app::RunContext& c, C_file_dir_pane& pane, PaneListView& view,
                    IconCache& cache, PaneListState& state, ViewMode mode, bool show_seconds) {
  if (mode != ViewMode::kDetails && mode != ViewMode::kList && mode != ViewMode::kIcons) {
    VMT_LOG_POINT(c.log);
    mode = ViewMode::kDetails;
  }
  view.set_view_mode(mode);
  view.delete_all_items();
  view.begin_fill(pane.entries.size());
  if (pane.sort_mode == 0) VMT_LOG_POINT(c.log);
  const std::vector<std::string> headings = column_headings(c, pane.sort_mode);
  for (int column = 0; column < 4; ++column) {
    if (!state.columns_inserted) {
      ListColumn spec = kColumns[column];
      spec.heading = headings[static_cast<std::size_t>(column)];
      if (!view.insert_column(column, spec)) VMT_LOG_POINT(c.log);
    } else if (!view.set_column_heading(column, headings[static_cast<std::size_t>(column)])) {
      VMT_LOG_POINT(c.log);
    }
  }
  state.columns_inserted = true;

  for (std::size_t i = 0; i < pane.entries.size(); ++i) {
    C_file_dir_info& entry = pane.entries[i];
    const std::string& name = entry.name();
    if (name == "." || name == "..") {
      entry.set_type_text(kFileFolder, c.log);
      continue;
    }
    const std::string key = icon_key(entry);
    int icon = cache.find(key);
    if (icon < 0) {
      platform::ShellFileInfo info;
      if (!shell_info(c, pane, entry, key, &info)) VMT_LOG_POINT(c.log);
      icon = cache.add(key, info.icon, info.type_name);
      if (info.icon != 0) c.platform.shell.destroy_icon(info.icon);
    }
    entry.set_type_text(icon >= 0 ? cache.type_text(icon) : std::string(), c.log);

    if (icon < 0) VMT_LOG_POINT(c.log);
    const int item = view.insert_item(name, icon);
    if (item < 0) {
      VMT_LOG_POINT(c.log);
      continue;
    }
    if (!view.set_subitem(item, 1, date_text(c, entry, show_seconds))) VMT_LOG_POINT(c.log);
    if (!view.set_subitem(item, 2, size_text(c, entry))) VMT_LOG_POINT(c.log);
    if (!view.set_subitem(item, 3, entry.type_text(c.log))) VMT_LOG_POINT(c.log);
    if (!view.set_item_data(item, static_cast<std::intptr_t>(i))) VMT_LOG_POINT(c.log);
  }
  view.end_fill();
}

bool mark_selected_entries(app::RunContext& c, C_file_dir_pane& pane, PaneListView& view) {
  set_all_selected(c, pane, 0);
  const std::vector<int> items = view.selected_items();
  if (items.empty()) return false;
  bool ok = true;
  for (int item : items) {
    const std::intptr_t position = view.item_data(item);
    C_file_dir_info entry;
    if (!get_entry(c, pane, static_cast<int>(position), &entry)) {
      ok = false;
      continue;
    }
    pane.entries[static_cast<std::size_t>(position)].set_selected(1, c.log);
  }
  return ok;
}

}  // namespace vmt::ui
