// Drives the real main window of another process with window messages: finds
// it by its title, reads its edit boxes and list views, clicks its buttons and
// list items, presses keys and answers its message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vmt::e2e {

// The text of the window that stands in for a message box too tall for the screen.
constexpr int kLongMessageText = 1102;

class WindowDriver {
 public:
  // Waits for the main window; false after `timeout_ms`.
  bool find(DWORD timeout_ms);
  HWND window() const { return window_; }
  bool exists() const { return IsWindow(window_) != FALSE; }

  std::wstring text(int id) const;
  // The status area ends in "Ready." and the exit button is enabled.
  bool is_ready() const;
  bool wait_ready(DWORD timeout_ms) const;
  // The texts of one column of a list view, in list order.
  std::vector<std::wstring> list_column(int list_id, int column) const;
  int list_count(int list_id) const;

  void click(int id) const;
  // A menu command, as the window's menu sends it.
  void command(int id) const;
  // A click (which also gives the list the focus) or a double click on an item.
  bool click_item(int list_id, int item, bool twice = false) const;
  // Selects exactly these items of a list view (-1 for all of them).
  bool select_items(int list_id, const std::vector<int>& items) const;
  // A key pressed and let go in this window of the program.
  static void press_key_in(HWND target, UINT key);
  // Keys typed at the program's active window through the system's input,
  // with `held` (VK_CONTROL, VK_SHIFT; 0 for none) held down for all of them.
  static void type_keys(const std::vector<WORD>& keys, WORD held = 0);
  // Waits for a message box of the program (whoever owns it) whose text holds
  // `part`; its text, or empty and a null box after the time. `other` is a
  // dialog of the program to pass over.
  std::wstring wait_box(DWORD timeout_ms, HWND* box, const std::wstring& part = {},
                        HWND other = nullptr) const;
  // Waits for a dialog owned by the window with this title; null after the time.
  HWND wait_dialog(const std::wstring& title, DWORD timeout_ms) const;
  static void press_box_button(HWND box, int button);

 private:
  // Memory in the window's process for the list view's structures.
  class RemoteBuffer;
  HWND window_ = nullptr;
};

}  // namespace vmt::e2e
