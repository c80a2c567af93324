// The registry text reader takes any bytes, and what it reads without a problem
// survives the store's write and read back: the desktop registry keeps its
// values in this format, so a second write must give the first one's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/reg_text.h"

namespace {

using vmt::platform::RegTextDocument;
using vmt::platform::RegTextProblem;

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RegTextDocument document;
  std::vector<RegTextProblem> problems;
  const bool ok = vmt::platform::parse_reg_text(text, &document, &problems);
  check(ok == problems.empty());
  const std::string first = vmt::platform::serialize_reg_text(document);
  if (!ok) return 0;

  RegTextDocument again;
  check(vmt::platform::parse_reg_text(first, &again, &problems));
  check(again.keys.size() == document.keys.size());
  for (std::size_t k = 0; k < again.keys.size(); ++k) {
    check(again.keys[k].path == document.keys[k].path);
    check(again.keys[k].values.size() == document.keys[k].values.size());
  }
  const std::string second = vmt::platform::serialize_reg_text(again);
  check(second == first);
  return 0;
}
