#pragma once

#include <windows.h>

#include <initializer_list>

// Which key state to ask: the message queue's (for Ctrl and Alt) and the
// keyboard's at this moment (for the letters). A test gives its own.
struct KeyStateSource {
    SHORT (*queueState)(int virtualKey) = nullptr;
    SHORT (*asyncState)(int virtualKey) = nullptr;
};
KeyStateSource SystemKeyState();

// The keys the program keeps from its HTML pages and dialogs: zoom with the wheel,
// reload, and the browser's own shortcuts (open, print, new window, select all,
// find).
bool IsSwallowedAppKey(const MSG& message, const KeyStateSource& keys);
