// The desktop files of the Linux build: POSIX calls behind the Win32 shape.
// Windows behaviour that callers rely on is kept: masks without regard to case,
// "." and ".." in searches, the read-only attribute (a file its owner may not
// write) refusing writes and deletion even to root, and no sharing between a
// read-write opener and any other opener (advisory locks, so only openers that
// take them are kept out). Names starting with a dot are marked hidden, as Wine
// marks them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/desktop_files.h"

namespace vmt::platform {

class PosixDesktopFiles : public DesktopFiles {
 public:
  PosixDesktopFiles() = default;
  ~PosixDesktopFiles() override;
  PosixDesktopFiles(const PosixDesktopFiles&) = delete;
  PosixDesktopFiles& operator=(const PosixDesktopFiles&) = delete;

  FindHandle find_first(const std::string& pattern, FindData* data) override;
  bool find_next(FindHandle handle, FindData* data) override;
  bool find_close(FindHandle handle) override;

  FileHandle open_file(const std::string& path, FileAccess access,
                       FileDisposition disposition) override;
  bool read_file(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* read) override;
  bool write_file(FileHandle file, const void* buffer, std::uint32_t size,
                  std::uint32_t* written) override;
  bool close_file(FileHandle file) override;
  bool get_file_size(FileHandle file, std::uint64_t* size) override;
  bool flush_file(FileHandle file) override;
  bool get_file_times(FileHandle file, FileTimes* times) override;
  // The creation time cannot be set on Linux; it is left as it is.
  bool set_file_times(FileHandle file, const FileTimes& times) override;

  bool exists(const std::string& path) override;
  bool is_folder(const std::string& path) override;
  bool same_file(const std::string& first, const std::string& second) override;
  bool make_folder(const std::string& path) override;
  bool remove_folder(const std::string& path) override;
  bool delete_file(const std::string& path) override;
  bool move_file_replace(const std::string& from, const std::string& to) override;
  std::string file_system_name(const std::string& path) override;

  std::string temp_folder() override;
  std::string executable_path() override;

  std::uint32_t last_error() override { return last_error_; }

 private:
  struct Search {
    std::string folder;  // with a trailing separator
    std::vector<std::string> names;
    std::size_t next = 0;
  };
  struct OpenFile {
    bool can_read = false;
    bool can_write = false;
    bool can_set_times = false;  // an append-only handle may not change them
  };

  bool fail(std::uint32_t code);
  bool fail_errno(int err, const std::string& path);
  // Fills `data` from the next name of the search that still exists.
  bool next_entry(Search& search, FindData* data);
  const OpenFile* find_open(FileHandle file);

  std::map<FindHandle, Search> searches_;
  FindHandle next_search_ = 1;
  std::map<FileHandle, OpenFile> files_;
  std::uint32_t last_error_ = 0;
};

}  // namespace vmt::platform
