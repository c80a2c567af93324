#include "platform/common/wildcard.h"

#include "platform/common/utf.h"

namespace vmt::platform {

namespace {

bool match(const char* m, const char* n) {
  // Iterative matching with one backtrack point for the last '*'.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*n != '\0') {
    if (*m == '*') {
      star = m++;
      resume = n;
    } else if (*m == '?' || (*m != '\0' && fold_case(*m) == fold_case(*n))) {
      ++m;
      ++n;
    } else if (star != nullptr) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*m == '*') ++m;
  return *m == '\0';
}

}  // namespace

bool wildcard_match(const std::string& mask, const std::string& name) {
  if (match(mask.c_str(), name.c_str())) return true;
  // "name.*" also matches "name": a name without a dot has an empty extension.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return match(mask.substr(0, mask.size() - 2).c_str(), name.c_str());
  }
  return false;
}

}  // namespace vmt::platform
