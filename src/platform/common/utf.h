// Lossless conversions between the program's UTF-8 texts and the UTF-16 of
// Windows and the data collector. Invalid sequences become U+FFFD.
#pragma once

#include <string>

namespace vmt::platform {

std::u16string to_utf16(const std::string& utf8);
std::string to_utf8(const std::u16string& utf16);

// The longest prefix of `text` with at most `max_bytes` bytes that does not
// end inside a UTF-8 sequence.
std::string cut_utf8(const std::string& text, std::size_t max_bytes);

// ASCII case folding, as the program compares names and keys.
char fold_case(char c);
std::string to_lower_ascii(const std::string& text);
std::string to_upper_ascii(const std::string& text);
bool equals_no_case(const std::string& a, const std::string& b);
// <0, 0 or >0 like _stricmp (ASCII letters folded, other bytes compared as unsigned).
int compare_no_case(const std::string& a, const std::string& b);
bool equals_no_case(const std::u16string& a, const std::u16string& b);

}  // namespace vmt::platform
