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

// The two files of one report, kept open from the first line to the end so
// that a line costs one write to each; every line is written through at
// once, so the files are complete at every moment. The dated one is deleted
// at the end when marked.
class C_transfer_report {
 public:
  C_transfer_report(platform::DesktopFiles& files, DiagnosticLog& log, std::string dated_path,
                    std::string most_recent_path);
  ~C_transfer_report();
  C_transfer_report(const C_transfer_report&) = delete;
  C_transfer_report& operator=(const C_transfer_report&) = delete;

  const std::string& dated_path() const { return dated_.path; }
  const std::string& most_recent_path() const { return most_recent_.path; }
  void set_discard_dated(bool discard) { discard_dated_ = discard; }
  // Appends the line to both files. A file that cannot be opened or written
  // misses the line and is opened again for the next one.
  void write_line(const std::string& line);
  // Closes both files, so that any program may open them; the next line
  // opens them again.
  void close_files();

 private:
  struct ReportFile {
    std::string path;
    platform::FileHandle handle = platform::kInvalidFile;
    // The last write stopped inside a line: the next starts on a line of its own.
    bool line_cut = false;
  };
  void write_to(ReportFile& file, const std::string& bytes);
  void close(ReportFile& file);

  platform::DesktopFiles& files_;
  DiagnosticLog& log_;
  ReportFile dated_;
  ReportFile most_recent_;
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
