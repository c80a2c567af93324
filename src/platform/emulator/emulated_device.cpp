#include "platform/emulator/emulated_device.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>
#include <tuple>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/common/ini_file.h"
#include "platform/common/reg_text.h"
#include "platform/common/utf.h"
#include "platform/common/wildcard.h"

namespace vmt::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxDevicePath = 259;
constexpr const char* kTimesFile = "filetimes.txt";
// A journal line that forgets a path's times instead of setting them.
constexpr const char* kForgotten = "\t-";
// What one CE_FIND_DATA record costs on the link.
constexpr std::size_t kFindRecordBytes = 592;

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::int64_t to_integer(const std::string& text, std::int64_t fallback) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  return end && *end == '\0' ? value : fallback;
}

std::string key_of(const std::string& device_path) { return fold_name(device_path); }

std::string times_line(const std::string& key, const FileTimes& times) {
  return key + "\t" + std::to_string(times.creation) + "\t" + std::to_string(times.last_access) +
         "\t" + std::to_string(times.last_write) + "\n";
}

// "Name" or "Name:count" of UnplugBefore.
std::pair<std::string, std::uint64_t> function_and_count(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return {text, 1};
  const std::int64_t count = to_integer(text.substr(colon + 1), 1);
  return {text.substr(0, colon), count < 1 ? 1 : static_cast<std::uint64_t>(count)};
}

double to_number(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && value > 0 ? value : 0;
}

// A storage card's FAT keeps the last write to two seconds (rounded up), the
// creation to ten milliseconds and the last access to the day.
FileTimes fat_times(const FileTimes& times) {
  constexpr FileTimeTicks kTwoSeconds = 2 * kTicksPerSecond;
  constexpr FileTimeTicks kTenMilliseconds = kTicksPerSecond / 100;
  constexpr FileTimeTicks kDay = 86400 * kTicksPerSecond;
  FileTimes fat;
  fat.last_write = (times.last_write + kTwoSeconds - 1) / kTwoSeconds * kTwoSeconds;
  fat.creation = times.creation / kTenMilliseconds * kTenMilliseconds;
  fat.last_access = times.last_access / kDay * kDay;
  return fat;
}

std::vector<std::string> folded_list(const std::string& text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    const std::string name = text.substr(start, end - start);
    if (!name.empty()) names.push_back(fold_name(name));
    start = end + 1;
  }
  return names;
}

bool has_wildcards(const std::string& name) {
  return name.find_first_of("*?") != std::string::npos;
}

// The host's modification time of an entry nobody stamped, to the second on
// Windows and to the nanosecond elsewhere, the same at every call.
FileTimeTicks host_modified(const fs::path& host) {
#ifdef _WIN32
  struct _stat64 info;
  if (_wstat64(host.c_str(), &info) != 0) return 0;
  return kUnixEpochTicks + static_cast<FileTimeTicks>(info.st_mtime) * kTicksPerSecond;
#else
  struct stat info;
  if (::stat(host.c_str(), &info) != 0) return 0;
  return kUnixEpochTicks + static_cast<FileTimeTicks>(info.st_mtim.tv_sec) * kTicksPerSecond +
         static_cast<FileTimeTicks>(info.st_mtim.tv_nsec) / 100;
#endif
}

// The name of an existing entry as its folder keeps it: a Windows host finds
// a name in any case, and the device reports its own spelling.
std::string stored_name(const fs::path& host, const std::string& asked) {
#ifdef _WIN32
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(host.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return asked;
  FindClose(find);
  return fs::path(data.cFileName).u8string();
#else
  (void)host;
  return asked;
#endif
}

}  // namespace

EmulatedDevice::EmulatedDevice(std::string device_folder, Clock& host_clock)
    : folder_(fs::u8path(device_folder)), fs_root_(folder_ / "fs"), clock_(host_clock) {}

EmulatedDevice::~EmulatedDevice() { close_all(); }

bool EmulatedDevice::fail(std::uint32_t code) {
  last_error_ = code;
  return false;
}

long EmulatedDevice::registry_link_error() const {
  return settings_.real_errors ? static_cast<long>(kRapiLinkLost) : static_cast<long>(last_error_);
}

FileTimeTicks EmulatedDevice::device_now() const {
  return clock_.utc_now() +
         static_cast<FileTimeTicks>(settings_.clock_offset_seconds * std::int64_t(kTicksPerSecond));
}

