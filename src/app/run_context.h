// What one run of the program shares between its parts: the platform, the
// message texts, the log, the report, and the values that outlive a command.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/diagnostic_log.h"
#include "app/message_box.h"
#include "app/message_texts.h"
#include "app/transfer_report.h"
#include "platform/platform.h"

namespace vmt::device {
class CopyingDialogs;
}

namespace vmt::app {

// The main window's status area: a record that only grows, followed by a
// current line that is replaced as a whole.
class StatusRecord {
 public:
  virtual ~StatusRecord() = default;
  virtual void append_status_line(const std::string& text) = 0;
  virtual void set_status_text(const std::string& text) = 0;
};

struct RunContext {
  RunContext(platform::Platform& platform_, MessageBoxes& boxes_, DiagnosticLog& log_,
             MessageTexts& texts_)
      : platform(platform_),
        boxes(boxes_),
        log(log_),
        texts(texts_),
        report({platform_, log_, texts_, boxes_}) {}

  platform::Platform& platform;
  MessageBoxes& boxes;
  DiagnosticLog& log;
  MessageTexts& texts;
  TransferReport report;

  // The resource library's table while one is in use: the windows take their
  // dialogs, menus and accelerators from the same library.
  const platform::StringTable* resource_library = nullptr;
  // The command-line text after the program name, as given.
  std::string command_line;
  // Set when the user answered Yes to "View report?".
  bool view_report_on_exit = false;
  // The main window while it runs (owner of the message boxes), 0 otherwise.
  WindowRef main_window = 0;
  bool main_dialog_running = false;
  // Set once the main window's start-up sequence has run.
  bool startup_done = false;

  // The device link's values of the run.
  bool connected = false;
  bool clock_check_done = false;
  // What the clock check measured: desktop time minus device time, in seconds.
  std::optional<std::int64_t> clock_difference;
  int field_program = 0;  // 0 not chosen yet, 1 Plotwise, 2 Sceneledger
  bool field_program_logged = false;
  // The projects folder and the device path of "vmark.ini", once found.
  std::string projects_folder;
  std::string device_settings_file;
  // The main window's status record while there is one.
  StatusRecord* status_record = nullptr;
  // The holder of the copying dialog; none in a run without windows.
  device::CopyingDialogs* copying = nullptr;
  // Why the last file copy failed, in the status area's words; the transfer
  // that stops on it names the cause again in its summary.
  std::string last_copy_failure;
  // While a file is copied: closes it and removes its partial copy at once,
  // for a session that Windows ends in the middle of a copy. After it the
  // copy stops as a cancelled one.
  std::function<void()> abandon_copy;
  bool session_ending = false;
  // The running-program detection: the display name looked for during one
  // enumeration of the top-level windows, and whether a window matched.
  std::string running_detection_name;
  bool found_running = false;
};

// The status area's record and current line; nothing while no window has one.
inline void append_status_line(RunContext& context, const std::string& text) {
  if (context.status_record != nullptr) context.status_record->append_status_line(text);
}
inline void set_status_text(RunContext& context, const std::string& text) {
  if (context.status_record != nullptr) context.status_record->set_status_text(text);
}

}  // namespace vmt::app
