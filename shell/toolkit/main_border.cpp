#include "shell/toolkit/main_border.h"

#include <algorithm>

#include "foundation/app_settings.h"
#include "platform/ui/gdi.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

constexpr int kCaptionButtonWidth = 28;
// Where the side borders start: below the logo band of a branded frame or in a
// frame without side borders, else lower down.
constexpr int kShortSideTop = 56;
constexpr int kSideTop = 116;
constexpr int kCaptionButtonHeight = 15;

// Frame bitmaps are loaded for each paint and freed at once.
ui::ScopedBitmap LoadFrameBitmap(int id) {
    return ui::ScopedBitmap(LoadBitmapResource(id));
}

void CreateCaptionButton(CHoverButton& button, HWND parent, int id, int x, UINT bitmapId) {
    ui::ControlArgs args;
    args.className = L"BUTTON";
    args.parent = parent;
    args.id = id;
    args.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
    args.x = x;
    args.y = 5;
    args.width = kCaptionButtonWidth;
    args.height = kCaptionButtonHeight;
    if (button.Create(args)) button.LoadBitmap(bitmapId);
}

}  // namespace

CMainBorder::CMainBorder(UINT templateId, HINSTANCE resourceModule) : Dialog(templateId, resourceModule) {}

BOOL CMainBorder::OnInitDialog() {
    Dialog::OnInitDialog();
    const int width = ClientRect().right;
    CreateCaptionButton(m_closeButton, Handle(), kCloseId, width - 38, IDB_CAPTION_CLOSE);
    CreateCaptionButton(m_minimizeButton, Handle(), kMinimizeId, width - 68, IDB_CAPTION_MINIMIZE);
    CreateCaptionButton(m_thirdButton, Handle(), kThirdButtonId, width - 68, IDB_CAPTION_MAXIMIZE);
    m_thirdButton.Show(SW_HIDE);
    m_thirdButton.Enable(false);
    if (!m_bShowMinimize) {
        m_minimizeButton.Show(SW_HIDE);
        m_minimizeButton.Enable(false);
    }
    return TRUE;
}

void CMainBorder::PlaceCaptionButtons() {
    const int width = ClientRect().right;
    for (auto [button, x] : {std::pair{&m_closeButton, width - 38}, std::pair{&m_minimizeButton, width - 68},
                             std::pair{&m_thirdButton, width - 68}}) {
        if (button->Exists()) button->MoveTo(x, 5, kCaptionButtonWidth, kCaptionButtonHeight);
    }
}

void CMainBorder::SaveSettingsOnClose() { SaveSettings(); }

bool CMainBorder::StartEdgeDrag(LPARAM lParam) {
    if (m_bFixedPosition) return false;
    const RECT client = ClientRect();
    const int width = client.right;
    const int height = client.bottom;
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT regions[] = {
        {0, 0, width, 50},                        // top band
        {0, height - 23, width - 2, height - 2},  // bottom band
        {0, 0, 5, height},                        // left edge
        {width - 5, 0, width, height},            // right edge
    };
    for (const RECT& region : regions) {
        if (PtInRect(&region, point)) {
            Post(WM_NCLBUTTONDOWN, HTCAPTION, lParam);
            return true;
        }
    }
    return false;
}

LRESULT CMainBorder::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        ui::PaintScope paint(Handle());
        const RECT client = ClientRect();
        { CHvMemDC memory(paint, &client); }
        for (CHoverButton* button : {&m_closeButton, &m_minimizeButton, &m_thirdButton}) {
            if (button->Exists()) button->Invalidate();
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (StartEdgeDrag(lParam)) return 0;
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == kMinimizeId) {
            const DWORD position = GetMessagePos();
            Post(WM_SYSCOMMAND, SC_MINIMIZE, static_cast<LPARAM>(position));
            return 0;
        }
        if (LOWORD(wParam) == kCloseId) {
            SaveSettingsOnClose();
            Post(WM_COMMAND, IDCANCEL, 0);
            return 0;
        }
        if (LOWORD(wParam) == kThirdButtonId) return 0;
        break;
    case WM_SIZE: {
        const LRESULT result = Dialog::WindowProc(message, wParam, lParam);
        PlaceCaptionButtons();
        return result;
    }
    default:
        if (ui::IsControlColourMessage(message)) {
            return reinterpret_cast<LRESULT>(SharedWhiteBrush());
        }
        break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void CMainBorder::PaintBorderFrame(HDC dc, const RECT& client) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    const int sideTop = (m_bNoSideBorders || m_bBrandedFrame) ? kShortSideTop : kSideTop;
    const bool sideBorders = Toolkit().sideBorders && !m_bNoSideBorders;

    // The edge column runs the whole width; the corners go over it, each down to
    // where its side border takes over, so no white shows between the top bar and
    // the borders. Without side borders the corners stop within the bar.
    ui::ScopedBitmap topLeft = LoadFrameBitmap(IDB_FRAME_TOP_LEFT);
    ui::ScopedBitmap topEdge = LoadFrameBitmap(IDB_FRAME_TOP_EDGE);
    ui::ScopedBitmap topRight = LoadFrameBitmap(IDB_FRAME_TOP_RIGHT);
    const SIZE leftSize = BitmapSize(topLeft.Get());
    const SIZE edgeSize = BitmapSize(topEdge.Get());
    const SIZE rightSize = BitmapSize(topRight.Get());
    for (int x = 0; edgeSize.cx > 0 && x <= width - edgeSize.cx - 1; ++x) {
        BlitFromBitmap(dc, x, 0, edgeSize.cx, edgeSize.cy, topEdge.Get(), 0, 0);
    }
    const int cornerBottom = sideBorders ? sideTop : kShortSideTop;
    BlitFromBitmap(dc, 0, 0, leftSize.cx, std::min<int>(leftSize.cy, cornerBottom), topLeft.Get(), 0, 0);
    BlitFromBitmap(dc, width - rightSize.cx, 0, rightSize.cx, std::min<int>(rightSize.cy, cornerBottom), topRight.Get(),
                   0, 0);

    if (sideBorders) {
        for (auto [id, x] : {std::pair{IDB_FRAME_LEFT_BORDER, 0}, std::pair{IDB_FRAME_RIGHT_BORDER, width - 5}}) {
            ui::ScopedBitmap border = LoadFrameBitmap(id);
            const SIZE size = BitmapSize(border.Get());
            StretchFromBitmap(dc, {x, sideTop, x + 6, height}, border.Get(), 0, size.cx, size.cy);
        }
    }

    if (m_bBrandedFrame) {
        ui::ScopedBitmap row = LoadFrameBitmap(IDB_FRAME_SIDE_ROW);
        const SIZE rowSize = BitmapSize(row.Get());
        for (int y = 432; y < height - 30; ++y) {
            BlitFromBitmap(dc, 0, y, rowSize.cx, rowSize.cy, row.Get(), 0, 0);
            BlitFromBitmap(dc, width - 6, y, rowSize.cx, rowSize.cy, row.Get(), 0, 0);
        }
        ui::ScopedBitmap logo = LoadFrameBitmap(IsDriverBackupModeEnabled() ? IDB_FRAME_LOGO_BACKUP : IDB_FRAME_LOGO);
        const SIZE logoSize = BitmapSize(logo.Get());
        BlitFromBitmap(dc, (width - logoSize.cx) / 2, 0, logoSize.cx, logoSize.cy, logo.Get(), 0, 0);
    }
}
