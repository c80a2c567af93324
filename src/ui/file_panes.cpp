#include "ui/file_panes.h"

#include <algorithm>
#include <cstring>

#include "device/copy_engine.h"
#include "device/device_link.h"
#include "platform/common/file_time.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::ui {
namespace {

namespace path = platform::path;

constexpr char kFileFolder[] = "File Folder";

void store_time(platform::Clock& clock, platform::FileTimeTicks ticks, bool* known,
                std::int64_t* seconds) {
  platform::LocalTime local;
  *known = ticks != 0 && clock.file_time_to_local(ticks, &local);
  *seconds = *known ? platform::fields_to_epoch_seconds(local) : 0;
}

using platform::compare_no_case;

int compare_exact(const std::string& a, const std::string& b) { return a.compare(b); }

// An entry as the sort moves it: small, so that each entry itself is moved
// only once, into its place. A name of ASCII characters only is folded once
// here rather than at every comparison; such names order by their folded
// form exactly as compare_no_case orders them.
struct SortItem {
  const C_file_dir_info* entry;
  std::size_t position;
  bool ascii;
  std::string folded;
};

SortItem sort_item(const C_file_dir_info& entry, std::size_t position) {
  const std::string& name = entry.name();
  const bool ascii = std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return {&entry, position, ascii, ascii ? platform::to_lower_ascii(name) : std::string()};
}

int compare_names_no_case(const SortItem& a, const SortItem& b) {
  if (a.ascii && b.ascii) return a.folded.compare(b.folded);
  return compare_no_case(a.entry->name(), b.entry->name());
}

// Negative puts `a` first; folders come before files in every ascending order.
int folder_first(const C_file_dir_info& a, const C_file_dir_info& b) {
  if (a.is_folder() == b.is_folder()) return 0;
  return a.is_folder() ? -1 : 1;
}

int by_name(app::DiagnosticLog& log, const SortItem& a, const SortItem& b) {
  if (const int order = folder_first(*a.entry, *b.entry)) return order;
  int order = compare_names_no_case(a, b);
  if (order == 0 && !a.entry->is_folder()) order = compare_exact(a.entry->name(), b.entry->name());
  if (order == 0) VMT_LOG_POINT(log);
  return order;
}

int then_name(app::DiagnosticLog& log, const SortItem& a, const SortItem& b) {
  const int order = compare_names_no_case(a, b);
  if (order == 0) VMT_LOG_POINT(log);
  return order;
}

int by_date(app::DiagnosticLog& log, const SortItem& a, const SortItem& b) {
  if (const int order = folder_first(*a.entry, *b.entry)) return order;
  // An unknown time sorts as the oldest.
  std::int64_t ta = INT64_MIN;
  std::int64_t tb = INT64_MIN;
  a.entry->modification_time(&ta);
  b.entry->modification_time(&tb);
  if (ta != tb) return ta < tb ? -1 : 1;
  return then_name(log, a, b);
}

int by_size(app::DiagnosticLog& log, const SortItem& a, const SortItem& b) {
  if (const int order = folder_first(*a.entry, *b.entry)) return order;
  if (a.entry->size() != b.entry->size()) return a.entry->size() < b.entry->size() ? -1 : 1;
  return then_name(log, a, b);
}

int by_type(app::DiagnosticLog& log, const SortItem& a, const SortItem& b) {
  if (a.entry->is_folder() && b.entry->is_folder()) {
    for (const SortItem* item : {&a, &b}) {
      if (item->entry->type_text(log) != kFileFolder) VMT_LOG_POINT(log);
    }
    return then_name(log, a, b);
  }
  if (const int order = folder_first(*a.entry, *b.entry)) return order;
  for (const SortItem* item : {&a, &b}) {
    if (item->entry->type_text(log) == kFileFolder) VMT_LOG_POINT(log);
  }
  int order = compare_no_case(a.entry->type_text(log), b.entry->type_text(log));
  if (order == 0) order = compare_names_no_case(a, b);
  if (order == 0) order = compare_exact(a.entry->name(), b.entry->name());
  if (order == 0) VMT_LOG_POINT(log);
  return order;
}

}  // namespace

