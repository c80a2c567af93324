#include "platform/common/path.h"

namespace vmt::platform::path {

bool is_separator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

bool ends_with_separator(const std::string& path) {
  return !path.empty() && is_separator(path.back());
}

std::string with_trailing_separator(const std::string& path) {
  return without_trailing_separators(path) + kSeparator;
}

std::string without_trailing_separators(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && is_separator(path[end - 1])) --end;
  return path.substr(0, end);
}

std::size_t last_separator(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (is_separator(path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return ends_with_separator(folder) ? folder + name : folder + kSeparator + name;
}

std::string file_name(const std::string& path) {
  const std::size_t pos = last_separator(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string folder_of(const std::string& path) {
  const std::size_t pos = last_separator(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

bool is_share_root(const std::string& path) {
  const std::string trimmed = without_trailing_separators(path);
  if (trimmed.size() < 2 || !is_separator(trimmed[0]) || !is_separator(trimmed[1])) return false;
  // Exactly two names after the two separators: the server and the share.
  std::size_t names = 0;
  bool in_name = false;
  for (std::size_t i = 2; i < trimmed.size(); ++i) {
    if (is_separator(trimmed[i])) {
      if (!in_name) return false;  // an empty name is no share path
      in_name = false;
    } else if (!in_name) {
      in_name = true;
      ++names;
    }
  }
  return names == 2;
}

}  // namespace vmt::platform::path
