// The message boxes that every part of the program raises the same way: a
// warning with the program's title, the registry error report and the system
// error report. None has an owner window unless the caller gives one.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_context.h"

namespace vmt::app {

// The program's caption for message boxes.
std::string program_title(RunContext& context);

// The text alone, the program's title, an exclamation mark and OK.
void warning_box(RunContext& context, const std::string& text, WindowRef owner = 0);

// The message, the code in decimal and the system's text for the code, one per
// line, with the program's title and an exclamation mark.
void registry_error_box(RunContext& context, long code, const std::string& message);

// The system's text for `code` and the detail, with an information mark and
// the caption "Veldmark - " and the identifier. The Win32 registry calls give
// their failure as a result rather than as the thread's last error, so the
// caller passes the code it was given.
void last_error_box(RunContext& context, const std::string& identifier, std::uint32_t code,
                    const std::string& detail);

}  // namespace vmt::app
