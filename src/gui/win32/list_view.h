// The panes' list views and the shared small-icon image list on the real
// common controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "gui/win32/handles.h"
#include "ui/pane_list.h"

namespace vmt::gui {

class ImageListIcons : public ui::IconList {
 public:
  ImageListIcons();
  int add_icon(platform::IconHandle icon) override;
  HIMAGELIST get() const { return list_.get(); }

 private:
  UniqueImageList list_;
};

class ListView : public ui::PaneListView {
 public:
  void attach(Window list, HIMAGELIST icons);
  Window window() const { return list_; }
  // The columns' widths for a new DPI of the window.
  void rescale_columns(int to_dpi, int from_dpi);

  void set_view_mode(ui::ViewMode mode) override;
  void begin_fill(std::size_t count) override;
  void end_fill() override;
  void delete_all_items() override;
  bool insert_column(int index, const ui::ListColumn& column) override;
  bool set_column_heading(int index, const std::string& heading) override;
  int insert_item(const std::string& name, int icon) override;
  bool set_subitem(int item, int column, const std::string& text) override;
  bool set_item_data(int item, std::intptr_t data) override;
  std::vector<int> selected_items() override;
  std::intptr_t item_data(int item) override;
  bool select_all() override;

 private:
  Window list_;
  // Column widths are given for 96 DPI and set at this one.
  int dpi_ = 96;
};

}  // namespace vmt::gui
