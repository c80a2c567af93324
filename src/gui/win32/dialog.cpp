#include "gui/win32/dialog.h"

namespace vmt::gui {

Dialog::~Dialog() { Close(); }

void Dialog::Close() {
  if (hwnd_ == nullptr) return;
  // No message may reach this object once it is half destroyed.
  SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
  if (!modal_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  modal_ = true;
  return DialogBoxParamW(resources_.module_for(RT_DIALOG, template_id_),
                         MAKEINTRESOURCEW(template_id_), owner, &Dialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HWND owner) {
  modal_ = false;
  return CreateDialogParamW(resources_.module_for(RT_DIALOG, template_id_),
                            MAKEINTRESOURCEW(template_id_), owner, &Dialog::Procedure,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::End(INT_PTR result) {
  if (modal_) {
    EndDialog(hwnd_, result);
  } else {
    DestroyWindow(hwnd_);
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(l);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, l);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  try {
    const INT_PTR result = self->Handle(message, w, l);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  } catch (...) {
    // An exception must not unwind through the system's code.
    return FALSE;
  }
}

INT_PTR Dialog::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND: {
      const int id = LOWORD(w);
      if (OnCommand(id, HIWORD(w), reinterpret_cast<HWND>(l))) return TRUE;
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(l), &result)) return FALSE;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(w));
      return TRUE;
    default: {
      INT_PTR result = FALSE;
      if (OnMessage(message, w, l, &result)) return result;
      return FALSE;
    }
  }
}

}  // namespace vmt::gui
