// The main window's Featlink check and its filter toggle: the panes moved to
// the Featlink folders, compared, reported, and put back as they were.
#include "device/device_link.h"
#include "device/projects_folder.h"
#include "device/time_rules.h"
#include "settings/desktop_folders.h"
#include "ui/featlink_check.h"
#include "ui/transfer_dlg.h"

namespace vmt::ui {

namespace {

void log_unusual_filter(app::RunContext& c, const std::string& filter) {
  if (filter != kAllFiles && filter != kFeatlinkFiles) VMT_LOG_POINT(c.log);
}

}  // namespace

void CTRA_Transfer_Dlg::featlink_check() {
  app::MessageTexts& t = c_.texts;
  log_unusual_filter(c_, filter_);
  // The record of the start-up or of the last options saved.
  const std::string csv_folder = program_folder(&settings::get_csv_dir);
  if (csv_folder.empty()) {
    c_.boxes.show(view_.window(),
                  t.load_message_text(50245,
                                      "You do not have a default Featlink folder set.\nUse the "
                                      "Options dialog (found in the Options menu) to set it"),
                  t.load_message_text(50000, "Veldmark"), app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  // A folder that has gone would make every library on the data collector
  // look unique, and offer copies into a folder that is not there.
  if (!c_.platform.files.is_folder(csv_folder)) {
    c_.boxes.show(view_.window(),
                  t.format_message_text(50691,
                                        "The Featlink folder was not found:\n%s\nUse the Options "
                                        "dialog (found in the Options menu) to set it",
                                        csv_folder.c_str()),
                  t.load_message_text(50000, "Veldmark"), app::mb::kOk | app::mb::kIconWarning);
    return;
  }
  const SavedView saved{desktop_.folder, device_.folder, filter_};
  enter_busy();
  filter_ = kFeatlinkFiles;

  set_status_text(t.load_message_text(50479, "Set to desktop csv folder..."));
  set_status_examining(csv_folder);
  set_pane_folder(c_, desktop_, csv_folder);
  desktop_.filter = filter_;
  reread_pane(PaneSide::kDesktop);

  set_status_text(t.load_message_text(50473, "Set to data collector projects folder..."));
  const int code = device::connect_to_device(c_, true, true);
  if (!device::is_known_connection_code(code) && code != device::status::kCancelled) {
    VMT_LOG_POINT(c_.log);
  }
  if (code != device::status::kSuccess) {
    restore_desktop_view(saved, code == device::status::kCancelled);
    leave_busy();
    show_status_for_code(code);
    return;
  }
  std::string projects;
  std::string settings_file;
  const int found = device::get_collector_projects_folder(c_, &projects, &settings_file);
  if (found != device::status::kSuccess && !(found >= 401 && found <= 406)) VMT_LOG_POINT(c_.log);
  if (found != device::status::kSuccess) {
    // The desktop pane stays on the Featlink folder, with the toggle offered.
    disconnect();
    leave_busy();
    show_status_for_code(found);
    return;
  }
  set_status_examining(projects);
  set_pane_folder(c_, device_, projects);
  device_.filter = filter_;
  read_with_animation(device_);
  // Storage cards and FAT disks keep times to two seconds.
  const bool two_seconds = device::desktop_keeps_two_seconds(c_, desktop_.folder) ||
                           device::device_keeps_two_seconds(c_, device_.folder);
  disconnect();
  fill_list(PaneSide::kDevice);
  show_pane_folder_text(PaneSide::kDevice);

  const FeatlinkLists lists = compare_featlink_files(c_, desktop_, device_, two_seconds);
  const std::string report = featlink_report_text(c_, lists, desktop_.folder, device_.folder);
  const std::string caption = t.load_message_text(50000, "Veldmark");
  if (lists.situations() == 0) {
    c_.boxes.show(view_.window(), report, caption, app::mb::kOk);
    go_back(saved);
    return;
  }
  const int answer = c_.boxes.show(view_.window(), report, caption, app::mb::kYesNo);
  if (answer != app::id::kYes) {
    if (answer != app::id::kNo) VMT_LOG_POINT(c_.log);
    go_back(saved);
    return;
  }

  const int again = device::connect_to_device(c_, true, true);
  if (again == device::status::kCancelled) {
    go_back(saved);
    return;
  }
  if (again != device::status::kSuccess) {
    restore_desktop_view(saved, false);
    leave_busy();
    show_status_for_code(again);
    return;
  }
  // The questions and copies see the panes as the comparison saw them.
  const C_file_dir_pane desktop = desktop_;
  const C_file_dir_pane device = device_;
  guide_featlink_resolution(c_, lists, desktop, device, view_.window());
  disconnect();
  go_back(saved);
}

void CTRA_Transfer_Dlg::restore_desktop_view(const SavedView& saved, bool keep_device) {
  set_status_text(c_.texts.format_message_text(50246, "Going back to %s, %s, %s",
                                               saved.desktop_folder.c_str(),
                                               saved.device_folder.c_str(), saved.filter.c_str()));
  filter_ = saved.filter;
  set_pane_folder(c_, desktop_, saved.desktop_folder);
  desktop_.filter = filter_;
  reread_pane(PaneSide::kDesktop);
  if (!keep_device) show_no_connection();
}

void CTRA_Transfer_Dlg::go_back(const SavedView& saved) {
  restore_desktop_view(saved, true);
  set_pane_folder(c_, device_, saved.device_folder);
  device_.filter = filter_;
  if (reread_device_pane(false)) leave_busy();
}

void CTRA_Transfer_Dlg::filter_toggle() {
  log_unusual_filter(c_, filter_);
  filter_ = filter_ == kAllFiles ? kFeatlinkFiles : kAllFiles;
  enter_busy();
  set_status_examining(desktop_.folder);
  desktop_.filter = filter_;
  reread_pane(PaneSide::kDesktop);
  device_.filter = filter_;
  if (reread_device_pane(true)) leave_busy();
}

}  // namespace vmt::ui
