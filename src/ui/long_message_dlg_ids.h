// Resource ids of the long message window (template 195): a message box's
// icon, text and buttons in a window that can be sized and scrolled.
#pragma once

#define IDD_LONG_MESSAGE_DLG 195
#define IDC_LONG_MESSAGE_ICON 1101
#define IDC_LONG_MESSAGE_TEXT 1102
