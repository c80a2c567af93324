#include "platform/posix/posix_shell.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "platform/posix/posix_errors.h"
#include "platform/types.h"

namespace vmt::platform {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string home_folder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    home = found->pw_dir;
  }
  return home;
}

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback below the home folder; empty when neither is known.
std::string xdg_folder(const char* variable, const char* below_home) {
  const std::string value = path::without_trailing_separators(environment(variable));
  if (!value.empty() && value[0] == '/') return value;
  const std::string home = path::without_trailing_separators(home_folder());
  return home.empty() ? std::string() : home + "/" + below_home;
}

bool is_folder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string extension_of(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

PosixShellFolders PosixShellFolders::from_environment() {
  PosixShellFolders folders;
  const std::string data = xdg_folder("XDG_DATA_HOME", ".local/share");
  const std::string config = xdg_folder("XDG_CONFIG_HOME", ".config");
  folders.user_appdata = data;
  if (!data.empty()) folders.common_appdata = data + "/vmtransfer/ProgramData";
  if (!config.empty()) folders.windows = config + "/vmtransfer/Windows";
  folders.system = "/usr/lib";
  return folders;
}

PosixShell::PosixShell(PosixShellFolders folders) : folders_(std::move(folders)) {}

bool PosixShell::get_folder(ShellFolder folder, bool create, std::string* path) {
  std::string found;
  switch (folder) {
    case ShellFolder::kUserAppData:
      found = folders_.user_appdata;
      break;
    case ShellFolder::kCommonAppData:
      found = folders_.common_appdata;
      break;
    case ShellFolder::kWindows:
      found = folders_.windows;
      break;
    case ShellFolder::kSystem:
      found = folders_.system;
      break;
  }
  found = path::without_trailing_separators(found);
  if (found.empty()) return false;
  if (create) {
    const int made = create_folder_tree(found);
    if (made != 0 && made != static_cast<int>(error::kAlreadyExists)) return false;
  }
  *path = found;
  return true;
}

int PosixShell::create_folder_tree(const std::string& path) {
  const std::string target = path::without_trailing_separators(path);
  if (target.empty() || target[0] != '/') return static_cast<int>(error::kBadPathName);
  if (is_folder(target)) return static_cast<int>(error::kAlreadyExists);
  std::size_t at = 0;
  while (at != std::string::npos) {
    at = target.find('/', at + 1);
    const std::string level = target.substr(0, at);
    if (level.empty() || level.back() == '/') continue;
    if (mkdir(level.c_str(), 0777) == 0) continue;
    const int err = errno;
    if (err == EEXIST && is_folder(level)) continue;
    // A file in the way: a middle level breaks the path, the last one is no folder.
    if (err == EEXIST) {
      return static_cast<int>(at == std::string::npos ? error::kDirectory : error::kPathNotFound);
    }
    return static_cast<int>(win32_error_from_errno(err, level));
  }
  return static_cast<int>(error::kSuccess);
}

bool PosixShell::get_file_info(const std::string& path, bool use_attributes,
                               std::uint32_t attributes, ShellFileInfo* info) {
  bool folder = false;
  if (use_attributes) {
    folder = (attributes & attr::kDirectory) != 0;
  } else {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    folder = S_ISDIR(st.st_mode);
  }
  info->icon = 0;
  if (folder) {
    info->type_name = "File Folder";
    return true;
  }
  const std::string extension = extension_of(path::file_name(path));
  info->type_name = extension.empty() ? "File" : to_upper_ascii(extension) + " File";
  return true;
}

}  // namespace vmt::platform
