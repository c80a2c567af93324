#include "platform/emulator/emulated_device.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "platform/common/ini_file.h"
#include "platform/common/reg_text.h"
#include "platform/common/utf.h"
#include "platform/common/wildcard.h"

namespace vmt::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxDevicePath = 259;
constexpr const char* kTimesFile = "filetimes.txt";

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

}  // namespace

EmulatedDevice::EmulatedDevice(std::string device_folder, Clock& host_clock)
    : folder_(fs::u8path(device_folder)), fs_root_(folder_ / "fs"), clock_(host_clock) {}

EmulatedDevice::~EmulatedDevice() { close_all(); }

bool EmulatedDevice::fail(std::uint32_t code) {
  last_error_ = code;
  return false;
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
  fresh.wait_fails = to_integer(text("WaitFails"), 0) != 0;
  fresh.fail_open = text("FailOpen");
  fresh.fail_read_after = to_integer(text("FailReadAfterBytes"), -1);
  fresh.fail_write_after = to_integer(text("FailWriteAfterBytes"), -1);
  fresh.disk_full_after = to_integer(text("DiskFullAfterBytes"), -1);
  fresh.unplug_after = to_integer(text("UnplugAfterBytes"), -1);
  fresh.block_delay_ms = static_cast<int>(to_integer(text("BlockDelayMs"), 0));
  fresh.clock_offset_seconds = to_integer(text("ClockOffsetSeconds"), 0);
  const std::string temp = text("TempPath");
  if (!temp.empty()) fresh.temp_path = temp;
  settings_ = fresh;
  disk_left_ = settings_.disk_full_after;
  moved_ = 0;
}

void EmulatedDevice::count_moved(std::int64_t bytes) {
  moved_ += bytes;
  if (settings_.unplug_after >= 0 && moved_ >= settings_.unplug_after) settings_.present = false;
}

bool EmulatedDevice::linked() {
  if (!connected_ || !settings_.present) return fail(error::kDeviceNotConnected);
  return true;
}

bool EmulatedDevice::begin_operation() {
  if (!connected_) return fail(error::kDeviceNotConnected);
  read_settings(false);
  return linked();
}

std::int32_t EmulatedDevice::CeRapiInitEx(RapiInit* init) {
  read_settings(true);
  if (settings_.init_fails) return ce::kEFail;
  init->heRapiInit = 1;
  init->hrRapiInit = ce::kSOk;
  init_started_ = true;
  return ce::kSOk;
}

std::uint32_t EmulatedDevice::WaitForInitEvent(CeEvent event, std::uint32_t) {
  if (!init_started_ || event != 1 || settings_.wait_fails) return ce::kWaitFailed;
  if (!settings_.present) return ce::kWaitTimeout;
  connected_ = true;
  load_registry();
  load_times();
  return ce::kWaitObject0;
}

std::int32_t EmulatedDevice::CeRapiUninit() {
  close_all();
  if (times_dirty_) save_times();
  connected_ = false;
  init_started_ = false;
  return ce::kSOk;
}

