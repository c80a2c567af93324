#include "platform/win32/win32_resources.h"

#include <windows.h>

#include "platform/common/utf.h"

namespace vmt::platform {

Win32ModuleStringTable::~Win32ModuleStringTable() {
  if (owned_ && module_) FreeLibrary(reinterpret_cast<HMODULE>(module_));
}

bool Win32ModuleStringTable::find(unsigned number, std::string* text) const {
  // With a zero length LoadStringW gives a pointer into the resource and its length.
  const wchar_t* resource = nullptr;
  const int length = LoadStringW(reinterpret_cast<HINSTANCE>(module_), number,
                                 reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || resource == nullptr) return false;
  *text = to_utf8(std::u16string(reinterpret_cast<const char16_t*>(resource),
                                 static_cast<std::size_t>(length)));
  return true;
}

std::uintptr_t module_with_resource(std::uintptr_t library, std::uintptr_t executable,
                                    const wchar_t* type, unsigned id) {
  if (library != 0 &&
      FindResourceW(reinterpret_cast<HMODULE>(library), MAKEINTRESOURCEW(id), type) != nullptr) {
    return library;
  }
  return executable;
}

std::unique_ptr<StringTable> Win32ResourceLoader::load_library(const std::string& path) {
  const std::u16string wide = to_utf16(path);
  HMODULE module = LoadLibraryExW(reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return nullptr;
  return std::make_unique<Win32ModuleStringTable>(reinterpret_cast<std::uintptr_t>(module), true);
}

std::unique_ptr<StringTable> Win32ResourceLoader::own_table() {
  return std::make_unique<Win32ModuleStringTable>(
      reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)), false);
}

}  // namespace vmt::platform