void EmulatedDevice::read_settings(bool always) {
  // Read whole each time: a small file, and its time stamp may be too coarse to see a change.
  std::error_code ec;
  const fs::path file = folder_ / "device.ini";
  const std::string contents = fs::exists(file, ec) ? read_file(file) : std::string();
  if (!always && settings_seen_ && contents == settings_text_) return;
  settings_seen_ = true;
  settings_text_ = contents;

  const IniFile ini = IniFile::parse(contents);
  auto text = [&](const char* key) {
    std::string value;
    ini.get_string("Device", key, "", &value, 4096);
    return value;
  };
  Settings fresh;
  fresh.present = to_integer(text("Present"), 1) != 0;
  fresh.init_fails = to_integer(text("InitFails"), 0) != 0;
  fresh.init_result_fails = to_integer(text("InitResultFails"), 0) != 0;
  fresh.wait_fails = to_integer(text("WaitFails"), 0) != 0;
  fresh.real_errors = equals_no_case(text("RapiErrors"), "real");
  fresh.fail_open = text("FailOpen");
  fresh.fail_move = text("FailMove");
  std::tie(fresh.unplug_before, fresh.unplug_before_count) =
      function_and_count(text("UnplugBefore"));
  fresh.link_round_trip_ms = to_number(text("LinkRoundTripMs"));
  fresh.link_bytes_per_second = to_number(text("LinkBytesPerSecond"));
  fresh.fail_read_after = to_integer(text("FailReadAfterBytes"), -1);
  fresh.fail_write_after = to_integer(text("FailWriteAfterBytes"), -1);
  fresh.disk_full_after = to_integer(text("DiskFullAfterBytes"), -1);
  fresh.unplug_after = to_integer(text("UnplugAfterBytes"), -1);
  fresh.block_delay_ms = static_cast<int>(to_integer(text("BlockDelayMs"), 0));
  fresh.clock_offset_seconds = to_integer(text("ClockOffsetSeconds"), 0);
  const std::string temp = text("TempPath");
  if (!temp.empty()) fresh.temp_path = temp;
  fresh.corrupt_write_at = to_integer(text("CorruptWriteAtByte"), -1);
  fresh.storage_cards = folded_list(text("StorageCards"));
  settings_ = fresh;
  disk_left_ = settings_.disk_full_after;
  moved_ = 0;
  calls_since_settings_.clear();
}

void EmulatedDevice::count_moved(std::int64_t bytes) {
  moved_ += bytes;
  if (settings_.unplug_after >= 0 && moved_ >= settings_.unplug_after) settings_.present = false;
}

bool EmulatedDevice::link_down() {
  // rapi.dll reports a lost link as its own failure and leaves the device's
  // last code as it was; the ideal mode gives the code a caller hopes for.
  if (settings_.real_errors) {
    rapi_error_ = kRapiLinkLost;
    return false;
  }
  rapi_error_ = ce::kSOk;
  return fail(error::kDeviceNotConnected);
}

void EmulatedDevice::charge_link(std::size_t bytes, bool round_trip) {
  const double round_trip_ms = round_trip ? settings_.link_round_trip_ms : 0;
  const double rate = settings_.link_bytes_per_second;
  if (round_trip_ms <= 0 && (rate <= 0 || bytes == 0)) return;
  using std::chrono::steady_clock;
  const double seconds = round_trip_ms / 1000 + (rate > 0 ? static_cast<double>(bytes) / rate : 0);
  // The link is busy until the end of the call before; an idle link starts now.
  const steady_clock::time_point now = steady_clock::now();
  if (link_free_ < now) link_free_ = now;
  link_free_ +=
      std::chrono::duration_cast<steady_clock::duration>(std::chrono::duration<double>(seconds));
  std::this_thread::sleep_until(link_free_);
}

bool EmulatedDevice::call(const char* function, bool fresh, std::size_t request_bytes) {
  if (fresh && connected_) read_settings(false);
  ++calls_[function];
  const std::uint64_t count = ++calls_since_settings_[function];
  if (settings_.unplug_before == function && count == settings_.unplug_before_count) {
    settings_.present = false;
  }
  if (!connected_ || !settings_.present) return link_down();
  charge_link(request_bytes, true);
  rapi_error_ = ce::kSOk;
  return true;
}

std::uint64_t EmulatedDevice::remote_calls(const std::string& function) const {
  if (!function.empty()) {
    const auto it = calls_.find(function);
    return it == calls_.end() ? 0 : it->second;
  }
  std::uint64_t total = 0;
  for (const auto& [name, count] : calls_) total += count;
  return total;
}

std::int32_t EmulatedDevice::CeRapiInitEx(RapiInit* init) {
  read_settings(true);
  folder_names_.clear();  // each connection reads the folders afresh
  ++calls_["CeRapiInitEx"];
  if (settings_.init_fails) return ce::kEFail;
  charge_link(0, true);
  init->heRapiInit = 1;
  init->hrRapiInit = ce::kSOk;
  init_started_ = true;
  rapi_error_ = ce::kSOk;
  return ce::kSOk;
}

std::uint32_t EmulatedDevice::WaitForInitEvent(RapiInit* init, std::uint32_t) {
  if (!init_started_ || init->heRapiInit != 1 || settings_.wait_fails) return ce::kWaitFailed;
  if (!settings_.present) return ce::kWaitTimeout;
  if (settings_.init_result_fails) {
    init->hrRapiInit = ce::kEFail;
    return ce::kWaitObject0;
  }
  init->hrRapiInit = ce::kSOk;
  connected_ = true;
  load_registry();
  load_times();
  return ce::kWaitObject0;
}

