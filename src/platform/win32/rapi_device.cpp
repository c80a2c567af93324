#include "platform/win32/rapi_device.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/types.h"
#include "platform/win32/rapi_records.h"

namespace vmt::platform {

namespace {

using InitEx = HRESULT(WINAPI*)(RAPIINIT_RECORD*);
using Uninit = HRESULT(WINAPI*)();
using GetLastErr = DWORD(WINAPI*)();
using GetRapiErr = HRESULT(WINAPI*)();
using GetSize = DWORD(WINAPI*)(HANDLE, LPDWORD);
using GetAttributes = DWORD(WINAPI*)(LPCWSTR);
using FindFirst = HANDLE(WINAPI*)(LPCWSTR, CE_FIND_DATA_RECORD*);
using FindNext = BOOL(WINAPI*)(HANDLE, CE_FIND_DATA_RECORD*);
using FindClose = BOOL(WINAPI*)(HANDLE);
using FindAll = BOOL(WINAPI*)(LPCWSTR, DWORD, LPDWORD, CE_FIND_DATA_RECORD**);
using FreeBuffer = HRESULT(WINAPI*)(LPVOID);
using CreateF = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                HANDLE);
using ReadF = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
using WriteF = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
using GetTime = BOOL(WINAPI*)(HANDLE, FILETIME*, FILETIME*, FILETIME*);
using SetTime = BOOL(WINAPI*)(HANDLE, const FILETIME*, const FILETIME*, const FILETIME*);
using CloseH = BOOL(WINAPI*)(HANDLE);
using PathCall = BOOL(WINAPI*)(LPCWSTR);
using CreateDir = BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES);
using MoveF = BOOL(WINAPI*)(LPCWSTR, LPCWSTR);
using RegOpen = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
using RegQuery = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using RegClose = LONG(WINAPI*)(HKEY);
using TempPath = DWORD(WINAPI*)(DWORD, LPWSTR);

const wchar_t* wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

void convert(const CE_FIND_DATA_RECORD& record, CeFindData* data) {
  data->dwFileAttributes = record.dwFileAttributes;
  data->ftCreationTime = filetime_ticks(record.ftCreationTime);
  data->ftLastAccessTime = filetime_ticks(record.ftLastAccessTime);
  data->ftLastWriteTime = filetime_ticks(record.ftLastWriteTime);
  data->nFileSizeHigh = record.nFileSizeHigh;
  data->nFileSizeLow = record.nFileSizeLow;
  data->dwOID = record.dwOID;
  std::size_t length = 0;
  while (length < MAX_PATH && record.cFileName[length] != L'\0') ++length;
  data->cFileName.assign(reinterpret_cast<const char16_t*>(record.cFileName), length);
}

HANDLE as_handle(CeHandle handle) { return reinterpret_cast<HANDLE>(handle); }
CeHandle as_ce(HANDLE handle) { return reinterpret_cast<CeHandle>(handle); }

