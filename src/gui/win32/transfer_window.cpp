#include "gui/win32/transfer_window.h"

#include <commctrl.h>

#include <cwctype>

#include "device/copying_dlg.h"
#include "gui/win32/browser_window.h"
#include "gui/win32/dpi.h"
#include "gui/win32/new_folder_window.h"
#include "gui/win32/options_window.h"
#include "gui/win32/shell_dialogs.h"
#include "platform/win32/win32_path.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vmt::gui {

using platform::from_wide;
using platform::to_wide;

namespace {

// A bitmap of the resources drawn for 96 DPI, at the window's DPI.
HBITMAP at_dpi(HBITMAP bitmap, int dpi) {
  if (bitmap == nullptr || dpi == kDefaultDpi) return bitmap;
  HBITMAP scaled = scaled_bitmap(bitmap, dpi);
  if (scaled == nullptr) return bitmap;
  DeleteObject(bitmap);
  return scaled;
}

// The captions' mnemonics where the text comes from the message texts: the
// letter is marked at its first place, unless the text has a mark already.
std::wstring with_mnemonic(std::wstring text, wchar_t letter) {
  if (text.find(L'&') != std::wstring::npos) return text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (std::towlower(text[i]) == letter) return text.insert(i, 1, L'&');
  }
  return text;
}

// A bitmap of the resources with its magenta pixels in the given colour, so
// that it sits on the button or the dialog as if transparent.
HBITMAP load_bitmap_on(HINSTANCE instance, int id, COLORREF background) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return nullptr;
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBitsPixel == 24 &&
      dib.dsBm.bmBits != nullptr) {
    GdiFlush();
    auto* rows = static_cast<BYTE*>(dib.dsBm.bmBits);
    for (LONG y = 0; y < dib.dsBm.bmHeight; ++y) {
      BYTE* pixel = rows + y * dib.dsBm.bmWidthBytes;
      for (LONG x = 0; x < dib.dsBm.bmWidth; ++x, pixel += 3) {
        if (pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 255) {
          pixel[0] = GetBValue(background);
          pixel[1] = GetGValue(background);
          pixel[2] = GetRValue(background);
        }
      }
    }
  }
  return bitmap;
}

HICON load_icon(HINSTANCE instance, int id, int size) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

TransferWindow::TransferWindow(const ResourceModules& resources, app::RunContext& context,
                               ImageListIcons& icons, ui::IconCache& cache)
    : Dialog(resources, IDD_TRANSFER_DLG),
      c_(context),
      icons_(icons),
      logic_(context, *this, cache) {}

TransferWindow::~TransferWindow() {
  tooltips_.reset();
  Close();
  c_.main_window = 0;
}

int TransferWindow::run() {
  accelerators_ = LoadAcceleratorsW(resources().module_for(RT_ACCELERATOR, IDR_TRANSFER_ACCEL),
                                    MAKEINTRESOURCEW(IDR_TRANSFER_ACCEL));
  if (!Create(nullptr)) return -1;
  ShowWindow(Dialog::window().get(), SW_SHOW);
  bool idle_done = false;
  while (!ended_) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // Once per quiet spell: the menu follows the state before it is opened.
      if (!idle_done) logic_.OnIdle();
      idle_done = true;
      WaitMessage();
      continue;
    }
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    idle_done = false;
    dispatch(msg);
  }
  return result_;
}

bool TransferWindow::side_of(HWND window, ui::PaneSide* side) const {
  ui::PaneSide found;
  if (window != nullptr && window == desktop_list_.window().get()) {
    found = ui::PaneSide::kDesktop;
  } else if (window != nullptr && window == device_list_.window().get()) {
    found = ui::PaneSide::kDevice;
  } else {
    return false;
  }
  if (side != nullptr) *side = found;
  return true;
}

bool TransferWindow::list_key(const MSG& msg) {
  ui::PaneSide side;
  if (msg.message != WM_KEYDOWN || !side_of(msg.hwnd, &side)) return false;
  const bool desktop = side == ui::PaneSide::kDesktop;
  if (msg.wParam == VK_BACK) {
    logic_.OnCommand(desktop ? IDC_DESKTOP_UP : IDC_DEVICE_UP);
    return true;
  }
  if (msg.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
    logic_.OnCommand(desktop ? ID_DESKTOP_SELECT_ALL : ID_DEVICE_SELECT_ALL);
    return true;
  }
  return false;
}

