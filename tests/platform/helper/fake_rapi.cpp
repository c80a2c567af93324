// A rapi.dll of our own for tests: the remote API's exports, served by the
// emulated data collector in the folder that VMTRANSFER_DEVICE names, in
// either of its error modes. As rapi.dll does, it completes the connection a
// moment after CeRapiInitEx has returned, writing the result into the
// caller's record then, and it takes only the SDK's HKEY_LOCAL_MACHINE.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/emulator/emulated_device.h"
#include "platform/platform.h"
#include "platform/win32/rapi_records.h"
#include "platform/win32/win32_clock.h"

using namespace vmt::platform;

namespace {

// A library holds its state for the process that loaded it; tests load it once.
struct Session {
  SystemClock clock;
  std::unique_ptr<EmulatedDevice> device;
  HANDLE event = nullptr;
  // The connection completing later: the caller's record and its result.
  HANDLE completion = nullptr;
  RAPIINIT_RECORD* record = nullptr;
  HRESULT result = S_OK;
};

Session& session() {
  static Session instance;
  return instance;
}

constexpr DWORD kCompletionDelayMs = 50;

DWORD WINAPI complete_connection(void*) {
  Session& s = session();
  Sleep(kCompletionDelayMs);
  s.record->hrRapiInit = s.result;
  SetEvent(s.event);
  return 0;
}

void finish_completion(Session& s) {
  if (!s.completion) return;
  WaitForSingleObject(s.completion, INFINITE);
  CloseHandle(s.completion);
  s.completion = nullptr;
}

Device& device() { return *session().device; }

std::u16string text(LPCWSTR wide) { return reinterpret_cast<const char16_t*>(wide); }

void fill(const CeFindData& data, CE_FIND_DATA_RECORD* record) {
  std::memset(record, 0, sizeof *record);
  record->dwFileAttributes = data.dwFileAttributes;
  record->ftCreationTime = ticks_filetime(data.ftCreationTime);
  record->ftLastAccessTime = ticks_filetime(data.ftLastAccessTime);
  record->ftLastWriteTime = ticks_filetime(data.ftLastWriteTime);
  record->nFileSizeHigh = data.nFileSizeHigh;
  record->nFileSizeLow = data.nFileSizeLow;
  const std::size_t length = std::min<std::size_t>(data.cFileName.size(), MAX_PATH - 1);
  std::memcpy(record->cFileName, data.cFileName.data(), length * sizeof(WCHAR));
}

HANDLE as_handle(CeHandle handle) { return reinterpret_cast<HANDLE>(handle); }
CeHandle as_ce(HANDLE handle) { return reinterpret_cast<CeHandle>(handle); }

}  // namespace

#define EXPORT __declspec(dllexport)

