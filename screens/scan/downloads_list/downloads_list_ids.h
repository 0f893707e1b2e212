#pragma once

// The downloads page's template and controls.
#define IDD_DOWNLOADS 5417
#define IDC_DOWNLOADS_REMOVE 1010
#define IDC_DOWNLOADS_LIST 1011
#define IDC_DOWNLOADS_REMOVE_ALL 1013
