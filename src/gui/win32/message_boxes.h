// Message boxes of the Windows build.
#pragma once

#include <windows.h>

#include "app/message_box.h"
#include "platform/win32/win32_path.h"

namespace vmt::gui {

class Win32MessageBoxes : public app::MessageBoxes {
 public:
  int show(app::WindowRef owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    // A box without an owner disables the thread's windows while it is up, so
    // that it cannot fall behind the main window while a copy waits on it.
    if (owner == 0) style |= MB_TASKMODAL;
    return MessageBoxW(reinterpret_cast<HWND>(owner), platform::to_wide(text).c_str(),
                       platform::to_wide(caption).c_str(), style);
  }
};

}  // namespace vmt::gui
