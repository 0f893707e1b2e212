#include "shell/toolkit/dlg_child_base.h"

#include "foundation/shared_constants.h"
#include "platform/ui/gdi.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

HBITMAP SharedFooterStrip() {
    static const HBITMAP strip = LoadBitmapResource(IDB_PAGE_FOOTER_STRIP);
    return strip;
}

// Made once and kept for the run, like the strip itself.
HBRUSH SharedFooterStripBrush() {
    static const HBRUSH brush = SharedFooterStrip() != nullptr ? CreatePatternBrush(SharedFooterStrip()) : nullptr;
    return brush;
}

}  // namespace

HICON SharedPageIcon() {
    // One icon for every page, never destroyed: a page's destructor must not take
    // it from the pages that live on.
    static const HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PAGE_ICON), IMAGE_ICON, 0, 0,
                   LR_SHARED | LR_DEFAULTSIZE));
    return icon;
}

int PageFooterStripHeight() {
    const HBITMAP strip = SharedFooterStrip();
    return strip != nullptr ? BitmapSize(strip).cy : 0;
}

HBITMAP SharedPageOrnament() {
    static const HBITMAP ornament = LoadBitmapResource(IDB_PAGE_ORNAMENT);
    return ornament;
}

LRESULT PageControlColour(WPARAM dc) {
    SetTextColor(reinterpret_cast<HDC>(dc), kPageTextColour);
    return reinterpret_cast<LRESULT>(SharedWhiteBrush());
}

LRESULT FooterControlColour(WPARAM dc, HWND control, HWND page) {
    const HBRUSH strip = SharedFooterStripBrush();
    if (strip == nullptr) return PageControlColour(dc);
    RECT client{};
    GetClientRect(page, &client);
    POINT at{0, 0};
    MapWindowPoints(control, page, &at, 1);
    // The pattern starts where the page's strip starts: at its foot, one strip high,
    // tiled from the page's left edge.
    const SIZE size = BitmapSize(SharedFooterStrip());
    const int stripTop = client.bottom - size.cy;
    const auto wrap = [](int value, int period) { return period > 0 ? ((value % period) + period) % period : 0; };
    const HDC target = reinterpret_cast<HDC>(dc);
    SetBrushOrgEx(target, wrap(-at.x, size.cx), wrap(stripTop - at.y, size.cy), nullptr);
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, kPageTextColour);
    return reinterpret_cast<LRESULT>(strip);
}

CDlgChildBase::CDlgChildBase(UINT templateId, HINSTANCE resourceModule) : Dialog(templateId, resourceModule) {}

CDlgChildBase::~CDlgChildBase() { RestoreDialogFont(m_fontState); }

BOOL CDlgChildBase::OnInitDialog() {
    Dialog::OnInitDialog();
    SetWindowLongW(Handle(), GWL_STYLE, GetWindowLongW(Handle(), GWL_STYLE) | WS_TABSTOP);
    SharedPageIcon();
    return TRUE;
}

bool CDlgChildBase::PreTranslateMessage(MSG& message) {
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_F4:
        case VK_SPACE:
            message.wParam = 0;
            break;
        default:
            break;
        }
        return false;
    }
    if ((message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP) && message.wParam == VK_F4) {
        message.wParam = 0;
        return false;
    }
    if (message.wParam == VK_SPACE) return false;
    return Dialog::PreTranslateMessage(message);
}

void CDlgChildBase::OnOK() {
    // The down bit only: the low bit would also hold back the first OK after any
    // Enter pressed anywhere on the desktop since the last query.
    if ((static_cast<USHORT>(GetAsyncKeyState(VK_RETURN)) & 0x8000) != 0) return;
    Dialog::OnOK();
}

void CDlgChildBase::OnCancel() {
    if ((static_cast<USHORT>(GetAsyncKeyState(VK_ESCAPE)) & 0x8000) != 0) return;
    Dialog::OnCancel();
}

void PaintBufferedOnWhite(HWND window, const std::function<void(HDC dc, const RECT& client)>& paint) {
    ui::PaintScope scope(window);
    RECT client{};
    GetClientRect(window, &client);
    CHvMemDC memory(scope, &client);
    FillRect(memory, &client, SharedWhiteBrush());
    if (paint) paint(memory, client);
}

LRESULT CDlgChildBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return TRUE;
    if (ui::IsControlColourMessage(message)) return PageControlColour(wParam);
    return Dialog::WindowProc(message, wParam, lParam);
}

void CDlgChildBase::DrawPageBackground(HDC dc, const RECT& client, BOOL ensureOrnament, const std::wstring& heading,
                                       bool footerStrip, bool headingBand, bool bandAtTop, int bandTop) {
    SetBkMode(dc, TRANSPARENT);
    if (ensureOrnament) SharedPageOrnament();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    if (headingBand) {
        const int top = bandTop == 24 ? (bandAtTop ? 0 : 24) : bandTop;
        ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(225, 225, 225)));
        ui::ScopedBrush brush(CreateSolidBrush(RGB(241, 241, 241)));
        {
            ui::SelectionScope penSelection(dc, pen.Get());
            ui::SelectionScope brushSelection(dc, brush.Get());
            Rectangle(dc, 12, top, width - 12, top + 25);
        }
        const std::wstring text = heading.empty() ? Text() : heading;
        ui::SelectionScope fontSelection(dc, ToolkitHeadingFont());
        SetTextColor(dc, RGB(0, 0, 0));
        RECT band{22, top, width - 12, top + 25};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &band, DT_SINGLELINE | DT_VCENTER);
    }

    if (footerStrip) {
        HBITMAP strip = SharedFooterStrip();
        const SIZE size = BitmapSize(strip);
        for (int x = 0; size.cx > 0 && x < width; x += size.cx) {
            BlitFromBitmap(dc, x, height - size.cy, size.cx, size.cy, strip, 0, 0);
        }
    }
}
