// Resource ids of the copying dialog (template 145) and its clip.
#pragma once

#define IDD_COPYING_DLG 145
#define IDR_COPYING_AVI 148
#define IDC_COPY_CANCEL 1021
#define IDC_COPY_ANIMATION 1022
#define IDC_COPY_PROGRESS 1023
#define IDC_COPY_FILE 1024
