// How far the data collector's clock is from the desktop's, measured from the
// time the device stamps on a small probe file.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_context.h"

namespace vmt::device {

// Desktop local time minus device local time, in seconds; false on failure.
bool measure_clock_difference(app::RunContext& context, std::int64_t* seconds);

// Measures and warns: a status line past two minutes, a message box too past
// one hour. Failures are only logged.
void check_clock(app::RunContext& context);

// The measured difference in words, when it is past two minutes ("device
// clock 1 h 02 min ahead"); empty otherwise or when none was measured.
std::string clock_difference_text(app::RunContext& context);

}  // namespace vmt::device
