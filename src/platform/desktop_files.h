// The desktop computer's file system with the Win32 calling shape: searches,
// files opened by handle and read or written in blocks, the three file times,
// and the few folder operations the program needs. Paths are UTF-8 and use the
// platform's separator (see common/path.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace vmt::platform {

// One search result (the parts of WIN32_FIND_DATA the program uses).
struct FindData {
  std::uint32_t attributes = 0;
  FileTimes times;
  std::uint64_t size = 0;
  std::string name;  // the entry's own name, without its folder
};

using FindHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;
constexpr FindHandle kInvalidFind = ~FindHandle{0};
constexpr FileHandle kInvalidFile = ~FileHandle{0};

enum class FileAccess {
  kRead,
  kReadWrite,
  // Writes go to the end; the file is created when missing (the disposition is
  // not used) and others may read it, or append to it, meanwhile.
  kAppend,
};
enum class FileDisposition {
  kOpenExisting,  // OPEN_EXISTING
  kCreateAlways,  // CREATE_ALWAYS: create, or truncate an existing file
  kCreateNew,     // CREATE_NEW: fails with 80 when the file exists
};

// Every call that fails leaves its Win32 error code for last_error().
class DesktopFiles {
 public:
  virtual ~DesktopFiles() = default;

  // `pattern` is a folder, a separator and a mask such as "*.*" or "*.csv";
  // masks match without regard to case on both builds. "*.*" matches every
  // name, with or without a dot, and lists "." and "..".
  virtual FindHandle find_first(const std::string& pattern, FindData* data) = 0;
  virtual bool find_next(FindHandle handle, FindData* data) = 0;
  virtual bool find_close(FindHandle handle) = 0;

  // Files are opened without sharing for writing; reading shares reading.
  virtual FileHandle open_file(const std::string& path, FileAccess access,
                               FileDisposition disposition) = 0;
  virtual bool read_file(FileHandle file, void* buffer, std::uint32_t size,
                         std::uint32_t* read) = 0;
  virtual bool write_file(FileHandle file, const void* buffer, std::uint32_t size,
                          std::uint32_t* written) = 0;
  virtual bool close_file(FileHandle file) = 0;
  // The size of an open file.
  virtual bool get_file_size(FileHandle file, std::uint64_t* size) = 0;
  // Writes what the file holds through to the disk (FlushFileBuffers).
  virtual bool flush_file(FileHandle file) = 0;
  virtual bool get_file_times(FileHandle file, FileTimes* times) = 0;
  // Sets all three times; the creation time is kept where the file system can.
  virtual bool set_file_times(FileHandle file, const FileTimes& times) = 0;

  // True when a file or folder of that name exists (the `_access` test).
  virtual bool exists(const std::string& path) = 0;
  virtual bool is_folder(const std::string& path) = 0;
  // True when both paths name one existing file, however each reaches it (a
  // short name, another letter case, a mapped drive or a link).
  virtual bool same_file(const std::string& first, const std::string& second) = 0;
  // Creates one folder; its parent must exist (the `_mkdir` call).
  virtual bool make_folder(const std::string& path) = 0;
  virtual bool remove_folder(const std::string& path) = 0;
  virtual bool delete_file(const std::string& path) = 0;
  // Renames a file, replacing an existing destination in one step.
  virtual bool move_file_replace(const std::string& from, const std::string& to) = 0;
  // The name of the file system that holds `path`, as GetVolumeInformation
  // gives it ("NTFS", "FAT32", "exFAT"); empty when it cannot be told.
  virtual std::string file_system_name(const std::string& path) = 0;

  // The temporary folder, ending with a separator.
  virtual std::string temp_folder() = 0;
  // The full path of the running executable.
  virtual std::string executable_path() = 0;

  virtual std::uint32_t last_error() = 0;
};

}  // namespace vmt::platform
