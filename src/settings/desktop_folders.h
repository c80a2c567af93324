// The folders of the desktop computer: the chosen program's install and data
// folders and its download, upload and Featlink folders, the folder maker,
// and the folders the program itself uses.
#pragma once

#include <string>

#include "app/run_context.h"
#include "platform/desktop_files.h"
#include "platform/shell.h"
#include "settings/catalogue.h"

namespace vmt::settings {

// The catalogue's relative paths are written with backslashes; on the desktop
// they take the platform's separator.
std::string desktop_relative_path(const std::string& catalogue_path);

// The install folder of the named program, or empty. An empty name means the
// program stored in `DefSyncProgram`.
std::string get_install_dir(app::RunContext& context, const std::string& name, bool backslash);

// The data folder of the named program under the common application-data
// folder, made when missing; empty for rows without one and on failure.
std::string get_data_dir(app::RunContext& context, const std::string& name, bool backslash);

// Finds both folders of the record's program and makes its download and
// upload folders when missing. False for a program row without a data folder.
bool fill_directory_options(app::RunContext& context, C_directory_options& record);

std::string get_download_dir(app::RunContext& context, const C_directory_options& record);
std::string get_upload_dir(app::RunContext& context, const C_directory_options& record);
std::string get_csv_dir(app::RunContext& context, const C_directory_options& record);

// Fills the record for the program stored in `DefSyncProgram` when it is
// "User defined" or an installed catalogue program.
bool set_options_from_registry(app::RunContext& context, C_directory_options& record);

// Makes every missing level of a desktop folder; a network path's server
// level is never made. True when the folder exists at the end.
bool make_desktop_dir(app::RunContext& context, const std::string& path);

// Makes base + relative as the folder a download brings.
bool make_desktop_dir_for_copy(app::RunContext& context, const std::string& base,
                               const std::string& relative);

// The help file "transfer.chm" beside the executable; empty after telling the
// user (owned by `owner`) that it is missing.
std::string find_help_file(app::RunContext& context, app::WindowRef owner);

// The folder of the running executable.
std::string get_exe_dir(platform::DesktopFiles& files, bool backslash);

// The folder of the transfer reports: the user's application-data folder and
// "Stakeline Exchange", made when missing; with `backslash` it ends in the
// platform's separator. Empty when the application-data folder is unknown.
std::string get_report_dir(platform::Shell& shell, bool backslash);

}  // namespace vmt::settings
