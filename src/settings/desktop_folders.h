// Folders of the desktop computer that the program itself uses.
#pragma once

#include <string>

#include "platform/shell.h"

namespace vmt::settings {

// The folder of the transfer reports: the user's application-data folder and
// "Stakeline Exchange", made when missing; with `backslash` it ends in the
// platform's separator. Empty when the application-data folder is unknown.
std::string get_report_dir(platform::Shell& shell, bool backslash);

}  // namespace vmt::settings
