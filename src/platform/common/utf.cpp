#include "platform/common/utf.h"

#include <cstdint>

namespace vmt::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `i`, advancing `i`; malformed input gives U+FFFD.
char32_t decode_utf8(const std::string& s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  std::size_t k = i + 1;
  for (int n = 0; n < extra; ++n, ++k) {
    if (k >= s.size() || (byte(k) & 0xC0) != 0x80) {
      i = k;
      return kReplacement;
    }
    cp = (cp << 6) | (byte(k) & 0x3F);
  }
  i = k;
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::u16string to_utf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = decode_utf8(utf8, i);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string to_utf8(const std::u16string& utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      append_utf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      append_utf8(out, kReplacement);
    } else {
      append_utf8(out, u);
    }
  }
  return out;
}

std::string cut_utf8(const std::string& text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = max_bytes;
  // Step back over continuation bytes to the start of the cut sequence.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

char fold_case(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string to_lower_ascii(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = fold_case(c);
  return out;
}

std::string to_upper_ascii(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

namespace {

// A run of characters taken to upper case by the same offset: `first`,
// `first + step`, ... up to `last`.
struct CaseRun {
  char16_t first;
  char16_t last;
  std::int32_t offset;
  std::uint8_t step;
};

// The simple upper-case mappings of the Unicode Character Database (14.0) for
// the Basic Multilingual Plane, in order, without the two that Windows leaves
// alone because they would make a non-ASCII letter equal to an ASCII one
// (U+0131 dotless i and U+017F long s). tools/make_case_table.pl prints it.
constexpr CaseRun kUpperRuns[] = {
    {0x0061, 0x007A, -32, 1}, {0x00B5, 0x00B5, 743, 1}, {0x00E0, 0x00F6, -32, 1},
    {0x00F8, 0x00FE, -32, 1}, {0x00FF, 0x00FF, 121, 1}, {0x0101, 0x012F, -1, 2},
    {0x0133, 0x0137, -1, 2}, {0x013A, 0x0148, -1, 2}, {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2}, {0x0180, 0x0180, 195, 1}, {0x0183, 0x0185, -1, 2},
    {0x0188, 0x0188, -1, 1}, {0x018C, 0x018C, -1, 1}, {0x0192, 0x0192, -1, 1},
    {0x0195, 0x0195, 97, 1}, {0x0199, 0x0199, -1, 1}, {0x019A, 0x019A, 163, 1},
    {0x019E, 0x019E, 130, 1}, {0x01A1, 0x01A5, -1, 2}, {0x01A8, 0x01A8, -1, 1},
    {0x01AD, 0x01AD, -1, 1}, {0x01B0, 0x01B0, -1, 1}, {0x01B4, 0x01B6, -1, 2},
    {0x01B9, 0x01B9, -1, 1}, {0x01BD, 0x01BD, -1, 1}, {0x01BF, 0x01BF, 56, 1},
    {0x01C5, 0x01C5, -1, 1}, {0x01C6, 0x01C6, -2, 1}, {0x01C8, 0x01C8, -1, 1},
    {0x01C9, 0x01C9, -2, 1}, {0x01CB, 0x01CB, -1, 1}, {0x01CC, 0x01CC, -2, 1},
    {0x01CE, 0x01DC, -1, 2}, {0x01DD, 0x01DD, -79, 1}, {0x01DF, 0x01EF, -1, 2},
    {0x01F2, 0x01F2, -1, 1}, {0x01F3, 0x01F3, -2, 1}, {0x01F5, 0x01F5, -1, 1},
    {0x01F9, 0x021F, -1, 2}, {0x0223, 0x0233, -1, 2}, {0x023C, 0x023C, -1, 1},
    {0x023F, 0x0240, 10815, 1}, {0x0242, 0x0242, -1, 1}, {0x0247, 0x024F, -1, 2},
    {0x0250, 0x0250, 10783, 1}, {0x0251, 0x0251, 10780, 1}, {0x0252, 0x0252, 10782, 1},
    {0x0253, 0x0253, -210, 1}, {0x0254, 0x0254, -206, 1}, {0x0256, 0x0257, -205, 1},
    {0x0259, 0x0259, -202, 1}, {0x025B, 0x025B, -203, 1}, {0x025C, 0x025C, 42319, 1},
    {0x0260, 0x0260, -205, 1}, {0x0261, 0x0261, 42315, 1}, {0x0263, 0x0263, -207, 1},
    {0x0265, 0x0265, 42280, 1}, {0x0266, 0x0266, 42308, 1}, {0x0268, 0x0268, -209, 1},
    {0x0269, 0x0269, -211, 1}, {0x026A, 0x026A, 42308, 1}, {0x026B, 0x026B, 10743, 1},
    {0x026C, 0x026C, 42305, 1}, {0x026F, 0x026F, -211, 1}, {0x0271, 0x0271, 10749, 1},
    {0x0272, 0x0272, -213, 1}, {0x0275, 0x0275, -214, 1}, {0x027D, 0x027D, 10727, 1},
    {0x0280, 0x0280, -218, 1}, {0x0282, 0x0282, 42307, 1}, {0x0283, 0x0283, -218, 1},
    {0x0287, 0x0287, 42282, 1}, {0x0288, 0x0288, -218, 1}, {0x0289, 0x0289, -69, 1},
    {0x028A, 0x028B, -217, 1}, {0x028C, 0x028C, -71, 1}, {0x0292, 0x0292, -219, 1},
    {0x029D, 0x029D, 42261, 1}, {0x029E, 0x029E, 42258, 1}, {0x0345, 0x0345, 84, 1},
    {0x0371, 0x0373, -1, 2}, {0x0377, 0x0377, -1, 1}, {0x037B, 0x037D, 130, 1},
    {0x03AC, 0x03AC, -38, 1}, {0x03AD, 0x03AF, -37, 1}, {0x03B1, 0x03C1, -32, 1},
    {0x03C2, 0x03C2, -31, 1}, {0x03C3, 0x03CB, -32, 1}, {0x03CC, 0x03CC, -64, 1},
    {0x03CD, 0x03CE, -63, 1}, {0x03D0, 0x03D0, -62, 1}, {0x03D1, 0x03D1, -57, 1},
    {0x03D5, 0x03D5, -47, 1}, {0x03D6, 0x03D6, -54, 1}, {0x03D7, 0x03D7, -8, 1},
    {0x03D9, 0x03EF, -1, 2}, {0x03F0, 0x03F0, -86, 1}, {0x03F1, 0x03F1, -80, 1},
    {0x03F2, 0x03F2, 7, 1}, {0x03F3, 0x03F3, -116, 1}, {0x03F5, 0x03F5, -96, 1},
    {0x03F8, 0x03F8, -1, 1}, {0x03FB, 0x03FB, -1, 1}, {0x0430, 0x044F, -32, 1},
    {0x0450, 0x045F, -80, 1}, {0x0461, 0x0481, -1, 2}, {0x048B, 0x04BF, -1, 2},
    {0x04C2, 0x04CE, -1, 2}, {0x04CF, 0x04CF, -15, 1}, {0x04D1, 0x052F, -1, 2},
    {0x0561, 0x0586, -48, 1}, {0x10D0, 0x10FA, 3008, 1}, {0x10FD, 0x10FF, 3008, 1},
    {0x13F8, 0x13FD, -8, 1}, {0x1C80, 0x1C80, -6254, 1}, {0x1C81, 0x1C81, -6253, 1},
    {0x1C82, 0x1C82, -6244, 1}, {0x1C83, 0x1C84, -6242, 1}, {0x1C85, 0x1C85, -6243, 1},
    {0x1C86, 0x1C86, -6236, 1}, {0x1C87, 0x1C87, -6181, 1}, {0x1C88, 0x1C88, 35266, 1},
    {0x1D79, 0x1D79, 35332, 1}, {0x1D7D, 0x1D7D, 3814, 1}, {0x1D8E, 0x1D8E, 35384, 1},
    {0x1E01, 0x1E95, -1, 2}, {0x1E9B, 0x1E9B, -59, 1}, {0x1EA1, 0x1EFF, -1, 2},
    {0x1F00, 0x1F07, 8, 1}, {0x1F10, 0x1F15, 8, 1}, {0x1F20, 0x1F27, 8, 1}, {0x1F30, 0x1F37, 8, 1},
    {0x1F40, 0x1F45, 8, 1}, {0x1F51, 0x1F57, 8, 2}, {0x1F60, 0x1F67, 8, 1},
    {0x1F70, 0x1F71, 74, 1}, {0x1F72, 0x1F75, 86, 1}, {0x1F76, 0x1F77, 100, 1},
    {0x1F78, 0x1F79, 128, 1}, {0x1F7A, 0x1F7B, 112, 1}, {0x1F7C, 0x1F7D, 126, 1},
    {0x1F80, 0x1F87, 8, 1}, {0x1F90, 0x1F97, 8, 1}, {0x1FA0, 0x1FA7, 8, 1}, {0x1FB0, 0x1FB1, 8, 1},
    {0x1FB3, 0x1FB3, 9, 1}, {0x1FBE, 0x1FBE, -7205, 1}, {0x1FC3, 0x1FC3, 9, 1},
    {0x1FD0, 0x1FD1, 8, 1}, {0x1FE0, 0x1FE1, 8, 1}, {0x1FE5, 0x1FE5, 7, 1}, {0x1FF3, 0x1FF3, 9, 1},
    {0x214E, 0x214E, -28, 1}, {0x2170, 0x217F, -16, 1}, {0x2184, 0x2184, -1, 1},
    {0x24D0, 0x24E9, -26, 1}, {0x2C30, 0x2C5F, -48, 1}, {0x2C61, 0x2C61, -1, 1},
    {0x2C65, 0x2C65, -10795, 1}, {0x2C66, 0x2C66, -10792, 1}, {0x2C68, 0x2C6C, -1, 2},
    {0x2C73, 0x2C73, -1, 1}, {0x2C76, 0x2C76, -1, 1}, {0x2C81, 0x2CE3, -1, 2},
    {0x2CEC, 0x2CEE, -1, 2}, {0x2CF3, 0x2CF3, -1, 1}, {0x2D00, 0x2D25, -7264, 1},
    {0x2D27, 0x2D27, -7264, 1}, {0x2D2D, 0x2D2D, -7264, 1}, {0xA641, 0xA66D, -1, 2},
    {0xA681, 0xA69B, -1, 2}, {0xA723, 0xA72F, -1, 2}, {0xA733, 0xA76F, -1, 2},
    {0xA77A, 0xA77C, -1, 2}, {0xA77F, 0xA787, -1, 2}, {0xA78C, 0xA78C, -1, 1},
    {0xA791, 0xA793, -1, 2}, {0xA794, 0xA794, 48, 1}, {0xA797, 0xA7A9, -1, 2},
    {0xA7B5, 0xA7C3, -1, 2}, {0xA7C8, 0xA7CA, -1, 2}, {0xA7D1, 0xA7D1, -1, 1},
    {0xA7D7, 0xA7D9, -1, 2}, {0xA7F6, 0xA7F6, -1, 1}, {0xAB53, 0xAB53, -928, 1},
    {0xAB70, 0xABBF, -38864, 1}, {0xFF41, 0xFF5A, -32, 1}
};

// The key of one character: its upper case, with ASCII letters in lower case.
char32_t key_of(char32_t c) {
  const char32_t upper = upper_case(c);
  return upper >= U'A' && upper <= U'Z' ? upper + (U'a' - U'A') : upper;
}

}  // namespace

char32_t upper_case(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - (U'a' - U'A') : c;
  if (c > 0xFFFF) return c;
  std::size_t low = 0;
  std::size_t high = sizeof kUpperRuns / sizeof kUpperRuns[0];
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (kUpperRuns[middle].last < c) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == sizeof kUpperRuns / sizeof kUpperRuns[0]) return c;
  const CaseRun& run = kUpperRuns[low];
  if (c < run.first || (c - run.first) % run.step != 0) return c;
  return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.offset);
}

std::string fold_name(const std::string& name) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80) {
      key += fold_case(name[i]);
      ++i;
      continue;
    }
    append_utf8(key, key_of(decode_utf8(name, i)));
  }
  return key;
}

bool equals_no_case(const std::string& a, const std::string& b) {
  return compare_no_case(a, b) == 0;
}

int compare_no_case(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[j]);
    char32_t ka = 0;
    char32_t kb = 0;
    if (x < 0x80) {
      ka = static_cast<unsigned char>(fold_case(a[i++]));
    } else {
      ka = key_of(decode_utf8(a, i));
    }
    if (y < 0x80) {
      kb = static_cast<unsigned char>(fold_case(b[j++]));
    } else {
      kb = key_of(decode_utf8(b, j));
    }
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i == a.size() && j == b.size()) return 0;
  return i == a.size() ? -1 : 1;
}

bool equals_no_case(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    // Unit by unit, as the system's table is: a surrogate maps to itself.
    if (a[i] != b[i] && upper_case(a[i]) != upper_case(b[i])) return false;
  }
  return true;
}

}  // namespace vmt::platform
