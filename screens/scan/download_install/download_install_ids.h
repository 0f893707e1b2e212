#pragma once

// The download-and-install window's template and controls.
#define IDD_NAG_DOWNLOAD_AND_INSTALL 5186
#define IDC_DLI_PROGRESS 5259
#define IDC_DLI_LIST 5260
#define IDC_DLI_HEADING 5262
#define IDC_DLI_RESULT 5263