void EmulatedDevice::close_all() {
  for (auto& [handle, file] : files_) {
    file->stream.close();
    if (file->stamp_at_close) {
      FileTimes& times = times_[file->key];
      times.last_write = times.last_access = device_now();
      times_dirty_ = true;
    }
  }
  files_.clear();
  finds_.clear();
  for (auto& [handle, key] : keys_) registry_.close_key(key);
  keys_.clear();
  if (times_dirty_) save_times();
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
      if (!found) {
        for (const auto& entry : fs::directory_iterator(host, ec)) {
          const std::string candidate = entry.path().filename().u8string();
          if (equals_no_case(candidate, name)) {
            name = candidate;
            found = true;
            break;
          }
        }
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

FileTimes EmulatedDevice::times_of(const fs::path& host, const std::string& device_path) {
  auto it = times_.find(key_of(device_path));
  if (it != times_.end()) return it->second;
  const FileTimeTicks modified = host_modified(host);
  return FileTimes{modified, modified, modified};
}

void EmulatedDevice::set_times(const std::string& device_path, const FileTimes& times) {
  times_[key_of(device_path)] = times;
  times_dirty_ = true;
}

CeFindData EmulatedDevice::entry_data(const fs::path& host, const std::string& device_path,
                                      const std::string& name, bool is_folder) {
  CeFindData data;
  data.dwFileAttributes = is_folder ? attr::kDirectory : attr::kArchive;
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
  std::error_code ec;
  std::vector<std::pair<std::string, bool>> names;
  for (const auto& entry : fs::directory_iterator(folder.host, ec)) {
    const std::string name = entry.path().filename().u8string();
    const bool matches = has_wildcards(mask) ? wildcard_match(mask, name)
                                             : equals_no_case(mask, name);
    if (!matches) continue;
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
  if (!begin_operation()) return kCeInvalidHandle;
  Find find;
  if (!list(pattern, &find.entries)) return kCeInvalidHandle;
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
  // The cable may come out between two entries of a listing.
  if (!begin_operation()) return false;
  auto it = finds_.find(handle);
  if (it == finds_.end()) return fail(error::kInvalidHandle);
  Find& find = it->second;
  if (find.next >= find.entries.size()) return fail(error::kNoMoreFiles);
  *data = find.entries[find.next++];
  return true;
}

bool EmulatedDevice::CeFindClose(CeHandle handle) {
  if (!linked()) return false;
  if (finds_.erase(handle) == 0) return fail(error::kInvalidHandle);
  return true;
}

bool EmulatedDevice::CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                                    std::vector<CeFindData>* found) {
  found->clear();
  if (!begin_operation()) return false;
  if (!list(pattern, found)) return false;
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
  if (!begin_operation()) return kCeInvalidHandle;
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
    set_times(file.device, FileTimes{now, now, now});
  } else if (can_write && times_.find(open->key) == times_.end()) {
    set_times(file.device, times_of(file.host, file.device));
  }
  if (truncate) open->stamp_at_close = true;
  const CeHandle handle = next_handle_++;
  files_[handle] = std::move(open);
  return handle;
}

bool EmulatedDevice::CeReadFile(CeHandle handle, void* buffer, std::uint32_t to_read,
                                std::uint32_t* read) {
  *read = 0;
  if (!linked()) return false;
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
    wanted = std::min<std::int64_t>(wanted, settings_.fail_read_after - file.bytes_read);
  }
  file.stream.clear();
  file.stream.read(static_cast<char*>(buffer), wanted);
  const std::streamsize got = file.stream.gcount();
  if (file.stream.bad()) return fail(error::kReadFault);
  file.stream.clear();
  *read = static_cast<std::uint32_t>(got);
  file.bytes_read += got;
  count_moved(got);
  return true;
}

bool EmulatedDevice::CeWriteFile(CeHandle handle, const void* buffer, std::uint32_t to_write,
                                 std::uint32_t* written) {
  *written = 0;
  if (!linked()) return false;
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
    file.stream.write(static_cast<const char*>(buffer), count);
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
  if (!linked()) return false;
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
  if (!linked()) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  if (!it->second->can_write) return fail(error::kAccessDenied);
  FileTimes& times = times_[it->second->key];
  if (creation) times.creation = *creation;
  if (last_access) times.last_access = *last_access;
  if (last_write) times.last_write = *last_write;
  times_dirty_ = true;
  it->second->stamp_at_close = false;  // the times set win over the stamp of the writes
  return true;
}

bool EmulatedDevice::CeCloseHandle(CeHandle handle) {
  if (!linked()) return false;
  auto it = files_.find(handle);
  if (it == files_.end()) return fail(error::kInvalidHandle);
  OpenFile& file = *it->second;
  file.stream.close();
  if (file.stamp_at_close) {
    FileTimes& times = times_[file.key];
    times.last_write = times.last_access = device_now();
    times_dirty_ = true;
  }
  files_.erase(it);
  if (times_dirty_) save_times();
  return true;
}

