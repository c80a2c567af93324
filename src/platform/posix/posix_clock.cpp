#include "platform/posix/posix_clock.h"

#include <time.h>

namespace vmt::platform {

namespace {

LocalTime from_tm(const struct tm& t, int milliseconds) {
  return LocalTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                   t.tm_sec,         t.tm_wday,    milliseconds};
}

}  // namespace

LocalTime SystemClock::local_now() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local {};
  localtime_r(&now.tv_sec, &local);
  return from_tm(local, static_cast<int>(now.tv_nsec / 1000000));
}

FileTimeTicks SystemClock::utc_now() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpochTicks + static_cast<FileTimeTicks>(now.tv_sec) * kTicksPerSecond +
         static_cast<FileTimeTicks>(now.tv_nsec / 100);
}

bool SystemClock::file_time_to_local(FileTimeTicks utc, LocalTime* local) {
  if (utc >= 0x8000000000000000ULL) return false;
  const long long seconds = static_cast<long long>(utc / kTicksPerSecond) -
                            static_cast<long long>(kUnixEpochTicks / kTicksPerSecond);
  const time_t t = static_cast<time_t>(seconds);
  struct tm fields {};
  if (localtime_r(&t, &fields) == nullptr) return false;
  // FILETIME covers the years 1601 to 30827; beyond that Windows refuses too.
  if (fields.tm_year + 1900 > 30827 || fields.tm_year + 1900 < 1601) return false;
  *local = from_tm(fields, static_cast<int>(utc % kTicksPerSecond / 10000));
  return true;
}

}  // namespace vmt::platform
