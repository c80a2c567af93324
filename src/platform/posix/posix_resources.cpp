#include "platform/posix/posix_resources.h"

#include <fstream>
#include <sstream>

#include "platform/common/message_source.h"

namespace vmt::platform {

std::unique_ptr<StringTable> PosixResourceLoader::load_library(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return nullptr;
  return std::make_unique<MapStringTable>(parse_message_source(bytes.str(), nullptr));
}

}  // namespace vmt::platform