std::int32_t EmulatedDevice::CeRapiUninit() {
  ++calls_["CeRapiUninit"];
  close_all();
  connected_ = false;
  init_started_ = false;
  return ce::kSOk;
}

void EmulatedDevice::stamp_written(OpenFile& file) {
  if (!file.stamp_at_close) return;
  FileTimes times = times_[file.key];
  times.last_write = times.last_access = device_now();
  record_times(file.key, times);
}

void EmulatedDevice::close_all() {
  for (auto& [handle, file] : files_) {
    file->stream.close();
    stamp_written(*file);
  }
  files_.clear();
  finds_.clear();
  for (auto& [handle, key] : keys_) registry_.close_key(key);
  keys_.clear();
}

bool EmulatedDevice::resolve(const std::u16string& device_path, Resolved* resolved) {
  const std::string path = to_utf8(device_path);
  if (device_path.size() > kMaxDevicePath) return fail(error::kFilenameExcedRange);
  if (path.empty() || path[0] != '\\') return fail(error::kBadPathName);
  if (path.find_first_of(std::string("/:\0", 3)) != std::string::npos) {
    return fail(error::kBadPathName);
  }
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (part == "." || part == "..") return fail(error::kBadPathName);
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  fs::path host = fs_root_;
  std::string device;
  bool exists = true;
  bool is_folder = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string name = parts[i];
    if (exists) {
      if (!is_folder) return fail(error::kPathNotFound);
      std::error_code ec;
      // The name as written first; only then another case of it, as the device folds case.
      bool found = fs::exists(fs::symlink_status(host / fs::u8path(name), ec));
      if (found) {
        name = stored_name(host / fs::u8path(name), name);
      } else {
        found = name_in_other_case(host, &name);
      }
      host /= fs::u8path(name);
      if (found) {
        const fs::file_status status = fs::symlink_status(host, ec);
        if (fs::is_symlink(status)) return fail(error::kBadPathName);  // never leave fs/
        is_folder = fs::is_directory(status);
      } else {
        exists = false;
        is_folder = false;
      }
    } else {
      host /= fs::u8path(name);  // below a missing entry nothing exists
    }
    device += "\\" + name;
  }
  resolved->host = host;
  resolved->device = device.empty() ? "\\" : device;
  resolved->exists = exists;
  resolved->is_folder = exists && is_folder;
  return true;
}

bool EmulatedDevice::name_in_other_case(const fs::path& folder, std::string* name) {
  std::error_code ec;
  const fs::file_time_type stamp = fs::last_write_time(folder, ec);
  FolderNames& names = folder_names_[folder];
  // Read again when the folder changed behind the emulator's back.
  if (!names.read || names.stamp != stamp) {
    names.by_key.clear();
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string candidate = entry.path().filename().u8string();
      names.by_key.emplace(key_of(candidate), candidate);
    }
    names.stamp = stamp;
    names.read = true;
  }
  const auto it = names.by_key.find(key_of(*name));
  if (it == names.by_key.end()) return false;
  *name = it->second;
  return true;
}

void EmulatedDevice::folder_changed(const fs::path& entry, bool added) {
  const auto it = folder_names_.find(entry.parent_path());
  if (it == folder_names_.end() || !it->second.read) return;
  FolderNames& names = it->second;
  const std::string name = entry.filename().u8string();
  if (added) {
    names.by_key[key_of(name)] = name;
  } else {
    const auto found = names.by_key.find(key_of(name));
    if (found != names.by_key.end() && found->second == name) names.by_key.erase(found);
  }
  // The folder's new time stamp is the emulator's own change, already known.
  std::error_code ec;
  names.stamp = fs::last_write_time(it->first, ec);
}

FileTimes EmulatedDevice::times_of(const fs::path& host, const std::string& device_path) {
  auto it = times_.find(key_of(device_path));
  if (it != times_.end()) return it->second;
  const FileTimeTicks modified = host_modified(host);
  return FileTimes{modified, modified, modified};
}

bool EmulatedDevice::on_storage_card(const std::string& key) const {
  if (settings_.storage_cards.empty() || key.size() < 2 || key[0] != '\\') return false;
  const std::string top = key.substr(1, key.find('\\', 1) - 1);
  return std::find(settings_.storage_cards.begin(), settings_.storage_cards.end(), top) !=
         settings_.storage_cards.end();
}

// Windows CE marks every folder of a mounted volume as temporary.
std::uint32_t EmulatedDevice::folder_attributes(const std::string& device_path) const {
  return on_storage_card(key_of(device_path)) ? attr::kDirectory | attr::kTemporary
                                              : attr::kDirectory;
}

