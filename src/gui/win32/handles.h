// A non-owning window handle and one move-only owner per handle kind the
// front end creates.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

namespace vmt::gui {

// A window the code refers to but does not own.
class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}
  HWND get() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }
  Window item(int id) const { return Window(GetDlgItem(hwnd_, id)); }
  LRESULT send(UINT message, WPARAM w = 0, LPARAM l = 0) const {
    return SendMessageW(hwnd_, message, w, l);
  }
  void set_text(const std::wstring& text) const { SetWindowTextW(hwnd_, text.c_str()); }
  std::wstring text() const {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
  }
  void enable(bool enabled) const { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
  bool is_enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  void show(bool shown) const { ShowWindow(hwnd_, shown ? SW_SHOW : SW_HIDE); }

 private:
  HWND hwnd_ = nullptr;
};

// Owns one handle; Traits::close releases it.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Handle());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle(); }
  void reset(Handle handle = Handle()) {
    if (handle_ != Handle()) Traits::close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Handle();
};

struct IconTraits {
  using Handle = HICON;
  static void close(HICON h) { DestroyIcon(h); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct ImageListTraits {
  using Handle = HIMAGELIST;
  static void close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct MenuTraits {
  using Handle = HMENU;
  static void close(HMENU h) { DestroyMenu(h); }
};
struct WindowTraits {
  using Handle = HWND;
  static void close(HWND h) { DestroyWindow(h); }
};

using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueImageList = UniqueHandle<ImageListTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;

}  // namespace vmt::gui