template <typename F>
bool resolve(HMODULE module, const char* name, F* function) {
  *function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

// A bare library name is taken from the system folder only, where ActiveSync
// installs rapi.dll, never from the program's folder or the current one.
HMODULE load_library(const std::wstring& library) {
  if (library.find_first_of(L"\\/") != std::wstring::npos) return LoadLibraryW(library.c_str());
  std::wstring folder(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length == 0 || length >= folder.size()) return nullptr;
  folder.resize(length);
  return LoadLibraryW((folder + L"\\" + library).c_str());
}

// The device's HKEY_LOCAL_MACHINE is the SDK's handle, sign-extended on 64 bits.
HKEY registry_root(CeRegKey root) {
  return root == kCeHkeyLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(root);
}

// Waits for the connection's event and handles the thread's messages
// meanwhile: the thread has initialised OLE, and the window stays drawn.
DWORD wait_handling_messages(HANDLE event, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  bool quit = false;
  WPARAM quit_code = 0;
  DWORD result = WAIT_TIMEOUT;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    result = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_ALLINPUT);
    if (result != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quit_code = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (left == 0) {
      result = WaitForSingleObject(event, 0);
      break;
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
  return result;
}

}  // namespace

struct RapiDevice::Library {
  HMODULE module = nullptr;
  bool complete = false;
  DWORD local_error = 0;  // the code when there is no library to ask
  // rapi.dll writes the connection's result into this record when the
  // connection completes, after CeRapiInitEx has returned: it lives here,
  // with the device, until CeRapiUninit.
  RAPIINIT_RECORD init_record{};
  InitEx init_ex;
  Uninit uninit;
  GetLastErr get_last_error;
  GetRapiErr get_rapi_error;
  GetSize get_size;
  GetAttributes get_attributes;
  FindFirst find_first;
  FindNext find_next;
  FindClose find_close;
  FindAll find_all;
  FreeBuffer free_buffer;
  CreateF create_file;
  ReadF read_file;
  WriteF write_file;
  GetTime get_time;
  SetTime set_time;
  CloseH close_handle;
  PathCall delete_file;
  CreateDir create_directory;
  MoveF move_file;
  RegOpen reg_open;
  RegQuery reg_query;
  RegClose reg_close;
  TempPath temp_path;

  // False after setting the error of a device that is not there.
  bool usable() {
    if (complete) return true;
    local_error = error::kDeviceNotConnected;
    return false;
  }
};

RapiDevice::RapiDevice(const std::wstring& library) : library_(std::make_unique<Library>()) {
  Library& l = *library_;
  l.module = load_library(library);
  if (!l.module) return;
  l.complete = resolve(l.module, "CeRapiInitEx", &l.init_ex) &&
               resolve(l.module, "CeRapiUninit", &l.uninit) &&
               resolve(l.module, "CeGetLastError", &l.get_last_error) &&
               resolve(l.module, "CeRapiGetError", &l.get_rapi_error) &&
               resolve(l.module, "CeGetFileSize", &l.get_size) &&
               resolve(l.module, "CeGetFileAttributes", &l.get_attributes) &&
               resolve(l.module, "CeFindFirstFile", &l.find_first) &&
               resolve(l.module, "CeFindNextFile", &l.find_next) &&
               resolve(l.module, "CeFindClose", &l.find_close) &&
               resolve(l.module, "CeFindAllFiles", &l.find_all) &&
               resolve(l.module, "CeRapiFreeBuffer", &l.free_buffer) &&
               resolve(l.module, "CeCreateFile", &l.create_file) &&
               resolve(l.module, "CeReadFile", &l.read_file) &&
               resolve(l.module, "CeWriteFile", &l.write_file) &&
               resolve(l.module, "CeGetFileTime", &l.get_time) &&
               resolve(l.module, "CeSetFileTime", &l.set_time) &&
               resolve(l.module, "CeCloseHandle", &l.close_handle) &&
               resolve(l.module, "CeDeleteFile", &l.delete_file) &&
               resolve(l.module, "CeCreateDirectory", &l.create_directory) &&
               resolve(l.module, "CeMoveFile", &l.move_file) &&
               resolve(l.module, "CeRegOpenKeyEx", &l.reg_open) &&
               resolve(l.module, "CeRegQueryValueEx", &l.reg_query) &&
               resolve(l.module, "CeRegCloseKey", &l.reg_close) &&
               resolve(l.module, "CeGetTempPath", &l.temp_path);
}

RapiDevice::~RapiDevice() {
  if (library_->module) FreeLibrary(library_->module);
}

bool RapiDevice::loaded() const { return library_->complete; }

std::int32_t RapiDevice::CeRapiInitEx(RapiInit* init) {
  if (!library_->usable()) return ce::kEFail;
  RAPIINIT_RECORD& record = library_->init_record;
  record = RAPIINIT_RECORD{};
  record.cbSize = sizeof record;
  const HRESULT hr = library_->init_ex(&record);
  init->heRapiInit = reinterpret_cast<CeEvent>(record.heRapiInit);
  init->hrRapiInit = record.hrRapiInit;
  return hr;
}

std::uint32_t RapiDevice::WaitForInitEvent(RapiInit* init, std::uint32_t timeout_ms) {
  if (!library_->usable() || init->heRapiInit == 0) return ce::kWaitFailed;
  const HANDLE event = reinterpret_cast<HANDLE>(init->heRapiInit);
  const DWORD result = wait_handling_messages(event, timeout_ms);
  // Read once the event is set: the result is written just before it.
  if (result == WAIT_OBJECT_0) init->hrRapiInit = library_->init_record.hrRapiInit;
  return result;
}

std::int32_t RapiDevice::CeRapiUninit() {
  if (!library_->usable()) return ce::kEFail;
  return library_->uninit();
}

std::uint32_t RapiDevice::CeGetLastError() {
  if (!library_->complete) return library_->local_error;
  return library_->get_last_error();
}

std::int32_t RapiDevice::CeRapiGetError() {
  if (!library_->complete) return ce::kSOk;
  return library_->get_rapi_error();
}

CeHandle RapiDevice::CeFindFirstFile(const std::u16string& pattern, CeFindData* data) {
  if (!library_->usable()) return kCeInvalidHandle;
  CE_FIND_DATA_RECORD record{};
  HANDLE find = library_->find_first(wide(pattern), &record);
  if (find != INVALID_HANDLE_VALUE) convert(record, data);
  return as_ce(find);
}

bool RapiDevice::CeFindNextFile(CeHandle find, CeFindData* data) {
  if (!library_->usable()) return false;
  CE_FIND_DATA_RECORD record{};
  if (!library_->find_next(as_handle(find), &record)) return false;
  convert(record, data);
  return true;
}

bool RapiDevice::CeFindClose(CeHandle find) {
  return library_->usable() && library_->find_close(as_handle(find));
}

bool RapiDevice::CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                                std::vector<CeFindData>* found) {
  found->clear();
  if (!library_->usable()) return false;
  DWORD count = 0;
  CE_FIND_DATA_RECORD* records = nullptr;
  if (!library_->find_all(wide(pattern), flags, &count, &records)) return false;
  found->resize(count);
  for (DWORD i = 0; i < count; ++i) convert(records[i], &(*found)[i]);
  if (records) library_->free_buffer(records);
  return true;
}

