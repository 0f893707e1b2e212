#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Checks that translated captions show whole where they stand: in a control, or
// drawn by a page into a rectangle of its own.

struct CutCaption {
    std::wstring text;
    SIZE needed;  // what the text takes in its font
    int room;     // the width it has
    LONG height;  // the height it has
};

// Every caption of the button and static children of `parent` that its control cuts.
void CollectCutCaptions(HWND parent, std::vector<CutCaption>& cut);

// Adds `text` to `cut` unless it shows whole when drawn with `font` and `format`
// into `rect` (a one-line text must fit its width and height, a wrapping one the
// height once wrapped at the width).
void CheckDrawnText(const std::wstring& text, const RECT& rect, HFONT font, UINT format,
                    std::vector<CutCaption>& cut);

// The test's folder, where the build puts every language file.
std::wstring FolderOfTest();

std::string Utf8(const std::wstring& text);
