#include "shell/toolkit/footer_buttons.h"

#include <algorithm>

#include "foundation/language_table.h"
#include "platform/ui/gdi.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

constexpr int kFooterButtonHeight = 31;

int FooterBaseWidth() {
    switch (Toolkit().languageIndex) {
    case 5:   // German
    case 6:   // Italian
    case 10:  // Spanish
        return 162;
    default:
        return 108;
    }
}

void SetupOne(CHalHoverButton& button, const std::wstring& caption, bool alternate) {
    const int width = MeasureCaptionWidth(caption, nullptr, FooterBaseWidth());
    button.MoveTo(0, 0, 1, 1);
    button.m_bFourState = true;
    if (alternate) {
        button.LoadStateBitmaps(IDB_FOOTER_ALT_LEFT, IDB_FOOTER_ALT_MIDDLE, IDB_FOOTER_ALT_RIGHT, caption, width,
                                kFooterButtonHeight);
    } else {
        button.LoadStateBitmaps(IDB_FOOTER_BUTTON_LEFT, IDB_FOOTER_BUTTON_MIDDLE, IDB_FOOTER_BUTTON_RIGHT, caption,
                                width, kFooterButtonHeight);
    }
    button.Show(SW_SHOWNORMAL);
    button.Send(WM_SETFONT, reinterpret_cast<WPARAM>(ToolkitButtonFont()), TRUE);
}

// The width a footer button takes for its caption, at least `minimum`; an empty
// caption keeps the button's present size.
SIZE FooterSize(const CHalHoverButton& button, const std::wstring& caption, int minimum) {
    const RECT rect = button.RectInParent();
    const SIZE present{rect.right - rect.left, rect.bottom - rect.top};
    if (caption.empty()) return present;
    const int measured = MeasureCaptionWidth(caption, ToolkitButtonFont(), present.cy);
    return {std::max(measured + 10, minimum), kFooterButtonHeight};
}

bool HasWindow(const CHalHoverButton* button) { return button != nullptr && button->Exists(); }

void DrawLine(HDC dc, const std::wstring& text, RECT rect, UINT format) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

}  // namespace

void SetupDialogButtons(CHalHoverButton* first, CHalHoverButton* second, const std::wstring& firstCaption,
                        const std::wstring& secondCaption, bool secondAlternate) {
    if (first != nullptr) SetupOne(*first, firstCaption, false);
    if (second != nullptr) SetupOne(*second, secondCaption, secondAlternate);
}

void LayoutFooterButtons(const CDlgChildBase& page, CHalHoverButton* first, CHalHoverButton* second,
                         const RECT& client, const std::wstring& firstCaption, const std::wstring& secondCaption) {
    int top = page.m_bCompactFooter ? 374 : 398;
    if (ToolkitWindowsMajorVersion() == 5) top -= 2;
    const int clientWidth = client.right - client.left;

    // Without a first button the second stands where a plain one would.
    int firstWidth = 120;
    int firstX = 427;
    if (HasWindow(first)) {
        const SIZE size = FooterSize(*first, firstCaption, 120);
        firstWidth = size.cx;
        firstX = clientWidth - size.cx - 18;
        first->MoveTo(firstX, top, size.cx, size.cy);
    }
    if (HasWindow(second)) {
        const SIZE size = FooterSize(*second, secondCaption, firstWidth);
        second->MoveTo(firstX - size.cx - 18, top, size.cx, size.cy);
    }
}

void DrawWizardResultPanel(HWND page, HDC dc, [[maybe_unused]] int left, int top, [[maybe_unused]] int height, const std::wstring& heading,
                           HICON icon, const std::vector<std::wstring>& labels,
                           const std::vector<std::wstring>& values, const std::vector<COLORREF>& valueColours) {
    RECT client{};
    GetClientRect(page, &client);
    const int width = client.right;
    const bool english = Toolkit().languageIndex == 0;
    SetBkMode(dc, TRANSPARENT);
    {
        ui::SelectionScope font(dc, ToolkitPanelHeadingFont());
        DrawLine(dc, heading, {81, 74, width - 101, 104}, DT_SINGLELINE);
    }
    if (icon != nullptr) DrawIconEx(dc, 40, 74, icon, 32, 32, 0, nullptr, DI_NORMAL);

    ui::SelectionScope font(dc, ToolkitButtonFont());
    for (size_t row = 0; row < labels.size(); ++row) {
        const int bottom = top + 20 + static_cast<int>(row) * 30;
        const int labelEnd = english ? 291 : 81 + MeasureCaptionWidth(labels[row], ToolkitButtonFont(), 0);
        SetTextColor(dc, RGB(25, 25, 25));
        DrawLine(dc, labels[row], {81, bottom - 20, labelEnd, bottom}, DT_WORDBREAK);

        const std::wstring value = row < values.size() ? values[row] : std::wstring();
        RECT valueRect{labelEnd + 5, bottom - 20, width - 101, bottom};
        if (!english && labelEnd + 5 + MeasureCaptionWidth(value, ToolkitButtonFont(), 0) > 600) valueRect.bottom += 13;
        SetTextColor(dc, row < valueColours.size() ? valueColours[row] : RGB(25, 25, 25));
        const bool last = row + 1 == labels.size();
        DrawLine(dc, value, valueRect, last ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}