bool EmulatedDevice::CeDeleteFile(const std::u16string& path) {
  if (!begin_operation()) return false;
  Resolved file;
  if (!resolve(path, &file)) return false;
  if (!file.exists) {
    std::error_code ec;
    return fail(fs::is_directory(file.host.parent_path(), ec) ? error::kFileNotFound
                                                              : error::kPathNotFound);
  }
  if (file.is_folder) return fail(error::kAccessDenied);
  for (const auto& [handle, open] : files_) {
    if (open->key == key_of(file.device)) return fail(error::kSharingViolation);
  }
  std::error_code ec;
  if (!fs::remove(file.host, ec)) return fail(error::kAccessDenied);
  times_.erase(key_of(file.device));
  save_times();
  return true;
}

bool EmulatedDevice::CeCreateDirectory(const std::u16string& path) {
  if (!begin_operation()) return false;
  Resolved folder;
  if (!resolve(path, &folder)) return false;
  if (folder.exists) return fail(error::kAlreadyExists);
  std::error_code ec;
  if (!fs::is_directory(folder.host.parent_path(), ec)) return fail(error::kPathNotFound);
  if (!fs::create_directory(folder.host, ec)) return fail(error::kAccessDenied);
  const FileTimeTicks now = device_now();
  set_times(folder.device, FileTimes{now, now, now});
  save_times();
  return true;
}

bool EmulatedDevice::CeMoveFile(const std::u16string& from, const std::u16string& to) {
  if (!begin_operation()) return false;
  Resolved source, target;
  if (!resolve(from, &source) || !resolve(to, &target)) return false;
  if (!source.exists) return fail(error::kFileNotFound);
  const bool same_entry = key_of(source.device) == key_of(target.device);
  if (target.exists && !same_entry) return fail(error::kAlreadyExists);
  std::error_code ec;
  if (!fs::is_directory(target.host.parent_path(), ec)) return fail(error::kPathNotFound);
  const std::string prefix = key_of(source.device);
  for (const auto& [handle, open] : files_) {
    if (open->key == prefix || open->key.rfind(prefix + "\\", 0) == 0) {
      return fail(error::kSharingViolation);
    }
  }
  fs::rename(source.host, target.host, ec);
  if (ec) return fail(error::kAccessDenied);
  // The times move with the entry and everything below it.
  std::map<std::string, FileTimes> moved;
  const std::string new_prefix = key_of(target.device);
  for (auto it = times_.begin(); it != times_.end();) {
    if (it->first == prefix || it->first.rfind(prefix + "\\", 0) == 0) {
      moved[new_prefix + it->first.substr(prefix.size())] = it->second;
      it = times_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [key, times] : moved) times_[key] = times;
  save_times();
  return true;
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
  if (!begin_operation()) return static_cast<long>(last_error_);
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
  if (!linked()) return static_cast<long>(last_error_);
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
  if (!linked()) return static_cast<long>(last_error_);
  auto it = keys_.find(key);
  if (it == keys_.end()) return static_cast<long>(error::kInvalidHandle);
  registry_.close_key(it->second);
  keys_.erase(it);
  return 0;
}

std::uint32_t EmulatedDevice::CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) {
  path->clear();
  if (!begin_operation()) return 0;
  std::string temp = settings_.temp_path;
  while (temp.size() > 1 && temp.back() == '\\') temp.pop_back();
  Resolved folder;
  if (!resolve(to_utf16(temp), &folder)) return 0;
  if (!folder.exists) {
    std::error_code ec;
    fs::create_directories(folder.host, ec);
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

void EmulatedDevice::load_times() {
  times_.clear();
  std::istringstream in(read_file(folder_ / kTimesFile));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t a = line.rfind('\t');
    if (a == std::string::npos) continue;
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
  times_dirty_ = false;
}

void EmulatedDevice::save_times() {
  std::string text;
  for (const auto& [key, times] : times_) {
    text += key + "\t" + std::to_string(times.creation) + "\t" +
            std::to_string(times.last_access) + "\t" + std::to_string(times.last_write) + "\n";
  }
  const fs::path file = folder_ / kTimesFile;
  const fs::path temporary = folder_ / (std::string(kTimesFile) + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) return;
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);
  if (!ec) times_dirty_ = false;
}

}  // namespace vmt::platform
