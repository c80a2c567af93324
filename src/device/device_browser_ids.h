// Resource ids of the device folder browser (template 9011).
#pragma once

#define IDD_DEVICE_BROWSER 9011
#define IDC_BROWSER_FOLDER 9024
#define IDC_BROWSER_SUBFOLDERS 9025
#define IDC_BROWSER_FILES 9026
#define IDC_BROWSER_UP 9027
