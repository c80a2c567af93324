// File name masks with the Windows rules, matched without regard to case:
// '*' any run of characters, '?' any one character, and "*.*" (or any mask
// ending in ".*") also matching names without a dot.
#pragma once

#include <string>

namespace vmt::platform {

bool wildcard_match(const std::string& mask, const std::string& name);

}  // namespace vmt::platform