CeHandle RapiDevice::CeCreateFile(const std::u16string& path, std::uint32_t access,
                                  std::uint32_t share, std::uint32_t disposition,
                                  std::uint32_t attributes) {
  if (!library_->usable()) return kCeInvalidHandle;
  return as_ce(
      library_->create_file(wide(path), access, share, nullptr, disposition, attributes, nullptr));
}

bool RapiDevice::CeReadFile(CeHandle file, void* buffer, std::uint32_t to_read,
                            std::uint32_t* read) {
  *read = 0;
  if (!library_->usable()) return false;
  DWORD count = 0;
  const BOOL ok = library_->read_file(as_handle(file), buffer, to_read, &count, nullptr);
  *read = count;
  return ok != FALSE;
}

bool RapiDevice::CeWriteFile(CeHandle file, const void* buffer, std::uint32_t to_write,
                             std::uint32_t* written) {
  *written = 0;
  if (!library_->usable()) return false;
  DWORD count = 0;
  const BOOL ok = library_->write_file(as_handle(file), buffer, to_write, &count, nullptr);
  *written = count;
  return ok != FALSE;
}

bool RapiDevice::CeGetFileTime(CeHandle file, FileTimeTicks* creation,
                               FileTimeTicks* last_access, FileTimeTicks* last_write) {
  if (!library_->usable()) return false;
  FILETIME c{}, a{}, w{};
  if (!library_->get_time(as_handle(file), creation ? &c : nullptr, last_access ? &a : nullptr,
                          last_write ? &w : nullptr)) {
    return false;
  }
  if (creation) *creation = filetime_ticks(c);
  if (last_access) *last_access = filetime_ticks(a);
  if (last_write) *last_write = filetime_ticks(w);
  return true;
}

