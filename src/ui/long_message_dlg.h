// A message box whose text is taller than the screen is shown in a window
// that can be sized, with the same caption, icon, text and buttons and the
// text scrolling. This is the part of it that follows the box's style bits:
// which buttons it has, which is the default, and what Escape answers.
#pragma once

#include <string>
#include <vector>

#include "ui/long_message_dlg_ids.h"

namespace vmt::ui {

class CLMB_Long_Message_Dlg {
 public:
  explicit CLMB_Long_Message_Dlg(unsigned style) : style_(style) {}

  // The buttons from left to right, each by the answer it gives (IDOK, IDYES...).
  std::vector<int> buttons() const;
  // The answer of the button that has the focus at first.
  int default_button() const;
  // What Escape and the close box answer; 0 when the box offers no way out
  // but its buttons (Yes and No), as a message box does.
  int cancel_result() const;
  // The icon bits (MB_ICON*), 0 for none.
  unsigned icon() const { return style_ & 0xF0u; }

 private:
  unsigned style_;
};

// The text with Windows line ends, as a multi-line edit control shows it.
std::string with_crlf(const std::string& text);

}  // namespace vmt::ui
