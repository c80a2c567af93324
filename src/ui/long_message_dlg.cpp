#include "ui/long_message_dlg.h"

#include "app/message_box.h"

namespace vmt::ui {

namespace {
constexpr unsigned kButtonBits = 0x0Fu;
constexpr unsigned kDefaultBits = 0xF00u;
}  // namespace

std::vector<int> CLMB_Long_Message_Dlg::buttons() const {
  switch (style_ & kButtonBits) {
    case app::mb::kOkCancel:
      return {app::id::kOk, app::id::kCancel};
    case app::mb::kYesNoCancel:
      return {app::id::kYes, app::id::kNo, app::id::kCancel};
    case app::mb::kYesNo:
      return {app::id::kYes, app::id::kNo};
    default:
      return {app::id::kOk};
  }
}

int CLMB_Long_Message_Dlg::default_button() const {
  const std::vector<int> all = buttons();
  const std::size_t index = (style_ & kDefaultBits) >> 8;
  return all[index < all.size() ? index : 0];
}

int CLMB_Long_Message_Dlg::cancel_result() const {
  switch (style_ & kButtonBits) {
    case app::mb::kYesNo:
      return 0;
    case app::mb::kOkCancel:
    case app::mb::kYesNoCancel:
      return app::id::kCancel;
    default:
      return app::id::kOk;
  }
}

std::string with_crlf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace vmt::ui
