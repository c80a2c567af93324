// The small "Copying..." window shown while files are copied: a looping clip
// and a Cancel button. Its check between blocks and between files is what
// keeps the program responsive during a copy and the only way to stop one.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/run_context.h"
#include "device/copying_dlg_ids.h"

namespace vmt::device {

// The dialog's window, as the Win32 front end makes it from template 145.
class CopyingView {
 public:
  virtual ~CopyingView() = default;
  virtual app::WindowRef window() = 0;
  // Opens clip 148 in the animation control; false when it cannot.
  virtual bool open_animation() = 0;
  // Shows the control and plays the clip from its first frame, without end.
  virtual void play_animation() = 0;
  // True while a message waits in the thread's queue (peeked, not removed).
  virtual bool message_waiting() = 0;
  // Lets the program's message pump handle one message.
  virtual void pump_one_message() = 0;
  // The progress bar at `done` of `total` and the line above it.
  virtual void show_progress(int /*done*/, int /*total*/, const std::string& /*line*/) {}
};

class CCPY_Copying_Dlg {
 public:
  explicit CCPY_Copying_Dlg(app::RunContext& context) : c_(context) {}

  // Window events, forwarded by the view; OnInit comes while the window is made.
  void OnInit(CopyingView& view);
  void OnCommand(int id);
  // Enter and Escape: the dialog cannot be closed from the keyboard.
  void OnOK() {}
  void OnCancel() {}

  bool cancel_requested() const { return cancel_requested_; }
  // Lets the program handle the messages waiting in the queue.
  void handle_pending_messages();
  // Handles the pending messages, then asks to confirm a requested cancel.
  bool cancel_confirmed();
  // "File 3 of 120: Day 2\pts.raw" over the bar, filled up to the files before it.
  void show_progress(int file, int total, const std::string& path);
  // Another line over the bar, which stays where it is: a step of that file.
  void show_step(const std::string& line);

 private:
  app::RunContext& c_;
  CopyingView* view_ = nullptr;
  bool cancel_requested_ = false;
  int done_ = 0;
  int total_ = 0;
};

// Makes the window of a dialog object; the window forwards its events to it.
using CopyingViewMaker =
    std::function<std::unique_ptr<CopyingView>(app::WindowRef parent, CCPY_Copying_Dlg& dialog)>;

// The application's one copying dialog: closed, or open with its window.
class CopyingDialogs {
 public:
  explicit CopyingDialogs(CopyingViewMaker maker) : maker_(std::move(maker)) {}
  ~CopyingDialogs() { close(); }
  CopyingDialogs(const CopyingDialogs&) = delete;
  CopyingDialogs& operator=(const CopyingDialogs&) = delete;

  void show(app::RunContext& context, app::WindowRef parent);
  void close();
  bool is_open() const { return dialog_ != nullptr; }
  CCPY_Copying_Dlg* dialog() { return dialog_.get(); }

 private:
  CopyingViewMaker maker_;
  std::unique_ptr<CCPY_Copying_Dlg> dialog_;
  std::unique_ptr<CopyingView> view_;  // goes before the object it forwards to
};

void show_copying_dialog(app::RunContext& context, app::WindowRef parent);
void close_copying_dialog(app::RunContext& context);
bool is_copying_dialog_open(const app::RunContext& context);
// False at once, without handling messages, when no copying dialog is open.
bool copy_cancel_confirmed(app::RunContext& context);
// Keeps the program responsive during work between copies; nothing without a dialog.
void handle_copying_messages(app::RunContext& context);
// Shows which file of the transfer is being copied; nothing without a dialog.
void show_copying_progress(app::RunContext& context, int file, int total,
                           const std::string& path);
// Shows a step of the file under way; nothing without a dialog.
void show_copying_step(app::RunContext& context, const std::string& line);

}  // namespace vmt::device
