#include "ui/transfer_dlg.h"

#include <algorithm>

#include "app/active_sync_app.h"
#include "app/dates.h"
#include "app/error_reports.h"
#include "device/copy_engine.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "device/projects_folder.h"
#include "device/replaced_files.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"
#include "settings/options_store.h"
#include "ui/transfer_planner.h"

namespace vmt::ui {

namespace {

// What the busy state locks, in the order it is locked.
constexpr int kBusyControls[] = {
    IDC_UPLOAD,          IDC_DOWNLOAD,         IDC_PROJECTS_FOLDER, IDC_DEFAULT_UPLOAD,
    IDC_DEFAULT_DOWNLOAD, IDC_DEFAULT_FEATLINK, IDC_BROWSE_DESKTOP,  IDC_BROWSE_DEVICE,
    IDC_DESKTOP_LIST,    IDC_DEVICE_LIST,      IDC_DESKTOP_UP,      IDC_DEVICE_UP,
    IDC_EXIT,            IDC_HELP_BUTTON,      IDC_FEATLINK_CHECK,  IDC_FILTER_TOGGLE,
    IDC_CREATE_REPORT,   IDC_LAUNCH_PROGRAM};

// Every item of the window's menu and of the two pop-up menus.
constexpr int kMenuItems[] = {
    ID_FILE_REFRESH,     ID_FILE_EXIT,         ID_VIEW_DETAILS,     ID_VIEW_LIST,
    ID_VIEW_ICONS,       ID_VIEW_ALL_FILES,    ID_VIEW_FEATLINK_FILES, ID_VIEW_TOOLTIPS,
    ID_VIEW_SECONDS,     ID_OPTIONS_SETTINGS,  ID_OPTIONS_AUTO_START, ID_OPTIONS_GUEST,
    ID_HELP_CONTENTS,    ID_HELP_ABOUT,        ID_DESKTOP_SELECT_ALL, ID_DESKTOP_REFRESH,
    ID_DESKTOP_CREATE_FOLDER, ID_DEVICE_SELECT_ALL, ID_DEVICE_REFRESH, ID_OPTIONS_COPY_SUBFOLDERS,
    ID_FILE_OPEN_REPLACED};

template <std::size_t N>
bool contains(const int (&ids)[N], int id) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

// The codes of a data collector that answered but whose projects folder
// could not be found: it is connected, and its pane is only unset.
bool reached_without_projects_folder(int code) {
  return (code >= device::status::kNoProduct && code <= device::status::kEmptyDataDir) ||
         code == device::status::kNoProjectsFolder || code == device::status::kNoSettingsFile;
}


struct Tooltip {
  int control;
  unsigned message;
  const char* text;
};

constexpr Tooltip kTooltips[] = {
    {IDC_EXIT, 50298, "End this program."},
    {IDC_HELP_BUTTON, 50299, "Activate the on-line help system."},
    {IDC_STATUS, 50300,
     "This area shows the current status and has a record of files which have been translated."},
    {IDC_BROWSE_DESKTOP, 50301, "Browse your desktop computer for a folder to become current."},
    {IDC_BROWSE_DEVICE, 50302,
     "Browse your data collector computer for a folder to become current."},
    {IDC_DEFAULT_FEATLINK, 50303,
     "Sets the current desktop folder to be the default location for Featlink files."},
    {IDC_DEFAULT_DOWNLOAD, 50304,
     "Sets the current desktop folder to be the default location for downloaded projects."},
    {IDC_DEFAULT_UPLOAD, 50305,
     "Sets the current desktop folder to be the default location for projects ready for "
     "uploading."},
    {IDC_PROJECTS_FOLDER, 50306,
     "Sets the current data collector folder to be the projects folder."},
    {IDC_UPLOAD, 50307, "UPLOAD: desktop to data collector."},
    {IDC_DOWNLOAD, 50308, "DOWNLOAD: data collector to desktop."},
    {IDC_DESKTOP_UP, 50309, "Move up one folder level."},
    {IDC_DEVICE_UP, 50309, "Move up one folder level."},
    {IDC_DESKTOP_LIST, 50310, "Files and folders in the current desktop folder."},
    {IDC_DEVICE_LIST, 50311, "Files and folders in the current data collector folder."},
    {IDC_DESKTOP_PATH, 50312, "The 'current' desktop folder."},
    {IDC_DEVICE_PATH, 50313, "The 'current' data collector folder."},
    {IDC_FEATLINK_CHECK, 50314, "Featlink files check."},
    {IDC_FILTER_TOGGLE, 50315,
     "Toggles between showing all files (*.*) and showing only Featlink files (*.csv)"},
    {IDC_CREATE_REPORT, 50316,
     "Check this to have a text file generated which contains a list of the files "
     "transferred."},
    {IDC_LAUNCH_PROGRAM, 50317,
     "Check this to have the default program started after this dialog closes. Use the "
     "Options dialog (in the Options menu) to set this."},
};

}  // namespace

std::size_t status_record_cut(const std::string& record, std::size_t keep) {
  if (record.size() <= keep) return 0;
  const std::size_t from = record.size() - keep;
  const std::size_t line_end = record.find('\n', from - 1);
  if (line_end != std::string::npos) return line_end + 1;
  // The last line alone is longer than what is kept: cut between characters.
  std::size_t cut = from;
  while (cut < record.size() && (static_cast<unsigned char>(record[cut]) & 0xC0) == 0x80) ++cut;
  return cut;
}

CTRA_Transfer_Dlg::CTRA_Transfer_Dlg(app::RunContext& context, TransferView& view,
                                     IconCache& icons)
    : c_(context), view_(view), icons_(icons) {}

CTRA_Transfer_Dlg::~CTRA_Transfer_Dlg() {
  if (c_.status_record == this) c_.status_record = nullptr;
}

void CTRA_Transfer_Dlg::OnInit() {
  c_.main_window = view_.window();
  device::read_auto_start_state(c_, &active_sync_);
  device::read_guest_state(c_, &active_sync_);
  c_.status_record = this;
  view_.set_caption(c_.texts.load_message_text(50322, "Veldmark  Transfer"));
  set_status_text(c_.texts.load_message_text(50460, "Initializing, please wait..."));

  if (!view_.open_animation()) VMT_LOG_POINT(c_.log);
  view_.play_animation(false);
  view_.set_pictures();

  for (const Tooltip& tip : kTooltips) {
    view_.add_tooltip(tip.control, c_.texts.load_message_text(tip.message, tip.text));
  }
  view_.activate_tooltips(show_tooltips_);

  view_.show_control(IDC_FILTER_TOGGLE, false);
  view_.enable_control(IDC_LAUNCH_PROGRAM, false);
  enter_busy();

  if (!view_.start_timer(kStartupTimer, kStartupTimerPeriodMs)) {
    app::warning_box(c_, c_.texts.load_message_text(50205, "Unable to set timer"),
                     view_.window());
    // Without the start-up the window must still be usable and closable.
    leave_busy();
  }
}

void CTRA_Transfer_Dlg::OnTimer(int id) {
  if (id != kStartupTimer) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  run_startup_sequence();
}

void CTRA_Transfer_Dlg::run_startup_sequence() {
  if (c_.startup_done) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  c_.startup_done = true;
  if (!view_.kill_timer(kStartupTimer)) {
    app::warning_box(c_, c_.texts.load_message_text(50230, "Unable to kill timer"),
                     view_.window());
  }

  options_step();
  const int code = first_population();
  if (!device::is_known_connection_code(code)) VMT_LOG_POINT(c_.log);
  leave_busy();

  // The record resolved for the first population still holds: resolving it
  // again would repeat every message box of the resolution.
  view_.enable_control(IDC_LAUNCH_PROGRAM, program_record_.name() != settings::program::kUserDefined);
  if (code != device::status::kSuccess) show_status_for_code(code);
  if (open_options_on_start_) options_dialog();
}

void CTRA_Transfer_Dlg::options_step() {
  c_.report.open_transfer_report();
  c_.report.report_line(std::string("VMTRANSFERVERSION=") + kVersionDate);
  app::DateServices dates{c_.texts, c_.log, c_.platform.clock};
  c_.report.report_line(app::make_long_date_time(dates, true));
  c_.report.report_line("SYNC STARTUP", c_.command_line);

  app::StartupMode mode;
  app::parse_command_line_keyword(&mode, c_.command_line, c_.log);
  if (app::is_sorvik_mode(mode, c_.log)) {
    settings::set_DefSyncProgram(c_, settings::program::kSorvikStakelineOffice);
  } else if (app::is_telmar_mode(mode, c_.log)) {
    settings::set_DefSyncProgram(c_, settings::program::kTelmarStakelineMaster);
  }

  // Only a missing choice is replaced: a stored name that is not in the
  // catalogue (a newer version's, or mistyped) is reported when the program
  // is resolved and kept for the user to see and change.
  open_options_on_start_ = !settings::option_exists(c_, "DefSyncProgram");
  if (open_options_on_start_) {
    settings::set_DefSyncProgram(c_, settings::program::kUserDefined);
    c_.report.report_line(c_.texts.load_message_text(
        50375, "DefSyncProgram not set, starting with Options dialog"));
  }
  start_on_download_folder_ = !app::is_upload_mode(mode, c_.log);

  settings::ensure_CreateReports(c_, true);
  settings::get_CreateReports(c_, &create_report_, false);
  launch_program_ = settings::get_LaunchOnTransfer(c_);
  copy_subfolders_ = settings::get_CopySubfolders(c_);
  device::remove_old_replaced_files(c_, settings::get_KeepReplacedDays(c_));
  view_.set_check(IDC_CREATE_REPORT, create_report_);
  view_.set_check(IDC_LAUNCH_PROGRAM, launch_program_);
}

int CTRA_Transfer_Dlg::first_population() {
  view_.list(PaneSide::kDesktop).delete_all_items();
  view_.list(PaneSide::kDevice).delete_all_items();
  view_.set_control_text(IDC_DESKTOP_PATH, {});
  view_.set_control_text(IDC_DEVICE_PATH, {});

  resolve_program_record();
  if (filter_ != kAllFiles) VMT_LOG_POINT(c_.log);

  desktop_ = C_file_dir_pane(PaneSide::kDesktop);
  device_ = C_file_dir_pane(PaneSide::kDevice);
  const std::string folder = program_folder(start_on_download_folder_ ? &settings::get_download_dir
                                                                      : &settings::get_upload_dir);
  if (!folder.empty() && !c_.platform.files.exists(folder)) VMT_LOG_POINT(c_.log);

  set_status_examining(folder);
  set_pane_folder(c_, desktop_, folder);
  desktop_.filter = filter_;
  read_with_animation(desktop_);
  fill_list(PaneSide::kDesktop);
  show_pane_folder_text(PaneSide::kDesktop);

  const int code = connect();
  if (code != device::status::kSuccess) {
    show_device_unreached(code);
    return code;
  }
  std::string projects;
  std::string settings_file;
  const int found = device::get_collector_projects_folder(c_, &projects, &settings_file);
  if (found != device::status::kSuccess && !(found >= 401 && found <= 406)) VMT_LOG_POINT(c_.log);
  if (found != device::status::kSuccess) {
    // Connected, but with no projects folder: the pane stays unset, and the
    // status line says why.
    disconnect();
    empty_device_pane(kNotSet);
    return found;
  }
  set_status_examining(projects);
  set_pane_folder(c_, device_, projects);
  device_.filter = filter_;
  read_with_animation(device_);
  disconnect();
  fill_list(PaneSide::kDevice);
  show_pane_folder_text(PaneSide::kDevice);
  view_.set_check(IDC_CREATE_REPORT, create_report_);
  view_.set_check(IDC_LAUNCH_PROGRAM, launch_program_);
  return device::status::kSuccess;
}

void CTRA_Transfer_Dlg::resolve_program_record() {
  program_record_.clear();
  program_record_.set_owner(view_.window());
  if (!settings::set_options_from_registry(c_, program_record_)) VMT_LOG_POINT(c_.log);
}

std::string CTRA_Transfer_Dlg::program_folder(FolderOf folder_of) {
  // A resolution that failed has said why; the folders are then unknown.
  if (program_record_.name().empty()) return {};
  return folder_of(c_, program_record_);
}

void CTRA_Transfer_Dlg::set_status_text(const std::string& text) {
  status_line_ = text;
  view_.set_status_line(status_line_);
}

void CTRA_Transfer_Dlg::set_status_examining(const std::string& folder) {
  set_status_text(app::format_message(
      c_.texts.load_message_format(50211, "Examining %s").c_str(), folder.c_str()));
}

void CTRA_Transfer_Dlg::append_status_line(const std::string& text) {
  std::string line;
  line.reserve(text.size() + 8);
  for (char ch : text) {
    if (ch == '\n') {
      line += "\r\n";
    } else {
      line += ch;
    }
  }
  status_history_ += line;
  view_.append_status_record(line);
  if (status_history_.size() > kStatusRecordLimit) trim_status_record();
}

void CTRA_Transfer_Dlg::trim_status_record() {
  const std::size_t cut = status_record_cut(status_history_, kStatusRecordKept);
  if (cut == 0) return;
  view_.drop_status_record(status_history_.substr(0, cut));
  status_history_.erase(0, cut);
}

void CTRA_Transfer_Dlg::enter_busy() {
  if (busy_) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  busy_ = true;
  launch_was_enabled_ = view_.is_control_enabled(IDC_LAUNCH_PROGRAM);
  for (int id : kBusyControls) view_.enable_control(id, false);
  // A command pumps messages without the idle update: the menu follows now.
  update_menu();
}

void CTRA_Transfer_Dlg::leave_busy() {
  if (!busy_) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  busy_ = false;
  for (int id : kBusyControls) {
    if (id == IDC_LAUNCH_PROGRAM) {
      view_.enable_control(id, launch_was_enabled_);
    } else {
      view_.enable_control(id, true);
    }
  }
  update_menu();
  if (filter_ == kFeatlinkFiles) {
    set_status_text(c_.texts.load_message_text(
        50241,
        "Ready. (Currently only showing Featlink files (*.csv). Press the 'Show All Files' "
        "button to remove this filter.)"));
    view_.set_control_text(IDC_FILTER_TOGGLE,
                           c_.texts.load_message_text(50242, "Show All Files"));
    view_.show_control(IDC_FILTER_TOGGLE, true);
    return;
  }
  if (filter_ != kAllFiles) VMT_LOG_POINT(c_.log);
  set_status_text(c_.texts.load_message_text(50410, "Ready."));
  view_.set_control_text(IDC_FILTER_TOGGLE,
                         c_.texts.load_message_text(50240, "Show Featlink Files Only"));
  view_.show_control(IDC_FILTER_TOGGLE, false);
}

bool CTRA_Transfer_Dlg::show_status_for_code(int code) {
  std::string text;
  if (!device::status_text_for_code(c_, code, &text)) return false;
  set_status_text(text);
  return true;
}

void CTRA_Transfer_Dlg::read_with_animation(C_file_dir_pane& pane) {
  view_.play_animation(true);
  read_pane_folder(c_, pane, [this] { view_.pump_messages(); });
  view_.play_animation(false);
}

void CTRA_Transfer_Dlg::fill_desktop_list() {
  fill_pane_list(c_, desktop_, view_.list(PaneSide::kDesktop), icons_, desktop_list_, view_mode_,
                 show_seconds_);
}

void CTRA_Transfer_Dlg::fill_collector_list() {
  fill_pane_list(c_, device_, view_.list(PaneSide::kDevice), icons_, device_list_, view_mode_,
                 show_seconds_);
}

void CTRA_Transfer_Dlg::fill_list(PaneSide side) {
  if (side == PaneSide::kDesktop) {
    fill_desktop_list();
  } else {
    fill_collector_list();
  }
}

void CTRA_Transfer_Dlg::show_pane_folder_text(PaneSide side) {
  view_.set_control_text(side == PaneSide::kDesktop ? IDC_DESKTOP_PATH : IDC_DEVICE_PATH,
                         pane_folder_text(pane(side)));
}

int CTRA_Transfer_Dlg::connect() {
  const int code = device::connect_to_device(c_, true, false);
  if (!device::is_known_connection_code(code)) VMT_LOG_POINT(c_.log);
  return code;
}

void CTRA_Transfer_Dlg::disconnect() { device::disconnect_from_device(c_); }

void CTRA_Transfer_Dlg::show_no_connection() { empty_device_pane(kNoConnection); }

void CTRA_Transfer_Dlg::show_device_unreached(int code) {
  empty_device_pane(reached_without_projects_folder(code) ? kNotSet : kNoConnection);
}

void CTRA_Transfer_Dlg::empty_device_pane(const char* status) {
  set_pane_folder(c_, device_, status);
  device_.entries.clear();
  fill_list(PaneSide::kDevice);
  show_pane_folder_text(PaneSide::kDevice);
}

void CTRA_Transfer_Dlg::take_no_connection_path(int code) {
  show_device_unreached(code);
  leave_busy();
  show_status_for_code(code);
}

void CTRA_Transfer_Dlg::open_pane_folder(PaneSide side, const std::string& folder,
                                         bool examining_line) {
  if (examining_line) {
    set_status_examining(folder);
  }
  C_file_dir_pane& target = pane(side);
  if (target.side != side) VMT_LOG_POINT(c_.log);
  set_pane_folder(c_, target, folder);
  read_with_animation(target);
  if (side == PaneSide::kDevice) disconnect();
  fill_list(side);
  show_pane_folder_text(side);
  leave_busy();
}

bool CTRA_Transfer_Dlg::OnCommand(int id) {
  // Menus and accelerators stay live while a folder is read with messages
  // pumped; no command may start inside another.
  if (busy_ && id != ID_HELP_ABOUT) return true;
  if (!menu_item_state(id).enabled && contains(kMenuItems, id)) return true;
  switch (id) {
    case IDC_EXIT:
    case ID_FILE_EXIT:
      OnOK();
      return true;
    case ID_FILE_REFRESH:
    case ID_REFRESH_KEY:
    case ID_DESKTOP_REFRESH:
    case ID_DEVICE_REFRESH:
      refresh_panes();
      return true;
    case IDC_DESKTOP_UP:
      up_one_level(PaneSide::kDesktop);
      return true;
    case IDC_DEVICE_UP:
      up_one_level(PaneSide::kDevice);
      return true;
    case IDC_BROWSE_DESKTOP:
      browse_desktop();
      return true;
    case IDC_DEFAULT_DOWNLOAD:
      default_desktop_folder(50469, "Set to default download folder...",
                             &settings::get_download_dir);
      return true;
    case IDC_DEFAULT_UPLOAD:
      default_desktop_folder(50470, "Set to default upload folder...", &settings::get_upload_dir);
      return true;
    case IDC_DEFAULT_FEATLINK:
      default_desktop_folder(50471, "Set to desktop Featlink folder...", &settings::get_csv_dir);
      return true;
    case IDC_PROJECTS_FOLDER:
      projects_folder();
      return true;
    case IDC_UPLOAD:
      upload_selection();
      return true;
    case IDC_DOWNLOAD:
      download_selection();
      return true;
    case ID_OPTIONS_COPY_SUBFOLDERS:
      toggle_copy_subfolders();
      return true;
    case ID_FILE_OPEN_REPLACED:
      open_replaced_files();
      return true;
    case ID_DESKTOP_SELECT_ALL:
      select_all(PaneSide::kDesktop);
      return true;
    case ID_DEVICE_SELECT_ALL:
      select_all(PaneSide::kDevice);
      return true;
    case IDC_FEATLINK_CHECK:
      featlink_check();
      return true;
    case ID_OPTIONS_SETTINGS:
      options_dialog();
      return true;
    case ID_VIEW_DETAILS:
      set_view_mode(ViewMode::kDetails);
      return true;
    case ID_VIEW_LIST:
      set_view_mode(ViewMode::kList);
      return true;
    case ID_VIEW_ICONS:
      set_view_mode(ViewMode::kIcons);
      return true;
    case ID_VIEW_ALL_FILES:
      change_filter(kAllFiles);
      return true;
    case ID_VIEW_FEATLINK_FILES:
      change_filter(kFeatlinkFiles);
      return true;
    case ID_VIEW_TOOLTIPS:
      toggle_show_tooltips();
      return true;
    case ID_VIEW_SECONDS:
      toggle_show_seconds();
      return true;
    case ID_OPTIONS_AUTO_START:
      device::toggle_auto_start(c_, &active_sync_);
      return true;
    case ID_OPTIONS_GUEST:
      device::toggle_guest(c_, &active_sync_);
      return true;
    case IDC_BROWSE_DEVICE:
      browse_device();
      return true;
    case ID_DESKTOP_CREATE_FOLDER:
      create_desktop_folder();
      return true;
    case IDC_FILTER_TOGGLE:
      filter_toggle();
      return true;
    case IDC_HELP_BUTTON:
    case ID_HELP_CONTENTS:
      help();
      return true;
    case ID_HELP_ABOUT:
      about();
      return true;
    case IDC_CREATE_REPORT:
    case IDC_LAUNCH_PROGRAM:
      check_box_changed(id);
      return true;
    default:
      return false;
  }
}

MenuItemState CTRA_Transfer_Dlg::menu_item_state(int id) const {
  MenuItemState state;
  switch (id) {
    case ID_VIEW_DETAILS:
      state.checked = view_mode_ == ViewMode::kDetails;
      break;
    case ID_VIEW_LIST:
      state.checked = view_mode_ == ViewMode::kList;
      break;
    case ID_VIEW_ICONS:
      state.checked = view_mode_ == ViewMode::kIcons;
      break;
    case ID_VIEW_ALL_FILES:
      state.checked = platform::equals_no_case(filter_, kAllFiles);
      break;
    case ID_VIEW_FEATLINK_FILES:
      state.checked = platform::equals_no_case(filter_, kFeatlinkFiles);
      break;
    case ID_VIEW_TOOLTIPS:
      state.checked = show_tooltips_;
      break;
    case ID_VIEW_SECONDS:
      state.checked = show_seconds_;
      break;
    case ID_OPTIONS_AUTO_START:
      state.checked = active_sync_.auto_start;
      break;
    case ID_OPTIONS_GUEST:
      state.checked = active_sync_.guest;
      break;
    case ID_OPTIONS_COPY_SUBFOLDERS:
      state.checked = copy_subfolders_;
      break;
    default:
      break;
  }
  // Help stays open; the other commands start nothing while one runs.
  state.enabled = id == ID_HELP_CONTENTS || id == ID_HELP_ABOUT || !busy_;
  return state;
}

void CTRA_Transfer_Dlg::OnIdle() { update_menu(); }

void CTRA_Transfer_Dlg::update_menu() {
  for (int id : kMenuItems) view_.set_menu_item(id, menu_item_state(id));
}

void CTRA_Transfer_Dlg::OnDoubleClick(PaneSide side, int item) {
  if (busy_) return;
  enter_busy();
  if (item < 0) {
    leave_busy();
    return;
  }
  C_file_dir_pane& target = pane(side);
  C_file_dir_info entry;
  if (!get_entry(c_, target, static_cast<int>(view_.list(side).item_data(item)), &entry)) {
    VMT_LOG_POINT(c_.log);
    leave_busy();
    return;
  }
  if (!entry.is_folder()) {
    leave_busy();
    return;
  }
  const std::string folder = target.folder + entry.name();
  if (side == PaneSide::kDevice) {
    set_status_examining(folder);
    const int code = connect();
    if (code != device::status::kSuccess) {
      take_no_connection_path(code);
      return;
    }
  }
  open_pane_folder(side, folder, side == PaneSide::kDesktop);
}

bool CTRA_Transfer_Dlg::OnEnterInList(PaneSide side, int item) {
  if (busy_) return true;
  C_file_dir_info entry;
  if (item < 0 ||
      !get_entry(c_, pane(side), static_cast<int>(view_.list(side).item_data(item)), &entry) ||
      !entry.is_folder()) {
    return false;
  }
  OnDoubleClick(side, item);
  return true;
}

void CTRA_Transfer_Dlg::OnColumnClick(PaneSide side, int column) {
  if (busy_) return;
  C_file_dir_pane& target = pane(side);
  const int mode = sort_mode_after_column_click(c_, target.sort_mode, column);
  enter_busy();
  target.sort_mode = mode;
  sort_pane(c_, target);
  fill_list(side);
  show_pane_folder_text(side);
  leave_busy();
}

void CTRA_Transfer_Dlg::OnRightClick(PaneSide side, int x, int y) {
  if (busy_) return;
  view_.show_popup_menu(side == PaneSide::kDesktop ? IDR_DESKTOP_POPUP : IDR_DEVICE_POPUP, x, y);
}

void CTRA_Transfer_Dlg::select_all(PaneSide side) {
  if (!view_.list(side).select_all()) VMT_LOG_POINT(c_.log);
}

void CTRA_Transfer_Dlg::up_one_level(PaneSide side) {
  C_file_dir_pane& target = pane(side);
  if (side == PaneSide::kDevice && !is_pane_folder_usable(target)) return;
  enter_busy();
  set_status_text(c_.texts.load_message_text(50474, "Moving up one level"));
  std::string folder = target.folder;
  const char separator = side == PaneSide::kDesktop ? platform::path::kSeparator : '\\';
  if (folder.empty() || folder.back() != separator) VMT_LOG_POINT(c_.log);
  while (!folder.empty() && folder.back() == separator) folder.pop_back();
  const std::size_t last = folder.rfind(separator);
  // A desktop pane that shows a status text has no level to go up to either,
  // nor has a network share's root, whose server is no folder.
  if (last == std::string::npos ||
      (side == PaneSide::kDesktop &&
       (!is_pane_folder_usable(target) || platform::path::is_share_root(folder)))) {
    leave_busy();
    return;
  }
  folder.erase(last);
  if (side == PaneSide::kDesktop && folder.empty()) folder = std::string(1, separator);
  if (side == PaneSide::kDevice) {
    const int code = connect();
    if (code != device::status::kSuccess) {
      take_no_connection_path(code);
      return;
    }
  }
  open_pane_folder(side, folder, false);
}

void CTRA_Transfer_Dlg::browse_desktop() {
  enter_busy();
  set_status_text(c_.texts.load_message_text(50461, "Browsing desktop."));
  std::string chosen;
  if (!view_.browse_for_folder(c_.texts.load_message_text(50321, "Browse for folder"),
                               desktop_.folder, &chosen) ||
      chosen.empty()) {
    leave_busy();
    return;
  }
  if (shows_folder(desktop_, chosen)) {
    leave_busy();
    return;
  }
  open_pane_folder(PaneSide::kDesktop, chosen, true);
}

void CTRA_Transfer_Dlg::default_desktop_folder(int status_message, const char* status_default,
                                               FolderOf folder_of) {
  enter_busy();
  set_status_text(c_.texts.load_message_text(static_cast<unsigned>(status_message), status_default));
  // The record of the start-up or of the last options saved: no new
  // resolution, which would repeat its boxes and make deleted folders again.
  const std::string folder = program_folder(folder_of);
  if (!c_.platform.files.exists(folder)) VMT_LOG_POINT(c_.log);
  if (shows_folder(desktop_, folder)) {
    leave_busy();
    return;
  }
  open_pane_folder(PaneSide::kDesktop, folder, true);
}

void CTRA_Transfer_Dlg::projects_folder() {
  enter_busy();
  set_status_text(
      c_.texts.load_message_text(50473, "Set to data collector projects folder..."));
  const int code = connect();
  if (code != device::status::kSuccess) {
    take_no_connection_path(code);
    return;
  }
  std::string projects;
  if (!find_projects_folder(&projects)) return;
  if (shows_folder(device_, projects)) {
    disconnect();
    leave_busy();
    return;
  }
  open_pane_folder(PaneSide::kDevice, projects, true);
}

bool CTRA_Transfer_Dlg::find_projects_folder(std::string* projects) {
  std::string settings_file;
  const int found = device::get_collector_projects_folder(c_, projects, &settings_file);
  if (found == device::status::kSuccess) return true;
  disconnect();
  leave_busy();
  show_status_for_code(found);
  return false;
}

bool CTRA_Transfer_Dlg::ensure_device_folder() {
  // A pane with no connection, or connected without a projects folder.
  if (device_.folder != kNoConnection && device_.folder != kNotSet) return true;
  std::string projects;
  if (!find_projects_folder(&projects)) return false;
  set_pane_folder(c_, device_, projects);
  return true;
}

void CTRA_Transfer_Dlg::reread_pane(PaneSide side) {
  read_with_animation(pane(side));
  fill_list(side);
  show_pane_folder_text(side);
}

bool CTRA_Transfer_Dlg::reread_device_pane(bool examining_line) {
  const int code = connect();
  if (code != device::status::kSuccess) {
    take_no_connection_path(code);
    return false;
  }
  if (!ensure_device_folder()) return false;
  if (examining_line) set_status_examining(device_.folder);
  read_with_animation(device_);
  disconnect();
  fill_list(PaneSide::kDevice);
  show_pane_folder_text(PaneSide::kDevice);
  return true;
}

void CTRA_Transfer_Dlg::refresh_panes() {
  enter_busy();
  set_status_text(c_.texts.load_message_text(50478, "Refreshing screen."));
  reread_pane(PaneSide::kDesktop);
  if (reread_device_pane(false)) leave_busy();
}

void CTRA_Transfer_Dlg::upload_selection() { transfer_selection(PaneSide::kDesktop); }

void CTRA_Transfer_Dlg::download_selection() { transfer_selection(PaneSide::kDevice); }

void CTRA_Transfer_Dlg::transfer_selection(PaneSide from) {
  const bool upload = from == PaneSide::kDesktop;
  const PaneSide to = upload ? PaneSide::kDevice : PaneSide::kDesktop;
  app::MessageTexts& t = c_.texts;
  const std::string title = app::program_title(c_);
  if (view_.list(from).selected_items().empty()) {
    c_.boxes.show(view_.window(),
                  upload ? t.load_message_text(50227, "Nothing selected in desktop computer list")
                         : t.load_message_text(50238, "Nothing selected in data collector list"),
                  title, app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  if (!is_pane_folder_usable(pane(to))) {
    c_.boxes.show(view_.window(),
                  upload ? t.load_message_text(
                               50228, "The data collector folder is not set.\nUnable to copy to it.")
                         : t.load_message_text(
                               50239,
                               "The desktop computer folder is not set.\nUnable to copy to it."),
                  title, app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  enter_busy();
  set_status_text(upload ? t.load_message_text(50466, "Uploading: desktop to data collector...")
                         : t.load_message_text(50472, "Downloading: data collector to desktop..."));
  mark_selected_entries(c_, pane(from), view_.list(from));
  if (count_selected(c_, pane(from)) == 0) {
    leave_busy();
    return;
  }
  // The plan and the copy see the panes as they are now.
  const C_file_dir_pane source = pane(from);
  const C_file_dir_pane destination = pane(to);
  const TransferPlan plan = plan_transfer(c_, source, destination, copy_subfolders_,
                                          [this] { view_.pump_messages(); });
  TransferOutcome outcome;
  int code = device::copy_result::kFailed;
  if (plan.unlisted_folder.empty()) {
    if (!check_conflicts(c_, plan)) {
      leave_busy();
      return;
    }
    device::show_copying_dialog(c_, view_.window());
    code = transfer_entries(c_, plan, [this] { show_no_connection(); }, &outcome);
    if (!device::is_known_connection_code(code) && code != device::status::kCancelled &&
        code != device::copy_result::kFailed && code != device::copy_result::kCancelled) {
      VMT_LOG_POINT(c_.log);
    }
    device::close_copying_dialog(c_);
  } else {
    // A folder that could not be listed: nothing is copied, and it is no success.
    code = transfer_entries(c_, plan, nullptr, &outcome);
  }
  const std::vector<std::string> summary =
      code == device::copy_result::kFailed ? failure_summary(c_, plan, outcome)
                                           : std::vector<std::string>();
  if (!summary.empty()) record_failure(c_, summary);

  C_file_dir_pane& target = pane(to);
  if (upload) {
    // The folder the transfer went to, also when its first connection failed.
    set_status_examining(destination.folder);
    const int connected = connect();
    if (connected != device::status::kSuccess) {
      take_no_connection_path(connected);
      if (!summary.empty()) tell_failure(summary);
      return;
    }
    set_pane_folder(c_, target, destination.folder);
  } else {
    set_status_examining(target.folder);
  }
  target.entries.clear();
  read_with_animation(target);
  if (upload) disconnect();
  fill_list(to);
  show_pane_folder_text(to);
  leave_busy();
  if (!summary.empty()) {
    tell_failure(summary);
  } else if (code != device::status::kSuccess && code != device::copy_result::kCancelled) {
    show_status_for_code(code);
  }
}

void CTRA_Transfer_Dlg::tell_failure(const std::vector<std::string>& summary) {
  set_status_text(summary.front());
  std::string text;
  for (const std::string& line : summary) text += line + "\n";
  c_.boxes.show(view_.window(), text, app::program_title(c_),
                app::mb::kOk | app::mb::kIconWarning);
}

void CTRA_Transfer_Dlg::toggle_copy_subfolders() {
  if (settings::set_CopySubfolders(c_, !copy_subfolders_)) copy_subfolders_ = !copy_subfolders_;
}

void CTRA_Transfer_Dlg::open_replaced_files() {
  const std::string folder = device::replaced_files_folder(c_);
  const std::string title = app::program_title(c_);
  if (folder.empty() || !c_.platform.files.is_folder(folder)) {
    c_.boxes.show(view_.window(),
                  c_.texts.format_message_text(
                      50737, "No replaced file has been kept yet. They are kept in:\n%s",
                      folder.c_str()),
                  title, app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  std::uint32_t error = 0;
  if (!c_.platform.windows.open_folder(folder, &error)) {
    c_.boxes.show(view_.window(),
                  c_.texts.format_message_text(50740, "The folder could not be opened:\n%s\n%s",
                                               folder.c_str(),
                                               c_.platform.shell.system_error_text(error).c_str()),
                  title, app::mb::kOk | app::mb::kIconWarning);
  }
}

void CTRA_Transfer_Dlg::options_dialog() {
  const int result = view_.run_options_dialog();
  if (result != app::id::kOk && result != app::id::kCancel) {
    c_.boxes.show(view_.window(),
                  c_.texts.load_message_text(50088, "Error 4RF48TGH, unable to start program dialog"),
                  app::program_title(c_), app::mb::kOk);
    return;
  }
  if (result != app::id::kOk) return;
  // The launch box follows the program and the setting just saved.
  resolve_program_record();
  launch_program_ = settings::get_LaunchOnTransfer(c_);
  view_.set_check(IDC_LAUNCH_PROGRAM, launch_program_);
  view_.enable_control(IDC_LAUNCH_PROGRAM,
                       program_record_.name() != settings::program::kUserDefined);
}

void CTRA_Transfer_Dlg::help() {
  const std::string file = settings::find_help_file(c_, view_.window());
  if (!file.empty()) view_.open_help(file);
}

void CTRA_Transfer_Dlg::about() {
  const std::string text =
      c_.texts.load_message_text(50322, "Veldmark  Transfer") +
      "\n\nMoves survey projects between this computer and a Windows CE data collector.\n"
      "Veldmark Software\n\n" +
      app::format_message("Build date: %s", kVersionDate);
  c_.boxes.show(view_.window(), text, c_.texts.load_message_text(50000, "Veldmark"),
                app::mb::kOk);
}

void CTRA_Transfer_Dlg::check_box_changed(int id) {
  const bool checked = view_.is_checked(id);
  const bool reports = id == IDC_CREATE_REPORT;
  const bool saved = reports ? settings::set_CreateReports(c_, checked ? 1 : 0)
                             : settings::set_LaunchOnTransfer(c_, checked ? 1 : 0);
  // After a failed write the box shows what is stored (or what it showed).
  bool shown = checked;
  if (!saved) {
    shown = !checked;
    if (reports) {
      settings::stored_CreateReports(c_, &shown);
    } else {
      settings::stored_LaunchOnTransfer(c_, &shown);
    }
    view_.set_check(id, shown);
  }
  (reports ? create_report_ : launch_program_) = shown;
}

void CTRA_Transfer_Dlg::OnOK() { leave(app::id::kOk); }
void CTRA_Transfer_Dlg::OnCancel() { leave(app::id::kCancel); }

void CTRA_Transfer_Dlg::leave(int result) {
  if (busy_) return;
  create_report_ = view_.is_checked(IDC_CREATE_REPORT);
  bool stored = true;
  settings::get_CreateReports(c_, &stored, true);
  if (app::ask_exit_question(c_, stored, create_report_) == 2) return;
  view_.end_dialog(result);
}

}  // namespace vmt::ui
