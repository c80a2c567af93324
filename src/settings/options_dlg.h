// The options dialog's logic: the desktop program or the user's own folders,
// the launch after the transfer, the safety net (replaced files kept for a
// number of days, copies verified), validation on OK and the check on Cancel.
// What it shows goes through OptionsView.
#pragma once

#include <string>
#include <vector>

#include "app/run_context.h"
#include "settings/catalogue.h"
#include "settings/options_dlg_ids.h"

namespace vmt::settings {

class OptionsView {
 public:
  virtual ~OptionsView() = default;
  virtual app::WindowRef window() = 0;
  virtual void set_caption(const std::string& text) = 0;
  virtual void set_control_text(int id, const std::string& text) = 0;
  virtual std::string control_text(int id) = 0;
  virtual void enable_control(int id, bool enabled) = 0;
  virtual void set_check(int id, bool checked) = 0;
  virtual bool is_checked(int id) = 0;
  // The program list, which keeps its entries sorted.
  virtual void clear_list() = 0;
  virtual void add_list_entry(const std::string& text) = 0;
  // Selects the first entry that begins with `prefix`, case ignored: its
  // index, or -1 when none does.
  virtual int select_list_entry(const std::string& prefix) = 0;
  // The selected entry's index, or -1.
  virtual int list_selection() = 0;
  virtual std::string list_entry(int index) = 0;
  // The shell's folder picker opened on `start`; false when cancelled.
  virtual bool browse_for_folder(const std::string& title, const std::string& start,
                                 std::string* chosen) = 0;
  virtual void open_help(const std::string& file) = 0;
  virtual void end_dialog(int result) = 0;
};

// The 42 catalogue records as the dialog builds them; the filled flag marks
// the installed programs.
class C_catalogue_list {
 public:
  void set_owner(app::WindowRef owner) { owner_ = owner; }
  void remove_all() { records_.clear(); }
  void build(app::RunContext& context);
  std::size_t count() const { return records_.size(); }
  // A copy; out of range gives a cleared record and a log entry.
  C_directory_options get(app::RunContext& context, std::size_t index) const;
  // The record of exactly this name; false when none.
  bool find(const std::string& name, C_directory_options* record) const;

 private:
  app::WindowRef owner_ = 0;
  std::vector<C_directory_options> records_;
};

class COPT_Options_Dlg {
 public:
  enum Mode { kProducts = 0, kUserDefined = 1 };

  COPT_Options_Dlg(app::RunContext& context, OptionsView& view) : c_(context), view_(view) {}

  void OnInit();
  // Clicks on the radio buttons, the Browse buttons and Help.
  bool OnCommand(int id);
  void OnSelectionChange();
  void OnOK();
  void OnCancel();

  int mode() const { return mode_; }
  int launch() const { return launch_; }
  const std::string& download_folder() const { return download_; }
  const std::string& upload_folder() const { return upload_; }
  const std::string& featlink_folder() const { return featlink_; }
  const std::string& executable() const { return executable_; }
  bool keep_replaced() const { return keep_replaced_; }
  const std::string& keep_days() const { return keep_days_; }
  bool verify_copies() const { return verify_copies_; }
  const C_catalogue_list& catalogue() const { return catalogue_; }

 private:
  void take_controls();
  void show_members();
  void mode_change();
  void set_from_record(const std::string& name);
  void browse(unsigned title_number, const char* title, std::string* folder);
  void help();
  // An information box; the dialog stays open after it.
  void inform(const std::string& text);
  // True when the user answers Yes.
  bool ask(const std::string& text, unsigned extra_style = 0);
  bool validate_user_folders();
  // The safety settings, written after the others; false after a failed write.
  bool save_safety(int days);

  app::RunContext& c_;
  OptionsView& view_;
  C_catalogue_list catalogue_;
  int launch_ = 0;
  int mode_ = kProducts;
  std::string download_;
  std::string upload_;
  std::string featlink_;
  std::string executable_;
  bool keep_replaced_ = true;
  std::string keep_days_;
  bool verify_copies_ = true;
};

}  // namespace vmt::settings
