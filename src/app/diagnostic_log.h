// The diagnostic log records where and when an unexpected condition was met:
// the source module, the line and the module's build date. Only the folder
// maker's successes add a line of text: the folder it made.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/desktop_files.h"
#include "platform/shell.h"

namespace vmt::app {

class DiagnosticLog {
 public:
  virtual ~DiagnosticLog() = default;
  // `module` is the source module in the form ".\name"; `build_date` is the
  // compiler's __DATE__ ("Nov  7 2011").
  virtual void log_point(const std::string& module, int line, const std::string& build_date) = 0;
  // An entry followed by one line of text.
  virtual void log_point_text(const std::string& module, int line, const std::string& build_date,
                              const std::string& text) {
    (void)text;
    log_point(module, line, build_date);
  }
};

// The log file "veldmark log.txt", opened for each entry: beside the
// executable, or, where that folder may not be written (Program Files for a
// standard user), in "Stakeline Exchange" under the user's application data.
class FileDiagnosticLog : public DiagnosticLog {
 public:
  FileDiagnosticLog(platform::DesktopFiles& files, platform::Clock& clock, platform::Shell& shell)
      : files_(files), clock_(clock), shell_(shell) {}
  void log_point(const std::string& module, int line, const std::string& build_date) override;
  void log_point_text(const std::string& module, int line, const std::string& build_date,
                      const std::string& text) override;
  // The entry as written, with its two line breaks: the time's own and the last.
  static std::string format_entry(const platform::LocalTime& time, const std::string& module,
                                  int line, const std::string& build_date);

 private:
  void append(const std::string& entry);

  platform::DesktopFiles& files_;
  platform::Clock& clock_;
  platform::Shell& shell_;
  // The user's log once the executable's folder has refused an entry.
  std::string user_log_;
};

// ".\" and the file name of a source path without its folders and extension.
std::string log_module_name(const char* source_file);

}  // namespace vmt::app

// One log entry at this point of the source.
#define VMT_LOG_POINT(log) \
  (log).log_point(::vmt::app::log_module_name(__FILE__), __LINE__, __DATE__)
// The same with a line of text after it.
#define VMT_LOG_TEXT(log, text) \
  (log).log_point_text(::vmt::app::log_module_name(__FILE__), __LINE__, __DATE__, (text))
