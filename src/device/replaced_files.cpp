#include "device/replaced_files.h"

#include <algorithm>
#include <cstdio>

#include "device/copying_dlg.h"
#include "platform/common/file_time.h"
#include "platform/common/path.h"
#include "settings/desktop_folders.h"
#include "settings/options_store.h"

namespace vmt::device {
namespace {

namespace path = platform::path;

constexpr char kReplacedFolder[] = "Replaced";
constexpr char kDesktopSide[] = "Desktop";
constexpr char kDeviceSide[] = "Data collector";
constexpr std::int64_t kSecondsPerDay = 86400;

// Two digits, or four for the year, read at `at`; false when they are not there.
bool read_number(const std::string& text, std::size_t at, std::size_t digits, int* value) {
  if (at + digits > text.size()) return false;
  *value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

// Removes a folder with everything in it; false when anything stays.
bool remove_tree(platform::DesktopFiles& files, const std::string& folder) {
  bool removed = true;
  platform::FindData data;
  const platform::FindHandle find = files.find_first(path::join(folder, "*.*"), &data);
  if (find != platform::kInvalidFind) {
    do {
      if (data.name == "." || data.name == "..") continue;
      const std::string entry = path::join(folder, data.name);
      const bool gone = (data.attributes & platform::attr::kDirectory) != 0
                            ? remove_tree(files, entry)
                            : files.delete_file(entry);
      removed = removed && gone;
    } while (files.find_next(find, &data));
    files.find_close(find);
  }
  return files.remove_folder(folder) && removed;
}

}  // namespace

std::string replaced_files_folder(app::RunContext& c) {
  const std::string report = settings::get_report_dir(c.platform.shell, false);
  if (report.empty()) return {};
  return path::join(report, kReplacedFolder);
}

std::string transfer_folder_name(const platform::LocalTime& time) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d.%02d.%02d", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return name;
}

bool parse_transfer_folder_name(const std::string& name, platform::LocalTime* time) {
  platform::LocalTime read;
  const bool fields = name.size() >= 19 && read_number(name, 0, 4, &read.year) &&
                      name[4] == '-' && read_number(name, 5, 2, &read.month) && name[7] == '-' &&
                      read_number(name, 8, 2, &read.day) && name[10] == ' ' &&
                      read_number(name, 11, 2, &read.hour) && name[13] == '.' &&
                      read_number(name, 14, 2, &read.minute) && name[16] == '.' &&
                      read_number(name, 17, 2, &read.second);
  if (!fields || read.month < 1 || read.month > 12 || read.day < 1 || read.day > 31 ||
      read.hour > 23 || read.minute > 59 || read.second > 59) {
    return false;
  }
  // A second transfer in the same second has " (2)" after the time.
  const std::string rest = name.substr(19);
  if (!rest.empty() && (rest.size() < 4 || rest.compare(0, 2, " (") != 0 || rest.back() != ')' ||
                        !std::all_of(rest.begin() + 2, rest.end() - 1,
                                     [](char ch) { return ch >= '0' && ch <= '9'; }))) {
    return false;
  }
  *time = read;
  return true;
}

// A name the transfer's folder does not hold yet: a file replaced twice in
// one transfer (two names that differ in case alone) keeps both versions.
std::string ReplacedFiles::free_name(const std::string& kept) {
  if (!c_.platform.files.exists(kept)) return kept;
  const std::string name = path::file_name(kept);
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string extension = name.substr(stem.size());
  for (int other = 2;; ++other) {
    const std::string candidate =
        path::folder_of(kept) + stem + " (" + std::to_string(other) + ")" + extension;
    if (!c_.platform.files.exists(candidate)) return candidate;
  }
}

bool ReplacedFiles::make_folder() {
  if (!folder_.empty()) return true;
  const std::string root = replaced_files_folder(c_);
  if (root.empty()) return false;
  const std::string name = transfer_folder_name(c_.platform.clock.local_now());
  std::string folder = path::join(root, name);
  for (int other = 2; c_.platform.files.exists(folder); ++other) {
    folder = path::join(root, name + " (" + std::to_string(other) + ")");
  }
  const int made = c_.platform.shell.create_folder_tree(folder);
  if (made != 0 && made != platform::error::kAlreadyExists) return false;
  folder_ = folder;
  return true;
}

int ReplacedFiles::keep(bool on_device, const std::string& destination,
                        const std::string& relative) {
  std::string local = relative;
  std::replace(local.begin(), local.end(), '\\', path::kSeparator);
  std::string kept;
  bool ready = make_folder();
  if (ready) {
    const std::string side = path::join(folder_, on_device ? kDeviceSide : kDesktopSide);
    kept = free_name(path::join(side, local));
    const int made = c_.platform.shell.create_folder_tree(path::folder_of(kept));
    ready = made == 0 || made == platform::error::kAlreadyExists;
  }
  if (!ready) return refuse_keep(c_, relative, destination);
  show_copying_step(c_, c_.texts.format_message_text(50738, "Keeping the file it replaces: %s",
                                                    relative.c_str()));
  const int result = on_device ? keep_device_file(c_, destination, kept, relative)
                               : keep_desktop_file(c_, destination, kept, relative);
  if (result == copy_result::kCopied) {
    c_.report.report_line(
        c_.texts.load_message_text(50734, "                Replaced file kept as"), kept);
  }
  return result;
}

TransferSafety::TransferSafety(app::RunContext& context)
    : verify_(settings::get_VerifyCopies(context)) {
  if (settings::get_KeepReplaced(context)) kept_.emplace(context);
}

CopySafety TransferSafety::for_file(bool download, const std::string& relative) {
  CopySafety safety;
  safety.verify = verify_;
  if (kept_) {
    // A download replaces a file of this computer; an upload one of the data collector.
    safety.keep_replaced = [this, download, relative](const std::string& destination) {
      return kept_->keep(!download, destination, relative);
    };
  }
  return safety;
}

void remove_old_replaced_files(app::RunContext& c, int days) {
  platform::DesktopFiles& files = c.platform.files;
  const std::string root = replaced_files_folder(c);
  if (root.empty() || !files.is_folder(root)) return;
  const std::int64_t now = platform::fields_to_epoch_seconds(c.platform.clock.local_now());
  std::vector<std::string> old;
  platform::FindData data;
  const platform::FindHandle find = files.find_first(path::join(root, "*.*"), &data);
  if (find == platform::kInvalidFind) return;
  do {
    platform::LocalTime made;
    if ((data.attributes & platform::attr::kDirectory) == 0 ||
        !parse_transfer_folder_name(data.name, &made)) {
      continue;
    }
    if (now - platform::fields_to_epoch_seconds(made) > days * kSecondsPerDay) {
      old.push_back(path::join(root, data.name));
    }
  } while (files.find_next(find, &data));
  files.find_close(find);
  std::sort(old.begin(), old.end());
  for (const std::string& folder : old) {
    const bool removed = remove_tree(files, folder);
    const std::string line =
        removed ? c.texts.format_message_text(50735, "Replaced files older than %d days removed",
                                              days)
                : c.texts.load_message_text(50736, "Replaced files could not all be removed");
    VMT_LOG_TEXT(c.log, line + ": " + folder);
    c.report.report_line(line, folder);
  }
}

}  // namespace vmt::device
