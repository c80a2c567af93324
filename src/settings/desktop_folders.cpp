#include "settings/desktop_folders.h"

#include "platform/common/path.h"

namespace vmt::settings {

std::string get_report_dir(platform::Shell& shell, bool backslash) {
  std::string app_data;
  if (!shell.get_folder(platform::ShellFolder::kUserAppData, true, &app_data) ||
      app_data.empty()) {
    return {};
  }
  const std::string folder = platform::path::join(app_data, "Stakeline Exchange");
  shell.create_folder_tree(folder);
  return backslash ? platform::path::with_trailing_separator(folder) : folder;
}

}  // namespace vmt::settings
