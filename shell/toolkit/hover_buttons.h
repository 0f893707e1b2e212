#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/gdi.h"
#include "shell/toolkit/hover_tracking.h"

// A button drawn from one strip of three state frames; the caption buttons of the
// framed windows and the language button.
class CHoverButton : public HoverTrackingButton {
public:
    CHoverButton();

    // Both take the strip (frame width = strip width / 3) and size the button to
    // one frame. They answer 1.
    int LoadBitmap(UINT bitmapId);
    int SetBitmap(HBITMAP strip);

    int m_frameWidth = 0;
    int m_frameHeight = 0;
    bool m_bLanguageFlag = false;  // the current language's flag at (2, 2)

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // The strip frame for the item's state, as the caption buttons choose it.
    int FrameFor(const DRAWITEMSTRUCT& item, bool latched);
    HBITMAP Strip() const { return strip_.Get(); }

private:
    ui::ScopedBitmap strip_;
};

// A strip button with a caption, a second text and an icon, and the style flags
// of list rows, tabs, green action buttons and links.
class CMyHoverButton : public CHoverButton {
public:
    // The strip, then (when `iconId` is not 0) the icon strip; sizes the button.
    void LoadImages(UINT stripId, UINT iconId, const std::wstring& caption);
    void SetTexts(const std::wstring& caption, const std::wstring& secondText);

    std::wstring m_strSecondText;
    bool m_bShowSecondText = false;
    std::wstring m_strCaption;
    bool m_bDrawText = true;
    bool m_bAutoWidth = false;
    bool m_bIconRow = false;
    bool m_bLinkStyle = false;
    bool m_bOpaque = false;
    bool m_bSmallFontLanguages = false;
    bool m_bBlueText = false;
    bool m_bWhiteText = false;
    bool m_bDarkText = false;
    bool m_bHeading = false;
    bool m_bNotInstalled = false;
    bool m_bGreenButton = false;
    bool m_bRedText = false;
    bool m_bGreenShift = false;
    bool m_bLinkText = false;
    bool m_bKeepTop = false;
    bool m_bRightLink = false;
    bool m_bLatched = false;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void DrawStripFrame(HDC dc, const RECT& rect, int frame);
    void DrawIconCaption(HDC dc, const RECT& rect, const LOGFONTW& baseFont, bool pressed, bool hot);
    void DrawStyledCaption(HDC dc, RECT rect, LOGFONTW font, bool pressed, bool hot);

    ui::ScopedBitmap icon_;
    int iconFrameWidth_ = 0;
    int iconHeight_ = 0;
};

// A text-only link button.
class ChyperlinkBtn : public HoverTrackingButton {
public:
    ChyperlinkBtn();

    bool m_bUseSharedFonts = true;
    bool m_bBold = false;
    UINT m_textFormat = DT_VCENTER | DT_SINGLELINE;
    COLORREF m_crBack = RGB(255, 255, 255);
    COLORREF m_crText = RGB(9, 18, 27);
    COLORREF m_crHover = RGB(45, 72, 108);
    // Until the page chooses one, a pressed link looks as when hovered.
    COLORREF m_crPressed = RGB(45, 72, 108);
    bool m_bNoDisabledColour = false;
    std::wstring m_strText;
    LOGFONTW m_logFont{};

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
};
