// Resources of the Linux build: a resource library is a message file in the
// text form of the program's message source.
#pragma once

#include "platform/resources.h"

namespace vmt::platform {

class PosixResourceLoader : public ResourceLoader {
 public:
  std::unique_ptr<StringTable> load_library(const std::string& path) override;
  std::unique_ptr<StringTable> own_table() override { return nullptr; }
};

}  // namespace vmt::platform