C_file_dir_info C_file_dir_info::desktop(const platform::FindData& data, platform::Clock& clock) {
  C_file_dir_info entry;
  entry.selected_ = 0;
  entry.is_device_ = 0;
  entry.desktop_ = data;
  entry.name_ = data.name;
  store_time(clock, data.times.last_write, &entry.time_known_, &entry.seconds_);
  return entry;
}

C_file_dir_info C_file_dir_info::device(const platform::CeFindData& data, platform::Clock& clock) {
  C_file_dir_info entry;
  entry.selected_ = 0;
  entry.is_device_ = 1;
  entry.device_ = data;
  entry.name_ = platform::to_utf8(data.cFileName);
  store_time(clock, data.ftLastWriteTime, &entry.time_known_, &entry.seconds_);
  return entry;
}

int C_file_dir_info::selected(app::DiagnosticLog& log) const {
  if (selected_ != 0 && selected_ != 1) VMT_LOG_POINT(log);
  return selected_;
}

void C_file_dir_info::set_selected(int selected, app::DiagnosticLog& log) {
  if (selected != 0 && selected != 1) VMT_LOG_POINT(log);
  selected_ = selected;
}

std::uint32_t C_file_dir_info::attributes() const {
  return is_device_ != 0 ? device_.dwFileAttributes : desktop_.attributes;
}

double C_file_dir_info::size() const {
  if (is_device_ != 0) {
    return static_cast<double>(device_.nFileSizeHigh) * 4294967296.0 +
           static_cast<double>(device_.nFileSizeLow);
  }
  return static_cast<double>(desktop_.size);
}

bool C_file_dir_info::modification_time(std::int64_t* seconds) const {
  if (time_known_) *seconds = seconds_;
  return time_known_;
}

platform::FileTimeTicks C_file_dir_info::last_write() const {
  return is_device_ != 0 ? device_.ftLastWriteTime : desktop_.times.last_write;
}

const std::string& C_file_dir_info::type_text(app::DiagnosticLog& log) const {
  if (type_text_.empty()) VMT_LOG_POINT(log);
  return type_text_;
}

void C_file_dir_info::set_type_text(const std::string& text, app::DiagnosticLog& log) {
  if (text.empty()) VMT_LOG_POINT(log);
  type_text_ = text;
}

namespace {

// The folder as a pane stores it: its trailing separators replaced by one.
// Device folders always use backslashes; desktop ones the platform's separator.
std::string with_one_separator(PaneSide side, const std::string& text) {
  const char separator = side == PaneSide::kDesktop ? path::kSeparator : '\\';
  std::string folder = text;
  while (!folder.empty() && (folder.back() == separator || folder.back() == '\\')) {
    folder.pop_back();
  }
  return folder + separator;
}

}  // namespace

bool set_pane_folder(app::RunContext& c, C_file_dir_pane& pane, const std::string& text) {
  const bool desktop = pane.side == PaneSide::kDesktop;
  if (text.empty() && desktop) {
    pane.folder = kNotSet;
    return true;
  }
  if (text == kNotSet || text == "NOT FOUND") {
    pane.folder = text;
    return true;
  }
  if (text == kNoConnection) {
    if (desktop) VMT_LOG_POINT(c.log);
    pane.folder = text;
    return true;
  }
  pane.folder = with_one_separator(pane.side, text);
  return true;
}

bool shows_folder(const C_file_dir_pane& pane, const std::string& folder) {
  return platform::equals_no_case(with_one_separator(pane.side, folder), pane.folder);
}

bool is_pane_folder_usable(const C_file_dir_pane& pane) {
  return pane.folder != kNotSet && pane.folder != kNoConnection &&
         pane.folder.compare(0, 10, "NOT FOUND:") != 0;
}

void mark_folder_not_found(app::RunContext& c, C_file_dir_pane& pane) {
  const std::string format = c.texts.load_message_format(50244, "NOT FOUND: %s");
  set_pane_folder(c, pane, app::format_message(format.c_str(), pane.folder.c_str()));
}