CeFindData EmulatedDevice::entry_data(const fs::path& host, const std::string& device_path,
                                      const std::string& name, bool is_folder) {
  CeFindData data;
  data.dwFileAttributes = is_folder ? folder_attributes(device_path) : attr::kArchive;
  if (!name.empty() && name[0] == '.') data.dwFileAttributes |= attr::kHidden;
  const FileTimes times = times_of(host, device_path);
  data.ftCreationTime = times.creation;
  data.ftLastAccessTime = times.last_access;
  data.ftLastWriteTime = times.last_write;
  if (!is_folder) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(host, ec);
    if (!ec) {
      data.nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
      data.nFileSizeLow = static_cast<std::uint32_t>(size & 0xFFFFFFFFu);
    }
  }
  data.cFileName = to_utf16(name);
  return data;
}

bool EmulatedDevice::list(const std::u16string& pattern, std::vector<CeFindData>* entries) {
  entries->clear();
  const std::size_t cut = pattern.rfind(u'\\');
  if (cut == std::u16string::npos) return fail(error::kBadPathName);
  const std::string mask = to_utf8(pattern.substr(cut + 1));
  if (mask.empty()) return fail(error::kFileNotFound);
  Resolved folder;
  if (!resolve(cut == 0 ? u"\\" : pattern.substr(0, cut), &folder)) return false;
  if (!folder.exists || !folder.is_folder) return fail(error::kPathNotFound);
  const std::string base = folder.device == "\\" ? "" : folder.device;
  if (!has_wildcards(mask)) {
    // One name: looked up, not searched for among all the folder's entries.
    Resolved entry;
    if (!resolve(pattern, &entry)) return false;
    if (entry.exists) {
      const std::string name = entry.host.filename().u8string();
      entries->push_back(entry_data(entry.host, base + "\\" + name, name, entry.is_folder));
    }
    return true;
  }
  std::error_code ec;
  std::vector<std::pair<std::string, bool>> names;
  for (const auto& entry : fs::directory_iterator(folder.host, ec)) {
    const std::string name = entry.path().filename().u8string();
    if (!wildcard_match(mask, name)) continue;
    const fs::file_status status = entry.symlink_status(ec);
    if (fs::is_symlink(status)) continue;
    names.emplace_back(name, fs::is_directory(status));
  }
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return compare_no_case(a.first, b.first) < 0; });
  for (const auto& [name, is_folder] : names) {
    entries->push_back(entry_data(folder.host / fs::u8path(name), base + "\\" + name, name,
                                  is_folder));
  }
  return true;
}

CeHandle EmulatedDevice::CeFindFirstFile(const std::u16string& pattern, CeFindData* data) {
  if (!call("CeFindFirstFile", true, 2 * pattern.size())) return kCeInvalidHandle;
  Find find;
  if (!list(pattern, &find.entries)) return kCeInvalidHandle;
  charge_link(kFindRecordBytes, false);
  if (find.entries.empty()) {
    const std::string mask = to_utf8(pattern.substr(pattern.rfind(u'\\') + 1));
    fail(has_wildcards(mask) ? error::kNoMoreFiles : error::kFileNotFound);
    return kCeInvalidHandle;
  }
  *data = find.entries[0];
  find.next = 1;
  const CeHandle handle = next_handle_++;
  finds_[handle] = std::move(find);
  return handle;
}

bool EmulatedDevice::CeFindNextFile(CeHandle handle, CeFindData* data) {
  // The cable may come out between two entries of a listing (UnplugBefore).
  if (!call("CeFindNextFile", false)) return false;
  auto it = finds_.find(handle);
  if (it == finds_.end()) return fail(error::kInvalidHandle);
  Find& find = it->second;
  if (find.next >= find.entries.size()) return fail(error::kNoMoreFiles);
  *data = find.entries[find.next++];
  charge_link(kFindRecordBytes, false);
  return true;
}

bool EmulatedDevice::CeFindClose(CeHandle handle) {
  if (!call("CeFindClose", false)) return false;
  if (finds_.erase(handle) == 0) return fail(error::kInvalidHandle);
  return true;
}

bool EmulatedDevice::CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                                    std::vector<CeFindData>* found) {
  found->clear();
  if (!call("CeFindAllFiles", true, 2 * pattern.size())) return false;
  if (!list(pattern, found)) return false;
  charge_link(found->size() * kFindRecordBytes, false);
  // Only the fields asked for are filled, as the remote call does.
  for (CeFindData& data : *found) {
    if (!(flags & ce::kFafAttributes)) data.dwFileAttributes = 0;
    if (!(flags & ce::kFafName)) data.cFileName.clear();
    if (!(flags & 0x02)) data.ftCreationTime = 0;
    if (!(flags & 0x04)) data.ftLastAccessTime = 0;
    if (!(flags & 0x08)) data.ftLastWriteTime = 0;
    if (!(flags & 0x10)) data.nFileSizeHigh = 0;
    if (!(flags & 0x20)) data.nFileSizeLow = 0;
  }
  return true;
}

