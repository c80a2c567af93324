// The chosen desktop program after the transfer: its executable, and the
// settings half of the application's parts.
#pragma once

#include <string>

#include "app/active_sync_app.h"
#include "settings/catalogue.h"

namespace vmt::settings {

// The install folder and the catalogue's executable below it, or empty.
std::string get_exe_path(app::RunContext& context, const C_directory_options& record);

// The application's parts that the stored options decide: whether to launch,
// and which program. The dialog and the launch itself come from a subclass.
class SettingsApplicationParts : public app::ApplicationParts {
 public:
  bool launch_on_transfer(app::RunContext& context) override;
  app::ChosenProgram chosen_program(app::RunContext& context) override;

 protected:
  // The record that chosen_program filled last.
  const C_directory_options& chosen_record() const { return chosen_; }

 private:
  C_directory_options chosen_;
};

}  // namespace vmt::settings
