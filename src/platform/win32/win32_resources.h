// Resources of the Windows build: string tables of the executable and of a
// resource library loaded as an image of resources only (no code of it runs).
#pragma once

#include <cstdint>

#include "platform/resources.h"

namespace vmt::platform {

// The STRINGTABLE of a module, read with LoadStringW at any length.
class Win32ModuleStringTable : public StringTable {
 public:
  // `module` is an HMODULE; with `owned` it is freed with the table.
  Win32ModuleStringTable(std::uintptr_t module, bool owned) : module_(module), owned_(owned) {}
  ~Win32ModuleStringTable() override;
  Win32ModuleStringTable(const Win32ModuleStringTable&) = delete;
  Win32ModuleStringTable& operator=(const Win32ModuleStringTable&) = delete;

  bool find(unsigned number, std::string* text) const override;
  // The module, from which the dialogs are also taken.
  std::uintptr_t module() const { return module_; }

 private:
  std::uintptr_t module_;
  bool owned_;
};

// The module that holds the resource of this type and number: the library
// when it carries one (a translation may carry only some), else the
// executable. `library` may be 0 when no resource library is in use.
std::uintptr_t module_with_resource(std::uintptr_t library, std::uintptr_t executable,
                                    const wchar_t* type, unsigned id);

class Win32ResourceLoader : public ResourceLoader {
 public:
  std::unique_ptr<StringTable> load_library(const std::string& path) override;
  std::unique_ptr<StringTable> own_table() override;
};

}  // namespace vmt::platform