CeHandle EmulatedDevice::CeCreateFile(const std::u16string& path, std::uint32_t access,
                                      std::uint32_t, std::uint32_t disposition, std::uint32_t) {
  if (!call("CeCreateFile", true, 2 * path.size())) return kCeInvalidHandle;
  Resolved file;
  if (!resolve(path, &file)) return kCeInvalidHandle;
  const fs::path parent = file.host.parent_path();
  std::error_code ec;
  if (!fs::is_directory(parent, ec) || file.device == "\\") {
    fail(file.device == "\\" ? error::kAccessDenied : error::kPathNotFound);
    return kCeInvalidHandle;
  }
  if (file.is_folder) {
    fail(error::kAccessDenied);
    return kCeInvalidHandle;
  }
  const std::string name = file.host.filename().u8string();
  if (!settings_.fail_open.empty() && equals_no_case(settings_.fail_open, name)) {
    fail(error::kSharingViolation);
    return kCeInvalidHandle;
  }
  const bool can_read = (access & ce::kGenericRead) != 0;
  const bool can_write = (access & ce::kGenericWrite) != 0;
  bool create = false;
  bool truncate = false;
  switch (disposition) {
    case ce::kCreateNew:
      if (file.exists) {
        fail(error::kFileExists);
        return kCeInvalidHandle;
      }
      create = true;
      break;
    case ce::kCreateAlways:
      create = !file.exists;
      truncate = file.exists;
      break;
    case ce::kOpenExisting:
    case ce::kTruncateExisting:
      if (!file.exists) {
        fail(error::kFileNotFound);
        return kCeInvalidHandle;
      }
      truncate = disposition == ce::kTruncateExisting;
      break;
    case ce::kOpenAlways:
      create = !file.exists;
      break;
    default:
      fail(error::kInvalidParameter);
      return kCeInvalidHandle;
  }
  if ((create || truncate) && !can_write) {
    fail(error::kAccessDenied);
    return kCeInvalidHandle;
  }
  for (const auto& [handle, open] : files_) {
    if (open->key == key_of(file.device) && (open->can_write || can_write)) {
      fail(error::kSharingViolation);
      return kCeInvalidHandle;
    }
  }
  if (create || truncate) {
    std::ofstream made(file.host, std::ios::binary | std::ios::trunc);
    if (!made) {
      fail(error::kAccessDenied);
      return kCeInvalidHandle;
    }
    if (create) folder_changed(file.host, true);
  }
  auto open = std::make_unique<OpenFile>();
  std::ios::openmode mode = std::ios::binary;
  if (can_read) mode |= std::ios::in;
  if (can_write) mode |= std::ios::out | std::ios::in;
  open->stream.open(file.host, mode);
  if (!open->stream.is_open()) {
    fail(error::kAccessDenied);
    return kCeInvalidHandle;
  }
  open->key = key_of(file.device);
  open->host = file.host;
  open->can_read = can_read;
  open->can_write = can_write;
  if (create) {
    const FileTimeTicks now = device_now();
    record_times(open->key, FileTimes{now, now, now});
  } else if (can_write && times_.find(open->key) == times_.end()) {
    record_times(open->key, times_of(file.host, file.device));
  }
  if (truncate) open->stamp_at_close = true;
  const CeHandle handle = next_handle_++;
  files_[handle] = std::move(open);
  return handle;
}

bool EmulatedDevice::CeReadFile(CeHandle handle, void* buffer, std::uint32_t to_read,
                                std::uint32_t* read) {
  *read = 0;
  if (!call("CeReadFile", false)) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  OpenFile& file = *it->second;
  if (!file.can_read) return fail(error::kAccessDenied);
  if (settings_.block_delay_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settings_.block_delay_ms));
  }
  std::int64_t wanted = to_read;
  if (settings_.fail_read_after >= 0) {
    if (file.bytes_read >= settings_.fail_read_after) return fail(error::kReadFault);
    // A read that meets the fault: the real link hands over the bytes before
    // it and fails the next read; the ideal one fails this read at once.
    if (file.bytes_read + wanted > settings_.fail_read_after) {
      if (!settings_.real_errors) return fail(error::kReadFault);
      wanted = settings_.fail_read_after - file.bytes_read;
    }
  }
  if (settings_.real_errors && settings_.unplug_after >= 0 &&
      moved_ + wanted > settings_.unplug_after) {
    wanted = std::max<std::int64_t>(0, settings_.unplug_after - moved_);
  }
  file.stream.clear();
  file.stream.read(static_cast<char*>(buffer), wanted);
  const std::streamsize got = file.stream.gcount();
  if (file.stream.bad()) return fail(error::kReadFault);
  file.stream.clear();
  *read = static_cast<std::uint32_t>(got);
  file.bytes_read += got;
  count_moved(got);
  charge_link(static_cast<std::size_t>(got), false);
  return true;
}

