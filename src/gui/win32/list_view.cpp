#include "gui/win32/list_view.h"

#include "gui/win32/dpi.h"
#include "platform/win32/win32_path.h"

namespace vmt::gui {

using platform::to_wide;

// The shell's small icons come at the system's small icon size, which follows its DPI.
ImageListIcons::ImageListIcons()
    : list_(ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                             ILC_COLOR32 | ILC_MASK, 9, 4)) {}

int ImageListIcons::add_icon(platform::IconHandle icon) {
  if (!list_ || icon == 0) return -1;
  return ImageList_AddIcon(list_.get(), reinterpret_cast<HICON>(icon));
}

void ListView::attach(Window list, HIMAGELIST icons) {
  list_ = list;
  dpi_ = window_dpi(list.get());
  ListView_SetExtendedListViewStyle(list_.get(), LVS_EX_FULLROWSELECT);
  ListView_SetImageList(list_.get(), icons, LVSIL_SMALL);
}

void ListView::set_view_mode(ui::ViewMode mode) {
  DWORD type = LVS_REPORT;
  if (mode == ui::ViewMode::kList) type = LVS_LIST;
  if (mode == ui::ViewMode::kIcons) type = LVS_SMALLICON;
  const LONG_PTR style = GetWindowLongPtrW(list_.get(), GWL_STYLE);
  if ((style & LVS_TYPEMASK) != static_cast<LONG_PTR>(type)) {
    SetWindowLongPtrW(list_.get(), GWL_STYLE, (style & ~LVS_TYPEMASK) | type);
  }
}

void ListView::rescale_columns(int to_dpi, int from_dpi) {
  const HWND header = ListView_GetHeader(list_.get());
  const int count = header != nullptr ? Header_GetItemCount(header) : 0;
  for (int i = 0; i < count; ++i) {
    ListView_SetColumnWidth(list_.get(), i,
                            MulDiv(ListView_GetColumnWidth(list_.get(), i), to_dpi, from_dpi));
  }
  dpi_ = to_dpi;
}

void ListView::begin_fill(std::size_t count) {
  // Ten thousand items drawn one by one would cost more than their insertion.
  list_.send(WM_SETREDRAW, FALSE);
  ListView_SetItemCount(list_.get(), static_cast<int>(count));
}

void ListView::end_fill() {
  list_.send(WM_SETREDRAW, TRUE);
  InvalidateRect(list_.get(), nullptr, TRUE);
}

void ListView::delete_all_items() { ListView_DeleteAllItems(list_.get()); }

bool ListView::insert_column(int index, const ui::ListColumn& column) {
  std::wstring heading = to_wide(column.heading);
  LVCOLUMNW spec{};
  spec.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  spec.fmt = column.right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
  spec.cx = scale_for_dpi(column.width, dpi_);
  spec.pszText = heading.data();
  spec.iSubItem = index;
  return list_.send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&spec)) == index;
}

bool ListView::set_column_heading(int index, const std::string& heading) {
  std::wstring text = to_wide(heading);
  LVCOLUMNW spec{};
  spec.mask = LVCF_TEXT;
  spec.pszText = text.data();
  return list_.send(LVM_SETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&spec)) !=
         0;
}

int ListView::insert_item(const std::string& name, int icon) {
  std::wstring text = to_wide(name);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(list_.get());
  item.pszText = text.data();
  item.iImage = icon;
  return static_cast<int>(list_.send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListView::set_subitem(int item, int column, const std::string& text) {
  std::wstring wide = to_wide(text);
  LVITEMW spec{};
  spec.iSubItem = column;
  spec.pszText = wide.data();
  return list_.send(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&spec)) !=
         0;
}

bool ListView::set_item_data(int item, std::intptr_t data) {
  LVITEMW spec{};
  spec.mask = LVIF_PARAM;
  spec.iItem = item;
  spec.lParam = static_cast<LPARAM>(data);
  return list_.send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&spec)) != 0;
}

std::vector<int> ListView::selected_items() {
  std::vector<int> items;
  int item = -1;
  while ((item = ListView_GetNextItem(list_.get(), item, LVNI_SELECTED)) >= 0) items.push_back(item);
  return items;
}

std::intptr_t ListView::item_data(int item) {
  LVITEMW spec{};
  spec.mask = LVIF_PARAM;
  spec.iItem = item;
  if (list_.send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&spec)) == 0) return -1;
  return static_cast<std::intptr_t>(spec.lParam);
}

bool ListView::select_all() {
  bool all = true;
  const int count = ListView_GetItemCount(list_.get());
  for (int i = 0; i < count; ++i) {
    LVITEMW spec{};
    spec.stateMask = LVIS_SELECTED;
    spec.state = LVIS_SELECTED;
    if (list_.send(LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&spec)) == 0) {
      all = false;
    }
  }
  SetFocus(list_.get());
  return all;
}

}  // namespace vmt::gui
