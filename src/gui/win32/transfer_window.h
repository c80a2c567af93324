// The main window on the real dialog 147: binds the controls, forwards the
// window's events to CTRA_Transfer_Dlg, and shows what the logic asks for.
#pragma once

#include <windows.h>

#include <vector>

#include "app/run_context.h"
#include "gui/win32/dialog.h"
#include "gui/win32/handles.h"
#include "gui/win32/list_view.h"
#include "gui/win32/status_edit.h"
#include "ui/arrangement.h"
#include "ui/transfer_dlg.h"

namespace vmt::gui {

class TransferWindow : public Dialog, public ui::TransferView {
 public:
  TransferWindow(const ResourceModules& resources, app::RunContext& context, ImageListIcons& icons,
                 ui::IconCache& cache);
  ~TransferWindow() override;

  // Shows the window and runs its message loop until it closes: 1 (OK),
  // 2 (Cancel), or -1 when it could not be created.
  int run();
  // Hands one message to the accelerators and the dialog, or dispatches it.
  void dispatch(MSG& msg);

  // TransferView
  app::WindowRef window() override { return reinterpret_cast<app::WindowRef>(Dialog::window().get()); }
  void set_caption(const std::string& text) override;
  void set_pictures() override;
  void set_control_text(int id, const std::string& text) override;
  void enable_control(int id, bool enabled) override;
  bool is_control_enabled(int id) override;
  void show_control(int id, bool shown) override;
  void set_check(int id, bool checked) override;
  bool is_checked(int id) override;
  void append_status_record(const std::string& text) override;
  void set_status_line(const std::string& text) override;
  void drop_status_record(const std::string& text) override;
  bool open_animation() override;
  void play_animation(bool play) override;
  void add_tooltip(int id, const std::string& text) override;
  void activate_tooltips(bool active) override;
  bool start_timer(int id, unsigned period_ms) override;
  bool kill_timer(int id) override;
  void pump_messages() override;
  ui::PaneListView& list(ui::PaneSide side) override;
  void show_popup_menu(int menu, int x, int y) override;
  void set_menu_item(int id, ui::MenuItemState state) override;
  bool browse_for_folder(const std::string& title, const std::string& start,
                         std::string* chosen) override;
  void open_help(const std::string& file) override;
  int run_options_dialog() override;
  int run_device_browser(const std::string& start, std::string* last_folder) override;
  int run_new_folder_dialog(ui::CNDR_NewDir_Dlg& dialog) override;
  void end_dialog(int result) override;

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnTimer(UINT_PTR id) override;
  void OnOK() override;
  void OnCancel() override;
  void End(INT_PTR result) override;
  bool OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR* result) override;

 private:
  // The keys of the two lists: Backspace goes up one level, Ctrl+A selects
  // all; true when the message was such a key and is handled.
  bool list_key(const MSG& msg);
  // The pane of a list window, false for any other window.
  bool side_of(HWND window, ui::PaneSide* side) const;
  // The context menu from the keyboard, at the focused item.
  void keyboard_context_menu(HWND list);
  // The two transfer buttons draw their pictures, greyed while disabled.
  void draw_transfer_button(const DRAWITEMSTRUCT& item);
  // After a change of the system's colours or of the window's DPI.
  void colours_changed();
  void dpi_changed(int dpi, const RECT& suggested);
  // The controls' places and the window's size at start-up, which resizing follows.
  void record_arrangement();
  void apply_arrangement();
  void paint_minimised();
  INT_PTR query_end_session();

  app::RunContext& c_;
  ImageListIcons& icons_;
  ListView desktop_list_;
  ListView device_list_;
  StatusEdit status_;
  HACCEL accelerators_ = nullptr;
  UniqueWindow tooltips_;
  UniqueIcon large_icon_;
  UniqueIcon small_icon_;
  UniqueIcon up_icon_;
  UniqueIcon browse_icon_;
  UniqueGdiObject upload_bitmap_;
  UniqueGdiObject download_bitmap_;
  UniqueGdiObject upload_greyed_;
  UniqueGdiObject download_greyed_;
  UniqueGdiObject desktop_picture_;
  UniqueGdiObject device_picture_;
  std::vector<ui::ArrangementRecord> arrangement_;
  bool arrangement_recorded_ = false;
  int min_width_ = 0;
  int min_height_ = 0;
  // The DPI the window was laid out for.
  int dpi_ = 96;
  bool ended_ = false;
  int result_ = -1;
  ui::CTRA_Transfer_Dlg logic_;
};

}  // namespace vmt::gui
