#include "ui/transfer_planner.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "app/error_reports.h"
#include "device/copy_engine.h"
#include "device/clock_check.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "device/replaced_files.h"
#include "device/time_rules.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"

namespace vmt::ui {
namespace {

namespace path = platform::path;

bool is_dot_entry(const std::string& name) { return name == "." || name == ".."; }

char separator_of(PaneSide side) { return side == PaneSide::kDevice ? '\\' : path::kSeparator; }

// Entries by name without regard to case; the first of several alike wins,
// as a search through the array in order would give.
class NameIndex {
 public:
  explicit NameIndex(const std::vector<C_file_dir_info>& entries) : entries_(entries) {
    by_name_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      by_name_.emplace(platform::fold_name(entries[i].name()), i);
    }
  }
  const C_file_dir_info* find(const std::string& name) const {
    const auto it = by_name_.find(platform::fold_name(name));
    return it == by_name_.end() ? nullptr : &entries_[it->second];
  }

 private:
  const std::vector<C_file_dir_info>& entries_;
  std::unordered_map<std::string, std::size_t> by_name_;
};

// The one device connection of a planning, opened when first needed.
class DeviceSession {
 public:
  explicit DeviceSession(app::RunContext& c) : c_(c) {}
  ~DeviceSession() {
    if (code_ == device::status::kSuccess) device::disconnect_from_device(c_);
  }
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  bool open() {
    if (!tried_) {
      tried_ = true;
      code_ = device::connect_to_device(c_, false, false);
    }
    return code_ == device::status::kSuccess;
  }
  int code() const { return code_; }

 private:
  app::RunContext& c_;
  bool tried_ = false;
  int code_ = device::status::kSuccess;
};

// A line that compares a device time with a desktop time ends with the
// difference the clock check measured, when it is large enough to matter.
std::string with_clock(app::RunContext& c, std::string line) {
  const std::string clock = device::clock_difference_text(c);
  if (!clock.empty()) line += " (" + clock + ")";
  return line;
}

Conflict newer_line(app::RunContext& c, const std::string& name) {
  return {with_clock(c, c.texts.format_message_text(
                            50209,
                            "  File:'%s' (File will be overwritten. WARNING, destination file "
                            "is newer.)",
                            name.c_str())),
          false};
}

Conflict folder_onto_file(app::RunContext& c, const std::string& from, const std::string& to) {
  return {c.texts.format_message_text(50207, "  Dir: '%s' to File:'%s', NOT ALLOWED",
                                      from.c_str(), to.c_str()),
          true};
}

Conflict file_onto_folder(app::RunContext& c, const std::string& from, const std::string& to) {
  return {c.texts.format_message_text(50208, "  File:'%s' to Dir: '%s', NOT ALLOWED",
                                      from.c_str(), to.c_str()),
          true};
}

// The plan of one transfer, built entry by entry.
class Planner {
 public:
  Planner(app::RunContext& c, const C_file_dir_pane& source, const C_file_dir_pane& destination,
          bool copy_subfolders, const std::function<void()>& pump)
      : c_(c),
        source_(source),
        destination_(destination),
        copy_subfolders_(copy_subfolders),
        pump_(pump),
        session_(c) {
    plan_.download = source.side == PaneSide::kDevice;
    plan_.source_folder = source.folder;
    plan_.destination_folder = destination.folder;
  }

  TransferPlan run() {
    if (source_.entries.empty()) return std::move(plan_);
    const NameIndex listed(destination_.entries);
    for (const C_file_dir_info& entry : source_.entries) {
      if (entry.selected(c_.log) != 1) continue;
      const std::string name = entry.name();
      // "." and ".." would copy a folder into itself or leave the chosen one.
      if (is_dot_entry(name)) continue;
      plan_.selection.emplace_back(name, entry.is_folder());
      if (!complete()) continue;
      C_file_dir_info unlisted;
      const C_file_dir_info* match = listed.find(name);
      if (match == nullptr && probe(name, &unlisted)) match = &unlisted;
      if (entry.is_folder()) {
        plan_folder(entry, match);
      } else {
        plan_file(entry, match);
      }
    }
    for (const PlannedEntry& planned : plan_.entries) plan_.file_count += planned.file_count();
    if (session_.code() != device::status::kSuccess) plan_.connection = session_.code();
    return std::move(plan_);
  }

 private:
  bool complete() const {
    return plan_.unlisted_folder.empty() && session_.code() == device::status::kSuccess;
  }

