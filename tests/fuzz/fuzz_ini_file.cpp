// The settings reader takes any bytes: every lookup, with names taken from the
// input itself, keeps to the value found and to the buffer size it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/ini_file.h"

namespace {

using vmt::platform::IniFile;

void check(bool ok) {
  if (!ok) std::abort();
}

// Section and key names as they appear in the input's first lines, raw and cut
// at the brackets and the '=', so that lookups hit what was parsed.
void collect_names(const std::string& contents, std::vector<std::string>* sections,
                   std::vector<std::string>* keys) {
  sections->push_back("");
  keys->push_back("");
  std::size_t pos = 0;
  for (int line = 0; line < 8 && pos <= contents.size(); ++line) {
    std::size_t end = contents.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = contents.size();
    const std::string text = contents.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t open = text.find('[');
    if (open != std::string::npos) {
      const std::size_t close = text.find(']', open);
      sections->push_back(
          text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
    }
    const std::size_t eq = text.find('=');
    if (eq != std::string::npos) keys->push_back(text.substr(0, eq));
    keys->push_back(text);
  }
}

void check_lookup(const IniFile& ini, const std::string& section, const std::string& key,
                  const std::string& default_value) {
  std::string full;
  const std::size_t full_count = ini.get_string(section, key, default_value, &full, 1u << 24);
  check(full_count == full.size());
  const bool present = ini.has_key(section, key);
  if (!present) {
    // A missing key gives the default, so another default must show through.
    std::string other;
    ini.get_string(section, key, default_value + "x", &other, 1u << 24);
    check(other != full);
  }
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                           std::size_t{4}, std::size_t{7}, std::size_t{260}}) {
    std::string out = "left over";
    const std::size_t count = ini.get_string(section, key, default_value, &out, size);
    check(count == out.size());
    if (size == 0) {
      check(count == 0);
      continue;
    }
    check(count <= size - 1);
    check(full.compare(0, count, out) == 0);
    // A cut value ends before a sequence, never inside one.
    if (count < full.size() && count > 0) {
      check((static_cast<unsigned char>(full[count]) & 0xC0) != 0x80);
    }
    if (full.size() <= size - 1) check(out == full);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string contents(reinterpret_cast<const char*>(data), size);
  const IniFile ini = IniFile::parse(contents);
  std::vector<std::string> sections;
  std::vector<std::string> keys;
  collect_names(contents, &sections, &keys);
  const std::string default_value = contents.substr(0, 16);
  for (std::size_t s = 0; s < sections.size() && s < 4; ++s) {
    for (std::size_t k = 0; k < keys.size() && k < 6; ++k) {
      check_lookup(ini, sections[s], keys[k], default_value);
    }
  }
  return 0;
}
