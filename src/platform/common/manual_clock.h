// A clock that tests set by hand: a universal time, a time-zone offset and
// milliseconds. The emulator's device clock and the logic's tests use it.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/common/file_time.h"

namespace vmt::platform {

class ManualClock : public Clock {
 public:
  // Starts at 2012-02-23 14:05:09.123 local time, UTC+0.
  ManualClock() { set_local(LocalTime{2012, 2, 23, 14, 5, 9, 4, 123}); }

  // Sets the local time (the weekday is derived) with the current offset.
  void set_local(const LocalTime& local) {
    FileTimeTicks ticks = 0;
    fields_to_file_time(local, &ticks);
    utc_ = ticks - static_cast<FileTimeTicks>(offset_seconds_ * std::int64_t(kTicksPerSecond));
  }
  void set_utc(FileTimeTicks utc) { utc_ = utc; }
  // Local time minus universal time, in seconds (east of Greenwich positive).
  void set_utc_offset_seconds(std::int64_t offset) { offset_seconds_ = offset; }
  void advance_seconds(std::int64_t seconds) {
    utc_ += static_cast<FileTimeTicks>(seconds * std::int64_t(kTicksPerSecond));
  }

  LocalTime local_now() override {
    LocalTime local;
    file_time_to_local(utc_, &local);
    return local;
  }
  FileTimeTicks utc_now() override { return utc_; }
  // Time passes at once.
  void sleep_ms(std::uint32_t milliseconds) override {
    utc_ += static_cast<FileTimeTicks>(milliseconds) * (kTicksPerSecond / 1000);
  }
  bool file_time_to_local(FileTimeTicks utc, LocalTime* local) override {
    const std::int64_t shifted = static_cast<std::int64_t>(utc) +
                                 offset_seconds_ * static_cast<std::int64_t>(kTicksPerSecond);
    if (shifted < 0) return false;
    return file_time_to_fields(static_cast<FileTimeTicks>(shifted), local);
  }

 private:
  FileTimeTicks utc_ = 0;
  std::int64_t offset_seconds_ = 0;
};

}  // namespace vmt::platform