void TransferWindow::keyboard_context_menu(HWND list) {
  ui::PaneSide side;
  if (!side_of(list, &side)) return;
  // Below the focused item, else at the list's top left corner.
  RECT place{};
  GetClientRect(list, &place);
  const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
  RECT item{};
  if (focused >= 0 && ListView_GetItemRect(list, focused, &item, LVIR_LABEL)) {
    place.left = item.left;
    place.top = item.bottom;
  }
  POINT at{place.left, place.top};
  ClientToScreen(list, &at);
  logic_.OnRightClick(side, at.x, at.y);
}

void TransferWindow::dispatch(MSG& msg) {
  const HWND hwnd = Dialog::window().get();
  if (hwnd != nullptr && list_key(msg)) return;
  if (hwnd != nullptr && accelerators_ != nullptr &&
      TranslateAcceleratorW(hwnd, accelerators_, &msg)) {
    return;
  }
  if (hwnd != nullptr && IsDialogMessageW(hwnd, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void TransferWindow::pump_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

BOOL TransferWindow::OnInit() {
  desktop_list_.attach(Dialog::window().item(IDC_DESKTOP_LIST), icons_.get());
  device_list_.attach(Dialog::window().item(IDC_DEVICE_LIST), icons_.get());
  status_.attach(Dialog::window().item(IDC_STATUS));
  record_arrangement();
  logic_.OnInit();
  return TRUE;
}

bool TransferWindow::OnCommand(int id, int code, HWND control) {
  // Controls report more than clicks; only a click, a menu item or an
  // accelerator is a command.
  if (control != nullptr && code != BN_CLICKED) return false;
  if (id == IDOK || id == IDCANCEL) return false;
  return logic_.OnCommand(id);
}

bool TransferWindow::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->idFrom != IDC_DESKTOP_LIST && header->idFrom != IDC_DEVICE_LIST) return false;
  const ui::PaneSide side =
      header->idFrom == IDC_DESKTOP_LIST ? ui::PaneSide::kDesktop : ui::PaneSide::kDevice;
  switch (header->code) {
    case NM_DBLCLK:
      logic_.OnDoubleClick(side, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      *result = 0;
      return true;
    case LVN_COLUMNCLICK:
      logic_.OnColumnClick(side, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      *result = 0;
      return true;
    case NM_RCLICK: {
      const DWORD position = GetMessagePos();
      logic_.OnRightClick(side, static_cast<short>(LOWORD(position)),
                          static_cast<short>(HIWORD(position)));
      *result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void TransferWindow::record_arrangement() {
  const HWND hwnd = Dialog::window().get();
  RECT outer{};
  GetWindowRect(hwnd, &outer);
  min_width_ = outer.right - outer.left;
  min_height_ = outer.bottom - outer.top;
  RECT client{};
  GetClientRect(hwnd, &client);
  arrangement_.clear();
  for (const ui::ArrangedControl& control : ui::arranged_controls()) {
    RECT place{};
    GetWindowRect(GetDlgItem(hwnd, control.id), &place);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
    ui::ArrangementRecord record{control.id, control.rule,
                                 {place.left, place.top, place.right, place.bottom},
                                 {client.left, client.top, client.right, client.bottom}};
    if (!ui::is_recorded_inside(record)) VMT_LOG_POINT(c_.log);
    arrangement_.push_back(record);
  }
  arrangement_recorded_ = true;
}

void TransferWindow::apply_arrangement() {
  if (!arrangement_recorded_) return;
  const HWND hwnd = Dialog::window().get();
  RECT client{};
  GetClientRect(hwnd, &client);
  for (const ui::ArrangementRecord& record : arrangement_) {
    const ui::Rect place = ui::arrange(record, client.right, client.bottom);
    MoveWindow(GetDlgItem(hwnd, record.id), place.left, place.top, place.width(), place.height(),
               TRUE);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void TransferWindow::paint_minimised() {
  const HWND hwnd = Dialog::window().get();
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(hwnd, &paint);
  SendMessageW(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(hwnd, &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, large_icon_.get());
  EndPaint(hwnd, &paint);
}

bool TransferWindow::OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR* result) {
  switch (message) {
    case WM_SIZE:
      apply_arrangement();
      *result = 0;
      return true;
    case WM_SIZING: {
      auto* proposed = reinterpret_cast<RECT*>(l);
      ui::Rect place{proposed->left, proposed->top, proposed->right, proposed->bottom};
      ui::limit_sizing(static_cast<ui::SizingEdge>(w), min_width_, min_height_, &place);
      *proposed = RECT{place.left, place.top, place.right, place.bottom};
      *result = TRUE;
      return true;
    }
    case WM_PAINT:
      if (!IsIconic(Dialog::window().get())) return false;
      paint_minimised();
      *result = TRUE;
      return true;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlID != IDC_UPLOAD && item->CtlID != IDC_DOWNLOAD) return false;
      draw_transfer_button(*item);
      *result = TRUE;
      return true;
    }
    case WM_CONTEXTMENU:
      // The mouse's menu comes from the lists' right click; this is the keyboard's.
      if (l != -1 || !side_of(reinterpret_cast<HWND>(w), nullptr)) return false;
      keyboard_context_menu(reinterpret_cast<HWND>(w));
      *result = TRUE;
      return true;
    case WM_SYSCOLORCHANGE:
      colours_changed();
      *result = 0;
      return true;
    case WM_DPICHANGED:
      dpi_changed(HIWORD(w), *reinterpret_cast<const RECT*>(l));
      *result = 0;
      return true;
    case WM_QUERYENDSESSION:
      *result = query_end_session();
      return true;
    case WM_ENDSESSION:
      // The session ends anyway: the copy under way goes as Cancel takes it.
      if (w != FALSE && c_.abandon_copy) {
        c_.session_ending = true;
        c_.abandon_copy();
      }
      *result = TRUE;
      return true;
    default:
      return false;
  }
}

// A copy under way refuses the end of the session and says why; the dialog
// procedure gives its answer through DWLP_MSGRESULT.
INT_PTR TransferWindow::query_end_session() {
  const HWND hwnd = Dialog::window().get();
  const bool copying = device::is_copying_dialog_open(c_);
  if (copying) {
    const std::wstring reason = platform::to_wide(
        c_.texts.load_message_text(50651, "Copying files to the data collector"));
    ShutdownBlockReasonCreate(hwnd, reason.c_str());
  } else {
    ShutdownBlockReasonDestroy(hwnd);
  }
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, copying ? FALSE : TRUE);
  return TRUE;
}

void TransferWindow::OnTimer(UINT_PTR id) { logic_.OnTimer(static_cast<int>(id)); }
void TransferWindow::OnOK() {
  // Enter in a list opens the folder that has the focus; elsewhere it leaves.
  ui::PaneSide side;
  const HWND focus = GetFocus();
  if (side_of(focus, &side)) {
    const int item = ListView_GetNextItem(focus, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (logic_.OnEnterInList(side, item)) return;
  }
  logic_.OnOK();
}
void TransferWindow::OnCancel() { logic_.OnCancel(); }

void TransferWindow::End(INT_PTR result) {
  result_ = static_cast<int>(result);
  ended_ = true;
  ShowWindow(Dialog::window().get(), SW_HIDE);
}

void TransferWindow::end_dialog(int result) { End(result); }

void TransferWindow::set_caption(const std::string& text) {
  Dialog::window().set_text(to_wide(text));
}

void TransferWindow::set_pictures() {
  const Window w = Dialog::window();
  dpi_ = window_dpi(w.get());
  large_icon_.reset(load_icon(instance(), IDI_PROGRAM, scale_for_dpi(32, dpi_)));
  small_icon_.reset(load_icon(instance(), IDI_PROGRAM, scale_for_dpi(16, dpi_)));
  w.send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_.get()));
  w.send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));

  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  upload_bitmap_.reset(at_dpi(load_bitmap_on(instance(), IDB_UPLOAD, face), dpi_));
  download_bitmap_.reset(at_dpi(load_bitmap_on(instance(), IDB_DOWNLOAD, face), dpi_));
  upload_greyed_.reset(greyed_bitmap(static_cast<HBITMAP>(upload_bitmap_.get()), face));
  download_greyed_.reset(greyed_bitmap(static_cast<HBITMAP>(download_bitmap_.get()), face));
  desktop_picture_.reset(at_dpi(load_bitmap_on(instance(), IDB_DESKTOP_PICTURE, face), dpi_));
  device_picture_.reset(at_dpi(load_bitmap_on(instance(), IDB_DEVICE_PICTURE, face), dpi_));
  // The transfer buttons draw their own pictures: a disabled picture button
  // is left blank by some systems instead of greyed.
  for (int id : {IDC_UPLOAD, IDC_DOWNLOAD}) {
    const HWND button = w.item(id).get();
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(BS_TYPEMASK | BS_BITMAP)) | BS_OWNERDRAW);
    InvalidateRect(button, nullptr, TRUE);
  }
  w.item(IDC_DESKTOP_PICTURE)
      .send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(desktop_picture_.get()));
  w.item(IDC_DEVICE_PICTURE)
      .send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(device_picture_.get()));

  up_icon_.reset(load_icon(instance(), IDI_UP_ONE_LEVEL, scale_for_dpi(16, dpi_)));
  browse_icon_.reset(load_icon(instance(), IDI_BROWSE, scale_for_dpi(16, dpi_)));
  for (int id : {IDC_DESKTOP_UP, IDC_DEVICE_UP}) {
    w.item(id).send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(up_icon_.get()));
  }
  for (int id : {IDC_BROWSE_DESKTOP, IDC_BROWSE_DEVICE}) {
    w.item(id).send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(browse_icon_.get()));
  }

  // A picture button's text is not drawn; it is the name a screen reader says.
  app::MessageTexts& t = c_.texts;
  const struct {
    int id;
    std::string name;
  } names[] = {
      {IDC_UPLOAD, t.load_message_text(50672, "Upload to the data collector (>>>)")},
      {IDC_DOWNLOAD, t.load_message_text(50673, "Download to this computer (<<<)")},
      {IDC_BROWSE_DESKTOP, t.load_message_text(50674, "Browse for a folder on this computer")},
      {IDC_BROWSE_DEVICE, t.load_message_text(50675, "Browse for a folder on the data collector")},
      {IDC_DESKTOP_UP, t.load_message_text(50676, "Up one level on this computer")},
      {IDC_DEVICE_UP, t.load_message_text(50677, "Up one level on the data collector")},
  };
  for (const auto& name : names) w.item(name.id).set_text(to_wide(name.name));
}

