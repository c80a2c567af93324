#include "gui/win32/dpi.h"

#include <vector>

namespace vmt::gui {

int window_dpi(HWND window) {
  // GetDpiForWindow exists from Windows 10 (1607) on.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window != nullptr && window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : kDefaultDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

namespace {

// The bitmap's pixels as 32-bit top-down rows; false when it cannot be read.
bool read_pixels(HBITMAP bitmap, BITMAP* info, std::vector<DWORD>* pixels) {
  if (GetObjectW(bitmap, sizeof *info, info) == 0 || info->bmWidth <= 0 || info->bmHeight <= 0) {
    return false;
  }
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = info->bmWidth;
  format.bmiHeader.biHeight = -info->bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  pixels->assign(static_cast<std::size_t>(info->bmWidth) * info->bmHeight, 0);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info->bmHeight), pixels->data(),
                             &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows == info->bmHeight;
}

HBITMAP make_bitmap(int width, int height, const std::vector<DWORD>& pixels) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP made = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (made != nullptr && bits != nullptr) {
    CopyMemory(bits, pixels.data(), pixels.size() * sizeof(DWORD));
  }
  return made;
}

}  // namespace

HBITMAP scaled_bitmap(HBITMAP bitmap, int dpi) {
  BITMAP info{};
  std::vector<DWORD> source;
  if (bitmap == nullptr || !read_pixels(bitmap, &info, &source)) return nullptr;
  const int width = scale_for_dpi(info.bmWidth, dpi);
  const int height = scale_for_dpi(info.bmHeight, dpi);
  if (width <= 0 || height <= 0) return nullptr;
  std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int from_y = y * info.bmHeight / height;
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<std::size_t>(y) * width + x] =
          source[static_cast<std::size_t>(from_y) * info.bmWidth + x * info.bmWidth / width];
    }
  }
  return make_bitmap(width, height, pixels);
}

HBITMAP greyed_bitmap(HBITMAP bitmap, COLORREF background) {
  BITMAP info{};
  std::vector<DWORD> pixels;
  if (bitmap == nullptr || !read_pixels(bitmap, &info, &pixels)) return nullptr;
  // DIB pixels are blue, green, red from the low byte up.
  const DWORD face = RGB(GetBValue(background), GetGValue(background), GetRValue(background));
  for (DWORD& pixel : pixels) {
    if ((pixel & 0xFFFFFF) == face) continue;
    const int blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
    const int light = (red * 30 + green * 59 + blue * 11) / 100;
    // Half-way between the picture's own lightness and the face behind it.
    const int grey = (light + (GetRValue(background) + GetGValue(background) +
                               GetBValue(background)) / 3) / 2;
    pixel = static_cast<DWORD>(grey | (grey << 8) | (grey << 16));
  }
  return make_bitmap(info.bmWidth, info.bmHeight, pixels);
}

}  // namespace vmt::gui
