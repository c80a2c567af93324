#include "settings/program_launch.h"

#include <cstring>

#include "app/error_reports.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "settings/desktop_folders.h"
#include "settings/options_store.h"

namespace vmt::settings {

std::string get_exe_path(app::RunContext& context, const C_directory_options& record) {
  const CatalogueRow* row = find_program(record.name());
  if (row == nullptr || row->is_user_defined()) {
    VMT_LOG_POINT(context.log);
    return {};
  }
  const std::string install = record.install_dir();
  if (install.empty()) return {};
  platform::DesktopFiles& files = context.platform.files;
  if (!files.exists(install)) VMT_LOG_POINT(context.log);
  if (!platform::path::ends_with_separator(install)) VMT_LOG_POINT(context.log);
  const std::string exe = install + desktop_relative_path(row->executable);
  if (!files.exists(exe)) VMT_LOG_POINT(context.log);
  return exe;
}

namespace {

// The title read into a buffer of length(T) + 1 characters, and the length of
// its leading run of characters of T: at least length(T) is a match.
bool set_test(const std::string& title, const std::string& text) {
  const std::string read = title.substr(0, text.size());
  return std::strspn(read.c_str(), text.c_str()) >= text.size();
}

// The title cut after length(T) characters, compared without case.
bool prefix_test(const std::string& title, const std::string& text) {
  return title.size() >= text.size() &&
         platform::equals_no_case(title.substr(0, text.size()), text);
}

// The class name as a 100-character buffer holds it.
constexpr std::size_t kClassBuffer = 100;

}  // namespace

bool window_test_matches(const CatalogueRow& row, const platform::TopLevelWindow& window) {
  switch (row.window_test) {
    case WindowTest::kSet:
      if (!set_test(window.title, row.window_text)) return false;
      if (row.window_class[0] == '\0') return true;
      return window.class_name.substr(0, kClassBuffer - 1) == row.window_class;
    case WindowTest::kPrefix:
      return prefix_test(window.title, row.window_text);
    case WindowTest::kNone:
      break;
  }
  return false;
}

bool find_program_window(app::RunContext& context, const platform::TopLevelWindow& window) {
  const CatalogueRow* row = find_program(context.running_detection_name);
  if (row == nullptr) {
    app::warning_box(context,
                     context.texts.format_message_text(50087, "Error 45TGD\n%s",
                                                       context.running_detection_name.c_str()));
    return false;
  }
  if (row->is_user_defined()) {
    VMT_LOG_POINT(context.log);
    return true;
  }
  if (window_test_matches(*row, window)) context.found_running = true;
  return true;
}

void launch_sync_program(app::RunContext& context, const C_directory_options& record) {
  app::MessageTexts& t = context.texts;
  if (!get_LaunchOnTransfer(context)) {
    VMT_LOG_POINT(context.log);
    return;
  }
  const std::string name = record.name();
  const CatalogueRow* row = find_program(name);
  if (row != nullptr && row->is_user_defined()) {
    context.report.report_line(
        t.load_message_text(50366, "Unable to launch: User defined directories"), name);
    return;
  }
  if (record.install_dir().empty()) {
    context.report.report_line(t.load_message_text(50519, "Unable to launch: exe file not known"),
                               name);
    return;
  }
  context.running_detection_name = name;
  context.found_running = false;
  for (const platform::TopLevelWindow& window :
       context.platform.windows.list_top_level_windows()) {
    if (!find_program_window(context, window)) break;
  }
  context.running_detection_name.clear();
  if (context.found_running) {
    context.report.report_line(
        t.load_message_text(50368, "not launching this program (already running?)"), name);
    return;
  }
  const std::string executable = get_exe_path(context, record);
  context.report.report_line(t.load_message_text(50367, "launching this program"), executable);
  // The path goes to the system as the program to start, never split at its
  // blanks; a failed start shows in the log.
  std::uint32_t error = 0;
  if (executable.empty() || !context.platform.windows.start_program(executable, {}, &error)) {
    VMT_LOG_POINT(context.log);
  }
}

bool SettingsApplicationParts::launch_on_transfer(app::RunContext& context) {
  return get_LaunchOnTransfer(context);
}

app::ChosenProgram SettingsApplicationParts::chosen_program(app::RunContext& context) {
  set_options_from_registry(context, chosen_);
  return {chosen_.name(), get_exe_path(context, chosen_)};
}

void SettingsApplicationParts::launch_program(app::RunContext& context) {
  launch_sync_program(context, chosen_);
}

}  // namespace vmt::settings
