#include "e2e/window_driver.h"

#include <commctrl.h>

#include <string>

namespace vmt::e2e {

class WindowDriver::RemoteBuffer {
 public:
  RemoteBuffer(HWND window, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool write(SIZE_T offset, const void* data, SIZE_T size) const {
    return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, nullptr);
  }
  bool read(SIZE_T offset, void* data, SIZE_T size) const {
    return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  SIZE_T size_;
};

bool WindowDriver::find(DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    window_ = FindWindowW(L"#32770", L"Veldmark  Transfer");
    if (window_ != nullptr && IsWindowVisible(window_)) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeout_ms);
  return false;
}

// Sent, not GetWindowText: that reads no control of another process.
static std::wstring control_text(HWND control) {
  std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring WindowDriver::text(int id) const { return control_text(GetDlgItem(window_, id)); }

bool WindowDriver::is_ready() const {
  const std::wstring status = text(1015);
  return status.size() >= 6 && status.compare(status.size() - 6, 6, L"Ready.") == 0 &&
         IsWindowEnabled(GetDlgItem(window_, 1036));
}

bool WindowDriver::wait_ready(DWORD timeout_ms) const {
  const DWORD start = GetTickCount();
  do {
    if (is_ready()) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeout_ms && exists());
  return false;
}

int WindowDriver::list_count(int list_id) const {
  return static_cast<int>(SendMessageW(GetDlgItem(window_, list_id), LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::wstring> WindowDriver::list_column(int list_id, int column) const {
  const HWND list = GetDlgItem(window_, list_id);
  std::vector<std::wstring> texts;
  constexpr int kChars = 1024;
  RemoteBuffer remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.ok()) return texts;
  for (int i = 0; i < list_count(list_id); ++i) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kChars;
    item.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(LVITEMW)));
    remote.write(0, &item, sizeof item);
    const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                                        reinterpret_cast<LPARAM>(remote.at(0)));
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    if (length > 0) remote.read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t));
    texts.push_back(text);
  }
  return texts;
}

void WindowDriver::click(int id) const {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

void WindowDriver::command(int id) const {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool WindowDriver::click_item(int list_id, int item, bool twice) const {
  const HWND list = GetDlgItem(window_, list_id);
  // A point inside the item's label, in the list's client coordinates.
  RemoteBuffer remote(list, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_LABEL;
  if (!remote.ok() || !remote.write(0, &rect, sizeof rect) ||
      SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(remote.at(0))) == 0 ||
      !remote.read(0, &rect, sizeof rect)) {
    return false;
  }
  const LPARAM point = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(list, WM_LBUTTONUP, 0, point);
  if (twice) {
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
  }
  return true;
}

void WindowDriver::press_key_in(HWND target, UINT key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001 | (scan << 16)));
}

void WindowDriver::type_keys(const std::vector<WORD>& keys, WORD held) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (held != 0) add(held, false);
  for (WORD key : keys) {
    add(key, false);
    add(key, true);
  }
  if (held != 0) add(held, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WindowDriver::select_items(int list_id, const std::vector<int>& items) const {
  const HWND list = GetDlgItem(window_, list_id);
  RemoteBuffer remote(list, sizeof(LVITEMW));
  if (!remote.ok()) return false;
  auto set_state = [&](int item, UINT state) {
    LVITEMW change{};
    change.stateMask = LVIS_SELECTED;
    change.state = state;
    remote.write(0, &change, sizeof change);
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                        reinterpret_cast<LPARAM>(remote.at(0))) != 0;
  };
  bool ok = set_state(-1, 0);
  for (int item : items) ok = set_state(item, LVIS_SELECTED) && ok;
  return ok;
}

std::wstring WindowDriver::wait_box(DWORD timeout_ms, HWND* box, const std::wstring& part,
                                    HWND other) const {
  DWORD process = 0;
  GetWindowThreadProcessId(window_, &process);
  const DWORD start = GetTickCount();
  do {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (found == window_ || found == other || owner != process || !IsWindowVisible(found)) {
        continue;
      }
      // A message box's text, or the long message window's edit control.
      std::wstring text;
      if (const HWND edit = GetDlgItem(found, kLongMessageText)) {
        for (wchar_t ch : control_text(edit)) {
          if (ch != L'\r') text += ch;
        }
      } else if (const HWND label = GetDlgItem(found, 0xFFFF)) {
        text = control_text(label);
      } else {
        continue;
      }
      if (text.find(part) != std::wstring::npos) {
        *box = found;
        return text;
      }
    }
    Sleep(100);
  } while (GetTickCount() - start < timeout_ms);
  *box = nullptr;
  return {};
}

HWND WindowDriver::wait_dialog(const std::wstring& title, DWORD timeout_ms) const {
  const DWORD start = GetTickCount();
  do {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, L"#32770", title.c_str())) != nullptr) {
      if (GetWindow(found, GW_OWNER) == window_ && IsWindowVisible(found)) return found;
    }
    Sleep(100);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

void WindowDriver::press_box_button(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

}  // namespace vmt::e2e
