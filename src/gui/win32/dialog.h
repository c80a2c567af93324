// The one dialog base: the static procedure stores `this` at WM_INITDIALOG and
// forwards to the virtual handlers; no exception leaves the procedure, and the
// destructor detaches the object before the window goes.
#pragma once

#include <windows.h>

#include "gui/win32/handles.h"
#include "gui/win32/resource_modules.h"

namespace vmt::gui {

class Dialog {
 public:
  // The template comes from the resource library when it carries one.
  Dialog(const ResourceModules& resources, int template_id)
      : resources_(resources), template_id_(template_id) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; its result, or -1 when it could not be made.
  INT_PTR DoModal(HWND owner);
  // Creates the dialog modeless; false when it could not be made.
  bool Create(HWND owner);

  Window window() const { return Window(hwnd_); }
  // The executable, which holds the pictures.
  HINSTANCE instance() const { return resources_.executable; }
  const ResourceModules& resources() const { return resources_; }

 protected:
  virtual BOOL OnInit() { return TRUE; }
  // True when the command was handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // True when handled; `result` is the notification's answer.
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT* /*result*/) { return false; }
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual void OnOK() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }
  // Any other message; true when handled.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*w*/, LPARAM /*l*/, INT_PTR* /*result*/) {
    return false;
  }
  // Ends a modal dialog, or destroys a modeless one.
  virtual void End(INT_PTR result);
  // Detaches the object from its window and destroys a modeless one; the
  // derived class calls it first in its destructor, while its members live.
  void Close();

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  INT_PTR Handle(UINT message, WPARAM w, LPARAM l);

  ResourceModules resources_;
  int template_id_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

}  // namespace vmt::gui
