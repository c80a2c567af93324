// The main window's status area on its read-only multi-line edit control: the
// record followed by the current line, changed in place so that a long run
// hands the control only what is new.
#pragma once

#include <windows.h>

#include <string>

#include "gui/win32/handles.h"

namespace vmt::gui {

class StatusEdit {
 public:
  // The control may hold this many characters; the window's record stays
  // well below it.
  static constexpr WPARAM kTextLimit = 16 * 1024 * 1024;

  // Takes an empty control and raises its text limit.
  void attach(Window edit);
  // Adds text before the current line.
  void append_record(const std::wstring& text);
  // Replaces the current line.
  void set_line(const std::wstring& text);
  // Takes the record's first characters out.
  void drop_record(std::size_t characters);

 private:
  // Puts `text` in place of the characters from `start` to `end`, repainted
  // at once. The area follows its end unless the user has scrolled up; then
  // the lines they look at and their selection stay where they are.
  void replace(std::size_t start, std::size_t end, const std::wstring& text);
  bool shows_end() const;
  std::size_t length() const;

  Window edit_;
  std::size_t line_length_ = 0;
};

}  // namespace vmt::gui
