#pragma once

#include <windows.h>

#include "platform/ui/window.h"
#include "shell/toolkit/bitmap_pieces.h"

// What every owner-drawn button shares: the hover look driven by the system's
// mouse-hover and mouse-leave notices, and the hand cursor while hovering.
class HoverTrackingButton : public ui::Control {
public:
    // The system's notices arrive after `hoverMilliseconds`; `hoverAnswer` and
    // `eraseAnswer` are what the button answers WM_MOUSEHOVER and WM_ERASEBKGND.
    HoverTrackingButton(DWORD hoverMilliseconds, LRESULT hoverAnswer, LRESULT eraseAnswer);

    bool m_bStickyHover = false;  // the hover look without the mouse over it
    bool m_bHover = false;        // the mouse is over the button
    bool m_bUseHandCursor = true;
    HCURSOR m_hHandCursor = nullptr;
    HCURSOR m_hCurrentCursor = nullptr;
    bool m_bTracking = false;     // a mouse-leave notice is pending

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Owner-drawn buttons: the style gains BS_OWNERDRAW when the button is attached.
    void OnAttached() override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;
    // Asks the system for one repaint of the whole button when its look changed.
    virtual void RequestRepaint();

private:
    DWORD hoverMilliseconds_;
    LRESULT hoverAnswer_;
    LRESULT eraseAnswer_;
};

// The program-wide hand cursor (resource 316), owned by the system.
HCURSOR HandCursor();

// The frame of a state strip, 0 normal, 1 pressed, 2 hover, 3 disabled; the
// state of a drawing item and the button's own flags decide it.
struct ButtonLook {
    bool selected = false;   // ODS_SELECTED or latched
    bool hover = false;      // mouse over or sticky hover
    bool disabled = false;
    bool fourState = false;
};
// The three-piece order: pressed, then hover, then disabled.
int StretchedFrameFor(const ButtonLook& look);
// The single-strip order: disabled first.
int SingleStripFrameFor(const ButtonLook& look);
