// "Create new folder" on the real template 180: the parent folder shown, the
// name typed, taken into the dialog's data on OK.
#pragma once

#include <windows.h>

#include "gui/win32/dialog.h"
#include "ui/new_folder_dlg.h"

namespace vmt::gui {

class NewFolderWindow : public Dialog {
 public:
  NewFolderWindow(const ResourceModules& resources, ui::CNDR_NewDir_Dlg& data)
      : Dialog(resources, IDD_NEW_FOLDER_DLG), data_(data) {}
  ~NewFolderWindow() override { Close(); }

 protected:
  BOOL OnInit() override;
  void OnOK() override;

 private:
  ui::CNDR_NewDir_Dlg& data_;
};

}  // namespace vmt::gui
