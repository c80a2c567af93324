#include "platform/common/message_source.h"

#include <cstdlib>

namespace vmt::platform {

bool decode_message_escapes(const std::string& escaped, std::string* text) {
  text->clear();
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c == '"') return false;
    if (c != '\\') {
      *text += c;
      continue;
    }
    if (++i == escaped.size()) return false;
    switch (escaped[i]) {
      case 'n': *text += '\n'; break;
      case 't': *text += '\t'; break;
      case '\\': *text += '\\'; break;
      case '"': *text += '"'; break;
      default: return false;
    }
  }
  return true;
}

std::map<unsigned, std::string> parse_message_source(const std::string& text,
                                                     std::vector<int>* bad_lines) {
  std::map<unsigned, std::string> texts;
  std::size_t start = 0;
  // A UTF-8 byte order mark, as editors on Windows write one.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  int line_number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    bool good = tab != std::string::npos && tab > 0 && tab <= 5;
    unsigned long number = 0;
    if (good) {
      for (std::size_t i = 0; i < tab; ++i) good = good && line[i] >= '0' && line[i] <= '9';
      if (good) number = std::strtoul(line.substr(0, tab).c_str(), nullptr, 10);
      good = good && number <= 65535;
    }
    std::string decoded;
    good = good && decode_message_escapes(line.substr(tab + 1), &decoded) && !decoded.empty();
    if (!good || texts.count(static_cast<unsigned>(number))) {
      if (bad_lines) bad_lines->push_back(line_number);
      continue;
    }
    texts[static_cast<unsigned>(number)] = decoded;
  }
  return texts;
}

bool MapStringTable::find(unsigned number, std::string* text) const {
  auto it = texts_.find(number);
  if (it == texts_.end()) return false;
  *text = it->second;
  return true;
}

}  // namespace vmt::platform