extern "C" {

EXPORT HRESULT WINAPI CeRapiInitEx(RAPIINIT_RECORD* init) {
  if (init == nullptr || init->cbSize != sizeof(RAPIINIT_RECORD)) return E_INVALIDARG;
  Session& s = session();
  finish_completion(s);
  wchar_t folder[MAX_PATH * 4] = {};
  GetEnvironmentVariableW(L"VMTRANSFER_DEVICE", folder, MAX_PATH * 4);
  std::u16string wide(reinterpret_cast<const char16_t*>(folder));
  std::string utf8;
  for (char16_t unit : wide) utf8 += static_cast<char>(unit);  // test folders are ASCII
  s.device = std::make_unique<EmulatedDevice>(utf8, s.clock);
  RapiInit record;
  const std::int32_t hr = s.device->CeRapiInitEx(&record);
  if (hr != 0) return hr;
  if (!s.event) s.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(s.event);
  init->heRapiInit = s.event;
  init->hrRapiInit = S_OK;
  // A device that is there completes the connection, well or not, a moment later.
  if (s.device->WaitForInitEvent(&record, 0) == 0) {
    s.record = init;
    s.result = record.hrRapiInit;
    s.completion = CreateThread(nullptr, 0, complete_connection, nullptr, 0, nullptr);
  }
  return 0;
}
EXPORT HRESULT WINAPI CeRapiUninit() {
  finish_completion(session());
  return device().CeRapiUninit();
}
EXPORT DWORD WINAPI CeGetLastError() { return device().CeGetLastError(); }
EXPORT HRESULT WINAPI CeRapiGetError() { return device().CeRapiGetError(); }
EXPORT HANDLE WINAPI CeFindFirstFile(LPCWSTR pattern, CE_FIND_DATA_RECORD* record) {
  CeFindData data;
  const CeHandle find = device().CeFindFirstFile(text(pattern), &data);
  if (find != kCeInvalidHandle) fill(data, record);
  return as_handle(find);
}
EXPORT BOOL WINAPI CeFindNextFile(HANDLE find, CE_FIND_DATA_RECORD* record) {
  CeFindData data;
  const bool found = device().CeFindNextFile(as_ce(find), &data);
  if (found) fill(data, record);
  return found;
}
EXPORT BOOL WINAPI CeFindClose(HANDLE find) { return device().CeFindClose(as_ce(find)); }
EXPORT BOOL WINAPI CeFindAllFiles(LPCWSTR pattern, DWORD flags, LPDWORD count,
                                  CE_FIND_DATA_RECORD** records) {
  std::vector<CeFindData> found;
  if (!device().CeFindAllFiles(text(pattern), flags, &found)) return FALSE;
  *count = static_cast<DWORD>(found.size());
  *records = static_cast<CE_FIND_DATA_RECORD*>(
      LocalAlloc(LPTR, (found.size() + 1) * sizeof(CE_FIND_DATA_RECORD)));
  for (std::size_t i = 0; i < found.size(); ++i) fill(found[i], &(*records)[i]);
  return TRUE;
}
EXPORT HRESULT WINAPI CeRapiFreeBuffer(LPVOID buffer) { return LocalFree(buffer) ? E_FAIL : S_OK; }
EXPORT HANDLE WINAPI CeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                  DWORD disposition, DWORD attributes, HANDLE) {
  return as_handle(device().CeCreateFile(text(path), access, share, disposition, attributes));
}
EXPORT BOOL WINAPI CeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
  std::uint32_t count = 0;
  const bool ok = device().CeReadFile(as_ce(file), buffer, size, &count);
  *read = count;
  return ok;
}
EXPORT BOOL WINAPI CeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                               LPOVERLAPPED) {
  std::uint32_t count = 0;
  const bool ok = device().CeWriteFile(as_ce(file), buffer, size, &count);
  *written = count;
  return ok;
}
EXPORT BOOL WINAPI CeGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access,
                                 FILETIME* write) {
  FileTimeTicks ticks[3] = {};
  if (!device().CeGetFileTime(as_ce(file), &ticks[0], &ticks[1], &ticks[2])) return FALSE;
  FILETIME* times[3] = {creation, access, write};
  for (int i = 0; i < 3; ++i) {
    if (times[i]) *times[i] = ticks_filetime(ticks[i]);
  }
  return TRUE;
}
EXPORT BOOL WINAPI CeSetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                                 const FILETIME* write) {
  const FileTimeTicks c = creation ? filetime_ticks(*creation) : 0;
  const FileTimeTicks a = access ? filetime_ticks(*access) : 0;
  const FileTimeTicks w = write ? filetime_ticks(*write) : 0;
  return device().CeSetFileTime(as_ce(file), creation ? &c : nullptr, access ? &a : nullptr,
                                write ? &w : nullptr);
}
EXPORT DWORD WINAPI CeGetFileSize(HANDLE file, LPDWORD size_high) {
  std::uint32_t high = 0;
  const std::uint32_t low = device().CeGetFileSize(as_ce(file), &high);
  if (size_high) *size_high = high;
  return low;
}
EXPORT BOOL WINAPI CeCloseHandle(HANDLE handle) { return device().CeCloseHandle(as_ce(handle)); }
EXPORT BOOL WINAPI CeDeleteFile(LPCWSTR path) { return device().CeDeleteFile(text(path)); }
EXPORT BOOL WINAPI CeCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  return device().CeCreateDirectory(text(path));
}
EXPORT BOOL WINAPI CeMoveFile(LPCWSTR from, LPCWSTR to) {
  return device().CeMoveFile(text(from), text(to));
}
EXPORT DWORD WINAPI CeGetFileAttributes(LPCWSTR path) {
  return device().CeGetFileAttributes(text(path));
}
// Only the SDK's own handle names the root; any other is a wrong parameter.
EXPORT LONG WINAPI CeRegOpenKeyEx(HKEY root, LPCWSTR subkey, DWORD, REGSAM, PHKEY key) {
  if (root != HKEY_LOCAL_MACHINE) return ERROR_INVALID_PARAMETER;
  CeRegKey opened = 0;
  const long rc = device().CeRegOpenKeyEx(kCeHkeyLocalMachine, text(subkey), &opened);
  *key = reinterpret_cast<HKEY>(opened);
  return rc;
}
EXPORT LONG WINAPI CeRegQueryValueEx(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                                     LPDWORD size) {
  std::uint32_t value_type = 0;
  std::uint32_t value_size = size ? *size : 0;
  const long rc = device().CeRegQueryValueEx(reinterpret_cast<CeRegKey>(key), text(name),
                                             &value_type, data, size ? &value_size : nullptr);
  if (type) *type = value_type;
  if (size) *size = value_size;
  return rc;
}
EXPORT LONG WINAPI CeRegCloseKey(HKEY key) {
  return device().CeRegCloseKey(reinterpret_cast<CeRegKey>(key));
}
EXPORT DWORD WINAPI CeGetTempPath(DWORD length, LPWSTR buffer) {
  std::u16string path;
  const std::uint32_t result = device().CeGetTempPath(length, &path);
  if (!path.empty()) std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  return result;
}

}  // extern "C"
