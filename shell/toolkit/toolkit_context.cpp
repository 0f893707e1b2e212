#include "shell/toolkit/toolkit_context.h"

#include "foundation/language_table.h"
#include "foundation/os_identity.h"

namespace {

HFONT LanguageFontWith(int height, int weight) {
    LOGFONTW logFont;
    FillLanguageFont(logFont);
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    return CreateFontIndirectW(&logFont);
}

// The fall-backs live for the whole run, like the application's own fonts.
HFONT Or(HFONT chosen, HFONT& fallback, int height, int weight) {
    if (chosen != nullptr) return chosen;
    if (fallback == nullptr) fallback = LanguageFontWith(height, weight);
    return fallback;
}

HFONT g_heading = nullptr;
HFONT g_button = nullptr;
HFONT g_panelHeading = nullptr;
HFONT g_dialog = nullptr;

}  // namespace

ToolkitContext& Toolkit() {
    static ToolkitContext context;
    return context;
}

HFONT ToolkitHeadingFont() { return Or(Toolkit().headingFont, g_heading, -17, FW_SEMIBOLD); }
HFONT ToolkitButtonFont() { return Or(Toolkit().buttonFont, g_button, -13, FW_BOLD); }
HFONT ToolkitPanelHeadingFont() { return Or(Toolkit().panelHeadingFont, g_panelHeading, -16, FW_BOLD); }
HFONT ToolkitDialogFont() { return Or(Toolkit().dialogFont, g_dialog, -11, FW_NORMAL); }

int ToolkitWindowsMajorVersion() {
    ToolkitContext& context = Toolkit();
    if (context.windowsMajorVersion == 0) {
        const DWORD major = ReadOsVersionFacts().major;
        context.windowsMajorVersion = major != 0 ? static_cast<int>(major) : 6;
    }
    return context.windowsMajorVersion;
}

HBRUSH SharedWhiteBrush() {
    static const HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    return brush;
}
