#include "platform/common/ini_file.h"

#include "platform/common/utf.h"
#include "platform/desktop_files.h"

namespace vmt::platform {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string trim_end(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && is_blank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string unquote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

constexpr std::size_t kMaxSettingsFileBytes = 64u * 1024 * 1024;

}  // namespace

IniFile IniFile::parse(const std::string& contents) {
  IniFile ini;
  std::size_t pos = 0;
  // A UTF-8 byte order mark is not part of the first line.
  if (contents.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  Section* current = nullptr;
  while (pos <= contents.size()) {
    std::size_t end = contents.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = contents.size();
    const std::string line = trim(contents.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      const std::string name = trim(line.substr(1, close == std::string::npos ? std::string::npos
                                                                               : close - 1));
      ini.sections_.push_back(Section{name, {}});
      current = &ini.sections_.back();
      continue;
    }
    if (current == nullptr) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    current->entries.push_back(Entry{trim(line.substr(0, eq)), unquote(trim(line.substr(eq + 1)))});
  }
  return ini;
}

IniFile IniFile::load(DesktopFiles& files, const std::string& path) {
  std::string contents;
  if (!read_whole_file(files, path, &contents, kMaxSettingsFileBytes)) return IniFile();
  return parse(contents);
}

const IniFile::Entry* IniFile::find(const std::string& section, const std::string& key) const {
  for (const Section& s : sections_) {
    if (!equals_no_case(s.name, section)) continue;
    // Only the first section of a name is searched, as Windows does.
    for (const Entry& e : s.entries) {
      if (equals_no_case(e.key, key)) return &e;
    }
    return nullptr;
  }
  return nullptr;
}

bool IniFile::has_key(const std::string& section, const std::string& key) const {
  return find(section, key) != nullptr;
}

std::size_t IniFile::get_string(const std::string& section, const std::string& key,
                                const std::string& default_value, std::string* out,
                                std::size_t buffer_size) const {
  out->clear();
  if (buffer_size == 0) return 0;
  const Entry* entry = find(section, key);
  std::string value = entry ? entry->value : trim_end(default_value);
  if (value.size() > buffer_size - 1) value = cut_utf8(value, buffer_size - 1);
  *out = value;
  return value.size();
}

bool read_whole_file(DesktopFiles& files, const std::string& path, std::string* contents,
                     std::size_t max_bytes) {
  contents->clear();
  const FileHandle file = files.open_file(path, FileAccess::kRead, FileDisposition::kOpenExisting);
  if (file == kInvalidFile) return false;
  char block[4096];
  bool ok = true;
  for (;;) {
    std::uint32_t got = 0;
    if (!files.read_file(file, block, sizeof block, &got)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (contents->size() + got > max_bytes) {
      ok = false;
      break;
    }
    contents->append(block, got);
  }
  files.close_file(file);
  if (!ok) contents->clear();
  return ok;
}

}  // namespace vmt::platform
