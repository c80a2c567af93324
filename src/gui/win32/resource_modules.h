// Where the windows take their resources from: a resource library beside the
// executable supplies the dialogs, menus and accelerators it carries, the
// executable the rest, and always the pictures, which no translation changes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/win32/win32_resources.h"

namespace vmt::gui {

struct ResourceModules {
  HINSTANCE executable = nullptr;
  HINSTANCE library = nullptr;  // null without a resource library

  // The module that holds this resource.
  HINSTANCE module_for(const wchar_t* type, int id) const {
    return reinterpret_cast<HINSTANCE>(platform::module_with_resource(
        reinterpret_cast<std::uintptr_t>(library), reinterpret_cast<std::uintptr_t>(executable),
        type, static_cast<unsigned>(id)));
  }
};

}  // namespace vmt::gui
