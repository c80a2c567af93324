#include "gui/win32/status_edit.h"

#include <algorithm>

namespace vmt::gui {

void StatusEdit::attach(Window edit) {
  edit_ = edit;
  line_length_ = 0;
  // The default limit (about 30,000 characters) would cut a long run's record.
  edit_.send(EM_SETLIMITTEXT, kTextLimit);
}

void StatusEdit::append_record(const std::wstring& text) {
  const std::size_t at = length() - std::min(line_length_, length());
  replace(at, at, text);
}

void StatusEdit::set_line(const std::wstring& text) {
  const std::size_t end = length();
  replace(end - std::min(line_length_, end), end, text);
  line_length_ = text.size();
}

void StatusEdit::drop_record(std::size_t characters) {
  const std::size_t record = length() - std::min(line_length_, length());
  replace(0, std::min(characters, record), std::wstring());
}

std::size_t StatusEdit::length() const {
  return static_cast<std::size_t>(edit_.send(WM_GETTEXTLENGTH));
}

bool StatusEdit::shows_end() const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(edit_.get(), SB_VERT, &info)) return true;
  return info.nPage == 0 || info.nPos + static_cast<int>(info.nPage) > info.nMax;
}

void StatusEdit::replace(std::size_t start, std::size_t end, const std::wstring& text) {
  const HWND edit = edit_.get();
  if (edit == nullptr || (start == end && text.empty())) return;
  if (shows_end()) {
    edit_.send(EM_SETSEL, start, static_cast<LPARAM>(end));
    edit_.send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    const LPARAM all = static_cast<LPARAM>(length());
    edit_.send(EM_SETSEL, static_cast<WPARAM>(all), all);
    edit_.send(EM_SCROLLCARET);
    UpdateWindow(edit);
    return;
  }
  // The user reads older lines: the change must not move them.
  DWORD selection_start = 0;
  DWORD selection_end = 0;
  edit_.send(EM_GETSEL, reinterpret_cast<WPARAM>(&selection_start),
             reinterpret_cast<LPARAM>(&selection_end));
  const LRESULT first_line = edit_.send(EM_GETFIRSTVISIBLELINE);
  // Lines that leave the top take the view's first line up with them.
  const LRESULT lines_gone =
      start == 0 && end > 0 ? edit_.send(EM_LINEFROMCHAR, static_cast<WPARAM>(end)) : 0;
  const auto moved = [&](std::size_t position) {
    if (position < start) return position;
    if (position < end) return start;
    return position - (end - start) + text.size();
  };
  edit_.send(WM_SETREDRAW, FALSE);
  edit_.send(EM_SETSEL, start, static_cast<LPARAM>(end));
  edit_.send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  edit_.send(EM_SETSEL, moved(selection_start), static_cast<LPARAM>(moved(selection_end)));
  const LRESULT wanted = std::max<LRESULT>(0, first_line - lines_gone);
  edit_.send(EM_LINESCROLL, 0, wanted - edit_.send(EM_GETFIRSTVISIBLELINE));
  edit_.send(WM_SETREDRAW, TRUE);
  InvalidateRect(edit, nullptr, TRUE);
  UpdateWindow(edit);
}

}  // namespace vmt::gui
