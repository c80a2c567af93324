#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "platform/common/wildcard.h"
#include "platform/posix/posix_errors.h"

namespace vmt::platform {

namespace {

FileTimeTicks to_ticks(std::int64_t seconds, std::uint32_t nanoseconds) {
  const std::int64_t epoch = static_cast<std::int64_t>(kUnixEpochTicks);
  const std::int64_t per_second = static_cast<std::int64_t>(kTicksPerSecond);
  // Before 1601 a FILETIME cannot say anything; such times become 0.
  if (seconds < -epoch / per_second) return 0;
  if (seconds > (INT64_MAX - epoch) / per_second - 1) return 0;
  const std::int64_t ticks = epoch + seconds * per_second + nanoseconds / 100;
  return ticks < 0 ? 0 : static_cast<FileTimeTicks>(ticks);
}

// A time of 0 leaves that time as it is, as SetFileTime does.
bool to_timespec(FileTimeTicks ticks, struct timespec* out) {
  if (ticks == 0) {
    out->tv_sec = 0;
    out->tv_nsec = UTIME_OMIT;
    return true;
  }
  if (ticks >= 0x8000000000000000ULL) return false;
  const std::int64_t relative =
      static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(kUnixEpochTicks);
  const std::int64_t per_second = static_cast<std::int64_t>(kTicksPerSecond);
  std::int64_t seconds = relative / per_second;
  std::int64_t rest = relative % per_second;
  if (rest < 0) {
    rest += per_second;
    --seconds;
  }
  out->tv_sec = static_cast<time_t>(seconds);
  out->tv_nsec = static_cast<long>(rest * 100);
  return true;
}

struct Status {
  bool folder = false;
  bool owner_writable = false;
  std::uint64_t size = 0;
  FileTimes times;
};

Status to_status(const struct statx& sx) {
  Status status;
  status.folder = S_ISDIR(sx.stx_mode);
  status.owner_writable = (sx.stx_mode & S_IWUSR) != 0;
  status.size = status.folder ? 0 : sx.stx_size;
  status.times.last_access = to_ticks(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  status.times.last_write = to_ticks(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  // Where the file system keeps no birth time, the change time stands in.
  status.times.creation = (sx.stx_mask & STATX_BTIME) != 0
                              ? to_ticks(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                              : to_ticks(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
  return status;
}

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;

// Follows a link; a dangling link is described as itself.
bool status_of_path(const std::string& path, Status* status) {
  struct statx sx {};
  if (statx(AT_FDCWD, path.c_str(), 0, kStatxMask, &sx) != 0 &&
      statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, kStatxMask, &sx) != 0) {
    return false;
  }
  *status = to_status(sx);
  return true;
}

bool status_of_fd(int fd, Status* status) {
  struct statx sx {};
  if (statx(fd, "", AT_EMPTY_PATH, kStatxMask, &sx) != 0) return false;
  *status = to_status(sx);
  return true;
}

int to_fd(FileHandle file) { return static_cast<int>(file); }

// Windows lists "." and ".." first; the rest comes in a stable order so that
// two searches of one folder agree.
bool search_order(const std::string& a, const std::string& b) {
  const auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  if (rank(a) != rank(b)) return rank(a) < rank(b);
  const int folded = compare_no_case(a, b);
  return folded != 0 ? folded < 0 : a < b;
}

}  // namespace

PosixDesktopFiles::~PosixDesktopFiles() {
  for (const auto& open : files_) close(to_fd(open.first));
}

bool PosixDesktopFiles::fail(std::uint32_t code) {
  last_error_ = code;
  return false;
}

bool PosixDesktopFiles::fail_errno(int err, const std::string& path) {
  return fail(win32_error_from_errno(err, path));
}

FindHandle PosixDesktopFiles::find_first(const std::string& pattern, FindData* data) {
  const std::size_t cut = path::last_separator(pattern);
  Search search;
  search.folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);

  DIR* dir = opendir(search.folder.empty() ? "." : search.folder.c_str());
  if (dir == nullptr) {
    // The folder itself is what is missing: "path not found".
    const int err = errno;
    fail(err == ENOENT || err == ENOTDIR ? error::kPathNotFound
                                         : win32_error_from_errno(err, search.folder));
    return kInvalidFind;
  }
  while (const struct dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!mask.empty() && wildcard_match(mask, name)) search.names.push_back(name);
  }
  closedir(dir);
  std::sort(search.names.begin(), search.names.end(), search_order);

  if (!next_entry(search, data)) {
    fail(error::kFileNotFound);
    return kInvalidFind;
  }
  const FindHandle handle = next_search_++;
  searches_.emplace(handle, std::move(search));
  return handle;
}

bool PosixDesktopFiles::next_entry(Search& search, FindData* data) {
  while (search.next < search.names.size()) {
    const std::string& name = search.names[search.next++];
    Status status;
    // An entry removed since the folder was read is passed over.
    if (!status_of_path(search.folder + name, &status)) continue;
    data->name = name;
    data->size = status.size;
    data->times = status.times;
    data->attributes = status.folder ? attr::kDirectory : attr::kArchive;
    if (!status.owner_writable) data->attributes |= attr::kReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..") data->attributes |= attr::kHidden;
    return true;
  }
  return false;
}

bool PosixDesktopFiles::find_next(FindHandle handle, FindData* data) {
  const auto found = searches_.find(handle);
  if (found == searches_.end()) return fail(error::kInvalidHandle);
  if (!next_entry(found->second, data)) return fail(error::kNoMoreFiles);
  return true;
}

bool PosixDesktopFiles::find_close(FindHandle handle) {
  if (searches_.erase(handle) == 0) return fail(error::kInvalidHandle);
  return true;
}

FileHandle PosixDesktopFiles::open_file(const std::string& path, FileAccess access,
                                        FileDisposition disposition) {
  OpenFile mode;
  int flags = O_CLOEXEC | O_NOCTTY;
  switch (access) {
    case FileAccess::kRead:
      flags |= O_RDONLY;
      mode.can_read = true;
      break;
    case FileAccess::kReadWrite:
      flags |= O_RDWR;
      mode.can_read = mode.can_write = mode.can_set_times = true;
      break;
    case FileAccess::kAppend:
      flags |= O_WRONLY | O_APPEND | O_CREAT;
      mode.can_write = true;
      break;
  }
  if (access != FileAccess::kAppend) {
    if (disposition == FileDisposition::kCreateAlways) flags |= O_CREAT;
    if (disposition == FileDisposition::kCreateNew) flags |= O_CREAT | O_EXCL;
  }

  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) {
    const int err = errno;
    fail(err == EISDIR ? error::kAccessDenied : win32_error_from_errno(err, path));
    return kInvalidFile;
  }
  const auto refuse = [&](std::uint32_t code) {
    close(fd);
    fail(code);
    return kInvalidFile;
  };
  Status status;
  if (!status_of_fd(fd, &status)) return refuse(win32_error_from_errno(errno, path));
  // Windows opens no folder as a file, and writes no read-only file, even for
  // an administrator.
  if (status.folder) return refuse(error::kAccessDenied);
  if (mode.can_write && !status.owner_writable) return refuse(error::kAccessDenied);

