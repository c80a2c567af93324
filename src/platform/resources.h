// The program's resources: its own string table and the resource library
// (translated texts and dialogs) that may be found beside the executable.
#pragma once

#include <memory>
#include <string>

namespace vmt::platform {

class StringTable {
 public:
  virtual ~StringTable() = default;
  // The text of a message number; false when the table has none.
  virtual bool find(unsigned number, std::string* text) const = 0;
};

class ResourceLoader {
 public:
  virtual ~ResourceLoader() = default;
  // The string table of a resource library, which stays loaded while the
  // table lives; null when the library cannot be loaded.
  virtual std::unique_ptr<StringTable> load_library(const std::string& path) = 0;
  // The executable's own string table; null where the program carries it
  // compiled into its code instead (the Linux build).
  virtual std::unique_ptr<StringTable> own_table() = 0;
};

}  // namespace vmt::platform