  const std::string& desktop_folder() const {
    return source_.side == PaneSide::kDesktop ? source_.folder : destination_.folder;
  }

  // The destination's file is later than the source's. An unknown time on
  // either side is never "newer"; a second or two is not, where either side
  // keeps times to two seconds (asked only when it decides).
  bool is_newer(const C_file_dir_info& destination, const C_file_dir_info& source,
                const std::string& device_folder) {
    std::int64_t source_time = 0;
    std::int64_t destination_time = 0;
    if (!source.modification_time(&source_time) ||
        !destination.modification_time(&destination_time)) {
      return false;
    }
    const std::int64_t later = destination_time - source_time;
    return later > 0 &&
           device::compared_difference(later, keeps_two_seconds(device_folder)) > 0;
  }

  bool keeps_two_seconds(const std::string& device_folder) {
    if (!desktop_fat_) desktop_fat_ = device::desktop_keeps_two_seconds(c_, desktop_folder());
    if (*desktop_fat_) return true;
    // Without a connection the planner's own fails the same way and nothing is copied.
    if (!session_.open()) return false;
    const std::string top = device_folder.substr(0, device_folder.find('\\', 1));
    const auto known = storage_cards_.find(top);
    if (known != storage_cards_.end()) return known->second;
    return storage_cards_[top] = device::device_keeps_two_seconds(c_, device_folder);
  }

  void plan_file(const C_file_dir_info& entry, const C_file_dir_info* match) {
    const std::string name = entry.name();
    if (match != nullptr && match->is_folder()) {
      plan_.conflicts.push_back(file_onto_folder(c_, name, match->name()));
      return;
    }
    PlannedEntry planned;
    planned.name = name;
    planned.file = {name, entry.size(), match != nullptr};
    if (match != nullptr) {
      planned.match = match->name();
      const std::string& device_folder =
          source_.side == PaneSide::kDevice ? source_.folder : destination_.folder;
      plan_.conflicts.push_back(
          is_newer(*match, entry, device_folder)
              ? newer_line(c_, name)
              : Conflict{with_clock(c_, c_.texts.format_message_text(
                                            50210, "  File:'%s' (file will be overwritten)",
                                            name.c_str())),
                         false});
    }
    plan_.entries.push_back(std::move(planned));
  }

  void plan_folder(const C_file_dir_info& entry, const C_file_dir_info* match) {
    const std::string name = entry.name();
    if (match != nullptr && !match->is_folder()) {
      plan_.conflicts.push_back(folder_onto_file(c_, name, match->name()));
      return;
    }
    PlannedEntry planned;
    planned.name = name;
    planned.is_folder = true;
    if (match != nullptr) {
      planned.match = match->name();
      plan_.conflicts.push_back(
          {c_.texts.format_message_text(
               50206,
               "  Dir: '%s' (files with same name will be overwritten in destination folder)",
               name.c_str()),
           false});
    }
    // Into the existing folder under its own spelling: a desktop that tells
    // letter case apart would otherwise get a second folder.
    planned.folders.push_back(
        folder_in(source_.folder, destination_.folder, name, match, name));
    if (walk(planned, 0, match != nullptr)) plan_.entries.push_back(std::move(planned));
  }

  PlannedFolder folder_in(const std::string& source_parent, const std::string& destination_parent,
                          const std::string& name, const C_file_dir_info* match,
                          const std::string& relative) const {
    PlannedFolder folder;
    folder.source = source_parent + name + separator_of(source_.side);
    folder.parent = destination_parent;
    folder.name = match != nullptr ? match->name() : name;
    folder.destination = destination_parent + folder.name + separator_of(destination_.side);
    folder.path = relative;
    folder.create = match == nullptr;
    return folder;
  }

