#include "settings/options_dlg.h"

#include "app/error_reports.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"
#include "settings/installed_products.h"
#include "settings/options_store.h"
#include "settings/program_launch.h"

namespace vmt::settings {

void C_catalogue_list::build(app::RunContext& context) {
  C_directory_options working;
  for (const CatalogueRow* row = catalogue_begin(); row != catalogue_end(); ++row) {
    working.clear();
    working.set_owner(owner_);
    working.set_name(row->name, context.log);
    if (row->is_user_defined()) {
      fill_directory_options(context, working);
      working.set_filled(false);
    } else if (is_installed(context, *row)) {
      fill_directory_options(context, working);
    }
    records_.push_back(working);
  }
}

C_directory_options C_catalogue_list::get(app::RunContext& context, std::size_t index) const {
  if (index >= records_.size()) {
    VMT_LOG_POINT(context.log);
    return {};
  }
  return records_[index];
}

bool C_catalogue_list::find(const std::string& name, C_directory_options* record) const {
  for (const C_directory_options& candidate : records_) {
    if (candidate.name() == name) {
      *record = candidate;
      return true;
    }
  }
  return false;
}

void COPT_Options_Dlg::OnInit() {
  view_.set_caption(c_.texts.load_message_text(50090, "Transfer options"));
  launch_ = get_LaunchOnTransfer(c_) ? 1 : 0;
  keep_replaced_ = get_KeepReplaced(c_);
  keep_days_ = std::to_string(get_KeepReplacedDays(c_));
  verify_copies_ = get_VerifyCopies(c_);

  catalogue_.remove_all();
  catalogue_.set_owner(view_.window());
  catalogue_.build(c_);
  view_.clear_list();
  for (std::size_t i = 0; i < catalogue_.count(); ++i) {
    const C_directory_options record = catalogue_.get(c_, i);
    if (record.is_filled()) view_.add_list_entry(record.name());
  }

  C_directory_options chosen;
  chosen.set_owner(view_.window());
  set_options_from_registry(c_, chosen);
  if (platform::equals_no_case(chosen.name(), program::kUserDefined)) {
    mode_ = kUserDefined;
  } else {
    mode_ = kProducts;
    if (view_.select_list_entry(chosen.name()) < 0) {
      app::warning_box(c_,
                       c_.texts.format_message_text(
                           50091,
                           "Error, unable to select (%s) in listbox\nUnexpected value in "
                           "registry DefSyncProgram.",
                           chosen.name().c_str()),
                       view_.window());
    }
  }
  show_members();
  mode_change();
}

bool COPT_Options_Dlg::OnCommand(int id) {
  switch (id) {
    case IDC_OPT_PRODUCTS:
    case IDC_OPT_USER_DEFINED:
      mode_change();
      return true;
    case IDC_OPT_BROWSE_DOWNLOAD:
      browse(50318, "Browse for download folder", &download_);
      return true;
    case IDC_OPT_BROWSE_UPLOAD:
      browse(50319, "Browse for upload folder", &upload_);
      return true;
    case IDC_OPT_BROWSE_FEATLINK:
      browse(50320, "Browse for Featlink folder", &featlink_);
      return true;
    case IDC_OPT_HELP:
      help();
      return true;
    case IDC_OPT_KEEP_REPLACED:
      take_controls();
      show_members();
      return true;
    default:
      return false;
  }
}

void COPT_Options_Dlg::take_controls() {
  launch_ = view_.is_checked(IDC_OPT_LAUNCH) ? 1 : 0;
  mode_ = view_.is_checked(IDC_OPT_USER_DEFINED) ? kUserDefined : kProducts;
  keep_replaced_ = view_.is_checked(IDC_OPT_KEEP_REPLACED);
  keep_days_ = view_.control_text(IDC_OPT_KEEP_DAYS);
  verify_copies_ = view_.is_checked(IDC_OPT_VERIFY);
}

void COPT_Options_Dlg::show_members() {
  view_.set_check(IDC_OPT_LAUNCH, launch_ == 1);
  view_.set_check(IDC_OPT_PRODUCTS, mode_ == kProducts);
  view_.set_check(IDC_OPT_USER_DEFINED, mode_ == kUserDefined);
  view_.set_control_text(IDC_OPT_DOWNLOAD_DIR, download_);
  view_.set_control_text(IDC_OPT_UPLOAD_DIR, upload_);
  view_.set_control_text(IDC_OPT_FEATLINK_DIR, featlink_);
  view_.set_control_text(IDC_OPT_EXE_PATH, executable_);
  view_.set_check(IDC_OPT_KEEP_REPLACED, keep_replaced_);
  view_.set_control_text(IDC_OPT_KEEP_DAYS, keep_days_);
  view_.enable_control(IDC_OPT_KEEP_DAYS, keep_replaced_);
  view_.set_check(IDC_OPT_VERIFY, verify_copies_);
}

void COPT_Options_Dlg::set_from_record(const std::string& name) {
  C_directory_options record;
  if (!catalogue_.find(name, &record)) return;
  featlink_ = get_csv_dir(c_, record);
  download_ = get_download_dir(c_, record);
  upload_ = get_upload_dir(c_, record);
  executable_ = mode_ == kProducts ? get_exe_path(c_, record) : std::string();
}

void COPT_Options_Dlg::mode_change() {
  take_controls();
  const bool products = mode_ == kProducts;
  view_.enable_control(IDC_OPT_PROGRAM_LIST, products);
  for (int id : {IDC_OPT_BROWSE_DOWNLOAD, IDC_OPT_BROWSE_UPLOAD, IDC_OPT_BROWSE_FEATLINK}) {
    view_.enable_control(id, !products);
  }
  view_.enable_control(IDC_OPT_LAUNCH, products);
  if (products) {
    view_.set_control_text(IDC_OPT_LAUNCH, c_.texts.load_message_text(50093, "Launch program"));
    const int selected = view_.list_selection();
    if (selected < 0) {
      download_.clear();
      upload_.clear();
      featlink_.clear();
      executable_.clear();
    } else {
      set_from_record(view_.list_entry(selected));
    }
  } else {
    view_.set_control_text(
        IDC_OPT_LAUNCH,
        c_.texts.load_message_text(
            50094, "Launch program: Not applicable when User defined folders selected."));
    set_from_record(program::kUserDefined);
    executable_.clear();
  }
  show_members();
}

void COPT_Options_Dlg::OnSelectionChange() {
  take_controls();
  const int selected = view_.list_selection();
  if (selected >= 0) {
    const std::string name = view_.list_entry(selected);
    if (name.empty()) VMT_LOG_POINT(c_.log);
    set_from_record(name);
  }
  show_members();
}

void COPT_Options_Dlg::browse(unsigned title_number, const char* title, std::string* folder) {
  take_controls();
  std::string chosen;
  if (view_.browse_for_folder(c_.texts.load_message_text(title_number, title), *folder,
                              &chosen)) {
    *folder = chosen;
    show_members();
  }
}

void COPT_Options_Dlg::help() {
  const std::string file = find_help_file(c_, view_.window());
  if (!file.empty()) view_.open_help(file);
}

void COPT_Options_Dlg::inform(const std::string& text) {
  c_.boxes.show(view_.window(), text, app::program_title(c_),
                app::mb::kOk | app::mb::kIconInformation);
}

bool COPT_Options_Dlg::ask(const std::string& text, unsigned extra_style) {
  return c_.boxes.show(view_.window(), text, app::program_title(c_),
                       app::mb::kYesNo | app::mb::kIconQuestion | extra_style) == app::id::kYes;
}

bool COPT_Options_Dlg::validate_user_folders() {
  app::MessageTexts& t = c_.texts;
  platform::DesktopFiles& files = c_.platform.files;
  if (download_.empty()) {
    inform(t.load_message_text(50095, "You must supply a download folder. Use the Browse button"));
    return false;
  }
  if (!files.exists(download_)) {
    inform(t.format_message_text(
        50096, "You must supply a download folder.\n%s does not exist.\nUse the Browse button",
        download_.c_str()));
    download_.clear();
    show_members();
    return false;
  }
  if (upload_.empty()) {
    inform(t.load_message_text(50097, "You must supply an upload folder. Use the Browse button"));
    return false;
  }
  if (!files.exists(upload_)) {
    inform(t.format_message_text(
        50098, "You must supply an upload folder.\n%s does not exist.\nUse the Browse button",
        upload_.c_str()));
    upload_.clear();
    show_members();
    return false;
  }
  if (platform::equals_no_case(upload_, download_) &&
      !ask(t.load_message_text(
               50280,
               "WARNING:\n\nThe user defined upload and download folders are the same.\nThis "
               "could result in downloading, then uploading back the same projects.\n\nAre you "
               "sure you want to have these 2 folder paths the same?"),
           app::mb::kDefaultButton2)) {
    return false;
  }
  if (!featlink_.empty() && !files.exists(featlink_)) {
    inform(t.format_message_text(50100,
                                 "Warning the supplied Featlink folder\n%s does not exist.\nUse "
                                 "the Browse button, or leave it blank",
                                 featlink_.c_str()));
    featlink_.clear();
    show_members();
    return false;
  }
  return true;
}

bool COPT_Options_Dlg::save_safety(int days) {
  // Days that are no number are not written while keeping is off.
  return set_KeepReplaced(c_, keep_replaced_) && (days == 0 || set_KeepReplacedDays(c_, days)) &&
         set_VerifyCopies(c_, verify_copies_);
}

void COPT_Options_Dlg::OnOK() {
  take_controls();
  int days = 0;
  if (!parse_keep_days(keep_days_, &days) && keep_replaced_) {
    inform(c_.texts.format_message_text(
        50741, "Replaced files are kept for a whole number of days, from 1 to %d.",
        kMaxKeepReplacedDays));
    return;
  }
  if (mode_ == kProducts) {
    const int selected = view_.list_selection();
    if (selected < 0) {
      inform(c_.texts.load_message_text(50092, "You must select something in the list box"));
      return;
    }
    const std::string name = view_.list_entry(selected);
    if (name.empty()) VMT_LOG_POINT(c_.log);
    if (!set_DefSyncProgram(c_, name)) return;
  } else if (mode_ == kUserDefined) {
    if (!validate_user_folders()) return;
    // The first write that fails has told the user; the dialog stays open
    // rather than closing as if the choice were saved.
    if (!set_UserDownDir(c_, download_) || !set_UserUpDir(c_, upload_) ||
        !set_DefSyncProgram(c_, program::kUserDefined) || !set_UserCsvDir(c_, featlink_)) {
      return;
    }
  } else {
    VMT_LOG_POINT(c_.log);
  }
  if (!set_LaunchOnTransfer(c_, launch_ == 1 ? 1 : 0)) return;
  if (!save_safety(days)) return;
  view_.end_dialog(app::id::kOk);
}

void COPT_Options_Dlg::OnCancel() {
  app::MessageTexts& t = c_.texts;
  C_directory_options stored;
  stored.set_owner(view_.window());
  if (!set_options_from_registry(c_, stored)) {
    if (!ask(t.load_message_text(
            50109,
            "Warning, unable to ensure that default directories are okay.\n\nIn the Transfer "
            "Options dialog, you should set the Download and Upload folders, then press the OK "
            "button.\n\nDo you want to Cancel anyway?"))) {
      return;
    }
  } else {
    const std::string download = get_download_dir(c_, stored);
    if (!c_.platform.files.exists(download) &&
        !ask(t.format_message_text(50110,
                                   "Warning, the current default download folder\n(%s)\ncannot "
                                   "be found.\n\nIn the Transfer Options dialog, you should set "
                                   "the Download and Upload folders, then press the OK "
                                   "button.\n\nDo you want to Cancel anyway?",
                                   download.c_str()))) {
      return;
    }
    const std::string upload = get_upload_dir(c_, stored);
    if (!c_.platform.files.exists(upload) &&
        !ask(t.format_message_text(50111,
                                   "Warning, the current default upload folder\n(%s)\ncannot be "
                                   "found.\n\nIn the Transfer Options dialog, you should set the "
                                   "Download and Upload folders, then press the OK button.\n\nDo "
                                   "you want to Cancel anyway?",
                                   upload.c_str()))) {
      return;
    }
  }
  view_.end_dialog(app::id::kCancel);
}

}  // namespace vmt::settings