void TransferWindow::draw_transfer_button(const DRAWITEMSTRUCT& item) {
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  RECT frame = item.rcItem;
  DrawFrameControl(item.hDC, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const bool upload = item.CtlID == IDC_UPLOAD;
  HGDIOBJ picture = disabled ? (upload ? upload_greyed_ : download_greyed_).get()
                             : (upload ? upload_bitmap_ : download_bitmap_).get();
  BITMAP size{};
  if (picture != nullptr && GetObjectW(picture, sizeof size, &size) != 0) {
    HDC source = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(source, picture);
    const int offset = pushed ? 1 : 0;
    const int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - size.bmWidth) / 2;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - size.bmHeight) / 2;
    BitBlt(item.hDC, x + offset, y + offset, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -scale_for_dpi(3, dpi_), -scale_for_dpi(3, dpi_));
    DrawFocusRect(item.hDC, &focus);
  }
}

void TransferWindow::colours_changed() {
  set_pictures();
  // The common controls follow the new colours only when they are told.
  const HWND hwnd = Dialog::window().get();
  for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void TransferWindow::dpi_changed(int dpi, const RECT& suggested) {
  const int old_dpi = dpi_;
  if (dpi <= 0 || dpi == old_dpi) return;
  for (ui::ArrangementRecord& record : arrangement_) record = ui::scaled_record(record, dpi, old_dpi);
  min_width_ = MulDiv(min_width_, dpi, old_dpi);
  min_height_ = MulDiv(min_height_, dpi, old_dpi);
  desktop_list_.rescale_columns(dpi, old_dpi);
  device_list_.rescale_columns(dpi, old_dpi);
  set_pictures();
  SetWindowPos(Dialog::window().get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TransferWindow::set_control_text(int id, const std::string& text) {
  // Alt+W for the filter toggle, whichever of its two captions it shows.
  Dialog::window().item(id).set_text(id == IDC_FILTER_TOGGLE ? with_mnemonic(to_wide(text), L'w')
                                                             : to_wide(text));
}

void TransferWindow::enable_control(int id, bool enabled) {
  Dialog::window().item(id).enable(enabled);
}

bool TransferWindow::is_control_enabled(int id) {
  return Dialog::window().item(id).is_enabled();
}

void TransferWindow::show_control(int id, bool shown) { Dialog::window().item(id).show(shown); }

void TransferWindow::set_check(int id, bool checked) {
  CheckDlgButton(Dialog::window().get(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool TransferWindow::is_checked(int id) {
  return IsDlgButtonChecked(Dialog::window().get(), id) == BST_CHECKED;
}

void TransferWindow::append_status_record(const std::string& text) {
  status_.append_record(to_wide(text));
}

void TransferWindow::set_status_line(const std::string& text) { status_.set_line(to_wide(text)); }

void TransferWindow::drop_status_record(const std::string& text) {
  status_.drop_record(to_wide(text).size());
}

bool TransferWindow::open_animation() {
  return Dialog::window().item(IDC_ANIMATION).send(
             ACM_OPENW, reinterpret_cast<WPARAM>(instance()),
             reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_BUSY_ANIMATION))) != 0;
}

void TransferWindow::play_animation(bool play) {
  const Window animation = Dialog::window().item(IDC_ANIMATION);
  if (play) {
    animation.show(true);
    animation.send(ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
  } else {
    animation.send(ACM_STOP);
    animation.show(false);
  }
}

void TransferWindow::add_tooltip(int id, const std::string& text) {
  const HWND hwnd = Dialog::window().get();
  if (!tooltips_) {
    tooltips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                                    instance(), nullptr));
    if (!tooltips_) return;
    SendMessageW(tooltips_.get(), TTM_SETMAXTIPWIDTH, 0, scale_for_dpi(320, window_dpi(hwnd)));
  }
  std::wstring wide = to_wide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  // The tooltip watches the control's own messages, so no relaying is needed.
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd, id));
  tool.lpszText = wide.data();
  SendMessageW(tooltips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TransferWindow::activate_tooltips(bool active) {
  if (tooltips_) SendMessageW(tooltips_.get(), TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

bool TransferWindow::start_timer(int id, unsigned period_ms) {
  return SetTimer(Dialog::window().get(), static_cast<UINT_PTR>(id), period_ms, nullptr) != 0;
}

bool TransferWindow::kill_timer(int id) {
  return KillTimer(Dialog::window().get(), static_cast<UINT_PTR>(id)) != FALSE;
}

ui::PaneListView& TransferWindow::list(ui::PaneSide side) {
  return side == ui::PaneSide::kDesktop ? desktop_list_ : device_list_;
}

void TransferWindow::show_popup_menu(int menu, int x, int y) {
  UniqueMenu loaded(LoadMenuW(resources().module_for(RT_MENU, menu), MAKEINTRESOURCEW(menu)));
  if (!loaded) return;
  HMENU popup = GetSubMenu(loaded.get(), 0);
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    const ui::MenuItemState state = logic_.menu_item_state(static_cast<int>(id));
    EnableMenuItem(popup, id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
  }
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, Dialog::window().get(),
                 nullptr);
}

void TransferWindow::set_menu_item(int id, ui::MenuItemState state) {
  HMENU menu = GetMenu(Dialog::window().get());
  if (menu == nullptr) return;
  EnableMenuItem(menu, static_cast<UINT>(id),
                 MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
  // The two filters are one choice: they carry a radio mark.
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &info)) return;
  if (id == ID_VIEW_ALL_FILES || id == ID_VIEW_FEATLINK_FILES) info.fType |= MFT_RADIOCHECK;
  info.fState = (info.fState & ~static_cast<UINT>(MFS_CHECKED)) |
                (state.checked ? MFS_CHECKED : MFS_UNCHECKED);
  SetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &info);
}

bool TransferWindow::browse_for_folder(const std::string& title, const std::string& start,
                                       std::string* chosen) {
  return gui::browse_for_folder(Dialog::window().get(), title, start, chosen);
}

void TransferWindow::open_help(const std::string& file) {
  open_html_help(Dialog::window().get(), file);
}

int TransferWindow::run_device_browser(const std::string& start, std::string* last_folder) {
  BrowserWindow browser(resources(), c_, start);
  const int result = static_cast<int>(browser.DoModal(Dialog::window().get()));
  *last_folder = browser.folder();
  return result;
}

int TransferWindow::run_new_folder_dialog(ui::CNDR_NewDir_Dlg& dialog) {
  NewFolderWindow window(resources(), dialog);
  return static_cast<int>(window.DoModal(Dialog::window().get()));
}

int TransferWindow::run_options_dialog() {
  OptionsWindow options(resources(), c_);
  return static_cast<int>(options.DoModal(Dialog::window().get()));
}

}  // namespace vmt::gui
