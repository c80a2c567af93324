// The main window's logic: its state, the start-up sequence, the busy state,
// the status area, leaving the window, and the navigation commands. What it
// shows goes through TransferView, which the Win32 front end implements on
// the real dialog and the tests with a script.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "settings/catalogue.h"
#include "device/active_sync_settings.h"
#include "ui/file_panes.h"
#include "ui/new_folder_dlg.h"
#include "ui/pane_list.h"
#include "ui/transfer_dlg_ids.h"

namespace vmt::ui {

// The version date that the report's first line and the About box carry.
constexpr char kVersionDate[] = "Feb 23 2012";
constexpr int kStartupTimer = 1;
constexpr unsigned kStartupTimerPeriodMs = 500;
// Past this many bytes the status record's oldest lines leave the window
// (never the report), down to the second figure, so that a long run neither
// slows the area down nor trims it at every line.
constexpr std::size_t kStatusRecordLimit = 1024 * 1024;
constexpr std::size_t kStatusRecordKept = kStatusRecordLimit * 3 / 4;

struct MenuItemState {
  bool enabled = false;
  bool checked = false;
};

class TransferView {
 public:
  virtual ~TransferView() = default;
  virtual app::WindowRef window() = 0;
  virtual void set_caption(const std::string& text) = 0;
  // The program icon, the transfer bitmaps and the button icons.
  virtual void set_pictures() = 0;
  virtual void set_control_text(int id, const std::string& text) = 0;
  virtual void enable_control(int id, bool enabled) = 0;
  virtual bool is_control_enabled(int id) = 0;
  virtual void show_control(int id, bool shown) = 0;
  virtual void set_check(int id, bool checked) = 0;
  virtual bool is_checked(int id) = 0;
  // The status area: the record followed by the current line. Each call
  // hands over only what changes; the area is repainted at once, and it
  // follows its end unless the user has scrolled up.
  // Adds text to the end of the record, before the current line.
  virtual void append_status_record(const std::string& text) = 0;
  // Replaces the current line.
  virtual void set_status_line(const std::string& text) = 0;
  // Takes `text`, the record's first characters, out of the area.
  virtual void drop_status_record(const std::string& text) = 0;
  virtual bool open_animation() = 0;
  // Shows and plays the animation from its first frame, or stops and hides it.
  virtual void play_animation(bool play) = 0;
  virtual void add_tooltip(int id, const std::string& text) = 0;
  virtual void activate_tooltips(bool active) = 0;
  virtual bool start_timer(int id, unsigned period_ms) = 0;
  virtual bool kill_timer(int id) = 0;
  // Handles the window's pending messages.
  virtual void pump_messages() = 0;
  virtual PaneListView& list(PaneSide side) = 0;
  // Opens the first pop-up of a menu at a screen position; the chosen command
  // comes back through OnCommand.
  virtual void show_popup_menu(int menu, int x, int y) = 0;
  virtual void set_menu_item(int id, MenuItemState state) = 0;
  // The desktop folder picker; false when cancelled.
  virtual bool browse_for_folder(const std::string& title, const std::string& start,
                                 std::string* chosen) = 0;
  virtual void open_help(const std::string& file) = 0;
  // The options dialog, modal; its result (1 OK, 2 Cancel).
  virtual int run_options_dialog() = 0;
  // The data collector's folder browser from `start`, modal (the device
  // connected): its result, and its last folder in `last_folder`.
  virtual int run_device_browser(const std::string& start, std::string* last_folder) = 0;
  // "Create new folder", modal: its result; on OK the name typed.
  virtual int run_new_folder_dialog(CNDR_NewDir_Dlg& dialog) = 0;
  // Closes the window with the dialog result.
  virtual void end_dialog(int result) = 0;
};

// Where the status record is cut so that at most `keep` bytes stay: after a
// line break, or between two characters when the last line alone is longer;
// 0 when the record is short enough.
std::size_t status_record_cut(const std::string& record, std::size_t keep);

class CTRA_Transfer_Dlg : public app::StatusRecord {
 public:
  CTRA_Transfer_Dlg(app::RunContext& context, TransferView& view, IconCache& icons);
  ~CTRA_Transfer_Dlg() override;
  CTRA_Transfer_Dlg(const CTRA_Transfer_Dlg&) = delete;
  CTRA_Transfer_Dlg& operator=(const CTRA_Transfer_Dlg&) = delete;

  // Window events, forwarded by the view.
  void OnInit();
  void OnTimer(int id);
  // False for a command this window does not know.
  bool OnCommand(int id);
  void OnDoubleClick(PaneSide side, int item);
  // Enter in a list: opens the item when it is a folder (true); false leaves
  // the key to its usual exit.
  bool OnEnterInList(PaneSide side, int item);
  void OnColumnClick(PaneSide side, int column);
  void OnRightClick(PaneSide side, int x, int y);
  // Exit, File Exit and Enter.
  void OnOK();
  // Escape and the close box.
  void OnCancel();
  // The menu's check marks and enabled states, passed through the view.
  void OnIdle();
  MenuItemState menu_item_state(int id) const;

  // Operations the other commands use.
  void set_status_text(const std::string& text) override;
  void append_status_line(const std::string& text) override;
  void enter_busy();
  void leave_busy();
  // Puts the text of a device status code into the status area.
  bool show_status_for_code(int code);
  void refresh_panes();

