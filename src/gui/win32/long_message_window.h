// The long message window on template 195: a message box's caption, icon,
// text and buttons in a window that can be sized, the text scrolling in a
// read-only edit control. Shown in place of a box that the screen cannot hold.
#pragma once

#include <windows.h>

#include <string>

#include "gui/win32/dialog.h"
#include "ui/long_message_dlg.h"

namespace vmt::gui {

class LongMessageWindow : public Dialog {
 public:
  LongMessageWindow(HINSTANCE instance, std::wstring text, std::wstring caption, unsigned style)
      : Dialog(ResourceModules{instance, nullptr}, IDD_LONG_MESSAGE_DLG),
        logic_(style),
        text_(std::move(text)),
        caption_(std::move(caption)) {}
  ~LongMessageWindow() override { Close(); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override {}
  void OnCancel() override;
  bool OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR* result) override;

 private:
  // Places the icon, the text and the buttons in the window's client area.
  void arrange();

  ui::CLMB_Long_Message_Dlg logic_;
  std::wstring text_;
  std::wstring caption_;
  SIZE button_{};
  int margin_ = 0;
};

// True when a message box with this text would fit on the screen of `owner`.
bool message_box_fits(HWND owner, const std::wstring& text);

}  // namespace vmt::gui
