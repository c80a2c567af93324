#include "support/fake_platform.h"

#include <filesystem>

#include "platform/common/path.h"
#include "platform/emulator/absent_device.h"

#ifdef _WIN32
#include "platform/win32/win32_files.h"
#else
#include "platform/posix/posix_files.h"
#endif

namespace vmt::test {

namespace fs = std::filesystem;

#ifdef _WIN32
using RealFiles = platform::Win32DesktopFiles;
#else
using RealFiles = platform::PosixDesktopFiles;
#endif

class FakePlatform::Files : public RealFiles {
 public:
  Files(std::string exe, std::string temp, FakePlatform& fake)
      : exe_(std::move(exe)), temp_(std::move(temp)), fake_(fake) {}
  std::string executable_path() override { return exe_; }
  // A temporary folder of the test's own, so that what a test leaves there is its own.
  std::string temp_folder() override { return temp_; }
  platform::FileHandle open_file(const std::string& path, platform::FileAccess access,
                                 platform::FileDisposition disposition) override {
    const platform::FileHandle file = RealFiles::open_file(path, access, disposition);
    if (file != platform::kInvalidFile) written_[file] = 0;
    return file;
  }
  bool close_file(platform::FileHandle file) override {
    written_.erase(file);
    return RealFiles::close_file(file);
  }
  // A disk that fills up after the space the test allows, and one that stores
  // a wrong byte where the test says.
  bool write_file(platform::FileHandle file, const void* buffer, std::uint32_t size,
                  std::uint32_t* written) override {
    std::string bytes(static_cast<const char*>(buffer), size);
    std::int64_t& at = written_[file];
    const std::int64_t corrupt = fake_.corrupt_write_at;
    if (corrupt >= at && corrupt < at + static_cast<std::int64_t>(size)) {
      bytes[static_cast<std::size_t>(corrupt - at)] ^= 0x5A;
    }
    std::int64_t& space = fake_.desktop_space;
    if (space < 0 || size <= space) {
      const bool wrote = RealFiles::write_file(file, bytes.data(), size, written);
      if (space >= 0) space -= *written;
      at += *written;
      return wrote;
    }
    const auto room = static_cast<std::uint32_t>(space);
    RealFiles::write_file(file, bytes.data(), room, written);
    at += *written;
    space = 0;
    disk_full_ = true;
    return false;
  }
  // Another program holding the files for a while: renames fail meanwhile.
  bool move_file_replace(const std::string& from, const std::string& to) override {
    if (fake_.clock.utc_now() >= fake_.renames_held_until) {
      return RealFiles::move_file_replace(from, to);
    }
    held_ = true;
    return false;
  }
  std::string file_system_name(const std::string& path) override {
    if (!fake_.desktop_file_system.empty()) return fake_.desktop_file_system;
    return RealFiles::file_system_name(path);
  }
  std::uint32_t last_error() override {
    if (disk_full_) {
      disk_full_ = false;
      return platform::error::kDiskFull;
    }
    if (held_) {
      held_ = false;
      return platform::error::kSharingViolation;
    }
    return RealFiles::last_error();
  }

 private:
  std::string exe_;
  std::string temp_;
  FakePlatform& fake_;
  std::map<platform::FileHandle, std::int64_t> written_;  // bytes written through each handle
  bool disk_full_ = false;
  bool held_ = false;
};

bool FakeShell::get_folder(platform::ShellFolder folder, bool create, std::string* path) {
  std::string name;
  switch (folder) {
    case platform::ShellFolder::kUserAppData:
      if (app_data_unknown) return false;
      name = "AppData";
      break;
    case platform::ShellFolder::kCommonAppData:
      if (common_app_data_unknown) return false;
      name = "ProgramData";
      break;
    case platform::ShellFolder::kWindows: name = "Windows"; break;
    case platform::ShellFolder::kSystem: name = "System"; break;
  }
  *path = platform::path::join(root_, name);
  if (create) fs::create_directories(fs::u8path(*path));
  return true;
}

int FakeShell::create_folder_tree(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(fs::u8path(path), ec)) return 183;
  return fs::create_directories(fs::u8path(path), ec) ? 0 : 3;
}

bool FakeShell::get_file_info(const std::string& path, bool, std::uint32_t attributes,
                              platform::ShellFileInfo* info) {
  info->type_name = (attributes & platform::attr::kDirectory) ? "File Folder"
                                                             : platform::path::file_name(path);
  info->icon = 0;
  return true;
}

bool FakeWindows::window_with_title_exists(const std::string& title) {
  for (const auto& window : windows) {
    if (window.title == title) return true;
  }
  return false;
}

std::unique_ptr<platform::InstanceClaim> FakeWindows::claim_single_instance(const std::string&) {
  if (claimed_elsewhere) return nullptr;
  return std::make_unique<platform::InstanceClaim>();
}

bool FakeWindows::start_program(const std::string& executable, const std::string& argument,
                                std::uint32_t* error) {
  started.push_back(executable + "|" + argument);
  if (fail_start) *error = 2;
  return !fail_start;
}

bool FakeWindows::open_text_viewer(const std::string& file, std::uint32_t* error) {
  viewed.push_back(file);
  if (fail_start) *error = 2;
  return !fail_start;
}

bool FakeWindows::open_folder(const std::string& folder, std::uint32_t* error) {
  opened_folders.push_back(folder);
  if (fail_start) *error = 2;
  return !fail_start;
}

std::unique_ptr<platform::StringTable> FakeResources::load_library(const std::string& path) {
  loaded.push_back(path);
  if (fail) return nullptr;
  return std::make_unique<platform::MapStringTable>(library_texts);
}

FakePlatform::FakePlatform()
    : shell(folder.path("shell")), device(std::make_unique<platform::AbsentDevice>()) {
  fs::create_directories(fs::u8path(folder.path("program")));
  fs::create_directories(fs::u8path(folder.path("temp")));
  files_ = std::make_unique<Files>(folder.path("program/vmtransfer.exe"),
                                   platform::path::with_trailing_separator(folder.path("temp")),
                                   *this);
  platform_ = std::make_unique<platform::Platform>(platform::Platform{
      registry, *files_, shell, windows, clock, *device, resources});
}

FakePlatform::~FakePlatform() = default;

std::string FakePlatform::exe_folder() const {
  return platform::path::with_trailing_separator(folder.path("program"));
}

std::string FakePlatform::app_data() const { return folder.path("shell/AppData"); }

}  // namespace vmt::test
