#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace vmt::platform {

namespace {

LocalTime from_system_time(const SYSTEMTIME& st) {
  return LocalTime{st.wYear, st.wMonth,  st.wDay,       st.wHour,
                   st.wMinute, st.wSecond, st.wDayOfWeek, st.wMilliseconds};
}

FILETIME to_filetime(FileTimeTicks ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

}  // namespace

LocalTime SystemClock::local_now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return from_system_time(st);
}

FileTimeTicks SystemClock::utc_now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<FileTimeTicks>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool SystemClock::file_time_to_local(FileTimeTicks utc, LocalTime* local) {
  const FILETIME universal = to_filetime(utc);
  FILETIME local_ft;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&universal, &local_ft) || !FileTimeToSystemTime(&local_ft, &st)) {
    return false;
  }
  *local = from_system_time(st);
  return true;
}

}  // namespace vmt::platform
