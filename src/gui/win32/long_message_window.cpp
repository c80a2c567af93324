#include "gui/win32/long_message_window.h"

#include <algorithm>
#include <vector>

#include "app/message_box.h"

namespace vmt::gui {

namespace {

// The buttons of the template, each with the answer as its id.
constexpr int kButtons[] = {IDOK, IDCANCEL, IDYES, IDNO};

LPCWSTR system_icon(unsigned icon) {
  switch (icon) {
    case app::mb::kIconError:
      return IDI_HAND;
    case app::mb::kIconQuestion:
      return IDI_QUESTION;
    case app::mb::kIconWarning:
      return IDI_EXCLAMATION;
    case app::mb::kIconInformation:
      return IDI_ASTERISK;
    default:
      return nullptr;
  }
}

RECT work_area(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcWork;
}

// A device context for measuring text, released with its font.
class MeasuringDc {
 public:
  MeasuringDc() : dc_(CreateCompatibleDC(nullptr)) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (dc_ != nullptr && font_ != nullptr) old_ = SelectObject(dc_, font_);
  }
  ~MeasuringDc() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (font_ != nullptr) DeleteObject(font_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MeasuringDc(const MeasuringDc&) = delete;
  MeasuringDc& operator=(const MeasuringDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace

bool message_box_fits(HWND owner, const std::wstring& text) {
  const RECT work = work_area(owner);
  const int width = work.right - work.left;
  const int height = work.bottom - work.top;
  MeasuringDc dc;
  if (dc.get() == nullptr) return true;
  // A message box wraps its text at about five eighths of the screen's width.
  RECT box{0, 0, width * 5 / 8, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  // The caption, the margins and the row of buttons.
  const int chrome = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) +
                     6 * metrics.tmHeight;
  return box.bottom - box.top + chrome <= height;
}

BOOL LongMessageWindow::OnInit() {
  const Window self = Dialog::window();
  SetWindowTextW(self.get(), caption_.c_str());
  self.item(IDC_LONG_MESSAGE_TEXT).set_text(text_);
  if (const LPCWSTR icon = system_icon(logic_.icon())) {
    self.item(IDC_LONG_MESSAGE_ICON).send(STM_SETICON,
                                          reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)));
  } else {
    self.item(IDC_LONG_MESSAGE_ICON).show(false);
  }
  const std::vector<int> shown = logic_.buttons();
  for (int id : kButtons) {
    self.item(id).show(std::find(shown.begin(), shown.end(), id) != shown.end());
  }
  if (logic_.cancel_result() == 0) {
    EnableMenuItem(GetSystemMenu(self.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  }
  RECT units{0, 0, 50, 14};
  MapDialogRect(self.get(), &units);
  button_ = {units.right, units.bottom};
  RECT gap{0, 0, 7, 7};
  MapDialogRect(self.get(), &gap);
  margin_ = gap.right;

  // Most of the screen, centred on it.
  const RECT work = work_area(GetParent(self.get()));
  const int width = (work.right - work.left) * 2 / 3;
  const int height = (work.bottom - work.top) * 3 / 4;
  SetWindowPos(self.get(), nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  arrange();
  const HWND first = self.item(logic_.default_button()).get();
  SendMessageW(self.get(), DM_SETDEFID, static_cast<WPARAM>(logic_.default_button()), 0);
  SetFocus(first);
  // The focus is on the default button, not on the text.
  return FALSE;
}

bool LongMessageWindow::OnCommand(int id, int code, HWND control) {
  if (control == nullptr || code != BN_CLICKED) return false;
  const std::vector<int> shown = logic_.buttons();
  if (std::find(shown.begin(), shown.end(), id) == shown.end()) return false;
  End(id);
  return true;
}

void LongMessageWindow::OnCancel() {
  if (const int result = logic_.cancel_result()) End(result);
}

bool LongMessageWindow::OnMessage(UINT message, WPARAM, LPARAM l, INT_PTR* result) {
  if (message == WM_SIZE) {
    arrange();
    *result = 0;
    return true;
  }
  if (message == WM_GETMINMAXINFO) {
    auto* limits = reinterpret_cast<MINMAXINFO*>(l);
    limits->ptMinTrackSize.x = 4 * button_.cx + 6 * margin_;
    limits->ptMinTrackSize.y = 4 * button_.cy + 4 * margin_;
    *result = 0;
    return true;
  }
  return false;
}

void LongMessageWindow::arrange() {
  const Window self = Dialog::window();
  if (!self || button_.cx == 0) return;
  RECT client{};
  GetClientRect(self.get(), &client);
  const int icon = GetSystemMetrics(SM_CXICON);
  const bool has_icon = logic_.icon() != 0;
  const int text_left = margin_ + (has_icon ? icon + margin_ : 0);
  const int buttons_top = client.bottom - margin_ - button_.cy;
  SetWindowPos(self.item(IDC_LONG_MESSAGE_ICON).get(), nullptr, margin_, margin_, icon, icon,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(self.item(IDC_LONG_MESSAGE_TEXT).get(), nullptr, text_left, margin_,
               std::max(0, static_cast<int>(client.right) - margin_ - text_left),
               std::max(0, buttons_top - 2 * margin_), SWP_NOZORDER | SWP_NOACTIVATE);
  const std::vector<int> shown = logic_.buttons();
  int left = client.right - margin_ -
             static_cast<int>(shown.size()) * (button_.cx + margin_) + margin_;
  for (int id : shown) {
    SetWindowPos(self.item(id).get(), nullptr, left, buttons_top, button_.cx, button_.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    left += button_.cx + margin_;
  }
  InvalidateRect(self.get(), nullptr, TRUE);
}

}  // namespace vmt::gui
