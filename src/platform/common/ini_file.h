// Settings files in the Windows profile format, read with the semantics of
// GetPrivateProfileStringA: sections and keys without regard to case, the
// first section and the first key of a name win, values trimmed and one pair
// of surrounding quotes removed. The file's bytes are decoded as the profile
// functions decode them (see settings_file_text); the texts given back are
// UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vmt::platform {

class DesktopFiles;

// The bytes of a settings file as UTF-8: UTF-16 after its byte-order mark
// (either byte order), UTF-8 after its mark, and any other file in the ANSI
// code page. That is the system's ANSI code page on Windows; on Linux, which
// has none, Windows-1252 (Western European), the code page of the Windows
// installations the desktop programs and data collectors are set up with.
std::string settings_file_text(const std::string& bytes);

class IniFile {
 public:
  IniFile() = default;
  // Parses the bytes of a settings file.
  static IniFile parse(const std::string& contents);
  // Reads and parses a file; a file that cannot be read gives an empty one.
  static IniFile load(DesktopFiles& files, const std::string& path);

  // Copies the value (or `default_value` when the key is missing) into `out`,
  // cut to `buffer_size` - 1 characters, and returns the number copied, as
  // GetPrivateProfileStringA does with a buffer of `buffer_size` characters.
  std::size_t get_string(const std::string& section, const std::string& key,
                         const std::string& default_value, std::string* out,
                         std::size_t buffer_size) const;
  bool has_key(const std::string& section, const std::string& key) const;

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Entry* find(const std::string& section, const std::string& key) const;
  std::vector<Section> sections_;
};

// Reads a whole file through the desktop file interface; false when it cannot
// be opened or read, or when it is longer than `max_bytes`.
bool read_whole_file(DesktopFiles& files, const std::string& path, std::string* contents,
                     std::size_t max_bytes);

}  // namespace vmt::platform