bool EmulatedDevice::CeWriteFile(CeHandle handle, const void* buffer, std::uint32_t to_write,
                                 std::uint32_t* written) {
  *written = 0;
  if (!call("CeWriteFile", false, to_write)) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  OpenFile& file = *it->second;
  if (!file.can_write) return fail(error::kAccessDenied);
  if (settings_.block_delay_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settings_.block_delay_ms));
  }
  std::int64_t count = to_write;
  std::uint32_t fault = 0;
  if (settings_.fail_write_after >= 0 &&
      file.bytes_written + count > settings_.fail_write_after) {
    count = std::max<std::int64_t>(0, settings_.fail_write_after - file.bytes_written);
    fault = error::kWriteFault;
  }
  if (disk_left_ >= 0 && count > disk_left_) {
    count = disk_left_;
    fault = error::kDiskFull;
  }
  if (count > 0) {
    file.stream.clear();
    const char* bytes = static_cast<const char*>(buffer);
    std::string corrupted;
    const std::int64_t corrupt = settings_.corrupt_write_at;
    if (corrupt >= 0) {
      const std::int64_t at = static_cast<std::int64_t>(file.stream.tellp());
      if (corrupt >= at && corrupt < at + count) {
        corrupted.assign(bytes, static_cast<std::size_t>(count));
        corrupted[static_cast<std::size_t>(corrupt - at)] ^= 0x5A;
        bytes = corrupted.data();
      }
    }
    file.stream.write(bytes, count);
    if (!file.stream) return fail(error::kWriteFault);
    file.bytes_written += count;
    if (disk_left_ >= 0) disk_left_ -= count;
    count_moved(count);
    file.stamp_at_close = true;
  }
  *written = static_cast<std::uint32_t>(count);
  return fault ? fail(fault) : true;
}

bool EmulatedDevice::CeGetFileTime(CeHandle handle, FileTimeTicks* creation,
                                   FileTimeTicks* last_access, FileTimeTicks* last_write) {
  if (!call("CeGetFileTime", false)) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  const FileTimes times = times_of(it->second->host, it->second->key);
  if (creation) *creation = times.creation;
  if (last_access) *last_access = times.last_access;
  if (last_write) *last_write = times.last_write;
  return true;
}

bool EmulatedDevice::CeSetFileTime(CeHandle handle, const FileTimeTicks* creation,
                                   const FileTimeTicks* last_access,
                                   const FileTimeTicks* last_write) {
  if (!call("CeSetFileTime", false)) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  if (!it->second->can_write) return fail(error::kAccessDenied);
  FileTimes times = times_[it->second->key];
  if (creation) times.creation = *creation;
  if (last_access) times.last_access = *last_access;
  if (last_write) times.last_write = *last_write;
  record_times(it->second->key, times);
  it->second->stamp_at_close = false;  // the times set win over the stamp of the writes
  return true;
}

std::uint32_t EmulatedDevice::CeGetFileSize(CeHandle handle, std::uint32_t* size_high) {
  if (size_high) *size_high = 0;
  if (!call("CeGetFileSize", false)) return ce::kInvalidFileSize;
  auto it = files_.find(handle);
  if (it == files_.end()) {
    fail(error::kInvalidHandle);
    return ce::kInvalidFileSize;
  }
  OpenFile& file = *it->second;
  file.stream.flush();
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file.host, ec);
  if (ec) {
    fail(error::kAccessDenied);
    return ce::kInvalidFileSize;
  }
  if (size_high) *size_high = static_cast<std::uint32_t>(size >> 32);
  last_error_ = error::kSuccess;  // a size of 0xFFFFFFFF is told from a failure by this
  return static_cast<std::uint32_t>(size & 0xFFFFFFFFu);
}

bool EmulatedDevice::CeCloseHandle(CeHandle handle) {
  if (!call("CeCloseHandle", false)) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  OpenFile& file = *it->second;
  file.stream.close();
  stamp_written(file);
  files_.erase(it);
  return true;
}

bool EmulatedDevice::CeDeleteFile(const std::u16string& path) {
  if (!call("CeDeleteFile", true, 2 * path.size())) return false;
  Resolved file;
  if (!resolve(path, &file)) return false;
  if (!file.exists) {
    std::error_code ec;
    return fail(fs::is_directory(file.host.parent_path(), ec) ? error::kFileNotFound
                                                              : error::kPathNotFound);
  }
  if (file.is_folder) return fail(error::kAccessDenied);
  const std::string key = key_of(file.device);
  if (!settings_.fail_open.empty() &&
      equals_no_case(settings_.fail_open, file.host.filename().u8string())) {
    return fail(error::kSharingViolation);
  }
  for (const auto& [handle, open] : files_) {
    if (open->key == key) return fail(error::kSharingViolation);
  }
  std::error_code ec;
  if (!fs::remove(file.host, ec)) return fail(error::kAccessDenied);
  folder_changed(file.host, false);
  forget_times(key);
  return true;
}

