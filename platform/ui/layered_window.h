#pragma once

#include <windows.h>

// Makes the window layered with a constant alpha (0-255). 0 when the system lacks
// layered windows or the style cannot be set, else non-zero.
BOOL SetLayeredAlpha(HWND window, BYTE alpha);