  bool busy() const { return busy_; }
  bool show_tooltips() const { return show_tooltips_; }
  bool show_seconds() const { return show_seconds_; }
  ViewMode view_mode() const { return view_mode_; }
  const std::string& filter() const { return filter_; }
  const device::ActiveSyncState& active_sync() const { return active_sync_; }
  const C_file_dir_pane& desktop_pane() const { return desktop_; }
  const C_file_dir_pane& device_pane() const { return device_; }
  const std::string& status_history() const { return status_history_; }
  const std::string& current_status_line() const { return status_line_; }
  bool open_options_on_start() const { return open_options_on_start_; }
  bool create_report() const { return create_report_; }
  bool copy_subfolders() const { return copy_subfolders_; }
  bool launch_program() const { return launch_program_; }

 private:
  void run_startup_sequence();
  void options_step();
  int first_population();
  void resolve_program_record();
  // One of the resolved program's working folders (settings::get_*_dir).
  using FolderOf = std::string (*)(app::RunContext&, const settings::C_directory_options&);
  std::string program_folder(FolderOf folder_of);
  void update_menu();

  C_file_dir_pane& pane(PaneSide side) { return side == PaneSide::kDesktop ? desktop_ : device_; }
  void read_with_animation(C_file_dir_pane& pane);
  void fill_desktop_list();
  void fill_collector_list();
  void fill_list(PaneSide side);
  void show_pane_folder_text(PaneSide side);
  void set_status_examining(const std::string& folder);
  // The record's oldest lines out of the window once it has passed its limit.
  void trim_status_record();
  int connect();
  void disconnect();
  // The device pane empty, with "NO CONNECTION FOUND".
  void show_no_connection();
  // After a connection that failed with `code`: no connection, or, for a data
  // collector that answered without a projects folder, the pane unset.
  void show_device_unreached(int code);
  // The device pane empty, showing a status text for its folder.
  void empty_device_pane(const char* status);
  void take_no_connection_path(int code);
  // Inside a device command: false after closing the connection, leaving the
  // busy state and showing the code when the projects folder is not found.
  bool find_projects_folder(std::string* projects);
  void open_pane_folder(PaneSide side, const std::string& folder, bool examining_line);

  void up_one_level(PaneSide side);
  void browse_desktop();
  void default_desktop_folder(int status_message, const char* status_default, FolderOf folder_of);
  void projects_folder();
  // ">>>" and "<<<": the selection of one pane copied into the other's folder.
  void upload_selection();
  void download_selection();
  void transfer_selection(PaneSide from);
  // After a transfer that stopped on a failure: the summary in the status
  // area, the report and a box, and the failure as the current line.
  void tell_failure(const std::vector<std::string>& summary);
  // The Options menu's "Copy sub-folders", stored in the options.
  void toggle_copy_subfolders();
  // File, "Open replaced files": the folder of the kept files in Explorer.
  void open_replaced_files();
  void select_all(PaneSide side);

  // The Featlink check and the filter toggle beside it.
  struct SavedView {
    std::string desktop_folder;
    std::string device_folder;
    std::string filter;
  };
  void featlink_check();
  // After a declined connection: the desktop pane back on its folder and
  // filter; the device pane shows no connection unless `keep_device`.
  void restore_desktop_view(const SavedView& saved, bool keep_device);
  // Both panes back on the saved folders and filter, read again.
  void go_back(const SavedView& saved);
  void filter_toggle();

  // The View menu, the ActiveSync settings, the device Browse and Create folder.
  void set_view_mode(ViewMode mode);
  void toggle_show_seconds();
  void toggle_show_tooltips();
  void change_filter(const char* filter);
  void browse_device();
  void create_desktop_folder();
  // With the device connected: the device pane's folder, the projects folder
  // when it shows no connection or none was found; false after leaving as
  // find_projects_folder.
  bool ensure_device_folder();
  // The pane's folder read again with the animation, its list filled and its
  // folder text shown.
  void reread_pane(PaneSide side);
  // The same for the device pane over a connection of its own (the projects
  // folder when it showed no connection); false after the no-connection path.
  bool reread_device_pane(bool examining_line);
  // The options dialog, and the window following what it saved.
  void options_dialog();
  void help();
  void about();
  void check_box_changed(int id);
  void leave(int result);

  app::RunContext& c_;
  TransferView& view_;
  IconCache& icons_;

  settings::C_directory_options program_record_;
  C_file_dir_pane desktop_{PaneSide::kDesktop};
  C_file_dir_pane device_{PaneSide::kDevice};
  PaneListState desktop_list_;
  PaneListState device_list_;
  std::string filter_ = kAllFiles;
  std::string status_history_;
  std::string status_line_;
  bool create_report_ = false;
  bool launch_program_ = false;
  bool copy_subfolders_ = false;
  bool busy_ = false;
  bool launch_was_enabled_ = false;
  bool show_seconds_ = false;
  bool show_tooltips_ = true;
  ViewMode view_mode_ = ViewMode::kDetails;
  bool start_on_download_folder_ = true;
  bool open_options_on_start_ = false;
  device::ActiveSyncState active_sync_;
};

}  // namespace vmt::ui
