// The shell of the Linux build: the special folders come from the XDG
// folders (or are given outright by tests), type names from the extension.
#pragma once

#include <string>

#include "platform/shell.h"

namespace vmt::platform {

// Each folder without a trailing separator; an empty one cannot be determined.
struct PosixShellFolders {
  std::string user_appdata;
  std::string common_appdata;
  std::string windows;  // where the desktop programs' .ini files are arranged
  std::string system;

  // $XDG_DATA_HOME (or ~/.local/share) for the user's data, its
  // vmtransfer/ProgramData for all users, $XDG_CONFIG_HOME (or ~/.config)
  // vmtransfer/Windows for the Windows folder, and /usr/lib for the system.
  static PosixShellFolders from_environment();
};

class PosixShell : public Shell {
 public:
  explicit PosixShell(PosixShellFolders folders);

  bool get_folder(ShellFolder folder, bool create, std::string* path) override;
  int create_folder_tree(const std::string& path) override;
  // "File Folder" for folders, "<EXT> File" for a file with an extension,
  // "File" without one; never an icon.
  bool get_file_info(const std::string& path, bool use_attributes, std::uint32_t attributes,
                     ShellFileInfo* info) override;
  void destroy_icon(IconHandle) override {}
  std::string system_error_text(std::uint32_t) override { return std::string(); }

 private:
  PosixShellFolders folders_;
};

}  // namespace vmt::platform
