// Message boxes as the logic asks for them: text, caption, the Win32 style bits
// and an owner, answered with the button pressed. The Windows build shows real
// boxes; tests answer from a script.
#pragma once

#include <cstdint>
#include <string>

namespace vmt::app {

// A window as the logic refers to it; it never owns the window. 0 is none.
using WindowRef = std::uintptr_t;

// Style bits (MB_*).
namespace mb {
constexpr unsigned kOk = 0x00;
constexpr unsigned kOkCancel = 0x01;
constexpr unsigned kYesNoCancel = 0x03;
constexpr unsigned kYesNo = 0x04;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;  // the exclamation mark
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kDefaultButton2 = 0x100;
}  // namespace mb

// Buttons pressed (ID*).
namespace id {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace id

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int show(WindowRef owner, const std::string& text, const std::string& caption,
                   unsigned style) = 0;
};

}  // namespace vmt::app
