// The main window's View menu, the data collector's Browse button and Create
// folder: commands that change what the panes show without copying.
#include "device/device_browser.h"
#include "app/error_reports.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"
#include "ui/transfer_dlg.h"

namespace vmt::ui {

void CTRA_Transfer_Dlg::set_view_mode(ViewMode mode) {
  if (mode == view_mode_) return;
  view_mode_ = mode;
  fill_list(PaneSide::kDesktop);
  fill_list(PaneSide::kDevice);
}

void CTRA_Transfer_Dlg::toggle_show_seconds() {
  show_seconds_ = !show_seconds_;
  fill_list(PaneSide::kDesktop);
  fill_list(PaneSide::kDevice);
}

void CTRA_Transfer_Dlg::toggle_show_tooltips() {
  show_tooltips_ = !show_tooltips_;
  view_.activate_tooltips(show_tooltips_);
}

void CTRA_Transfer_Dlg::change_filter(const char* filter) {
  enter_busy();
  set_status_text(filter == std::string(kAllFiles)
                      ? c_.texts.load_message_text(50476, "Changing filter to *.*")
                      : c_.texts.load_message_text(50477, "Changing filter to *.csv"));
  if (filter_ != kAllFiles && filter_ != kFeatlinkFiles) VMT_LOG_POINT(c_.log);
  if (platform::equals_no_case(filter_, filter)) {
    for (const C_file_dir_pane* shown : {&desktop_, &device_}) {
      if (!platform::equals_no_case(shown->filter, filter)) VMT_LOG_POINT(c_.log);
    }
    leave_busy();
    return;
  }
  filter_ = filter;
  if (!platform::equals_no_case(desktop_.filter, filter_)) {
    desktop_.filter = filter_;
    reread_pane(PaneSide::kDesktop);
  }
  if (!platform::equals_no_case(device_.filter, filter_)) {
    device_.filter = filter_;
    if (!reread_device_pane(false)) return;
  }
  leave_busy();
}

void CTRA_Transfer_Dlg::browse_device() {
  enter_busy();
  set_status_text(c_.texts.load_message_text(50462, "Browsing data collector."));
  const int code = connect();
  if (code != device::status::kSuccess) {
    take_no_connection_path(code);
    return;
  }
  // A pane showing no connection has no folder to start from: the root.
  const std::string start = is_pane_folder_usable(device_) ? device_.folder : std::string();
  std::string chosen;
  const int result = device::browse_collector_folders(
      c_, start, &chosen, view_.window(),
      [this](const std::string& from, std::string* last) {
        return view_.run_device_browser(from, last);
      });
  if (result != app::id::kOk || shows_folder(device_, chosen)) {
    disconnect();
    leave_busy();
    return;
  }
  open_pane_folder(PaneSide::kDevice, chosen, true);
}

void CTRA_Transfer_Dlg::create_desktop_folder() {
  // A status text such as "NOT SET" is no folder to make one in.
  if (!is_pane_folder_usable(desktop_)) {
    c_.boxes.show(view_.window(),
                  c_.texts.load_message_text(
                      50690,
                      "The desktop computer folder is not set.\nUnable to create a folder in it."),
                  app::program_title(c_), app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  CNDR_NewDir_Dlg dialog;
  dialog.parent_folder = desktop_.folder;
  const int result = view_.run_new_folder_dialog(dialog);
  if (result != app::id::kOk && result != app::id::kCancel) VMT_LOG_POINT(c_.log);
  if (result != app::id::kOk) return;
  // The name as typed; its backslashes make levels on every desktop.
  const std::string folder = desktop_.folder + settings::desktop_relative_path(dialog.name);
  enter_busy();
  settings::make_desktop_dir(c_, folder + platform::path::kSeparator);
  if (desktop_.side != PaneSide::kDesktop) VMT_LOG_POINT(c_.log);
  set_pane_folder(c_, desktop_, folder);
  reread_pane(PaneSide::kDesktop);
  leave_busy();
}

}  // namespace vmt::ui
