#include "platform/win32/win32_windows.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

#include "platform/types.h"
#include "platform/win32/win32_path.h"

namespace vmt::platform {

namespace {

// Owns a kernel handle.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&&) = delete;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

 private:
  HANDLE handle_;
};

std::wstring window_title(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, title.data(), length + 1);
  title.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return title;
}

std::wstring window_class(HWND window) {
  wchar_t buffer[257] = {};  // class names have at most 256 characters
  const int length = GetClassNameW(window, buffer, 257);
  return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

BOOL CALLBACK collect_window(HWND window, LPARAM list) {
  // No exception may leave a Win32 callback: out of memory ends the listing.
  try {
    auto* windows = reinterpret_cast<std::vector<TopLevelWindow>*>(list);
    windows->push_back({from_wide(window_title(window)), from_wide(window_class(window))});
    return TRUE;
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
}

bool has_folder(const std::wstring& name) {
  return name.find_first_of(L"\\/:") != std::wstring::npos;
}

// The mutex that marks the running copy; closing it lets the name go.
class MutexClaim : public InstanceClaim {
 public:
  explicit MutexClaim(HANDLE mutex) : mutex_(mutex) {}

 private:
  UniqueHandle mutex_;
};

// The folder part of a program's full path, or empty.
std::wstring folder_of_program(const std::wstring& program) {
  const std::size_t last = program.find_last_of(L"\\/");
  return last == std::wstring::npos ? std::wstring() : program.substr(0, last + 1);
}

}  // namespace

std::wstring quote_argument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted += c;
  }
  // Those before the closing quote are doubled so that it stays a quote.
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::vector<TopLevelWindow> Win32DesktopWindows::list_top_level_windows() {
  std::vector<TopLevelWindow> windows;
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool Win32DesktopWindows::window_with_title_exists(const std::string& title) {
  const std::wstring wanted = to_wide(title);
  const HWND found = FindWindowW(nullptr, wanted.c_str());
  if (found == nullptr) return false;
  // FindWindow ignores case; the title must match exactly.
  if (window_title(found) == wanted) return true;
  const auto windows = list_top_level_windows();
  return std::any_of(windows.begin(), windows.end(),
                     [&](const TopLevelWindow& window) { return window.title == title; });
}

bool Win32DesktopWindows::window_exists(std::uintptr_t window) {
  return window != 0 && IsWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

std::unique_ptr<InstanceClaim> Win32DesktopWindows::claim_single_instance(
    const std::string& name) {
  const std::wstring full = L"Local\\" + to_wide(name);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, full.c_str());
  // Another copy's mutex, or one this user may not open: that copy runs.
  const DWORD error = GetLastError();
  if (mutex == nullptr) return nullptr;
  auto claim = std::make_unique<MutexClaim>(mutex);
  if (error == ERROR_ALREADY_EXISTS) return nullptr;
  return claim;
}

bool Win32DesktopWindows::start_program(const std::string& executable, const std::string& argument,
                                        std::uint32_t* error) {
  std::wstring program = to_wide(executable);
  std::replace(program.begin(), program.end(), L'/', L'\\');
  const auto failed = [&](DWORD code) {
    if (error != nullptr) *error = code;
    return false;
  };
  if (program.empty()) return failed(ERROR_FILE_NOT_FOUND);
  if (!has_folder(program)) {
    // A bare name is looked up here, so that the program started is the one
    // named and never a guess from splitting the command line at blanks.
    std::wstring found(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = SearchPathW(nullptr, program.c_str(), L".exe",
                                       static_cast<DWORD>(found.size()), found.data(), nullptr);
      if (length == 0) return failed(GetLastError());
      if (length < found.size()) {
        found.resize(length);
        break;
      }
      found.resize(length + 1);
    }
    program = found;
  }
  std::wstring command_line = quote_argument(program);
  if (!argument.empty()) command_line += L" " + quote_argument(to_wide(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  const std::wstring folder = folder_of_program(program);
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return failed(GetLastError());
  }
  const UniqueHandle thread(process.hThread);
  const UniqueHandle owned(process.hProcess);
  if (error != nullptr) *error = error::kSuccess;
  return true;
}

bool Win32DesktopWindows::start_windows_program(const wchar_t* name,
                                                const std::string& argument,
                                                std::uint32_t* error) {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) {
    if (error != nullptr) *error = GetLastError();
    return false;
  }
  std::wstring program(folder, length);
  if (program.back() != L'\\') program += L'\\';
  program += name;
  return start_program(from_wide(program), argument, error);
}

bool Win32DesktopWindows::open_text_viewer(const std::string& file, std::uint32_t* error) {
  return start_windows_program(L"notepad.exe", file, error);
}

bool Win32DesktopWindows::open_folder(const std::string& folder, std::uint32_t* error) {
  return start_windows_program(L"explorer.exe", folder, error);
}

}  // namespace vmt::platform
