#include "platform/win32/win32_files.h"

#include <windows.h>

#include <map>
#include <utility>

#include "platform/win32/win32_path.h"

namespace vmt::platform {

namespace {

// Owns a search handle.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE handle) : handle_(handle) {}
  ~UniqueFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  UniqueFind(UniqueFind&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueFind& operator=(UniqueFind&&) = delete;
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

// Owns a file handle.
class UniqueFile {
 public:
  explicit UniqueFile(HANDLE handle) : handle_(handle) {}
  ~UniqueFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  UniqueFile(UniqueFile&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueFile& operator=(UniqueFile&&) = delete;
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

FileTimeTicks to_ticks(const FILETIME& ft) {
  return (static_cast<FileTimeTicks>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME to_filetime(FileTimeTicks ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

void to_find_data(const WIN32_FIND_DATAW& found, FindData* data) {
  data->attributes = found.dwFileAttributes;
  data->times.creation = to_ticks(found.ftCreationTime);
  data->times.last_access = to_ticks(found.ftLastAccessTime);
  data->times.last_write = to_ticks(found.ftLastWriteTime);
  data->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  data->name = from_wide(found.cFileName, wcsnlen(found.cFileName, MAX_PATH));
}

}  // namespace

class Win32DesktopFiles::Handles {
 public:
  std::map<FindHandle, UniqueFind> searches;
  std::map<FileHandle, UniqueFile> files;
};

Win32DesktopFiles::Win32DesktopFiles() : handles_(std::make_unique<Handles>()) {}

Win32DesktopFiles::~Win32DesktopFiles() = default;

bool Win32DesktopFiles::fail() { return fail(GetLastError()); }

bool Win32DesktopFiles::fail(std::uint32_t code) {
  last_error_ = code;
  return false;
}

FindHandle Win32DesktopFiles::find_first(const std::string& pattern, FindData* data) {
  WIN32_FIND_DATAW found{};
  UniqueFind search(FindFirstFileW(to_win32_path(pattern).c_str(), &found));
  if (search.get() == INVALID_HANDLE_VALUE) {
    fail();
    return kInvalidFind;
  }
  to_find_data(found, data);
  const FindHandle handle = reinterpret_cast<FindHandle>(search.get());
  handles_->searches.emplace(handle, std::move(search));
  return handle;
}

bool Win32DesktopFiles::find_next(FindHandle handle, FindData* data) {
  const auto search = handles_->searches.find(handle);
  if (search == handles_->searches.end()) return fail(error::kInvalidHandle);
  WIN32_FIND_DATAW found{};
  if (!FindNextFileW(search->second.get(), &found)) return fail();
  to_find_data(found, data);
  return true;
}

bool Win32DesktopFiles::find_close(FindHandle handle) {
  const auto search = handles_->searches.find(handle);
  if (search == handles_->searches.end()) return fail(error::kInvalidHandle);
  const HANDLE raw = search->second.release();
  handles_->searches.erase(search);
  if (!FindClose(raw)) return fail();
  return true;
}

FileHandle Win32DesktopFiles::open_file(const std::string& path, FileAccess access,
                                        FileDisposition disposition) {
  DWORD desired = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD create = OPEN_EXISTING;
  switch (disposition) {
    case FileDisposition::kOpenExisting:
      create = OPEN_EXISTING;
      break;
    case FileDisposition::kCreateAlways:
      create = CREATE_ALWAYS;
      break;
    case FileDisposition::kCreateNew:
      create = CREATE_NEW;
      break;
  }
  switch (access) {
    case FileAccess::kRead:
      break;
    case FileAccess::kReadWrite:
      desired = GENERIC_READ | GENERIC_WRITE;
      share = 0;
      break;
    case FileAccess::kAppend:
      // Append-only access puts every write at the end, even with other
      // appenders (other copies of the program) at work on the same file.
      desired = FILE_APPEND_DATA | SYNCHRONIZE;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      create = OPEN_ALWAYS;
      break;
  }
  UniqueFile file(CreateFileW(to_win32_path(path).c_str(), desired, share, nullptr, create,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    fail();
    return kInvalidFile;
  }
  const FileHandle handle = reinterpret_cast<FileHandle>(file.get());
  handles_->files.emplace(handle, std::move(file));
  return handle;
}

bool Win32DesktopFiles::read_file(FileHandle file, void* buffer, std::uint32_t size,
                                  std::uint32_t* read) {
  if (read != nullptr) *read = 0;
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  DWORD got = 0;
  const BOOL ok = ReadFile(open->second.get(), buffer, size, &got, nullptr);
  if (read != nullptr) *read = got;
  if (!ok) return fail();
  return true;
}

bool Win32DesktopFiles::write_file(FileHandle file, const void* buffer, std::uint32_t size,
                                   std::uint32_t* written) {
  if (written != nullptr) *written = 0;
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  DWORD put = 0;
  const BOOL ok = WriteFile(open->second.get(), buffer, size, &put, nullptr);
  if (written != nullptr) *written = put;
  if (!ok) return fail();
  return true;
}

bool Win32DesktopFiles::close_file(FileHandle file) {
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  const HANDLE raw = open->second.release();
  handles_->files.erase(open);
  if (!CloseHandle(raw)) return fail();
  return true;
}

bool Win32DesktopFiles::get_file_size(FileHandle file, std::uint64_t* size) {
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(open->second.get(), &value)) return fail();
  *size = static_cast<std::uint64_t>(value.QuadPart);
  return true;
}

bool Win32DesktopFiles::flush_file(FileHandle file) {
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  if (!FlushFileBuffers(open->second.get())) return fail();
  return true;
}

bool Win32DesktopFiles::get_file_times(FileHandle file, FileTimes* times) {
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  FILETIME creation{}, access{}, write{};
  if (!GetFileTime(open->second.get(), &creation, &access, &write)) return fail();
  times->creation = to_ticks(creation);
  times->last_access = to_ticks(access);
  times->last_write = to_ticks(write);
  return true;
}

bool Win32DesktopFiles::set_file_times(FileHandle file, const FileTimes& times) {
  const auto open = handles_->files.find(file);
  if (open == handles_->files.end()) return fail(error::kInvalidHandle);
  const FILETIME creation = to_filetime(times.creation);
  const FILETIME access = to_filetime(times.last_access);
  const FILETIME write = to_filetime(times.last_write);
  // A time of 0 leaves that time as it is.
  if (!SetFileTime(open->second.get(), times.creation != 0 ? &creation : nullptr,
                   times.last_access != 0 ? &access : nullptr,
                   times.last_write != 0 ? &write : nullptr)) {
    return fail();
  }
  return true;
}

bool Win32DesktopFiles::exists(const std::string& path) {
  if (GetFileAttributesW(to_win32_path(path).c_str()) == INVALID_FILE_ATTRIBUTES) return fail();
  return true;
}

bool Win32DesktopFiles::is_folder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(to_win32_path(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return fail();
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// The volume and the file's index on it; false when it cannot be opened.
bool file_identity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  // Only the attributes are read, so the file may be open elsewhere, even running.
  const UniqueFile file(CreateFileW(to_win32_path(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file.get(), info);
}

}  // namespace

bool Win32DesktopFiles::same_file(const std::string& first, const std::string& second) {
  BY_HANDLE_FILE_INFORMATION one{};
  BY_HANDLE_FILE_INFORMATION other{};
  if (!file_identity(first, &one) || !file_identity(second, &other)) return false;
  return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
         one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

bool Win32DesktopFiles::make_folder(const std::string& path) {
  if (!CreateDirectoryW(to_win32_path(path).c_str(), nullptr)) return fail();
  return true;
}

bool Win32DesktopFiles::remove_folder(const std::string& path) {
  if (!RemoveDirectoryW(to_win32_path(path).c_str())) return fail();
  return true;
}

bool Win32DesktopFiles::delete_file(const std::string& path) {
  if (!DeleteFileW(to_win32_path(path).c_str())) return fail();
  return true;
}

bool Win32DesktopFiles::move_file_replace(const std::string& from, const std::string& to) {
  if (!MoveFileExW(to_win32_path(from).c_str(), to_win32_path(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fail();
  }
  return true;
}

std::string Win32DesktopFiles::file_system_name(const std::string& path) {
  const std::wstring wide = to_win32_path(path);
  std::wstring root(wide.size() + 2, L'\0');
  if (!GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    fail();
    return {};
  }
  root.resize(wcslen(root.c_str()));
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                             MAX_PATH + 1)) {
    fail();
    return {};
  }
  return from_wide(name);
}

std::string Win32DesktopFiles::temp_folder() {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) {
      fail();
      return std::string();
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      std::string folder = from_wide(buffer);
      if (folder.empty() || folder.back() != '\\') folder += '\\';
      return folder;
    }
    buffer.resize(length + 1);
  }
}

std::string Win32DesktopFiles::executable_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      fail();
      return std::string();
    }
    // A full buffer means the name was cut: try again with a larger one.
    if (length < buffer.size()) {
      buffer.resize(length);
      return from_wide(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vmt::platform
