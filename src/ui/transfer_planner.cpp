#include "ui/transfer_planner.h"

#include <unordered_map>

#include "app/error_reports.h"
#include "device/copy_engine.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"

namespace vmt::ui {
namespace {

namespace path = platform::path;

bool is_dot_entry(const std::string& name) { return name == "." || name == ".."; }

char separator_of(PaneSide side) { return side == PaneSide::kDevice ? '\\' : path::kSeparator; }

// The destination entries by name without regard to case; the first of
// several alike wins, as a search through the array in order would give.
class NameIndex {
 public:
  explicit NameIndex(const C_file_dir_pane& pane) : pane_(pane) {
    by_name_.reserve(pane.entries.size());
    for (std::size_t i = 0; i < pane.entries.size(); ++i) {
      by_name_.emplace(platform::to_lower_ascii(pane.entries[i].name()), i);
    }
  }
  const C_file_dir_info* find(const std::string& name) const {
    const auto it = by_name_.find(platform::to_lower_ascii(name));
    return it == by_name_.end() ? nullptr : &pane_.entries[it->second];
  }

 private:
  const C_file_dir_pane& pane_;
  std::unordered_map<std::string, std::size_t> by_name_;
};

// Asks the destination itself for a name that its last read did not list.
class DestinationProbe {
 public:
  DestinationProbe(app::RunContext& c, const C_file_dir_pane& destination)
      : c_(c), destination_(destination) {}
  ~DestinationProbe() {
    if (connected_) device::disconnect_from_device(c_);
  }
  DestinationProbe(const DestinationProbe&) = delete;
  DestinationProbe& operator=(const DestinationProbe&) = delete;

  bool find(const std::string& name, C_file_dir_info* entry) {
    if (destination_.side == PaneSide::kDesktop) return find_on_desktop(name, entry);
    return find_on_device(name, entry);
  }

 private:
  bool find_on_desktop(const std::string& name, C_file_dir_info* entry) {
    platform::DesktopFiles& files = c_.platform.files;
    platform::FindData data;
    const platform::FindHandle find = files.find_first(destination_.folder + name, &data);
    if (find == platform::kInvalidFind) return false;
    bool found = false;
    do {
      // A name the file system reads as a mask may match others; only its own counts.
      found = platform::equals_no_case(data.name, name);
    } while (!found && files.find_next(find, &data));
    files.find_close(find);
    if (found) *entry = C_file_dir_info::desktop(data, c_.platform.clock);
    return found;
  }

  bool find_on_device(const std::string& name, C_file_dir_info* entry) {
    if (!reachable()) return false;
    platform::Device& device = c_.platform.device;
    platform::CeFindData data;
    const platform::CeHandle find =
        device.CeFindFirstFile(device::to_device(destination_.folder + name), &data);
    if (find == platform::kCeInvalidHandle) return false;
    bool found = false;
    do {
      found = platform::equals_no_case(device::from_device(data.cFileName), name);
    } while (!found && device.CeFindNextFile(find, &data));
    if (!device.CeFindClose(find)) VMT_LOG_POINT(c_.log);
    if (found) *entry = C_file_dir_info::device(data, c_.platform.clock);
    return found;
  }

  // One connection for every name asked; when it fails the planner's own
  // connection fails the same way and nothing is copied.
  bool reachable() {
    if (!tried_) {
      tried_ = true;
      connected_ = device::connect_to_device(c_, false, false) == device::status::kSuccess;
    }
    return connected_;
  }

