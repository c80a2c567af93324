// The records of the remote API as rapi.dll passes them, declared here because
// its SDK header is not part of mingw-w64, and the FILETIME conversions.
#pragma once

#include <windows.h>

#include "platform/types.h"

namespace vmt::platform {

struct RAPIINIT_RECORD {
  DWORD cbSize;
  HANDLE heRapiInit;
  HRESULT hrRapiInit;
};

struct CE_FIND_DATA_RECORD {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};

inline FileTimeTicks filetime_ticks(const FILETIME& time) {
  return (static_cast<FileTimeTicks>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME ticks_filetime(FileTimeTicks ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

}  // namespace vmt::platform