bool read_pane_folder(app::RunContext& c, C_file_dir_pane& pane,
                      const std::function<void()>& pump) {
  pane.sort_mode = 1;
  if (pane.filter != kAllFiles && pane.filter != kFeatlinkFiles) VMT_LOG_POINT(c.log);
  pane.entries.clear();
  if (!is_pane_folder_usable(pane)) return sort_pane(c, pane);
  if (pane.side == PaneSide::kDevice) {
    if (pane.folder != "\\" && !device::find_file_on_device(c, pane.folder, true)) {
      if (device::device_link_lost(c)) {
        set_pane_folder(c, pane, kNoConnection);
      } else {
        mark_folder_not_found(c, pane);
      }
      return sort_pane(c, pane);
    }
    if (pane.folder.back() != '\\') VMT_LOG_POINT(c.log);
    platform::Device& dev = c.platform.device;
    platform::CeFindData data;
    std::vector<std::string> leftovers;  // of copies that were interrupted
    const platform::CeHandle find =
        dev.CeFindFirstFile(device::to_device(pane.folder + pane.filter), &data);
    if (find != platform::kCeInvalidHandle) {
      do {
        C_file_dir_info entry = C_file_dir_info::device(data, c.platform.clock);
        const std::string& name = entry.name();
        const bool partial = device::is_partial_copy_name(name);
        if (partial || device::is_backup_copy_name(name)) leftovers.push_back(name);
        // A name holding a separator would lead out of the folder when opened
        // or copied; it is left out of the pane.
        if (name.find_first_of("\\/") != std::string::npos) {
          VMT_LOG_POINT(c.log);
        } else if (!partial) {
          // A copy under way or left by an interrupted run is not the user's file.
          pane.entries.push_back(std::move(entry));
        }
        if (pump) pump();
      } while (dev.CeFindNextFile(find, &data));
      // Unplugged part-way: a part of the folder is not shown as the whole.
      const bool lost = device::device_link_lost(c);
      if (!dev.CeFindClose(find)) VMT_LOG_POINT(c.log);
      if (lost) {
        VMT_LOG_POINT(c.log);
        pane.entries.clear();
        set_pane_folder(c, pane, kNoConnection);
      } else if (device::settle_interrupted_copies(c, pane.folder, leftovers)) {
        return read_pane_folder(c, pane, pump);
      }
    } else if (device::device_link_lost(c)) {
      set_pane_folder(c, pane, kNoConnection);
    }
  } else {
    platform::DesktopFiles& files = c.platform.files;
    if (!files.exists(pane.folder)) {
      mark_folder_not_found(c, pane);
      return sort_pane(c, pane);
    }
    if (!path::ends_with_separator(pane.folder)) VMT_LOG_POINT(c.log);
    platform::FindData data;
    const platform::FindHandle find = files.find_first(pane.folder + pane.filter, &data);
    bool partial_left = false;
    if (find != platform::kInvalidFind) {
      do {
        if (device::is_partial_copy_name(data.name)) {
          partial_left = true;
        } else {
          pane.entries.push_back(C_file_dir_info::desktop(data, c.platform.clock));
        }
        if (pump) pump();
      } while (files.find_next(find, &data));
      files.find_close(find);
    }
    if (partial_left) device::remove_interrupted_desktop_copy(c, pane.folder);
  }
  return sort_pane(c, pane);
}

bool sort_pane(app::RunContext& c, C_file_dir_pane& pane) {
  using Compare = int (*)(app::DiagnosticLog&, const SortItem&, const SortItem&);
  const int mode = pane.sort_mode;
  if (mode == 0) return true;
  if (mode < 0 || mode > 8) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  static const Compare kOrders[] = {by_name, by_date, by_size, by_type};
  const Compare compare = kOrders[(mode - 1) / 2];
  const bool descending = mode % 2 == 0;
  app::DiagnosticLog& log = c.log;
  // Small items are sorted, and each entry moved once into its place.
  std::vector<SortItem> items;
  items.reserve(pane.entries.size());
  for (std::size_t i = 0; i < pane.entries.size(); ++i) {
    items.push_back(sort_item(pane.entries[i], i));
  }
  std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
    const int order = compare(log, a, b);
    return descending ? order > 0 : order < 0;
  });
  std::vector<C_file_dir_info> sorted;
  sorted.reserve(pane.entries.size());
  for (const SortItem& item : items) sorted.push_back(std::move(pane.entries[item.position]));
  pane.entries.swap(sorted);
  return true;
}