  // Plans the files of one folder of the entry and, with sub-folders on, the
  // folders below it; `merged` when the folder exists at the destination.
  bool walk(PlannedEntry& planned, std::size_t index, bool merged) {
    const PlannedFolder folder = planned.folders[index];
    std::vector<C_file_dir_info> from;
    std::vector<C_file_dir_info> there;
    if (!list(source_.side, folder.source, folder.path, &from)) return false;
    if (merged && !list(destination_.side, folder.destination, folder.path, &there)) return false;
    const NameIndex at_destination(there);
    for (const C_file_dir_info& entry : from) {
      const std::string name = entry.name();
      if (entry.is_folder()) continue;
      const std::string relative = folder.path + "\\" + name;
      const C_file_dir_info* match = at_destination.find(name);
      if (match != nullptr && match->is_folder()) {
        plan_.conflicts.push_back(
            file_onto_folder(c_, relative, folder.path + "\\" + match->name()));
        continue;
      }
      // Files that are only overwritten are told by the folder's one line.
      const std::string& device_folder =
          source_.side == PaneSide::kDevice ? folder.source : folder.destination;
      if (match != nullptr && is_newer(*match, entry, device_folder)) {
        plan_.conflicts.push_back(newer_line(c_, relative));
      }
      planned.folders[index].files.push_back({name, entry.size(), match != nullptr});
    }
    for (const C_file_dir_info& entry : from) {
      const std::string name = entry.name();
      if (!entry.is_folder() || is_dot_entry(name)) continue;
      const std::string relative = folder.path + "\\" + name;
      if (!copy_subfolders_) {
        plan_.skipped_folders.push_back(relative);
        continue;
      }
      const C_file_dir_info* match = at_destination.find(name);
      if (match != nullptr && !match->is_folder()) {
        plan_.conflicts.push_back(
            folder_onto_file(c_, relative, folder.path + "\\" + match->name()));
        continue;
      }
      planned.folders.push_back(
          folder_in(folder.source, folder.destination, name, match, relative));
      if (!walk(planned, planned.folders.size() - 1, match != nullptr)) return false;
    }
    return true;
  }

  // Every entry of one folder, sorted by name; false after noting why not.
  bool list(PaneSide side, const std::string& folder, const std::string& relative,
            std::vector<C_file_dir_info>* entries) {
    app::set_status_text(
        c_, c_.texts.format_message_text(50211, "Examining %s", folder.c_str()));
    const bool listed = side == PaneSide::kDevice ? list_device(folder, entries)
                                                  : list_desktop(folder, entries);
    if (!listed) {
      plan_.unlisted_folder = relative;
      return false;
    }
    std::sort(entries->begin(), entries->end(),
              [](const C_file_dir_info& a, const C_file_dir_info& b) {
                const int order = platform::compare_no_case(a.name(), b.name());
                return order != 0 ? order < 0 : a.name() < b.name();
              });
    return true;
  }

  bool list_desktop(const std::string& folder, std::vector<C_file_dir_info>* entries) {
    platform::DesktopFiles& files = c_.platform.files;
    if (!files.exists(folder)) return unlisted(0);
    platform::FindData data;
    const platform::FindHandle find = files.find_first(folder + "*.*", &data);
    if (find == platform::kInvalidFind) {
      const std::uint32_t error = files.last_error();
      return error == platform::error::kFileNotFound || error == platform::error::kNoMoreFiles
                 ? true
                 : unlisted(0);
    }
    do {
      if (!is_dot_entry(data.name) && !device::is_partial_copy_name(data.name)) {
        entries->push_back(C_file_dir_info::desktop(data, c_.platform.clock));
      }
      if (pump_) pump_();
    } while (files.find_next(find, &data));
    files.find_close(find);
    return true;
  }

  bool list_device(const std::string& folder, std::vector<C_file_dir_info>* entries) {
    if (!session_.open()) return false;
    platform::Device& dev = c_.platform.device;
    platform::CeFindData data;
    const platform::CeHandle find = dev.CeFindFirstFile(device::to_device(folder + "*.*"), &data);
    std::uint32_t error = 0;
    if (find == platform::kCeInvalidHandle) {
      error = device::last_device_error(c_);
    } else {
      do {
        const std::string name = device::from_device(data.cFileName);
        // A name holding a separator would lead out of the folder; it is left out.
        if (name.find_first_of("\\/") != std::string::npos) {
          VMT_LOG_POINT(c_.log);
        } else if (!device::is_partial_copy_name(name) && !device::is_backup_copy_name(name)) {
          entries->push_back(C_file_dir_info::device(data, c_.platform.clock));
        }
        if (pump_) pump_();
      } while (dev.CeFindNextFile(find, &data));
      error = device::last_device_error(c_);
      if (!dev.CeFindClose(find)) VMT_LOG_POINT(c_.log);
    }
    if (error == platform::error::kDeviceNotConnected) return unlisted(error);
    if (error != platform::error::kNoMoreFiles && error != platform::error::kFileNotFound &&
        find == platform::kCeInvalidHandle) {
      return unlisted(error);
    }
    // The end of a listing and a cut link look alike when the device's own
    // error is stale; the folder must still be there once it is listed.
    if (!device::find_file_on_device(c_, folder, false)) {
      return unlisted(device::last_device_error(c_));
    }
    return true;
  }