  // A read-write opener shares with nobody; readers and appenders share.
  const int lock = access == FileAccess::kReadWrite ? LOCK_EX : LOCK_SH;
  if (flock(fd, lock | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return refuse(error::kSharingViolation);
  }
  // Truncated only once it is ours, so that a refused opener destroys nothing.
  if (access == FileAccess::kReadWrite && disposition == FileDisposition::kCreateAlways &&
      ftruncate(fd, 0) != 0) {
    return refuse(win32_error_from_errno(errno, path));
  }
  const FileHandle handle = static_cast<FileHandle>(fd);
  files_[handle] = mode;
  return handle;
}

const PosixDesktopFiles::OpenFile* PosixDesktopFiles::find_open(FileHandle file) {
  const auto found = files_.find(file);
  if (found == files_.end()) {
    fail(error::kInvalidHandle);
    return nullptr;
  }
  return &found->second;
}

bool PosixDesktopFiles::read_file(FileHandle file, void* buffer, std::uint32_t size,
                                  std::uint32_t* read_count) {
  if (read_count != nullptr) *read_count = 0;
  const OpenFile* open = find_open(file);
  if (open == nullptr) return false;
  if (!open->can_read) return fail(error::kAccessDenied);
  std::uint32_t total = 0;
  char* out = static_cast<char*>(buffer);
  while (total < size) {
    const ssize_t got = read(to_fd(file), out + total, size - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (read_count != nullptr) *read_count = total;
      return fail(errno == EIO ? error::kReadFault : win32_error_from_errno(errno, ""));
    }
    if (got == 0) break;
    total += static_cast<std::uint32_t>(got);
  }
  if (read_count != nullptr) *read_count = total;
  return true;
}

bool PosixDesktopFiles::write_file(FileHandle file, const void* buffer, std::uint32_t size,
                                   std::uint32_t* written) {
  if (written != nullptr) *written = 0;
  const OpenFile* open = find_open(file);
  if (open == nullptr) return false;
  if (!open->can_write) return fail(error::kAccessDenied);
  std::uint32_t total = 0;
  const char* in = static_cast<const char*>(buffer);
  while (total < size) {
    const ssize_t put = write(to_fd(file), in + total, size - total);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (written != nullptr) *written = total;
      return fail(put == 0       ? error::kDiskFull
                  : errno == EIO ? error::kWriteFault
                                 : win32_error_from_errno(errno, ""));
    }
    total += static_cast<std::uint32_t>(put);
  }
  if (written != nullptr) *written = total;
  return true;
}

bool PosixDesktopFiles::close_file(FileHandle file) {
  if (files_.erase(file) == 0) return fail(error::kInvalidHandle);
  // The descriptor is gone whatever close reports; a late write error shows here.
  if (close(to_fd(file)) != 0 && errno != EINTR) return fail_errno(errno, "");
  return true;
}

bool PosixDesktopFiles::get_file_size(FileHandle file, std::uint64_t* size) {
  if (find_open(file) == nullptr) return false;
  struct stat st {};
  if (fstat(to_fd(file), &st) != 0) return fail_errno(errno, "");
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PosixDesktopFiles::flush_file(FileHandle file) {
  if (find_open(file) == nullptr) return false;
  if (fsync(to_fd(file)) != 0) return fail_errno(errno, "");
  return true;
}

bool PosixDesktopFiles::get_file_times(FileHandle file, FileTimes* times) {
  if (find_open(file) == nullptr) return false;
  Status status;
  if (!status_of_fd(to_fd(file), &status)) return fail_errno(errno, "");
  *times = status.times;
  return true;
}

bool PosixDesktopFiles::set_file_times(FileHandle file, const FileTimes& times) {
  const OpenFile* open = find_open(file);
  if (open == nullptr) return false;
  // As on Windows, only a read-write handle may change the times.
  if (!open->can_set_times) return fail(error::kAccessDenied);
  struct timespec values[2];
  if (!to_timespec(times.last_access, &values[0]) || !to_timespec(times.last_write, &values[1])) {
    return fail(error::kInvalidParameter);
  }
  if (futimens(to_fd(file), values) != 0) return fail_errno(errno, "");
  return true;
}

bool PosixDesktopFiles::exists(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return fail_errno(errno, path);
  return true;
}

bool PosixDesktopFiles::is_folder(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return fail_errno(errno, path);
  return S_ISDIR(st.st_mode);
}

bool PosixDesktopFiles::same_file(const std::string& first, const std::string& second) {
  struct stat one {};
  struct stat other {};
  if (stat(first.c_str(), &one) != 0 || stat(second.c_str(), &other) != 0) return false;
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool PosixDesktopFiles::make_folder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0) return true;
  const int err = errno;
  if (err == EEXIST) return fail(error::kAlreadyExists);
  if (err == ENOENT || err == ENOTDIR) return fail(error::kPathNotFound);
  return fail_errno(err, path);
}

bool PosixDesktopFiles::remove_folder(const std::string& path) {
  if (rmdir(path.c_str()) == 0) return true;
  const int err = errno;
  if (err == ENOTEMPTY || err == EEXIST) return fail(error::kDirNotEmpty);
  struct stat st {};
  if (err == ENOTDIR && stat(path.c_str(), &st) == 0) return fail(error::kDirectory);
  return fail_errno(err, path);
}

bool PosixDesktopFiles::delete_file(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return fail_errno(errno, path);
  if (S_ISDIR(st.st_mode)) return fail(error::kAccessDenied);
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return fail(error::kAccessDenied);
  if (unlink(path.c_str()) != 0) return fail_errno(errno, path);
  return true;
}

bool PosixDesktopFiles::move_file_replace(const std::string& from, const std::string& to) {
  struct stat st {};
  if (lstat(from.c_str(), &st) != 0) return fail_errno(errno, from);
  if (lstat(to.c_str(), &st) == 0) {
    // Windows replaces neither a folder nor a read-only file.
    if (S_ISDIR(st.st_mode)) return fail(error::kAccessDenied);
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return fail(error::kAccessDenied);
  }
  if (rename(from.c_str(), to.c_str()) != 0) return fail_errno(errno, to);
  return true;
}

std::string PosixDesktopFiles::file_system_name(const std::string& path) {
  struct statfs info {};
  if (statfs(path.c_str(), &info) != 0) {
    fail_errno(errno, path);
    return {};
  }
  // The magic numbers of linux/magic.h, named as Windows names them.
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x4d44UL: return "FAT";  // vfat and msdos: FAT12, FAT16, FAT32 alike
    case 0x2011bab0UL: return "exFAT";
    case 0x5346544eUL: return "NTFS";
    case 0xef53UL: return "ext4";
    case 0x01021994UL: return "tmpfs";
    case 0x9123683eUL: return "btrfs";
    case 0x58465342UL: return "xfs";
    default: return "other";
  }
}

std::string PosixDesktopFiles::temp_folder() {
  const char* tmp = std::getenv("TMPDIR");
  return path::with_trailing_separator(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
}

std::string PosixDesktopFiles::executable_path() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (got < 0) {
      fail_errno(errno, "/proc/self/exe");
      return std::string();
    }
    if (static_cast<std::size_t>(got) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(got));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vmt::platform
