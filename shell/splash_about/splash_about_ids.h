#pragma once

// Templates, images and the page of the splash, about and backdrop windows.
#define IDI_APP_ICON 100
#define IDB_ABOUT_SEPARATOR 121
#define IDB_BACKDROP 202
#define IDB_SPLASH 205
#define IDD_ABOUT_PAGE 374
#define IDD_ABOUT_MAIN 375
#define IDD_BACKDROP 388
#define IDD_SPLASH 404
#define IDR_ABOUT_PAGE 429
#define IDB_SPLASH_BACKUP 5429
