// The system clock of the Windows build.
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
