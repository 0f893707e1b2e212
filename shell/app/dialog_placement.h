#pragma once

#include <windows.h>

#include <string>

// Placing a dialog's children by the dialog units of its template, at the program's
// dialog font (96 dots per inch): x and widths grow by 1.5016077, y and heights by
// 1.62378, each rounded up.
int DialogUnitsToPixelsX(double units);
int DialogUnitsToPixelsY(double units);
// The whole dialog units within `pixels` across.
int PixelsToDialogUnitsX(int pixels);

// Moves item `id` of `dialog` to (x, y) in dialog units, as wide as its caption
// needs in the item's own font (a check box or radio button with its box) and 17
// pixels high, and repaints it. False when there is no such item.
bool PlaceDlgItem(HWND dialog, int id, int x, int y);
// Moves item `id` to the rectangle (x, y, width, height) in dialog units and
// repaints it.
bool PlaceDlgItemRect(HWND dialog, int id, int x, int y, int width, int height);

// A window as large as its own client rectangle (a button whose image set its
// client size).
void FitDialogToClient(HWND window);

// The help page in the browser: the machine's "HelpUrl" when it is set, else the
// built-in address.
void OpenHelpPage();
// The address OpenHelpPage opens.
std::wstring HelpPageAddress();
