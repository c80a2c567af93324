// The shell: the special folders of the machine and the user, folder trees,
// file type names and small icons, and the system's texts for error codes.
#pragma once

#include <cstdint>
#include <string>

namespace vmt::platform {

enum class ShellFolder {
  kUserAppData,    // CSIDL_APPDATA: the user's roaming application data
  kCommonAppData,  // CSIDL_COMMON_APPDATA: application data of all users
  kWindows,        // GetWindowsDirectory: where old programs keep their .ini files
  kSystem,         // GetSystemDirectory
};

// A small (16 x 16) icon owned by the caller until destroy_icon; 0 is none.
using IconHandle = std::uintptr_t;

struct ShellFileInfo {
  std::string type_name;  // "File Folder", "Text Document", ...
  IconHandle icon = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;

  // The folder without a trailing separator; with `create` it is made when
  // missing. False when the folder cannot be determined.
  virtual bool get_folder(ShellFolder folder, bool create, std::string* path) = 0;
  // Creates every missing level of `path` (SHCreateDirectoryEx): 0 when made,
  // 183 when it existed already, another Win32 code on failure.
  virtual int create_folder_tree(const std::string& path) = 0;
  // The type name and small icon of a path. With `use_attributes` the file is
  // not opened: the name (or a pattern such as "*.csv") and `attributes` decide.
  virtual bool get_file_info(const std::string& path, bool use_attributes,
                             std::uint32_t attributes, ShellFileInfo* info) = 0;
  virtual void destroy_icon(IconHandle icon) = 0;
  // The system's text for a Win32 error code (FormatMessage); empty where the
  // platform has none.
  virtual std::string system_error_text(std::uint32_t code) = 0;
};

}  // namespace vmt::platform
