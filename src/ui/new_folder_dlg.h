// The "Create new folder" dialog's data: the folder it is made in, shown
// read-only, and the name the user types. Template 180.
#pragma once

#include <string>

#include "ui/new_folder_dlg_ids.h"

namespace vmt::ui {

struct CNDR_NewDir_Dlg {
  std::string parent_folder;
  std::string name;
};

}  // namespace vmt::ui
