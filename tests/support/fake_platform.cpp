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
  Files(std::string exe, std::string temp, std::int64_t& space, platform::Clock& clock,
        platform::FileTimeTicks& held_until)
      : exe_(std::move(exe)), temp_(std::move(temp)), space_(space), clock_(clock),
        held_until_(held_until) {}
  std::string executable_path() override { return exe_; }
  // A temporary folder of the test's own, so that what a test leaves there is its own.
  std::string temp_folder() override { return temp_; }
  // A disk that fills up after the space the test allows.
  bool write_file(platform::FileHandle file, const void* buffer, std::uint32_t size,
                  std::uint32_t* written) override {
    if (space_ < 0 || size <= space_) {
      const bool wrote = RealFiles::write_file(file, buffer, size, written);
      if (space_ >= 0) space_ -= *written;
      return wrote;
    }
    const auto room = static_cast<std::uint32_t>(space_);
    RealFiles::write_file(file, buffer, room, written);
    space_ = 0;
    disk_full_ = true;
    return false;
  }
  // Another program holding the files for a while: renames fail meanwhile.
  bool move_file_replace(const std::string& from, const std::string& to) override {
    if (clock_.utc_now() >= held_until_) return RealFiles::move_file_replace(from, to);
    held_ = true;
    return false;
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
  std::int64_t& space_;
  platform::Clock& clock_;
  platform::FileTimeTicks& held_until_;
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
                                   desktop_space, clock, renames_held_until);
  platform_ = std::make_unique<platform::Platform>(platform::Platform{
      registry, *files_, shell, windows, clock, *device, resources});
}

FakePlatform::~FakePlatform() = default;

std::string FakePlatform::exe_folder() const {
  return platform::path::with_trailing_separator(folder.path("program"));
}

std::string FakePlatform::app_data() const { return folder.path("shell/AppData"); }

}  // namespace vmt::test
