// The desktop clock: local time with weekday and milliseconds, the current
// universal time as a file time, and the conversion of universal file times
// to local fields with the desktop's time-zone rules.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/types.h"

namespace vmt::platform {

// Broken-down local time (the fields of SYSTEMTIME).
struct LocalTime {
  int year = 0;
  int month = 0;    // 1-12
  int day = 0;      // 1-31
  int hour = 0;     // 0-23
  int minute = 0;   // 0-59
  int second = 0;   // 0-59
  int weekday = 0;  // 0 = Sunday ... 6 = Saturday
  int milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;

  virtual LocalTime local_now() = 0;
  virtual FileTimeTicks utc_now() = 0;
  // False when the ticks cannot be converted (out of the platform's range).
  virtual bool file_time_to_local(FileTimeTicks utc, LocalTime* local) = 0;
  // Lets the given time pass (a short wait of the user-interface thread).
  virtual void sleep_ms(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace vmt::platform
