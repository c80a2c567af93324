// The registry editor's text format ("Windows Registry Editor Version 5.00"):
// the desktop registry store on Linux and the emulated device registry use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vmt::platform {

struct RegTextValue {
  std::string name;  // empty for the default value "@"
  std::uint32_t type = 1;  // REG_SZ, REG_DWORD, or another kind kept as `raw`
  std::string text;        // REG_SZ / REG_EXPAND_SZ contents, UTF-8
  std::uint32_t number = 0;  // REG_DWORD contents
  std::string raw;  // the right-hand side as written, for kinds not decoded
};

struct RegTextKey {
  std::string path;  // full path with its root, e.g. "HKEY_LOCAL_MACHINE\SOFTWARE\Veldmark"
  std::vector<RegTextValue> values;
};

struct RegTextDocument {
  std::vector<RegTextKey> keys;  // in file order
};

struct RegTextProblem {
  int line = 0;
  std::string what;
};

// Parses the text (UTF-8, or UTF-16LE with its byte order mark). Lines that
// cannot be understood are skipped and listed in `problems`; false when the
// header line is missing or any problem was found.
bool parse_reg_text(const std::string& text, RegTextDocument* document,
                    std::vector<RegTextProblem>* problems);
// Writes the document in the same format (UTF-8, CRLF line ends).
std::string serialize_reg_text(const RegTextDocument& document);

}  // namespace vmt::platform
