#include "app/diagnostic_log.h"

#include <cstdio>
#include <cstring>

#include "app/text_files.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::app {

namespace {

constexpr std::size_t kMaxEntry = 511;
constexpr const char* kLogFileName = "veldmark log.txt";
// The transfer reports' folder, which the user knows already.
constexpr const char* kUserLogFolder = "Stakeline Exchange";

}  // namespace

std::string FileDiagnosticLog::format_entry(const platform::LocalTime& time,
                                            const std::string& module, int line,
                                            const std::string& build_date) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = time.weekday >= 0 && time.weekday < 7 ? kDays[time.weekday] : "???";
  const char* month = time.month >= 1 && time.month <= 12 ? kMonths[time.month - 1] : "???";
  // The asctime form, with its own line break.
  char when[64];
  std::snprintf(when, sizeof when, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", day, month, time.day,
                time.hour, time.minute, time.second, time.year);
  std::string entry = std::string("Time: ") + when + " File = " + module +
                      " Line = " + std::to_string(line) + " Compile Date = " + build_date;
  // A long module name is cut whole characters at a time, never inside one.
  return platform::cut_utf8(entry, kMaxEntry) + "\n";
}

void FileDiagnosticLog::log_point(const std::string& module, int line,
                                  const std::string& build_date) {
  append(format_entry(clock_.local_now(), module, line, build_date));
}

void FileDiagnosticLog::log_point_text(const std::string& module, int line,
                                       const std::string& build_date, const std::string& text) {
  // The text is one line of the same length as an entry at most.
  std::string one_line = text;
  for (char& ch : one_line) {
    if (ch == '\r' || ch == '\n') ch = ' ';
  }
  append(format_entry(clock_.local_now(), module, line, build_date) +
         platform::cut_utf8(one_line, kMaxEntry) + "\n");
}

void FileDiagnosticLog::append(const std::string& entry) {
  if (!user_log_.empty()) {
    append_text(files_, user_log_, entry);
    return;
  }
  const std::string exe_folder = platform::path::folder_of(files_.executable_path());
  if (append_text(files_, platform::path::join(exe_folder, kLogFileName), entry)) return;
  // Without a user folder either the entry is lost, as a log entry may be.
  std::string app_data;
  if (!shell_.get_folder(platform::ShellFolder::kUserAppData, true, &app_data)) return;
  const std::string folder = platform::path::join(app_data, kUserLogFolder);
  shell_.create_folder_tree(folder);
  user_log_ = platform::path::join(folder, kLogFileName);
  append_text(files_, user_log_, entry);
}

std::string log_module_name(const char* source_file) {
  const char* name = source_file;
  for (const char* p = source_file; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  const char* dot = std::strrchr(name, '.');
  const std::size_t length = dot != nullptr ? static_cast<std::size_t>(dot - name) : std::strlen(name);
  return ".\\" + std::string(name, length);
}

}  // namespace vmt::app
