#include "platform/common/file_time.h"

namespace vmt::platform {

std::int64_t days_from_civil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yoe = year - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t fields_to_epoch_seconds(const LocalTime& f) {
  return days_from_civil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 +
         f.second;
}

LocalTime epoch_seconds_to_fields(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  LocalTime f;
  f.hour = static_cast<int>(rest / 3600);
  f.minute = static_cast<int>(rest % 3600 / 60);
  f.second = static_cast<int>(rest % 60);
  f.weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.year = static_cast<int>(yoe + era * 400 + (f.month <= 2));
  return f;
}

bool file_time_to_fields(FileTimeTicks ticks, LocalTime* fields) {
  // FileTimeToSystemTime refuses values with the top bit set (beyond year 30827).
  if (ticks >= 0x8000000000000000ULL) return false;
  const std::int64_t seconds =
      static_cast<std::int64_t>(ticks / kTicksPerSecond) -
      static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
  *fields = epoch_seconds_to_fields(seconds);
  fields->milliseconds = static_cast<int>(ticks % kTicksPerSecond / 10000);
  return true;
}

bool fields_to_file_time(const LocalTime& fields, FileTimeTicks* ticks) {
  const std::int64_t seconds = fields_to_epoch_seconds(fields) +
                               static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
  if (seconds < 0) return false;
  *ticks = static_cast<FileTimeTicks>(seconds) * kTicksPerSecond +
           static_cast<FileTimeTicks>(fields.milliseconds) * 10000;
  return true;
}

}  // namespace vmt::platform
