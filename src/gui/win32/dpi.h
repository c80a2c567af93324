// The window's DPI, and pixel sizes drawn for 96 DPI scaled to it. Windows 10
// gives each window its monitor's DPI; older systems the system's.
#pragma once

#include <windows.h>

namespace vmt::gui {

constexpr int kDefaultDpi = 96;

int window_dpi(HWND window);
inline int scale_for_dpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kDefaultDpi); }

// A copy of the bitmap enlarged (or reduced) for `dpi`, pixel by pixel so
// that its colours stay as they are; null when it cannot be made. The
// original is kept by the caller.
HBITMAP scaled_bitmap(HBITMAP bitmap, int dpi);

// A copy of the bitmap in lighter greys, as Windows shows a disabled picture.
HBITMAP greyed_bitmap(HBITMAP bitmap, COLORREF background);

}  // namespace vmt::gui
