// The long message window follows the style bits of the box it stands in for.
#include "ui/long_message_dlg.h"

#include <gtest/gtest.h>

#include "app/message_box.h"

namespace vmt::ui {
namespace {

using app::id::kCancel;
using app::id::kNo;
using app::id::kOk;
using app::id::kYes;

TEST(LongMessage, ButtonsDefaultEscapeAndLineEndsAsTheBoxWouldHaveThem) {
  const CLMB_Long_Message_Dlg yes_no(app::mb::kYesNo | app::mb::kIconQuestion);
  EXPECT_EQ((std::vector<int>{kYes, kNo}), yes_no.buttons());
  EXPECT_EQ(kYes, yes_no.default_button());
  EXPECT_EQ(0, yes_no.cancel_result());  // Yes/No offers no way out but its buttons
  EXPECT_EQ(app::mb::kIconQuestion, yes_no.icon());
  EXPECT_EQ(kOk, CLMB_Long_Message_Dlg(app::mb::kOk).cancel_result());

  const CLMB_Long_Message_Dlg three(app::mb::kYesNoCancel | app::mb::kDefaultButton2 |
                                    app::mb::kIconWarning);
  EXPECT_EQ((std::vector<int>{kYes, kNo, kCancel}), three.buttons());
  EXPECT_EQ(kNo, three.default_button());
  EXPECT_EQ(kCancel, three.cancel_result());
  // A default beyond the buttons falls back to the first.
  EXPECT_EQ(kOk, CLMB_Long_Message_Dlg(app::mb::kOk | 0x200).default_button());

  EXPECT_EQ("a\r\n\r\nb\r\n", with_crlf("a\n\nb\n"));
  EXPECT_EQ("a\r\nb", with_crlf("a\r\nb"));
}

}  // namespace
}  // namespace vmt::ui
