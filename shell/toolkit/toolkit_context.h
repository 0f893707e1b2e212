#pragma once

#include <windows.h>

// What the page bases and owner-drawn controls take from the application object.
// The application fills it during start-up; until then (and in tests) each font
// falls back to one made from the language font, and the language index to 0.
struct ToolkitContext {
    unsigned languageIndex = 0;       // row of the language table, 0 English
    int windowsMajorVersion = 0;      // 0: read from the system on first use
    bool vistaOrLater = true;
    bool sideBorders = true;          // the main window draws the frame's side borders
    HFONT headingFont = nullptr;      // page heading band
    HFONT buttonFont = nullptr;       // footer buttons and result-panel labels
    HFONT panelHeadingFont = nullptr; // finish pages' summary heading
    HFONT dialogFont = nullptr;       // list headers
};

ToolkitContext& Toolkit();

// The fonts and version with their fall-backs applied.
HFONT ToolkitHeadingFont();
HFONT ToolkitButtonFont();
HFONT ToolkitPanelHeadingFont();
HFONT ToolkitDialogFont();
int ToolkitWindowsMajorVersion();

// The one white brush every page, framed window and control is drawn on, and the
// text colour that goes with it.
HBRUSH SharedWhiteBrush();
inline constexpr COLORREF kPageTextColour = RGB(27, 45, 54);
