#include "settings/program_launch.h"

#include "platform/common/path.h"
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

bool SettingsApplicationParts::launch_on_transfer(app::RunContext& context) {
  return get_LaunchOnTransfer(context);
}

app::ChosenProgram SettingsApplicationParts::chosen_program(app::RunContext& context) {
  set_options_from_registry(context, chosen_);
  return {chosen_.name(), get_exe_path(context, chosen_)};
}

}  // namespace vmt::settings
