#include "platform/common/reg_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/common/utf.h"

namespace vmt::platform {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;

std::string decode_utf16le_with_bom(const std::string& bytes) {
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return to_utf8(units);
}

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// Reads a quoted string starting at s[pos] == '"'; advances pos past the closing quote.
bool read_quoted(const std::string& s, std::size_t& pos, std::string* out) {
  out->clear();
  if (pos >= s.size() || s[pos] != '"') return false;
  for (++pos; pos < s.size(); ++pos) {
    const char c = s[pos];
    if (c == '\\' && pos + 1 < s.size()) {
      const char n = s[++pos];
      if (n == 'n') {
        *out += '\n';
      } else if (n == 'r') {
        *out += '\r';
      } else if (n == '0') {
        *out += '\0';
      } else {
        *out += n;
      }
    } else if (c == '"') {
      ++pos;
      return true;
    } else {
      *out += c;
    }
  }
  return false;
}

std::string quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\0') {
      out += "\\0";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// hex(2):41,00,42,00,00,00 -> UTF-8 "AB".
bool decode_hex_utf16(const std::string& list, std::string* out) {
  std::string bytes;
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = trim(list.substr(pos, comma - pos));
    pos = comma + 1;
    if (item.empty()) continue;
    char* end = nullptr;
    const long v = std::strtol(item.c_str(), &end, 16);
    if (*end != '\0' || v < 0 || v > 255) return false;
    bytes += static_cast<char>(v);
  }
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t u = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (u == 0) break;
    units += u;
  }
  *out = to_utf8(units);
  return true;
}

}  // namespace

bool parse_reg_text(const std::string& input, RegTextDocument* document,
                    std::vector<RegTextProblem>* problems) {
  document->keys.clear();
  problems->clear();
  std::string text = input;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE) {
    text = decode_utf16le_with_bom(text);
  } else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);
  }

  // Join continuation lines (a trailing backslash after a hex list).
  std::vector<std::pair<int, std::string>> lines;
  {
    std::size_t pos = 0;
    int number = 0;
    std::string pending;
    int pending_line = 0;
    while (pos <= text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ++number;
      pos = end + 1;
      if (pending.empty()) pending_line = number;
      const std::string t = trim(line);
      if (!t.empty() && t.back() == '\\' && t.find("=hex") != std::string::npos) {
        pending += t.substr(0, t.size() - 1);
        continue;
      }
      if (!pending.empty() && !t.empty() && t.back() == '\\' && t[0] != '[' && t[0] != '"') {
        pending += t.substr(0, t.size() - 1);
        continue;
      }
      lines.emplace_back(pending_line, pending + (pending.empty() ? line : t));
      pending.clear();
    }
    if (!pending.empty()) lines.emplace_back(pending_line, pending);
  }

  bool header_seen = false;
  RegTextKey* current = nullptr;
  for (const auto& [number, raw_line] : lines) {
    const std::string line = trim(raw_line);
    if (line.empty() || line[0] == ';') continue;
    if (!header_seen) {
      if (line == kHeader || line == "REGEDIT4") {
        header_seen = true;
        continue;
      }
      problems->push_back({number, "missing header line"});
      header_seen = true;  // read on, but the document counts as damaged
    }
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3 || line[1] == '-') {
        problems->push_back({number, "bad key line"});
        current = nullptr;
        continue;
      }
      document->keys.push_back(RegTextKey{line.substr(1, line.size() - 2), {}});
      current = &document->keys.back();
      continue;
    }
    if (current == nullptr) {
      problems->push_back({number, "value outside a key"});
      continue;
    }
    RegTextValue value;
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (!read_quoted(line, pos, &value.name)) {
      problems->push_back({number, "bad value name"});
      continue;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      problems->push_back({number, "missing '='"});
      continue;
    }
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    const std::string rhs = line.substr(pos);
    if (!rhs.empty() && rhs[0] == '"') {
      std::size_t qpos = 0;
      if (!read_quoted(rhs, qpos, &value.text) || trim(rhs.substr(qpos)) != "") {
        problems->push_back({number, "bad string value"});
        continue;
      }
      value.type = kRegSz;
    } else if (rhs.compare(0, 6, "dword:") == 0) {
      const std::string digits = rhs.substr(6);
      char* end = nullptr;
      const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
      if (digits.empty() || digits.size() > 8 || *end != '\0') {
        problems->push_back({number, "bad dword value"});
        continue;
      }
      value.type = kRegDword;
      value.number = static_cast<std::uint32_t>(v);
    } else if (rhs.compare(0, 7, "hex(2):") == 0) {
      if (!decode_hex_utf16(rhs.substr(7), &value.text)) {
        problems->push_back({number, "bad hex(2) value"});
        continue;
      }
      value.type = kRegExpandSz;
    } else if (rhs.compare(0, 3, "hex") == 0) {
      value.type = 3;
      if (rhs.compare(0, 4, "hex(") == 0) {
        value.type = static_cast<std::uint32_t>(std::strtoul(rhs.c_str() + 4, nullptr, 16));
      }
      // A backslash left at the end only asked for a continuation; written back, it would
      // join the next line to this value.
      std::size_t end = rhs.size();
      while (end > 0 && (rhs[end - 1] == '\\' || rhs[end - 1] == ' ' || rhs[end - 1] == '\t' ||
                         rhs[end - 1] == '\r')) {
        --end;
      }
      value.raw = rhs.substr(0, end);
    } else {
      problems->push_back({number, "unknown value kind"});
      continue;
    }
    current->values.push_back(value);
  }
  if (!header_seen) problems->push_back({0, "empty file"});
  return problems->empty();
}

std::string serialize_reg_text(const RegTextDocument& document) {
  std::string out = std::string(kHeader) + "\r\n";
  for (const RegTextKey& key : document.keys) {
    out += "\r\n[" + key.path + "]\r\n";
    for (const RegTextValue& value : key.values) {
      out += value.name.empty() ? std::string("@") : quote(value.name);
      out += '=';
      if (!value.raw.empty()) {
        // A value kept as written (hex(4):..., hex(1):...) goes back the same way.
        out += value.raw;
      } else if (value.type == kRegDword) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", value.number);
        out += digits;
      } else if (value.type == kRegSz) {
        out += quote(value.text);
      } else if (value.type == kRegExpandSz) {
        out += "hex(2):";
        const std::u16string units = to_utf16(value.text);
        char byte[8];
        for (char16_t u : units) {
          std::snprintf(byte, sizeof byte, "%02x,%02x,", u & 0xFF, (u >> 8) & 0xFF);
          out += byte;
        }
        out += "00,00";
      } else {
        out += value.raw;
      }
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace vmt::platform
