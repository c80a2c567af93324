// Desktop paths with the platform's separator: backslash on Windows (where a
// slash is accepted too), slash on Linux. Device paths always use backslashes
// and are handled where they are used.
#pragma once

#include <string>

namespace vmt::platform::path {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool is_separator(char c);
bool ends_with_separator(const std::string& path);
// The path with exactly one trailing separator.
std::string with_trailing_separator(const std::string& path);
// The path with every trailing separator removed.
std::string without_trailing_separators(const std::string& path);
// Position of the last separator, or npos.
std::size_t last_separator(const std::string& path);
// `folder` and `name` with one separator between them.
std::string join(const std::string& folder, const std::string& name);
// The text after the last separator (the whole text when there is none).
std::string file_name(const std::string& path);
// The text up to and including the last separator (empty when there is none).
std::string folder_of(const std::string& path);
// True for the root of a network share, "\\server\share" with or without a
// trailing separator: like a drive's root, it has no level above it.
bool is_share_root(const std::string& path);

}  // namespace vmt::platform::path
