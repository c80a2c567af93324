// The system clock of the Linux build, with the local time zone of the process.
#pragma once

#include "platform/clock.h"

namespace vmt::platform {

class SystemClock : public Clock {
 public:
  LocalTime local_now() override;
  FileTimeTicks utc_now() override;
  bool file_time_to_local(FileTimeTicks utc, LocalTime* local) override;
};

}  // namespace vmt::platform
