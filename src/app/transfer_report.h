// The transfer report: an account of one run written to two files at once,
// one named after the start time and one named "most recent".
#pragma once

#include <memory>
#include <string>

#include "app/dates.h"
#include "app/diagnostic_log.h"
#include "app/message_texts.h"
#include "platform/platform.h"

namespace vmt::app {

// The two files of one report; the dated one is deleted at the end when marked.
class C_transfer_report {
 public:
  C_transfer_report(platform::DesktopFiles& files, DiagnosticLog& log, std::string dated_path,
                    std::string most_recent_path);
  ~C_transfer_report();
  C_transfer_report(const C_transfer_report&) = delete;
  C_transfer_report& operator=(const C_transfer_report&) = delete;

  const std::string& dated_path() const { return dated_path_; }
  const std::string& most_recent_path() const { return most_recent_path_; }
  void set_discard_dated(bool discard) { discard_dated_ = discard; }
  // Appends the line to both files; a file that cannot be opened misses it.
  void write_line(const std::string& line);

 private:
  platform::DesktopFiles& files_;
  DiagnosticLog& log_;
  std::string dated_path_;
  std::string most_recent_path_;
  bool discard_dated_ = false;
};

// The application's report and the operations on it.
class TransferReport {
 public:
  struct Services {
    platform::Platform& platform;
    DiagnosticLog& log;
    MessageTexts& texts;
    MessageBoxes& boxes;
  };
  explicit TransferReport(Services services) : s_(services) {}

  bool open_transfer_report();
  // "first::::second", or the first field alone when the second is empty.
  void report_line(const std::string& first, const std::string& second = {});
  void discard_dated_report();
  void view_transfer_report();
  void close_transfer_report();

  bool is_open() const { return report_ != nullptr; }
  const C_transfer_report* report() const { return report_.get(); }

 private:
  Services s_;
  std::unique_ptr<C_transfer_report> report_;
};

// A line longer than this is cut, at a character boundary.
constexpr std::size_t kMaxReportLine = 4096;

}  // namespace vmt::app
