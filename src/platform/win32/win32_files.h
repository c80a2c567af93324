// The desktop files of the Windows build: the W calls of the file system, with
// long paths in their "\\?\" form.
#pragma once

#include <memory>
#include <string>

#include "platform/desktop_files.h"

namespace vmt::platform {

class Win32DesktopFiles : public DesktopFiles {
 public:
  Win32DesktopFiles();
  ~Win32DesktopFiles() override;
  Win32DesktopFiles(const Win32DesktopFiles&) = delete;
  Win32DesktopFiles& operator=(const Win32DesktopFiles&) = delete;

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
  class Handles;

  bool fail();
  bool fail(std::uint32_t code);
  // The open handles of this object; those left open are closed with it.
  std::unique_ptr<Handles> handles_;
  std::uint32_t last_error_ = 0;
};

}  // namespace vmt::platform