  app::RunContext& c_;
  const C_file_dir_pane& destination_;
  bool tried_ = false;
  bool connected_ = false;
};

Conflict conflict_between(app::RunContext& c, const C_file_dir_info& source,
                          const C_file_dir_info& destination) {
  const std::string name = source.name();
  if (source.is_folder()) {
    if (destination.is_folder()) {
      return {c.texts.format_message_text(
                  50206,
                  "  Dir: '%s' (files with same name will be overwritten in destination "
                  "folder)",
                  name.c_str()),
              false};
    }
    return {c.texts.format_message_text(50207, "  Dir: '%s' to File:'%s', NOT ALLOWED",
                                        name.c_str(), destination.name().c_str()),
            true};
  }
  if (destination.is_folder()) {
    return {c.texts.format_message_text(50208, "  File:'%s' to Dir: '%s', NOT ALLOWED",
                                        name.c_str(), destination.name().c_str()),
            true};
  }
  // An unknown time on either side is never "newer".
  std::int64_t source_time = 0;
  std::int64_t destination_time = 0;
  const bool newer = source.modification_time(&source_time) &&
                     destination.modification_time(&destination_time) &&
                     destination_time > source_time;
  if (newer) {
    return {
        c.texts.format_message_text(
            50209, "  File:'%s' (File will be overwritten. WARNING, destination file is newer.)",
            name.c_str()),
        false};
  }
  return {
      c.texts.format_message_text(50210, "  File:'%s' (file will be overwritten)", name.c_str()),
      false};
}

bool source_folder_exists(app::RunContext& c, bool download, const std::string& folder) {
  return download ? device::find_file_on_device(c, folder, false) : c.platform.files.exists(folder);
}

int copy_folder_files(app::RunContext& c, bool download, const std::string& source_folder,
                      const std::string& destination_folder) {
  if (download) {
    c.report.report_line(
        c.texts.format_message_text(50212,
                                    "1. Download, folder, data collector to desktop\n\nCopy all "
                                    "files from this dir: %s\nto\nthis dir: %s",
                                    source_folder.c_str(), destination_folder.c_str()));
  }
  app::append_status_line(c, source_folder + " --> " + destination_folder + "\n");
  if (!source_folder_exists(c, download, source_folder)) VMT_LOG_POINT(c.log);
  if (!source_folder_exists(c, !download, destination_folder)) VMT_LOG_POINT(c.log);
  app::set_status_text(c,
                       c.texts.format_message_text(50211, "Examining %s", source_folder.c_str()));

  C_file_dir_pane folder(download ? PaneSide::kDevice : PaneSide::kDesktop);
  set_pane_folder(c, folder, source_folder);
  folder.filter = kAllFiles;
  read_pane_folder(c, folder, [&c] { device::handle_copying_messages(c); });
  // A folder the lost link cut short is not copied as if that were all of it.
  if (folder.folder == kNoConnection) {
    device::report_folder_not_read(c, source_folder);
    return device::copy_result::kFailed;
  }

  for (const C_file_dir_info& entry : folder.entries) {
    if (entry.is_folder()) continue;
    const std::string file = folder.folder + entry.name();
    const int result = download ? device::download_file(c, file, destination_folder, entry.size())
                                : device::upload_file(c, file, destination_folder, entry.size());
    if (result == device::copy_result::kCopied) continue;
    if (result != device::copy_result::kCancelled && result != device::copy_result::kFailed) {
      VMT_LOG_POINT(c.log);
    }
    return result;
  }
  return device::copy_result::kCopied;
}

bool is_expected_connection_code(int code) {
  return device::is_known_connection_code(code) || code == device::status::kCancelled;
}

}  // namespace

std::vector<Conflict> find_conflicts(app::RunContext& c, const C_file_dir_pane& source,
                                     const C_file_dir_pane& destination) {
  std::vector<Conflict> conflicts;
  if (source.entries.empty()) return conflicts;
  const NameIndex listed(destination);
  DestinationProbe probe(c, destination);
  for (const C_file_dir_info& entry : source.entries) {
    if (entry.selected(c.log) != 1) continue;
    const std::string name = entry.name();
    if (const C_file_dir_info* match = listed.find(name)) {
      conflicts.push_back(conflict_between(c, entry, *match));
      continue;
    }
    C_file_dir_info unlisted;
    if (!is_dot_entry(name) && probe.find(name, &unlisted)) {
      conflicts.push_back(conflict_between(c, entry, unlisted));
    }
  }
  return conflicts;
}

bool check_conflicts(app::RunContext& c, const C_file_dir_pane& source,
                     const C_file_dir_pane& destination) {
  const std::vector<Conflict> conflicts = find_conflicts(c, source, destination);
  if (conflicts.empty()) return true;
  app::MessageTexts& t = c.texts;
  std::string text = t.load_message_text(50281, "The following conflicts have been found:");
  text += "\n\n";
  bool blocked = false;
  for (const Conflict& conflict : conflicts) {
    text += conflict.line + "\n";
    blocked = blocked || conflict.blocks;
  }
  text += "\n";
  text += blocked ? t.load_message_text(
                        50283, "You must deselect the NOT ALLOWED items before proceeding.")
                  : t.load_message_text(50282, "Do you want to continue?");
  text += "\n";
  const std::string title = app::program_title(c);
  if (blocked) {
    c.boxes.show(c.main_window, text, title, app::mb::kOk);
    return false;
  }
  return c.boxes.show(c.main_window, text, title, app::mb::kYesNo | app::mb::kIconQuestion) ==
         app::id::kYes;
}

int download_folder_files(app::RunContext& c, const std::string& device_folder,
                          const std::string& desktop_folder) {
  return copy_folder_files(c, true, device_folder, desktop_folder);
}

int upload_folder_files(app::RunContext& c, const std::string& desktop_folder,
                        const std::string& device_folder) {
  return copy_folder_files(c, false, desktop_folder, device_folder);
}

int transfer_entries(app::RunContext& c, const C_file_dir_pane& source,
                     const C_file_dir_pane& destination,
                     const std::function<void()>& no_connection) {
  const int connected = device::connect_to_device(c, true, true);
  if (!is_expected_connection_code(connected)) VMT_LOG_POINT(c.log);
  if (connected == device::status::kCancelled) return connected;
  if (connected != device::status::kSuccess) {
    if (no_connection) no_connection();
    return connected;
  }

  const bool download = source.side == PaneSide::kDevice;
  const char source_separator = separator_of(source.side);
  const char destination_separator = separator_of(destination.side);
  const NameIndex listed(destination);
  bool noted_no_dialog = false;
  for (std::size_t position = 0; position < source.entries.size(); ++position) {
    if (!noted_no_dialog && !device::is_copying_dialog_open(c)) {
      VMT_LOG_POINT(c.log);
      noted_no_dialog = true;
    }
    if (device::copy_cancel_confirmed(c)) {
      app::set_status_text(c, {});
      app::append_status_line(c, c.texts.load_message_text(50224, "\tCancelled\n"));
      device::disconnect_from_device(c);
      return device::copy_result::kCancelled;
    }
    C_file_dir_info entry;
    if (!get_entry_clamped(source, static_cast<int>(position), &entry)) {
      VMT_LOG_POINT(c.log);
      continue;
    }
    if (entry.selected(c.log) != 1) continue;
    const std::string name = entry.name();
    // "." and ".." would copy a folder into itself or leave the chosen one.
    if (is_dot_entry(name)) continue;
    const C_file_dir_info* match = listed.find(name);
    int result = device::copy_result::kCopied;
    if (entry.is_folder()) {
      if (match != nullptr && !match->is_folder()) continue;
      if (match != nullptr) {
        c.report.report_line(c.texts.format_message_text(50225, "  Dir: '%s' to Dir: '%s'",
                                                         name.c_str(), match->name().c_str()));
      } else if (download) {
        settings::make_desktop_dir_for_copy(c, destination.folder, name);
      } else {
        device::make_subdir_on_device(c, destination.folder, name);
      }
      // Into the existing folder under its own spelling: a desktop that tells
      // letter case apart would otherwise get a second folder.
      const std::string from = source.folder + name + source_separator;
      const std::string to =
          destination.folder + (match != nullptr ? match->name() : name) + destination_separator;
      result = copy_folder_files(c, download, from, to);
    } else {
      if (match != nullptr && match->is_folder()) continue;
      if (match != nullptr) {
        c.report.report_line(c.texts.format_message_text(50226, "  File:'%s' to File:'%s'",
                                                         name.c_str(), match->name().c_str()));
      }
      const std::string from = source.folder + name;
      result = download ? device::download_file(c, from, destination.folder, entry.size())
                        : device::upload_file(c, from, destination.folder, entry.size());
    }
    if (result != device::copy_result::kCopied) {
      device::disconnect_from_device(c);
      return result;
    }
  }
  device::disconnect_from_device(c);
  return device::copy_result::kCopied;
}

}  // namespace vmt::ui
