#include "shell/toolkit/hover_tracking.h"

#include <commctrl.h>

#include "platform/ui/gdi.h"
#include "resources/toolkit/toolkit_ids.h"

HCURSOR HandCursor() {
    static const HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    return cursor;
}

int StretchedFrameFor(const ButtonLook& look) {
    if (look.selected) return 1;
    if (look.hover) return 2;
    if (look.disabled && look.fourState) return 3;
    return 0;
}

int SingleStripFrameFor(const ButtonLook& look) {
    if (look.disabled && look.fourState) return 3;
    return StretchedFrameFor({look.selected, look.hover, false, false});
}

HoverTrackingButton::HoverTrackingButton(DWORD hoverMilliseconds, LRESULT hoverAnswer, LRESULT eraseAnswer)
    : m_hHandCursor(HandCursor()), hoverMilliseconds_(hoverMilliseconds), hoverAnswer_(hoverAnswer),
      eraseAnswer_(eraseAnswer) {}

void HoverTrackingButton::OnAttached() {
    const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
    SetWindowLongW(Handle(), GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
}

bool HoverTrackingButton::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

void HoverTrackingButton::RequestRepaint() { InvalidateRect(Handle(), nullptr, FALSE); }

LRESULT HoverTrackingButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!m_bTracking) {
            TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, Handle(), hoverMilliseconds_};
            m_bTracking = TrackMouseEvent(&track) != FALSE;
        }
        m_hCurrentCursor = m_hHandCursor;
        break;
    case WM_MOUSEHOVER:
        m_hCurrentCursor = m_hHandCursor;
        if (!m_bHover) {
            m_bHover = true;
            RequestRepaint();
        }
        return hoverAnswer_;
    case WM_MOUSELEAVE:
        m_bTracking = false;
        m_hCurrentCursor = nullptr;
        if (m_bHover) {
            m_bHover = false;
            RequestRepaint();
        }
        return 0;
    case WM_SETCURSOR:
        if (m_bUseHandCursor && m_hCurrentCursor != nullptr) {
            SetCursor(m_hCurrentCursor);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return eraseAnswer_;
    default:
        break;
    }
    return Control::WindowProc(message, wParam, lParam);
}