int sort_mode_after_column_click(app::RunContext& c, int current_mode, int column) {
  if (column < 0 || column > 3) {
    VMT_LOG_POINT(c.log);
    return 1;
  }
  const int ascending = column * 2 + 1;
  return current_mode == ascending ? ascending + 1 : ascending;
}

std::vector<std::string> column_headings(app::RunContext& c, int sort_mode) {
  app::MessageTexts& t = c.texts;
  std::vector<std::string> headings = {
      t.load_message_text(50398, "Name"), t.load_message_text(50399, "Date Modified"),
      t.load_message_text(50400, "Size"), t.load_message_text(50401, "Type")};
  switch (sort_mode) {
    case 1: headings[0] = t.load_message_text(50402, "Name /\\"); break;
    case 2: headings[0] = t.load_message_text(50403, "Name \\/"); break;
    case 3: headings[1] = t.load_message_text(50404, "Date Modified /\\"); break;
    case 4: headings[1] = t.load_message_text(50405, "Date Modified \\/"); break;
    case 5: headings[2] = t.load_message_text(50406, "Size /\\"); break;
    case 6: headings[2] = t.load_message_text(50407, "Size \\/"); break;
    case 7: headings[3] = t.load_message_text(50408, "Type /\\"); break;
    case 8: headings[3] = t.load_message_text(50409, "Type \\/"); break;
    default: VMT_LOG_POINT(c.log); break;
  }
  return headings;
}

std::string size_text(app::RunContext& c, const C_file_dir_info& entry) {
  if (entry.is_folder()) return {};
  const std::string digits = app::format_message("%.0f", entry.size());
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped + c.texts.load_message_text(50411, " bytes");
}

std::string pane_folder_text(const C_file_dir_pane& pane) {
  return is_pane_folder_usable(pane) ? pane.folder + pane.filter : pane.folder;
}

bool get_entry(app::RunContext& c, const C_file_dir_pane& pane, int position,
               C_file_dir_info* entry) {
  if (position < 0 || static_cast<std::size_t>(position) >= pane.entries.size()) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  *entry = pane.entries[static_cast<std::size_t>(position)];
  return true;
}

bool get_entry_clamped(const C_file_dir_pane& pane, int position, C_file_dir_info* entry) {
  if (pane.entries.empty()) return false;
  const int last = static_cast<int>(pane.entries.size()) - 1;
  *entry = pane.entries[static_cast<std::size_t>(std::clamp(position, 0, last))];
  return true;
}

bool find_entry(app::RunContext& c, const C_file_dir_pane& pane, const std::string& name,
                C_file_dir_info* entry) {
  int matches = 0;
  for (const C_file_dir_info& candidate : pane.entries) {
    if (platform::equals_no_case(candidate.name(), name)) {
      if (matches == 0) *entry = candidate;
      ++matches;
    }
  }
  if (matches > 1) VMT_LOG_POINT(c.log);
  return matches > 0;
}

int count_selected(app::RunContext& c, const C_file_dir_pane& pane) {
  return static_cast<int>(std::count_if(
      pane.entries.begin(), pane.entries.end(),
      [&](const C_file_dir_info& entry) { return entry.selected(c.log) == 1; }));
}

bool is_entry_selected(app::RunContext& c, const C_file_dir_pane& pane, const std::string& name) {
  int matches = 0;
  bool selected = false;
  for (const C_file_dir_info& entry : pane.entries) {
    if (platform::equals_no_case(entry.name(), name)) {
      ++matches;
      selected = selected || entry.selected(c.log) == 1;
    }
  }
  if (matches != 1) VMT_LOG_POINT(c.log);
  return selected;
}

void set_all_selected(app::RunContext& c, C_file_dir_pane& pane, int selected) {
  for (C_file_dir_info& entry : pane.entries) entry.set_selected(selected, c.log);
}

}  // namespace vmt::ui
