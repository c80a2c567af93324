#include "app/active_sync_app.h"

#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::app {

namespace {

bool is_known_mode(const std::string& text) {
  return text.empty() || text == "DOWNLOAD" || text == "UPLOAD" || text == "SORVIK" ||
         text == "TELMAR";
}

bool mode_is(const StartupMode& mode, const char* keyword, DiagnosticLog& log) {
  if (!mode.checked && !is_known_mode(mode.text)) VMT_LOG_POINT(log);
  return mode.text == keyword;
}

}  // namespace

bool parse_command_line_keyword(StartupMode* mode, const std::string& command_line,
                                DiagnosticLog& log) {
  const std::string upper = platform::to_upper_ascii(command_line);
  if (!is_known_mode(upper)) VMT_LOG_POINT(log);
  mode->text = upper;
  mode->checked = true;
  return true;
}

bool is_upload_mode(const StartupMode& mode, DiagnosticLog& log) {
  return mode_is(mode, "UPLOAD", log);
}
bool is_sorvik_mode(const StartupMode& mode, DiagnosticLog& log) {
  return mode_is(mode, "SORVIK", log);
}
bool is_telmar_mode(const StartupMode& mode, DiagnosticLog& log) {
  return mode_is(mode, "TELMAR", log);
}

std::string find_translation_library(platform::DesktopFiles& files) {
  const std::string folder =
      platform::path::without_trailing_separators(
          platform::path::folder_of(files.executable_path())) +
      platform::path::kSeparator;
  platform::FindData data;
  const platform::FindHandle find = files.find_first(folder + "*.dll", &data);
  if (find == platform::kInvalidFind) return {};
  std::string found;
  do {
    if (data.attributes & platform::attr::kDirectory) continue;
    if (data.name == "." || data.name == "..") continue;
    if (data.name.size() == 17 &&
        platform::equals_no_case(data.name.substr(0, 10), "VmTransfer")) {
      found = folder + data.name;
      break;
    }
  } while (files.find_next(find, &data));
  files.find_close(find);
  return found;
}

bool CActiveSyncApp::InitInstance() {
  RunContext& c = context_;
  c.texts.set_check_message_texts(true);

  const std::string library = find_translation_library(c.platform.files);
  if (!library.empty()) {
    library_table_ = c.platform.resources.load_library(library);
    if (library_table_) {
      c.texts.set_table(*library_table_);
      c.resource_library = library_table_.get();
    } else {
      VMT_LOG_POINT(c.log);
    }
    c.texts.set_check_message_texts(false);
  }

  // The claim is made at once; the title finds a copy that holds no claim.
  instance_ = c.platform.windows.claim_single_instance(kSingleInstanceName);
  if (!instance_) return false;
  const std::string title = c.texts.load_message_text(50322, "Veldmark  Transfer");
  if (c.platform.windows.window_with_title_exists(title)) return false;

  c.command_line = command_line_;
  if (c.main_dialog_running) VMT_LOG_POINT(c.log);
  c.main_dialog_running = true;
  const int result = parts_.run_main_dialog(c);

  if (result != 1 && result != 2) {
    const std::string text =
        c.texts.load_message_text(50001, "Error 4RFTGH, unable to start program dialog");
    c.boxes.show(0, text, c.texts.load_message_text(50000, "Veldmark"), mb::kOk);
    c.report.report_line(text);
  } else if (result == 1 && parts_.launch_on_transfer(c)) {
    const ChosenProgram chosen = parts_.chosen_program(c);
    if (chosen.name != "User defined") {
      c.report.report_line(c.texts.load_message_text(50346, "Launching"), chosen.executable);
      parts_.launch_program(c);
    }
  }

  c.report.report_line(c.texts.load_message_text(50347, "SYNC COMPLETED."));
  if (c.view_report_on_exit) c.report.view_transfer_report();
  c.report.close_transfer_report();

  if (!c.main_dialog_running) VMT_LOG_POINT(c.log);
  c.main_dialog_running = false;
  c.main_window = 0;
  return false;
}

int ask_exit_question(RunContext& c, bool create_reports, bool check_box) {
  if (create_reports != check_box) VMT_LOG_POINT(c.log);
  c.view_report_on_exit = false;
  if (!create_reports) {
    c.report.discard_dated_report();
    return 1;
  }
  const int answer = c.boxes.show(c.main_window, c.texts.load_message_text(50289, "View report?"),
                                  c.texts.load_message_text(50000, "Veldmark"),
                                  mb::kYesNoCancel | mb::kIconQuestion);
  switch (answer) {
    case id::kCancel:
      return 2;
    case id::kYes:
      c.view_report_on_exit = true;
      return 1;
    case id::kNo:
      return 1;
    default:
      VMT_LOG_POINT(c.log);
      return 1;
  }
}

}  // namespace vmt::app
