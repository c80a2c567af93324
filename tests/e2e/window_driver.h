// Drives the real main window of another process with window messages: finds
// it by its title, reads its edit boxes and list views, clicks its buttons,
// double-clicks list items, presses keys and answers its message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vmt::e2e {

constexpr wchar_t kTitle[] = L"Veldmark  Transfer";
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
  // The same for a list view of any process's window.
  static std::vector<std::wstring> list_texts(HWND list, int column);
  int list_count(int list_id) const;

  void click(int id) const;
  // A menu command, as the window's menu sends it.
  void command(int id) const;
  bool double_click_item(int list_id, int item) const;
  // One click on an item, which also gives the list the keyboard focus.
  bool click_item(int list_id, int item) const;
  // The width of a list view's column in pixels.
  int column_width(int list_id, int column) const;
  // Selects exactly these items of a list view.
  bool select_items(int list_id, const std::vector<int>& items) const;
  void press_key(UINT key) const;
  // A key pressed and let go in this window of the program (which should have
  // the keyboard focus, as after a click in it).
  static void press_key_in(HWND target, UINT key);
  // Keys typed at the program's active window through the system's input,
  // with `held` (VK_CONTROL, VK_SHIFT; 0 for none) held down for all of them.
  static void type_keys(const std::vector<WORD>& keys, WORD held = 0);
  // Waits for a message box owned by the window; its text, or empty.
  std::wstring wait_box(DWORD timeout_ms, HWND* box) const;
  // As wait_box, for a box whose text contains `part` (other owned windows,
  // such as the copying window, are passed over).
  std::wstring wait_box_with(const std::wstring& part, DWORD timeout_ms, HWND* box) const;
  // Waits for a dialog owned by the window with this title; null after the time.
  HWND wait_dialog(const std::wstring& title, DWORD timeout_ms) const;
  static void press_box_button(HWND box, int button);
  // Asks the test's runner for a picture of the window's place on the screen,
  // saved as NAME.png in `folder`; false when none was taken.
  static bool save_picture(HWND window, const std::wstring& folder, const std::wstring& name);

 private:
  // Memory in the window's process for the list view's structures.
  class RemoteBuffer;
  // A point inside a list view item's label, in the list's client coordinates.
  static bool item_point(HWND list, int item, LPARAM* point);
  HWND window_ = nullptr;
};

}  // namespace vmt::e2e
