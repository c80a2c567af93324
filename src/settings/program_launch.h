// The chosen desktop program after the transfer: its executable, and the
// settings half of the application's parts.
#pragma once

#include <string>

#include "app/active_sync_app.h"
#include "platform/desktop_windows.h"
#include "settings/catalogue.h"

namespace vmt::settings {

// The install folder and the catalogue's executable below it, or empty.
std::string get_exe_path(app::RunContext& context, const C_directory_options& record);

// The row's window test on one top-level window: the set test (the title's
// first characters all occur in the text, and for the desktop programs of
// their own the class "VCADFRAME") or the prefix test (case ignored).
bool window_test_matches(const CatalogueRow& row, const platform::TopLevelWindow& window);

// The enumeration callback for the name in the run's detection state: sets
// `found_running` on a match. False stops the enumeration (a name outside
// the catalogue, after its message).
bool find_program_window(app::RunContext& context, const platform::TopLevelWindow& window);

// Starts the record's program after the transfer when `LaunchOnTransfer` is
// on, the row is a program and no copy of it runs; each decision is a report
// line.
void launch_sync_program(app::RunContext& context, const C_directory_options& record);

// The application's parts that the stored options decide: whether to launch,
// which program, and its launch. The main dialog comes from a subclass.
class SettingsApplicationParts : public app::ApplicationParts {
 public:
  bool launch_on_transfer(app::RunContext& context) override;
  app::ChosenProgram chosen_program(app::RunContext& context) override;
  void launch_program(app::RunContext& context) override;

 protected:
  // The record that chosen_program filled last.
  const C_directory_options& chosen_record() const { return chosen_; }

 private:
  C_directory_options chosen_;
};

}  // namespace vmt::settings
