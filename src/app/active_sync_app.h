// The program's entry: the resource library, the single-instance test, the
// main dialog, and the finishing steps after it has closed.
#pragma once

#include <memory>
#include <string>

#include "app/run_context.h"

namespace vmt::app {

// The start-up mode: the command line upper-cased. `checked` once the parse
// has looked at it (and logged an unrecognised text), so that the predicates
// do not log the same text again.
struct StartupMode {
  std::string text;
  bool checked = false;
};

// The name that the running copy holds, as well as its window title.
constexpr char kSingleInstanceName[] = "VeldmarkTransfer";

bool parse_command_line_keyword(StartupMode* mode, const std::string& command_line,
                                DiagnosticLog& log);
bool is_upload_mode(const StartupMode& mode, DiagnosticLog& log);
bool is_sorvik_mode(const StartupMode& mode, DiagnosticLog& log);
bool is_telmar_mode(const StartupMode& mode, DiagnosticLog& log);

// The resource library beside the executable ("VmTransfer" + three characters
// + ".dll"), or empty.
std::string find_translation_library(platform::DesktopFiles& files);

// The desktop program that may be launched after the transfer.
struct ChosenProgram {
  std::string name;
  std::string executable;  // its full path, or empty when unknown
};

// The parts the application runs, reached through this interface so that
// the whole sequence can be run with stand-ins.
class ApplicationParts {
 public:
  virtual ~ApplicationParts() = default;
  // Runs the main dialog modally: 1 closed through OK, 2 through Cancel.
  virtual int run_main_dialog(RunContext& context) = 0;
  // The stored `LaunchOnTransfer` setting.
  virtual bool launch_on_transfer(RunContext& context) = 0;
  // The chosen desktop program, read once when the dialog has closed.
  virtual ChosenProgram chosen_program(RunContext& context) = 0;
  // Launches the program that chosen_program gave last.
  virtual void launch_program(RunContext& context) = 0;
};

class CActiveSyncApp {
 public:
  CActiveSyncApp(RunContext& context, ApplicationParts& parts, std::string command_line)
      : context_(context), parts_(parts), command_line_(std::move(command_line)) {}

  // Always false: the program ends when the dialog has closed.
  bool InitInstance();

 private:
  RunContext& context_;
  ApplicationParts& parts_;
  std::string command_line_;
  // The resource library's table while it is in use.
  std::unique_ptr<platform::StringTable> library_table_;
  // Held while this copy runs.
  std::unique_ptr<platform::InstanceClaim> instance_;
};

// The exit question as the main dialog asks it: 1 lets the dialog close, 2 keeps it
// open. `create_reports` is the stored setting, `check_box` the dialog's check box.
int ask_exit_question(RunContext& context, bool create_reports, bool check_box);

}  // namespace vmt::app
