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

// ASCII case folding, for keywords and texts that are ASCII by definition.
char fold_case(char c);
std::string to_lower_ascii(const std::string& text);
std::string to_upper_ascii(const std::string& text);

// Names of files, folders and keys compared without regard to case as Windows
// and Windows CE compare them (CompareStringOrdinal ignoring case): each
// character of the Basic Multilingual Plane is taken to upper case by its
// simple Unicode mapping; characters beyond it compare as they are.
char32_t upper_case(char32_t c);
// A name's key: two names have the same key exactly when they are equal
// without regard to case. ASCII letters come out in lower case, so that keys
// of ASCII names are the same as ASCII folding gives.
std::string fold_name(const std::string& name);
bool equals_no_case(const std::string& a, const std::string& b);
// <0, 0 or >0 by the names' keys, so ASCII names order as _stricmp orders them.
int compare_no_case(const std::string& a, const std::string& b);
bool equals_no_case(const std::u16string& a, const std::u16string& b);

}  // namespace vmt::platform
