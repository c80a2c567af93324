#include "platform/common/wildcard.h"

#include "platform/common/utf.h"

namespace vmt::platform {

namespace {

// A text by its UTF-16 units without regard to case, as Windows matches masks:
// '?' stands for one unit, and letters of every script match in either case.
std::u16string keys_of(const std::string& text) { return to_utf16(fold_name(text)); }

bool match(const std::u16string& mask, const std::u16string& name) {
  // Iterative matching with one backtrack point for the last '*'.
  std::size_t m = 0;
  std::size_t n = 0;
  std::size_t star = std::u16string::npos;
  std::size_t resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      resume = n;
    } else if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (star != std::u16string::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

}  // namespace

bool wildcard_match(const std::string& mask, const std::string& name) {
  const std::u16string folded_name = keys_of(name);
  if (match(keys_of(mask), folded_name)) return true;
  // "name.*" also matches "name": a name without a dot has an empty extension.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return match(keys_of(mask.substr(0, mask.size() - 2)), folded_name);
  }
  return false;
}

}  // namespace vmt::platform
