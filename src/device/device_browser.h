// The data collector's folder browser: walks the device's folders one level at
// a time over the open connection. What it shows goes through BrowserView.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "device/device_browser_ids.h"

namespace vmt::device {

class BrowserView {
 public:
  virtual ~BrowserView() = default;
  virtual app::WindowRef window() = 0;
  virtual void set_folder_text(const std::string& text) = 0;
  virtual std::string folder_text() = 0;
  // Both lists emptied, then filled; the lists keep their entries sorted.
  virtual void show_lists(const std::vector<std::string>& folders,
                          const std::vector<std::string>& files) = 0;
  // The selected sub-folder's name; false when none is selected.
  virtual bool selected_folder(std::string* name) = 0;
  virtual void end_dialog(int result) = 0;
};

class CCEB_Browser_Dlg {
 public:
  CCEB_Browser_Dlg(app::RunContext& context, BrowserView& view, std::string folder)
      : c_(context), view_(view), folder_(std::move(folder)) {}

  void OnInit();
  // The selection change of the sub-folder list: one level down.
  void OnSelectionChange();
  // "Move up one level".
  void OnMoveUp();
  void OnOK() { view_.end_dialog(app::id::kOk); }
  void OnCancel() { view_.end_dialog(app::id::kCancel); }

  // The current folder: no trailing backslash, the root is empty.
  const std::string& folder() const { return folder_; }

 private:
  void list_folder();

  app::RunContext& c_;
  BrowserView& view_;
  std::string folder_;
};

// Runs the browser dialog modally from `start` (the device connected) and
// gives its result and its last folder.
using BrowserRunner = std::function<int(const std::string& start, std::string* last_folder)>;

// The start folder loses its trailing backslashes and then slashes; `chosen`
// is the dialog's last folder whichever button closed it (used only on OK).
int browse_collector_folders(app::RunContext& context, const std::string& start,
                             std::string* chosen, app::WindowRef owner,
                             const BrowserRunner& run);

}  // namespace vmt::device
