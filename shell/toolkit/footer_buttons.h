#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CDlgChildBase;
class CHalHoverButton;

// Gives a page its one or two owner-drawn footer buttons: width from the caption
// (wider base for German, Italian and Spanish), footer images, shown, button font.
// Either button may be null.
void SetupDialogButtons(CHalHoverButton* first, CHalHoverButton* second, const std::wstring& firstCaption,
                        const std::wstring& secondCaption, bool secondAlternate);

// Places the footer buttons right-aligned at the page's foot: 18 pixels from the
// right edge and between them, the second never narrower than the first. Either
// button may be null or not created yet.
void LayoutFooterButtons(const CDlgChildBase& page, CHalHoverButton* first, CHalHoverButton* second,
                         const RECT& client, const std::wstring& firstCaption, const std::wstring& secondCaption);

// Paints a wizard finish page's summary: heading, optional icon, then one row per
// label with its value in the row's colour.
void DrawWizardResultPanel(HWND page, HDC dc, int left, int top, int height, const std::wstring& heading,
                           HICON icon, const std::vector<std::wstring>& labels,
                           const std::vector<std::wstring>& values, const std::vector<COLORREF>& valueColours);
