// Message boxes of the Windows build. A text taller than the screen is shown
// in the long message window instead, so that its buttons stay in reach.
#pragma once

#include <windows.h>

#include "app/message_box.h"
#include "gui/win32/long_message_window.h"
#include "platform/win32/win32_path.h"

namespace vmt::gui {

class Win32MessageBoxes : public app::MessageBoxes {
 public:
  explicit Win32MessageBoxes(HINSTANCE instance) : instance_(instance) {}
  int show(app::WindowRef owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    const HWND window = reinterpret_cast<HWND>(owner);
    // A box without an owner disables the thread's windows while it is up, so
    // that it cannot fall behind the main window while a copy waits on it.
    if (owner == 0) style |= MB_TASKMODAL;
    const std::wstring wide = platform::to_wide(text);
    if (!message_box_fits(window, wide)) {
      LongMessageWindow box(instance_, platform::to_wide(ui::with_crlf(text)),
                            platform::to_wide(caption), style);
      const INT_PTR answer = box.DoModal(window);
      if (answer > 0) return static_cast<int>(answer);
    }
    return MessageBoxW(window, wide.c_str(), platform::to_wide(caption).c_str(), style);
  }

 private:
  HINSTANCE instance_;
};

}  // namespace vmt::gui
