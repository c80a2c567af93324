// Calendar arithmetic on file times, without the platform: used to turn local
// fields into comparable second counts and by the clocks of tests and the
// emulator.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/types.h"

namespace vmt::platform {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t days_from_civil(std::int64_t year, int month, int day);
// Seconds since 1970-01-01 of the fields, taken as they are (no time zone).
std::int64_t fields_to_epoch_seconds(const LocalTime& fields);
// The fields of a second count since 1970-01-01 (weekday filled, no milliseconds).
LocalTime epoch_seconds_to_fields(std::int64_t seconds);
// Universal ticks as UTC fields; false outside the years 1601 to 30827.
bool file_time_to_fields(FileTimeTicks ticks, LocalTime* fields);
// UTC fields as ticks; false before 1601.
bool fields_to_file_time(const LocalTime& fields, FileTimeTicks* ticks);

}  // namespace vmt::platform
