#include "platform/common/ini_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

std::string utf16_text(const std::string& bytes, bool big_endian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  // An odd last byte is half a character: it is dropped.
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(big_endian ? (first << 8) | second
                                                     : (second << 8) | first));
  }
  return to_utf8(units);
}

#ifdef _WIN32

std::string ansi_text(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                      length);
  return to_utf8(wide);
}

#else

// Windows-1252's characters for 0x80 to 0x9F; the five it leaves undefined
// stay the control characters of the same number, as Windows converts them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string ansi_text(const std::string& bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    wide.push_back(code >= 0x80 && code < 0xA0 ? kWindows1252High[code - 0x80]
                                                : static_cast<char16_t>(code));
  }
  return to_utf8(wide);
}

#endif

}  // namespace

std::string settings_file_text(const std::string& bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return utf16_text(bytes, false);
  if (bytes.compare(0, 2, "\xFE\xFF") == 0) return utf16_text(bytes, true);
  // Invalid sequences after the mark become U+FFFD, as Windows reads them.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return to_utf8(to_utf16(bytes.substr(3)));
  return ansi_text(bytes);
}

IniFile IniFile::parse(const std::string& bytes) {
  IniFile ini;
  const std::string contents = settings_file_text(bytes);
  std::size_t pos = 0;
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
