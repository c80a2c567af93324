// The shell of the Windows build: special folders, folder trees, type names
// and small icons, and the system's error texts.
#pragma once

#include <string>

#include "platform/shell.h"

namespace vmt::platform {

class Win32Shell : public Shell {
 public:
  // The shell's file information needs COM on this thread.
  Win32Shell();
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  bool get_folder(ShellFolder folder, bool create, std::string* path) override;
  // A file where the folder should be is a failure (267), not "it existed".
  int create_folder_tree(const std::string& path) override;
  bool get_file_info(const std::string& path, bool use_attributes, std::uint32_t attributes,
                     ShellFileInfo* info) override;
  void destroy_icon(IconHandle icon) override;
  std::string system_error_text(std::uint32_t code) override;

 private:
  bool com_initialised_ = false;
};

}  // namespace vmt::platform