bool EmulatedDevice::CeCreateDirectory(const std::u16string& path) {
  if (!call("CeCreateDirectory", true, 2 * path.size())) return false;
  Resolved folder;
  if (!resolve(path, &folder)) return false;
  if (folder.exists) return fail(error::kAlreadyExists);
  std::error_code ec;
  if (!fs::is_directory(folder.host.parent_path(), ec)) return fail(error::kPathNotFound);
  if (!fs::create_directory(folder.host, ec)) return fail(error::kAccessDenied);
  folder_changed(folder.host, true);
  const FileTimeTicks now = device_now();
  record_times(key_of(folder.device), FileTimes{now, now, now});
  return true;
}

bool EmulatedDevice::CeMoveFile(const std::u16string& from, const std::u16string& to) {
  if (!call("CeMoveFile", true, 2 * (from.size() + to.size()))) return false;
  Resolved source, target;
  if (!resolve(from, &source) || !resolve(to, &target)) return false;
  if (!source.exists) return fail(error::kFileNotFound);
  const bool same_entry = key_of(source.device) == key_of(target.device);
  if (target.exists && !same_entry) return fail(error::kAlreadyExists);
  std::error_code ec;
  if (!fs::is_directory(target.host.parent_path(), ec)) return fail(error::kPathNotFound);
  if (!settings_.fail_move.empty() &&
      equals_no_case(settings_.fail_move, target.host.filename().u8string())) {
    return fail(error::kAccessDenied);
  }
  if (!settings_.fail_open.empty() &&
      equals_no_case(settings_.fail_open, source.host.filename().u8string())) {
    return fail(error::kSharingViolation);
  }
  const std::string prefix = key_of(source.device);
  const auto below = [&prefix](const std::string& key) {
    return key == prefix || key.rfind(prefix + "\\", 0) == 0;
  };
  for (const auto& [handle, open] : files_) {
    if (below(open->key)) return fail(error::kSharingViolation);
  }
  fs::rename(source.host, target.host, ec);
  if (ec) return fail(error::kAccessDenied);
  folder_changed(source.host, false);
  folder_changed(target.host, true);
  if (source.is_folder) folder_names_.clear();  // the folders below have new paths
  // The times move with the entry and everything below it; their keys all
  // begin with the entry's, so they lie together in the map.
  const std::string new_prefix = key_of(target.device);
  std::vector<std::pair<std::string, FileTimes>> moved;
  for (auto it = times_.lower_bound(prefix);
       it != times_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (below(it->first)) moved.emplace_back(it->first, it->second);
  }
  std::string lines;
  for (const auto& [key, times] : moved) {
    times_.erase(key);
    lines += key + kForgotten + "\n";
  }
  for (const auto& [key, times] : moved) {
    const std::string moved_key = new_prefix + key.substr(prefix.size());
    times_[moved_key] = times;
    lines += times_line(moved_key, times);
  }
  if (!moved.empty()) append_journal(lines, 2 * moved.size());
  return true;
}

std::uint32_t EmulatedDevice::CeGetFileAttributes(const std::u16string& path) {
  if (!call("CeGetFileAttributes", true, 2 * path.size())) return ce::kInvalidFileAttributes;
  Resolved entry;
  if (!resolve(path, &entry)) return ce::kInvalidFileAttributes;
  if (!entry.exists) {
    std::error_code ec;
    fail(fs::is_directory(entry.host.parent_path(), ec) ? error::kFileNotFound
                                                        : error::kPathNotFound);
    return ce::kInvalidFileAttributes;
  }
  const std::string name = entry.host.filename().u8string();
  std::uint32_t attributes = entry.is_folder ? folder_attributes(entry.device) : attr::kArchive;
  if (!name.empty() && name[0] == '.') attributes |= attr::kHidden;
  return attributes;
}

void EmulatedDevice::load_registry() {
  RegTextDocument document;
  std::vector<RegTextProblem> problems;
  parse_reg_text(read_file(folder_ / "registry.reg"), &document, &problems);
  registry_.load(RegistryRoot::kLocalMachine, document);
}

long EmulatedDevice::CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey,
                                    CeRegKey* key) {
  if (!key) return static_cast<long>(error::kInvalidParameter);
  *key = 0;
  if (!call("CeRegOpenKeyEx", true, 2 * subkey.size())) return registry_link_error();
  if (root != kCeHkeyLocalMachine) return static_cast<long>(error::kInvalidParameter);
  RegistryKey opened = 0;
  const long rc = registry_.open_key(RegistryRoot::kLocalMachine, to_utf8(subkey),
                                     key_access::kRead, &opened);
  if (rc != 0) return rc;
  const CeRegKey handle = next_handle_++;
  keys_[handle] = opened;
  *key = handle;
  return 0;
}

