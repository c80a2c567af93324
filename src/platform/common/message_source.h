// The text form of a string table: one message per line, its number, a tab
// and the text with C escapes (\n, \t, \\, \"); lines starting with '#' are
// comments. The program's messages are kept in this form, and a translation
// on Linux is a file of the same form.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace vmt::platform {

// Parses the text; lines that cannot be understood are left out and their
// numbers (1-based) listed in `bad_lines`. Texts are returned decoded.
std::map<unsigned, std::string> parse_message_source(const std::string& text,
                                                     std::vector<int>* bad_lines);

// Decodes the four escapes; false for any other backslash or a bare quote.
bool decode_message_escapes(const std::string& escaped, std::string* text);

class MapStringTable : public StringTable {
 public:
  explicit MapStringTable(std::map<unsigned, std::string> texts) : texts_(std::move(texts)) {}
  bool find(unsigned number, std::string* text) const override;

 private:
  std::map<unsigned, std::string> texts_;
};

}  // namespace vmt::platform
