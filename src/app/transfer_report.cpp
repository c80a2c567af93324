#include "app/transfer_report.h"

#include "app/text_files.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"

namespace vmt::app {

C_transfer_report::C_transfer_report(platform::DesktopFiles& files, DiagnosticLog& log,
                                     std::string dated_path, std::string most_recent_path)
    : files_(files), log_(log) {
  dated_.path = std::move(dated_path);
  most_recent_.path = std::move(most_recent_path);
}

C_transfer_report::~C_transfer_report() {
  close_files();
  if (!discard_dated_) return;
  if (!files_.exists(dated_.path)) {
    VMT_LOG_POINT(log_);
  } else if (!files_.delete_file(dated_.path)) {
    VMT_LOG_POINT(log_);
  }
}

void C_transfer_report::write_line(const std::string& line) {
  const std::string bytes = with_line_breaks(line);
  write_to(dated_, bytes);
  write_to(most_recent_, bytes);
}

void C_transfer_report::write_to(ReportFile& file, const std::string& bytes) {
  if (file.handle == platform::kInvalidFile) {
    file.handle = files_.open_file(file.path, platform::FileAccess::kAppend,
                                   platform::FileDisposition::kOpenExisting);
    if (file.handle == platform::kInvalidFile) return;
  }
  const std::string text = file.line_cut ? kTextLineBreak + bytes : bytes;
  std::uint32_t written = 0;
  if (files_.write_file(file.handle, text.data(), static_cast<std::uint32_t>(text.size()),
                        &written) &&
      written == text.size()) {
    file.line_cut = false;
    return;
  }
  // A full disk or a lost share: the next line tries a fresh handle.
  if (written > 0) file.line_cut = true;
  close(file);
}

void C_transfer_report::close(ReportFile& file) {
  if (file.handle == platform::kInvalidFile) return;
  if (!files_.close_file(file.handle)) VMT_LOG_POINT(log_);
  file.handle = platform::kInvalidFile;
}

void C_transfer_report::close_files() {
  close(dated_);
  close(most_recent_);
}

bool TransferReport::open_transfer_report() {
  platform::DesktopFiles& files = s_.platform.files;
  if (report_) {
    VMT_LOG_POINT(s_.log);
    report_.reset();
  }
  const std::string folder = settings::get_report_dir(s_.platform.shell, true);
  if (folder.empty()) VMT_LOG_POINT(s_.log);
  DateServices dates{s_.texts, s_.log, s_.platform.clock};
  const std::string dated = folder + "Transfer Sync log " + make_time_stamp(dates, '_', true) +
                            ".txt";
  if (files.exists(dated)) VMT_LOG_POINT(s_.log);
  const std::string most_recent = folder + "Transfer Sync log most recent.txt";
  if (files.exists(most_recent) && !files.delete_file(most_recent)) VMT_LOG_POINT(s_.log);
  report_ = std::make_unique<C_transfer_report>(files, s_.log, dated, most_recent);
  return true;
}

void TransferReport::report_line(const std::string& first, const std::string& second) {
  if (!report_) {
    VMT_LOG_POINT(s_.log);
    return;
  }
  if (first.empty()) VMT_LOG_POINT(s_.log);
  std::string line = second.empty() ? first : first + "::::" + second;
  report_->write_line(platform::cut_utf8(line, kMaxReportLine) + "\n");
}

void TransferReport::discard_dated_report() {
  if (!report_) {
    VMT_LOG_POINT(s_.log);
    return;
  }
  report_->set_discard_dated(true);
}

void TransferReport::view_transfer_report() {
  if (!report_) {
    VMT_LOG_POINT(s_.log);
    return;
  }
  const std::string& path = report_->most_recent_path();
  if (!s_.platform.files.exists(path)) VMT_LOG_POINT(s_.log);
  // The viewer may insist that nobody writes the file it opens.
  report_->close_files();
  std::uint32_t error = 0;
  // The path goes to the viewer as one argument, so blanks in it open the right file.
  if (!s_.platform.windows.open_text_viewer(path, &error)) {
    const std::string command =
        format_message(s_.texts.load_message_format(50056, "notepad.exe %s").c_str(),
                       path.c_str());
    const std::string text = format_message(
        s_.texts.load_message_format(50057, "Error running this command:\n'%s'\nError R5LL33QP")
            .c_str(),
        command.c_str());
    s_.boxes.show(0, text, s_.texts.load_message_text(50000, "Veldmark"),
                  mb::kOk | mb::kIconInformation);
  }
}

void TransferReport::close_transfer_report() {
  if (!report_) {
    VMT_LOG_POINT(s_.log);
    return;
  }
  report_.reset();
}

}  // namespace vmt::app