bool RapiDevice::CeSetFileTime(CeHandle file, const FileTimeTicks* creation,
                               const FileTimeTicks* last_access,
                               const FileTimeTicks* last_write) {
  if (!library_->usable()) return false;
  const FILETIME c = ticks_filetime(creation ? *creation : 0);
  const FILETIME a = ticks_filetime(last_access ? *last_access : 0);
  const FILETIME w = ticks_filetime(last_write ? *last_write : 0);
  return library_->set_time(as_handle(file), creation ? &c : nullptr,
                            last_access ? &a : nullptr, last_write ? &w : nullptr) != FALSE;
}

std::uint32_t RapiDevice::CeGetFileSize(CeHandle file, std::uint32_t* size_high) {
  if (size_high) *size_high = 0;
  if (!library_->usable()) return ce::kInvalidFileSize;
  DWORD high = 0;
  const DWORD low = library_->get_size(as_handle(file), &high);
  if (size_high) *size_high = high;
  return low;
}

bool RapiDevice::CeCloseHandle(CeHandle handle) {
  return library_->usable() && library_->close_handle(as_handle(handle));
}

bool RapiDevice::CeDeleteFile(const std::u16string& path) {
  return library_->usable() && library_->delete_file(wide(path));
}

bool RapiDevice::CeCreateDirectory(const std::u16string& path) {
  return library_->usable() && library_->create_directory(wide(path), nullptr);
}

bool RapiDevice::CeMoveFile(const std::u16string& from, const std::u16string& to) {
  return library_->usable() && library_->move_file(wide(from), wide(to));
}

std::uint32_t RapiDevice::CeGetFileAttributes(const std::u16string& path) {
  if (!library_->usable()) return ce::kInvalidFileAttributes;
  return library_->get_attributes(wide(path));
}

long RapiDevice::CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey, CeRegKey* key) {
  *key = 0;
  if (!library_->usable()) return static_cast<long>(error::kDeviceNotConnected);
  HKEY opened = nullptr;
  const LONG rc = library_->reg_open(registry_root(root), wide(subkey), 0, 0, &opened);
  if (rc == ERROR_SUCCESS) *key = reinterpret_cast<CeRegKey>(opened);
  return rc;
}

long RapiDevice::CeRegQueryValueEx(CeRegKey key, const std::u16string& name,
                                   std::uint32_t* type, void* data, std::uint32_t* size) {
  if (!library_->usable()) return static_cast<long>(error::kDeviceNotConnected);
  DWORD value_type = 0;
  DWORD value_size = size ? *size : 0;
  const LONG rc = library_->reg_query(reinterpret_cast<HKEY>(key), wide(name), nullptr,
                                      &value_type, static_cast<LPBYTE>(data),
                                      size ? &value_size : nullptr);
  if (type) *type = value_type;
  if (size) *size = value_size;
  return rc;
}

long RapiDevice::CeRegCloseKey(CeRegKey key) {
  if (!library_->usable()) return static_cast<long>(error::kDeviceNotConnected);
  return library_->reg_close(reinterpret_cast<HKEY>(key));
}

std::uint32_t RapiDevice::CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) {
  path->clear();
  if (!library_->usable() || buffer_length == 0) return 0;
  std::vector<WCHAR> buffer(buffer_length + 1, L'\0');
  const DWORD length = library_->temp_path(buffer_length, buffer.data());
  if (length == 0 || length >= buffer_length) return length >= buffer_length ? length : 0;
  path->assign(reinterpret_cast<const char16_t*>(buffer.data()), length);
  return length;
}

}  // namespace vmt::platform
