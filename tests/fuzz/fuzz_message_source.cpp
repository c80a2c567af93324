// The message file reader takes any bytes (a translation is a user's file): it
// keeps only numbered, decodable texts, and a text it decodes on its own reads
// the same as the line of a file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/message_source.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::vector<int> bad_lines;
  const auto texts = vmt::platform::parse_message_source(text, &bad_lines);
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  check(texts.size() + bad_lines.size() <= lines + 1);
  for (std::size_t i = 0; i < bad_lines.size(); ++i) {
    check(bad_lines[i] >= 1 && static_cast<std::size_t>(bad_lines[i]) <= lines + 1);
    check(i == 0 || bad_lines[i] > bad_lines[i - 1]);
  }
  for (const auto& [number, message] : texts) {
    check(number <= 65535);
    check(!message.empty());
  }
  vmt::platform::parse_message_source(text, nullptr);

  std::string decoded;
  if (!vmt::platform::decode_message_escapes(text, &decoded)) return 0;
  check(decoded.size() <= text.size());
  std::string twice;
  check(vmt::platform::decode_message_escapes(escape(decoded), &twice) && twice == decoded);
  // The same text as the one line of a file.
  if (!decoded.empty() && text.find('\n') == std::string::npos && text.back() != '\r') {
    std::vector<int> none;
    const auto one = vmt::platform::parse_message_source("50000\t" + text, &none);
    check(none.empty() && one.size() == 1 && one.begin()->first == 50000 &&
          one.begin()->second == decoded);
  }
  return 0;
}
