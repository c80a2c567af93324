// The "Create new folder" dialog's data: the folder it is made in, shown
// read-only, and the name the user types. Template 180.
#pragma once

#include <string>

#define IDD_NEW_FOLDER_DLG 180
#define IDC_NEW_FOLDER_PARENT 1049
#define IDC_NEW_FOLDER_NAME 1050

namespace vmt::ui {

struct CNDR_NewDir_Dlg {
  std::string parent_folder;
  std::string name;
};

}  // namespace vmt::ui
