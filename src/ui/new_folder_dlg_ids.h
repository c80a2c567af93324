// Resource ids of the "Create new folder" dialog (template 180).
#pragma once

#define IDD_NEW_FOLDER_DLG 180
#define IDC_NEW_FOLDER_PARENT 1049
#define IDC_NEW_FOLDER_NAME 1050
