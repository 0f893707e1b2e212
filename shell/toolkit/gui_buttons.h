#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/gdi.h"
#include "shell/toolkit/hover_tracking.h"

// The base of the footer and tab buttons: hover tracking, the hand cursor, a
// caption, and painting the parent's background under transparent parts.
class CBaseGUIButton : public HoverTrackingButton {
public:
    CBaseGUIButton();

    // Creates the button as a child of `parent`, keeping the caption.
    bool Create(const std::wstring& caption, DWORD style, const RECT& rect, HWND parent, int id);

    // Asks the parent to erase `dc` as if it were its own, under the button.
    virtual void PaintParentBackground(HDC dc, const RECT* clip = nullptr);
    virtual void SetCaption(const std::wstring& caption);
    virtual std::wstring GetCaption();

    std::wstring m_strCaption;
    bool m_bAutoWidth = false;  // the button widens to its measured caption
};

// A button drawn from three- or four-state images in three pieces: a left cap, a
// middle stretched over the width and a right cap.
class CHalHoverButton : public CBaseGUIButton {
public:
    // Loads the pieces (each `fourState` ? 4 : 3 frames wide), sizes the button
    // and leaves single-strip mode; false when a piece is missing (it is drawn
    // empty).
    bool LoadStateBitmaps(UINT leftId, UINT middleId, UINT rightId, const std::wstring& caption, int width,
                          int height);
    // A single strip of state frames instead of the pieces; the button takes it over.
    void SetSingleStrip(HBITMAP strip);
    virtual void DrawStretched(const DRAWITEMSTRUCT& item);

    int m_width = 0;
    int m_height = 0;
    bool m_bSingleStrip = true;
    bool m_bFourState = false;
    bool m_bLatched = false;  // drawn as pressed

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // The image for the item's state; false when the button has none yet.
    bool DrawImage(const DRAWITEMSTRUCT& item);
    ButtonLook LookOf(const DRAWITEMSTRUCT& item) const;

private:
    struct Piece {
        ui::ScopedBitmap bitmap;
        int frameWidth = 0;
        int height = 0;
    };
    void DrawSingleStrip(const DRAWITEMSTRUCT& item);

    ui::ScopedBitmap singleStrip_;
    Piece left_;
    Piece middle_;
    Piece right_;
};

// A hover button with its caption drawn as text.
class CHalHoverButtonWithText : public CHalHoverButton {
public:
    CHalHoverButtonWithText();

    bool m_bShadow = false;  // the text first at (+1, +1) in a dark blue
    bool m_bBoldOnHover = false;
    bool m_bBold = false;
    bool m_bUnderlineOnHover = false;
    bool m_bUseDisabledColour = true;
    LOGFONTW m_logFont{};
    COLORREF m_crText = RGB(0, 0, 0);
    COLORREF m_crHover = RGB(0, 0, 0);
    COLORREF m_crDisabled = RGB(162, 162, 162);
    int m_textX = -1;  // -1: no fixed text origin
    int m_textY = 7;
    UINT m_textFormat = 0;  // 0: the default format
    bool m_bSemiBoldVista = false;
    bool m_bCustomHeight = false;
    int m_fontHeight = -12;
    bool m_bSecondLine = false;
    std::wstring m_strSecondLine;
    bool m_bWrapRussian = false;
    bool m_bWrapItalian = false;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
};
