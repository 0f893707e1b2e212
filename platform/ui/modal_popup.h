#pragma once

#include <windows.h>

#include <functional>

// Pop-up dialogs run modally over a translucent backdrop that covers the main
// window. The backdrop belongs to the window layer; it registers itself here as the
// runner, and this module keeps the count of open pop-ups straight.

// What the backdrop needs to show one pop-up: the dialog object of the window layer
// (opaque here), its template, and the main window with its rectangle.
struct BackdropRequest {
    HWND mainWindow = nullptr;
    void* dialog = nullptr;
    UINT templateId = 0;
    RECT mainWindowRect{};
};

// Runs the backdrop modally and returns when it has closed (its modal result, or
// -1 when it could not be created).
using BackdropRunner = std::function<INT_PTR(const BackdropRequest&)>;

// Installed once by the window layer; an empty runner removes it.
void SetBackdropRunner(BackdropRunner runner);

// Shows the dialog modally over the main window. The count of open pop-ups is one
// higher while it runs and back to its old value afterwards, however the pop-up
// ended. Returns the backdrop's result, -1 when there is no backdrop to run.
INT_PTR BringToFront(HWND mainWindow, void* dialog, UINT templateId);

// Called by a pop-up to close itself: re-enables the main window, lowers the count
// and ends the backdrop (the dialog's parent) with OK.
void CloseModalPopup(HWND dialog);

LONG GetOpenPopupCount();
