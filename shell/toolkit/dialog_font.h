#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The font a dialog was given by `ScaleDialogFont`, so that `RestoreDialogFont`
// can undo it. All empty until the scaler fills it.
struct DialogFontState {
    WORD templateId = 0;
    HMODULE resourceModule = nullptr;
    HWND dialog = nullptr;          // none: nothing applied
    HFONT createdFont = nullptr;    // owned by the record
    HFONT previousFont = nullptr;   // the dialog's font before; not owned
};

// The font of a dialog template.
struct TemplateFontInfo {
    int pointSize = 8;
    bool hasMenu = false;
    int weight = FW_NORMAL;
    bool italic = false;
    std::wstring faceName = L"Tahoma";
};

// One control of a template, in dialog units.
struct TemplateItem {
    int id = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// What the scaler reads from an extended dialog template.
struct DialogTemplateLayout {
    DWORD style = 0;
    DWORD exStyle = 0;
    int cx = 0;
    int cy = 0;
    TemplateFontInfo font;
    std::vector<TemplateItem> items;
};

// Reads an extended template (version 1, signature 0xFFFF) from `size` bytes;
// false for any other form or a template that ends before its own counts do.
bool ReadDialogTemplate(const void* data, size_t size, DialogTemplateLayout& layout);
// Only the font part of the above.
bool ReadTemplateFont(const void* data, size_t size, TemplateFontInfo& font);

struct DialogBaseUnits {
    int width = 0;
    int height = 0;
};

// The base units of `font` on `dc`, the way the dialog manager measures them.
DialogBaseUnits MeasureDialogBaseUnits(HFONT font, HDC dc);

// Rebuilds the dialog's template font at `dotsPerInch` and lays the dialog and
// its controls out again from it, so pixel positions hold whatever the system's
// font size. Undo with `RestoreDialogFont`; scaling again undoes the first.
void ScaleDialogFont(HWND dialog, WORD templateId, double dotsPerInch, HMODULE resourceModule,
                     DialogFontState& state);
void RestoreDialogFont(DialogFontState& state);