  bool unlisted(std::uint32_t error) {
    plan_.unlisted_cause = c_.texts.load_message_text(50619, "the folder could not be listed");
    if (error == platform::error::kDeviceNotConnected) {
      plan_.unlisted_cause +=
          " (" + c_.texts.load_message_text(50603, "data collector disconnected") + ")";
    }
    return false;
  }

  // Asks the destination itself for a name that its last read did not list.
  bool probe(const std::string& name, C_file_dir_info* entry) {
    if (destination_.side == PaneSide::kDesktop) {
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
    // Without a connection the planner's own fails the same way and nothing is copied.
    if (!session_.open()) return false;
    platform::Device& dev = c_.platform.device;
    platform::CeFindData data;
    const platform::CeHandle find =
        dev.CeFindFirstFile(device::to_device(destination_.folder + name), &data);
    if (find == platform::kCeInvalidHandle) return false;
    bool found = false;
    do {
      found = platform::equals_no_case(device::from_device(data.cFileName), name);
    } while (!found && dev.CeFindNextFile(find, &data));
    if (!dev.CeFindClose(find)) VMT_LOG_POINT(c_.log);
    if (found) *entry = C_file_dir_info::device(data, c_.platform.clock);
    return found;
  }

  app::RunContext& c_;
  const C_file_dir_pane& source_;
  const C_file_dir_pane& destination_;
  bool copy_subfolders_;
  const std::function<void()>& pump_;
  DeviceSession session_;
  TransferPlan plan_;
  std::optional<bool> desktop_fat_;
  std::unordered_map<std::string, bool> storage_cards_;  // by the device's top folder
};

// The copy engine's words for a failure, on one line.
std::string one_line(std::string text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Copies one file of the plan and counts it; on a failure notes which and why.
int copy_planned_file(app::RunContext& c, bool download, const std::string& source,
                      const std::string& destination_folder, const PlannedFile& file,
                      const std::string& relative, TransferOutcome& outcome) {
  device::show_copying_progress(c, static_cast<int>(outcome.copied + 1),
                                static_cast<int>(outcome.total), relative);
  c.last_copy_failure.clear();
  const device::CopySafety safety = outcome.safety != nullptr
                                        ? outcome.safety->for_file(download, relative)
                                        : device::CopySafety{};
  const int result =
      download ? device::download_file(c, source, destination_folder, file.size, safety)
               : device::upload_file(c, source, destination_folder, file.size, safety);
  if (result == device::copy_result::kCopied) {
    ++outcome.copied;
    ++outcome.copied_in_entry;
    return result;
  }
  if (result == device::copy_result::kCancelled) return result;
  if (result != device::copy_result::kFailed) VMT_LOG_POINT(c.log);
  outcome.stopped_at = relative;
  outcome.cause = one_line(c.last_copy_failure);
  if (outcome.cause.empty()) {
    outcome.cause = c.texts.load_message_text(50621, "the file could not be copied");
  }
  return result;
}

int copy_folder_files(app::RunContext& c, bool download, const PlannedFolder& folder,
                      TransferOutcome& outcome) {
  if (download) {
    c.report.report_line(
        c.texts.format_message_text(50212,
                                    "1. Download, folder, data collector to desktop\n\nCopy all "
                                    "files from this dir: %s\nto\nthis dir: %s",
                                    folder.source.c_str(), folder.destination.c_str()));
  }
  app::append_status_line(c, folder.source + " --> " + folder.destination + "\n");
  const auto exists = [&c](bool on_device, const std::string& path) {
    return on_device ? device::find_file_on_device(c, path, false) : c.platform.files.exists(path);
  };
  if (!exists(download, folder.source)) VMT_LOG_POINT(c.log);
  if (!exists(!download, folder.destination)) VMT_LOG_POINT(c.log);
  for (const PlannedFile& file : folder.files) {
    const int result = copy_planned_file(c, download, folder.source + file.name,
                                         folder.destination, file,
                                         folder.path + "\\" + file.name, outcome);
    if (result != device::copy_result::kCopied) return result;
  }
  return device::copy_result::kCopied;
}

// Makes a planned folder at the destination; false when it is not there after.
bool make_folder(app::RunContext& c, bool download, const PlannedFolder& folder) {
  if (download) {
    settings::make_desktop_dir_for_copy(c, folder.parent, folder.name);
    return c.platform.files.exists(folder.destination);
  }
  device::make_subdir_on_device(c, folder.parent, folder.name);
  return device::find_file_on_device(c, folder.destination, false);
}

bool is_expected_connection_code(int code) {
  return device::is_known_connection_code(code) || code == device::status::kCancelled;
}

void note_skipped_folders(app::RunContext& c, const TransferPlan& plan) {
  for (const std::string& folder : plan.skipped_folders) {
    const std::string line =
        c.texts.format_message_text(50612, "\tSub-folder not copied: %s\n", folder.c_str());
    app::append_status_line(c, line);
    c.report.report_line(one_line(line));
  }
}

}  // namespace

std::size_t PlannedEntry::file_count() const {
  if (!is_folder) return 1;
  std::size_t count = 0;
  for (const PlannedFolder& folder : folders) count += folder.files.size();
  return count;
}

TransferPlan plan_transfer(app::RunContext& c, const C_file_dir_pane& source,
                           const C_file_dir_pane& destination, bool copy_subfolders,
                           const std::function<void()>& pump) {
  return Planner(c, source, destination, copy_subfolders, pump).run();
}

std::vector<Conflict> find_conflicts(app::RunContext& c, const C_file_dir_pane& source,
                                     const C_file_dir_pane& destination) {
  return plan_transfer(c, source, destination, false, nullptr).conflicts;
}

bool check_conflicts(app::RunContext& c, const TransferPlan& plan) {
  if (plan.conflicts.empty() && plan.skipped_folders.empty()) return true;
  app::MessageTexts& t = c.texts;
  std::string text;
  if (!plan.skipped_folders.empty()) {
    text += t.load_message_text(
                50609, "These sub-folders will not be copied, nor anything inside them:") +
            "\n\n";
    for (const std::string& folder : plan.skipped_folders) {
      text += t.format_message_text(50610, "  Dir: '%s' (sub-folder, not copied)",
                                    folder.c_str()) +
              "\n";
    }
    text += "\n" +
            t.load_message_text(
                50611, "To copy sub-folders too, check \"Copy sub-folders\" in the Options menu.") +
            "\n\n";
  }
  bool blocked = false;
  if (!plan.conflicts.empty()) {
    text += t.load_message_text(50281, "The following conflicts have been found:") + "\n\n";
    for (const Conflict& conflict : plan.conflicts) {
      text += conflict.line + "\n";
      blocked = blocked || conflict.blocks;
    }
    text += "\n";
  }
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

int download_folder_files(app::RunContext& c, const PlannedFolder& folder,
                          TransferOutcome& outcome) {
  return copy_folder_files(c, true, folder, outcome);
}

int upload_folder_files(app::RunContext& c, const PlannedFolder& folder,
                        TransferOutcome& outcome) {
  return copy_folder_files(c, false, folder, outcome);
}

int transfer_entries(app::RunContext& c, const TransferPlan& plan,
                     const std::function<void()>& no_connection, TransferOutcome* outcome) {
  *outcome = TransferOutcome{};
  outcome->total = plan.file_count;
  if (plan.connection != device::status::kSuccess) {
    if (no_connection) no_connection();
    return outcome->code = plan.connection;
  }
  if (!plan.unlisted_folder.empty()) {
    outcome->stopped_at = plan.unlisted_folder;
    outcome->cause = plan.unlisted_cause;
    return outcome->code = device::copy_result::kFailed;
  }
  const int connected = device::connect_to_device(c, true, true);
  if (!is_expected_connection_code(connected)) VMT_LOG_POINT(c.log);
  if (connected == device::status::kCancelled) return outcome->code = connected;
  if (connected != device::status::kSuccess) {
    if (no_connection) no_connection();
    return outcome->code = connected;
  }
  note_skipped_folders(c, plan);
  // Read from the options once the user has confirmed: one folder of kept files per transfer.
  device::TransferSafety safety(c);
  struct SafetyScope {
    TransferOutcome& outcome;
    ~SafetyScope() { outcome.safety = nullptr; }
  } scope{*outcome};
  outcome->safety = &safety;

  bool noted_no_dialog = false;
  for (std::size_t position = 0; position < plan.entries.size(); ++position) {
    if (!noted_no_dialog && !device::is_copying_dialog_open(c)) {
      VMT_LOG_POINT(c.log);
      noted_no_dialog = true;
    }
    if (device::copy_cancel_confirmed(c)) {
      app::set_status_text(c, {});
      app::append_status_line(c, c.texts.load_message_text(50224, "\tCancelled\n"));
      device::disconnect_from_device(c);
      return outcome->code = device::copy_result::kCancelled;
    }
    const PlannedEntry& entry = plan.entries[position];
    outcome->entry = position;
    outcome->copied_in_entry = 0;
    int result = device::copy_result::kCopied;
    if (!entry.is_folder) {
      if (!entry.match.empty()) {
        c.report.report_line(c.texts.format_message_text(
            50226, "  File:'%s' to File:'%s'", entry.name.c_str(), entry.match.c_str()));
      }
      result = copy_planned_file(c, plan.download, plan.source_folder + entry.name,
                                 plan.destination_folder, entry.file, entry.name, *outcome);
    } else {
      if (!entry.match.empty()) {
        c.report.report_line(c.texts.format_message_text(
            50225, "  Dir: '%s' to Dir: '%s'", entry.name.c_str(), entry.match.c_str()));
      }
      for (const PlannedFolder& folder : entry.folders) {
        // A long path would make such a folder, and Explorer could not open or delete it.
        if (plan.download && folder.create && device::is_reserved_device_name(folder.name)) {
          outcome->stopped_at = folder.path;
          outcome->cause =
              c.texts.load_message_text(50644, "Windows keeps the name for a device");
          app::append_status_line(c, "\t" + folder.path + ":\t" + outcome->cause + "\n");
          c.report.report_line("\t" + folder.path + ":\t" + outcome->cause, folder.destination);
          result = device::copy_result::kFailed;
          break;
        }
        if (folder.create && !make_folder(c, plan.download, folder)) {
          outcome->stopped_at = folder.path;
          outcome->cause =
              c.texts.load_message_text(50620, "the folder could not be created");
          result = device::copy_result::kFailed;
          break;
        }
        result = plan.download ? download_folder_files(c, folder, *outcome)
                               : upload_folder_files(c, folder, *outcome);
        if (result != device::copy_result::kCopied) break;
      }
    }
    if (result != device::copy_result::kCopied) {
      device::disconnect_from_device(c);
      return outcome->code = result;
    }
  }
  device::disconnect_from_device(c);
  return outcome->code = device::copy_result::kCopied;
}

std::vector<std::string> failure_summary(app::RunContext& c, const TransferPlan& plan,
                                         const TransferOutcome& outcome) {
  app::MessageTexts& t = c.texts;
  std::vector<std::string> lines;
  lines.push_back(t.format_message_text(50614, "The transfer stopped at %s: %s",
                                        outcome.stopped_at.c_str(), outcome.cause.c_str()));
  const bool planned = plan.unlisted_folder.empty();
  lines.push_back(planned ? t.format_message_text(50615, "%d of %d files were copied.",
                                                  static_cast<int>(outcome.copied),
                                                  static_cast<int>(outcome.total))
                          : t.load_message_text(50622, "No file was copied."));
  lines.push_back(t.load_message_text(50616, "Not transferred:"));
  const auto file_line = [&t](const std::string& name) {
    return t.format_message_text(50617, "  File:'%s'", name.c_str());
  };
  if (!planned) {
    for (const auto& [name, is_folder] : plan.selection) {
      lines.push_back(is_folder ? t.format_message_text(50623, "  Dir: '%s'", name.c_str())
                                : file_line(name));
    }
    return lines;
  }
  for (std::size_t i = outcome.entry; i < plan.entries.size(); ++i) {
    const PlannedEntry& entry = plan.entries[i];
    if (!entry.is_folder) {
      lines.push_back(file_line(entry.name));
      continue;
    }
    const std::size_t count = entry.file_count();
    const std::size_t done = i == outcome.entry ? outcome.copied_in_entry : 0;
    lines.push_back(t.format_message_text(50618, "  Dir: '%s' (%d of its %d files not copied)",
                                          entry.name.c_str(), static_cast<int>(count - done),
                                          static_cast<int>(count)));
  }
  return lines;
}

void record_failure(app::RunContext& c, const std::vector<std::string>& summary) {
  for (const std::string& line : summary) {
    app::append_status_line(c, line + "\n");
    c.report.report_line(line);
  }
}

}  // namespace vmt::ui
