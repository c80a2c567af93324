// The dates and times the program shows and writes: a file's time in the
// panes, the stamp in report file names, and the long date of the report.
// Fields out of range are logged, one entry each, and used as they are.
#pragma once

#include <string>

#include "app/diagnostic_log.h"
#include "app/message_texts.h"
#include "platform/clock.h"

namespace vmt::app {

struct DateServices {
  MessageTexts& texts;
  DiagnosticLog& log;
  platform::Clock& clock;
};

std::string format_date_time(DateServices& services, int year, int month, int day, int hour,
                             int minute, int second, bool show_seconds);
std::string make_time_stamp(DateServices& services, char separator, bool with_milliseconds);
std::string make_long_date_time(DateServices& services, bool twelve_hour);

}  // namespace vmt::app
