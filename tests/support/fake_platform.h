// A platform for the logic's tests: the build's real desktop files in a
// temporary folder (with the executable placed there), a registry in memory,
// a hand-set clock, a shell whose folders lie in the temporary folder, desktop
// windows that record what was started, and a device of the test's choice.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/manual_clock.h"
#include "platform/common/memory_registry.h"
#include "platform/common/message_source.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace vmt::test {

class FakeShell : public platform::Shell {
 public:
  explicit FakeShell(std::string root) : root_(std::move(root)) {}
  bool get_folder(platform::ShellFolder folder, bool create, std::string* path) override;
  int create_folder_tree(const std::string& path) override;
  bool get_file_info(const std::string& path, bool use_attributes, std::uint32_t attributes,
                     platform::ShellFileInfo* info) override;
  void destroy_icon(platform::IconHandle) override {}
  std::string system_error_text(std::uint32_t code) override {
    return "System error " + std::to_string(code) + ".";
  }
  bool app_data_unknown = false;
  bool common_app_data_unknown = false;

 private:
  std::string root_;
};

class FakeWindows : public platform::DesktopWindows {
 public:
  std::vector<platform::TopLevelWindow> list_top_level_windows() override { return windows; }
  bool window_with_title_exists(const std::string& title) override;
  bool window_exists(std::uintptr_t window) override { return window != 0 && window != closed_window; }
  std::unique_ptr<platform::InstanceClaim> claim_single_instance(const std::string& name) override;
  bool start_program(const std::string& executable, const std::string& argument,
                     std::uint32_t* error) override;
  bool open_text_viewer(const std::string& file, std::uint32_t* error) override;
  bool open_folder(const std::string& folder, std::uint32_t* error) override;

  std::vector<platform::TopLevelWindow> windows;
  std::vector<std::string> started;  // "program|argument"
  std::vector<std::string> viewed;
  std::vector<std::string> opened_folders;
  bool fail_start = false;
  std::uintptr_t closed_window = 0;  // a handle that no longer names a window
  bool claimed_elsewhere = false;     // another copy holds the single-instance name
};

class FakeResources : public platform::ResourceLoader {
 public:
  std::unique_ptr<platform::StringTable> load_library(const std::string& path) override;
  std::unique_ptr<platform::StringTable> own_table() override { return nullptr; }
  std::vector<std::string> loaded;
  bool fail = false;
  std::map<unsigned, std::string> library_texts;
};

class FakePlatform {
 public:
  FakePlatform();
  ~FakePlatform();
  platform::Platform& platform() { return *platform_; }

  TempFolder folder;
  platform::ManualClock clock;
  platform::MemoryRegistry registry;
  FakeShell shell;
  FakeWindows windows;
  FakeResources resources;
  std::unique_ptr<platform::Device> device;
  // Bytes the desktop disk takes before it is full; -1 without limit.
  std::int64_t desktop_space = -1;
  // Until this time of `clock` another program holds the desktop's files:
  // renames fail with a sharing violation.
  platform::FileTimeTicks renames_held_until = 0;
  // What the desktop's file system is said to be; empty: the host's own.
  std::string desktop_file_system;
  // Every file written is stored with a wrong byte at this offset; -1 for none.
  std::int64_t corrupt_write_at = -1;
  // The folder of the executable, with the platform's separator.
  std::string exe_folder() const;
  // The user's application-data folder.
  std::string app_data() const;

 private:
  class Files;
  std::unique_ptr<Files> files_;
  std::unique_ptr<platform::Platform> platform_;
};

}  // namespace vmt::test
