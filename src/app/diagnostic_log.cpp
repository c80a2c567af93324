#include "app/diagnostic_log.h"

#include <cstring>

namespace vmt::app {

std::string log_module_name(const char* source_file) {
  const char* name = source_file;
  for (const char* p = source_file; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  const char* dot = std::strrchr(name, '.');
  const std::size_t length = dot != nullptr ? static_cast<std::size_t>(dot - name) : std::strlen(name);
  return ".\\" + std::string(name, length);
}

}  // namespace vmt::app