long EmulatedDevice::CeRegQueryValueEx(CeRegKey key, const std::u16string& name,
                                       std::uint32_t* type, void* data, std::uint32_t* size) {
  if (!call("CeRegQueryValueEx", false, 2 * name.size())) return registry_link_error();
  auto it = keys_.find(key);
  if (it == keys_.end()) return static_cast<long>(error::kInvalidHandle);
  if (data && !size) return static_cast<long>(error::kInvalidParameter);
  RegistryValue value;
  const long rc = registry_.query_value(it->second, to_utf8(name), &value);
  if (rc != 0) return rc;
  std::string bytes;
  if (value.type == value_type::kDword) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value.number >> (8 * i)) & 0xFF);
  } else {
    const std::u16string units = to_utf16(value.text) + u'\0';
    for (char16_t unit : units) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
  }
  if (type) *type = value.type;
  if (!size) return 0;
  const std::uint32_t needed = static_cast<std::uint32_t>(bytes.size());
  if (data && *size < needed) {
    *size = needed;
    return static_cast<long>(error::kMoreData);
  }
  if (data) std::memcpy(data, bytes.data(), bytes.size());
  *size = needed;
  return 0;
}

long EmulatedDevice::CeRegCloseKey(CeRegKey key) {
  if (!call("CeRegCloseKey", false)) return registry_link_error();
  auto it = keys_.find(key);
  if (it == keys_.end()) return static_cast<long>(error::kInvalidHandle);
  registry_.close_key(it->second);
  keys_.erase(it);
  return 0;
}

std::uint32_t EmulatedDevice::CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) {
  path->clear();
  if (!call("CeGetTempPath", true)) return 0;
  std::string temp = settings_.temp_path;
  while (temp.size() > 1 && temp.back() == '\\') temp.pop_back();
  Resolved folder;
  if (!resolve(to_utf16(temp), &folder)) return 0;
  if (!folder.exists) {
    std::error_code ec;
    fs::create_directories(folder.host, ec);
    folder_names_.clear();
    if (ec) {
      fail(error::kPathNotFound);
      return 0;
    }
  }
  const std::u16string result = to_utf16(folder.device == "\\" ? "\\" : folder.device + "\\");
  if (result.size() + 1 > buffer_length) return static_cast<std::uint32_t>(result.size() + 1);
  *path = result;
  return static_cast<std::uint32_t>(result.size());
}

void EmulatedDevice::record_times(const std::string& key, const FileTimes& times) {
  const FileTimes kept = on_storage_card(key) ? fat_times(times) : times;
  times_[key] = kept;
  append_journal(times_line(key, kept), 1);
}

void EmulatedDevice::forget_times(const std::string& key) {
  if (times_.erase(key) == 0) return;
  append_journal(key + kForgotten + "\n", 1);
}

void EmulatedDevice::append_journal(const std::string& lines, std::size_t count) {
  {
    // Whole lines in one write: a process that dies leaves the changes before it.
    std::ofstream out(folder_ / kTimesFile, std::ios::binary | std::ios::app);
    out << lines;
  }
  journal_lines_ += count;
  // Rewritten whole once most of it is history, so that it stays in
  // proportion to the files it describes.
  if (journal_lines_ > 2 * times_.size() + 256) compact_times();
}

void EmulatedDevice::load_times() {
  times_.clear();
  const std::string text = read_file(folder_ / kTimesFile);
  std::size_t lines = 0;
  std::size_t at = 0;
  bool torn = false;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) {
      torn = true;  // a line cut short by a process that died: never applied
      break;
    }
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lines;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t forgotten = std::strlen(kForgotten);
    if (line.size() > forgotten &&
        line.compare(line.size() - forgotten, forgotten, kForgotten) == 0) {
      times_.erase(line.substr(0, line.size() - forgotten));
      continue;
    }
    const std::size_t a = line.rfind('\t');
    if (a == std::string::npos || a == 0) continue;
    const std::size_t b = line.rfind('\t', a - 1);
    if (b == std::string::npos || b == 0) continue;
    const std::size_t c = line.rfind('\t', b - 1);
    if (c == std::string::npos) continue;
    FileTimes times;
    times.creation = std::strtoull(line.c_str() + c + 1, nullptr, 10);
    times.last_access = std::strtoull(line.c_str() + b + 1, nullptr, 10);
    times.last_write = std::strtoull(line.c_str() + a + 1, nullptr, 10);
    times_[line.substr(0, c)] = times;
  }
  journal_lines_ = lines;
  if (torn || journal_lines_ > 2 * times_.size() + 256) compact_times();
}

void EmulatedDevice::compact_times() {
  std::string text;
  for (const auto& [key, times] : times_) text += times_line(key, times);
  const fs::path file = folder_ / kTimesFile;
  const fs::path temporary = folder_ / (std::string(kTimesFile) + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) return;
  }
  // The journal is replaced in one step: a process that dies keeps either.
  std::error_code ec;
  fs::rename(temporary, file, ec);
  if (!ec) journal_lines_ = times_.size();
}

}  // namespace vmt::platform
