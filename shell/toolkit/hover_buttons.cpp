#include "shell/toolkit/hover_buttons.h"

#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

HBITMAP LanguageFlags() {
    static const HBITMAP flags = LoadBitmapResource(IDB_LANGUAGE_FLAGS);
    return flags;
}

void DrawTextIn(HDC dc, const std::wstring& text, RECT rect, UINT format) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void SetFace(LOGFONTW& font, const wchar_t* face) { wcsncpy_s(font.lfFaceName, LF_FACESIZE, face, _TRUNCATE); }

}  // namespace

// --- CHoverButton

CHoverButton::CHoverButton() : HoverTrackingButton(1, 0, TRUE) {}

int CHoverButton::LoadBitmap(UINT bitmapId) { return SetBitmap(LoadBitmapResource(bitmapId)); }

int CHoverButton::SetBitmap(HBITMAP strip) {
    strip_.Reset(strip);
    const SIZE size = BitmapSize(strip);
    m_frameWidth = size.cx / 3;
    m_frameHeight = size.cy;
    SetWindowPos(Handle(), nullptr, 0, 0, m_frameWidth, m_frameHeight,
                 SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
}

int CHoverButton::FrameFor(const DRAWITEMSTRUCT& item, bool latched) {
    if ((item.itemState & ODS_SELECTED) || latched) return 1;
    if (m_bHover || (item.itemState & ODS_FOCUS)) {
        // The hover look lasts until the next paint.
        m_bHover = false;
        return 2;
    }
    return m_bStickyHover ? 2 : 0;
}

void CHoverButton::DrawItem(const DRAWITEMSTRUCT& item) {
    const int frame = FrameFor(item, false);
    BlitFromBitmap(item.hDC, 0, 0, m_frameWidth, m_frameHeight, strip_.Get(), frame * m_frameWidth, 0);
    if (m_bLanguageFlag) {
        BlitFromBitmap(item.hDC, 2, 2, 14, 11, LanguageFlags(), static_cast<int>(Toolkit().languageIndex) * 14, 0);
    }
}

// --- CMyHoverButton

void CMyHoverButton::SetTexts(const std::wstring& caption, const std::wstring& secondText) {
    m_strCaption = caption;
    m_strSecondText = secondText;
}

void CMyHoverButton::LoadImages(UINT stripId, UINT iconId, const std::wstring& caption) {
    m_strCaption = caption;
    CHoverButton::LoadBitmap(stripId);

    const unsigned language = Toolkit().languageIndex;
    LOGFONTW logFont;
    FillLanguageFont(logFont);
    if (m_bBlueText) logFont.lfWeight = FW_BOLD;
    if (m_bIconRow) logFont.lfHeight = 14;
    if (m_bGreenButton) {
        logFont.lfHeight = language == 14 ? -18 : -19;
        logFont.lfWeight = FW_BOLD;
    }
    if (m_bHeading) {
        logFont.lfHeight = language == 0 ? -15 : -16;
        logFont.lfWeight = FW_BOLD;
    }
    ui::ScopedFont font(CreateFontIndirectW(&logFont));
    const int measured = MeasureCaptionWidth(caption, font.Get(), m_frameWidth);
    if (m_bAutoWidth && measured > m_frameWidth) {
        SetWindowPos(Handle(), nullptr, 0, 0, measured, m_frameHeight,
                     SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        m_bAutoWidth = false;
    }

    if (iconId == 0) return;
    icon_.Reset(LoadBitmapResource(iconId));
    const SIZE size = BitmapSize(icon_.Get());
    iconFrameWidth_ = size.cx / 3;
    iconHeight_ = size.cy;
    if (icon_) {
        SetWindowPos(Handle(), nullptr, 0, 0, iconFrameWidth_, iconHeight_,
                     SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CMyHoverButton::DrawStripFrame(HDC dc, const RECT& rect, int frame) {
    const int frameStart = frame * m_frameWidth;
    BlitFromBitmap(dc, 0, 0, m_frameWidth, m_frameHeight, Strip(), frameStart, 0);
    if (!m_bAutoWidth) return;
    const int width = rect.right - rect.left;
    const int stripWidth = m_frameWidth * 3;
    for (int x = width / 3; x < width; x += 9) BlitFromBitmap(dc, x, 0, 9, m_frameHeight, Strip(), frameStart + stripWidth / 6, 0);
    const int quarter = m_frameWidth / 4;
    BlitFromBitmap(dc, width - quarter, 0, quarter, m_frameHeight, Strip(), frameStart + m_frameWidth - quarter, 0);
}

void CMyHoverButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT rect = item.rcItem;
    const bool hot = m_bHover || (item.itemState & ODS_FOCUS) != 0;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0 || m_bLatched;
    DrawStripFrame(dc, rect, FrameFor(item, m_bLatched));
    if (icon_) BlitFromBitmap(dc, 34, 17, iconFrameWidth_, iconHeight_, icon_.Get(), iconFrameWidth_, 0);
    if (!m_bDrawText) return;

    SetBkMode(dc, m_bOpaque ? OPAQUE : TRANSPARENT);
    const unsigned language = Toolkit().languageIndex;
    LOGFONTW baseFont;
    FillLanguageFont(baseFont);
    baseFont.lfHeight = -11;
    baseFont.lfWeight = FW_BOLD;
    SetFace(baseFont, L"arial");
    if (language != 0) {
        baseFont.lfHeight = -10;
        baseFont.lfWeight = FW_MEDIUM;
        if (m_bSmallFontLanguages) {
            baseFont.lfWeight = FW_BOLD;
            switch (language) {
            case 3: case 4: case 9: case 10: case 11: case 14:
                baseFont.lfHeight = -9;
                break;
            default:
                break;
            }
        }
    }
    if (icon_) {
        DrawIconCaption(dc, rect, baseFont, pressed, hot);
    } else {
        DrawStyledCaption(dc, rect, baseFont, pressed, hot);
    }
}

void CMyHoverButton::DrawIconCaption(HDC dc, const RECT& rect, const LOGFONTW& baseFont, bool pressed, bool hot) {
    LOGFONTW captionFont = baseFont;
    if (m_bIconRow) {
        captionFont.lfUnderline = hot ? TRUE : FALSE;
        ui::ScopedFont font(CreateFontIndirectW(&captionFont));
        ui::SelectionScope selection(dc, font.Get());
        SetTextColor(dc, RGB(60, 17, 49));
        DrawTextIn(dc, m_strCaption, {72, 17, rect.right, rect.bottom}, DT_SINGLELINE);
        if (!m_bShowSecondText) return;
        LOGFONTW secondFont = baseFont;
        secondFont.lfHeight = 14;
        secondFont.lfWeight = FW_NORMAL;
        secondFont.lfQuality = CLEARTYPE_QUALITY;
        ui::ScopedFont second(CreateFontIndirectW(&secondFont));
        ui::SelectionScope secondSelection(dc, second.Get());
        DrawTextIn(dc, m_strSecondText, {72, 40, rect.right, rect.bottom}, DT_WORDBREAK);
        return;
    }
    ui::ScopedFont font(CreateFontIndirectW(&captionFont));
    ui::SelectionScope selection(dc, font.Get());
    SetTextColor(dc, pressed ? RGB(255, 255, 255) : RGB(54, 63, 72));
    DrawTextIn(dc, m_strCaption, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, pressed ? RGB(9, 43, 81) : RGB(11, 43, 81));
    RECT second{1, 42, rect.right, rect.bottom};
    if (m_bSmallFontLanguages) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, m_strSecondText.c_str(), static_cast<int>(m_strSecondText.size()), &extent);
        if (extent.cx > 85) {
            OffsetRect(&second, 0, -5);
            DrawTextIn(dc, m_strSecondText, second, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_EDITCONTROL);
            return;
        }
    }
    DrawTextIn(dc, m_strSecondText, second, DT_CENTER | DT_SINGLELINE);
}

void CMyHoverButton::DrawStyledCaption(HDC dc, RECT rect, LOGFONTW font, bool pressed, bool hot) {
    const unsigned language = Toolkit().languageIndex;
    COLORREF colour = RGB(60, 17, 49);
    auto shift = [&](int dx, int dy) { OffsetRect(&rect, dx, dy); };

    // Looks that add up, each over the ones before.
    if (m_bBlueText) {
        colour = RGB(9, 9, 154);
        shift(0, 4);
        if (pressed) shift(2, 1);
        if (hot) font.lfUnderline = TRUE;
    }
    if (m_bWhiteText) {
        colour = RGB(255, 255, 255);
        if (pressed) shift(2, 1);
        if (hot) font.lfUnderline = TRUE;
    }
    if (m_bDarkText) {
        colour = RGB(10, 10, 10);
        font.lfWeight = FW_NORMAL;
        shift(0, 3);
    }
    if (m_bGreenButton) {
        if (Toolkit().vistaOrLater) {
            SetFace(font, L"segoe UI");
            font.lfWeight = FW_NORMAL;
            font.lfHeight = (language == 0 || language == 19) ? -16 : (language == 10 || language == 14) ? -13 : -14;
        } else {
            SetFace(font, GetLangStringA("IDS_FONT_GREEN_BUTTONS_XP").c_str());
            font.lfWeight = FW_SEMIBOLD;
            font.lfHeight = (language == 0 || language == 19) ? -16 : language == 14 ? -12 : -13;
        }
        font.lfQuality = CLEARTYPE_QUALITY;
    }
    if (m_bHeading) {
        colour = RGB(16, 82, 171);
        font.lfHeight = -15;
        font.lfWeight = FW_BOLD;
        font.lfQuality = CLEARTYPE_QUALITY;
        shift(5, 5);
    }

    // Then the first of these decides the rest.
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    std::wstring notInstalled;
    if (m_bRightLink) {
        font.lfUnderline = TRUE;
        colour = RGB(9, 43, 81);
        rect.right -= 15;
        format = DT_RIGHT;
        if (pressed) shift(2, 1);
    } else if (m_bLinkStyle) {
        font.lfHeight += 2;
        if (language == 0) {
            SetFace(font, L"Tahoma");
        } else {
            font.lfWeight = FW_NORMAL;
        }
        font.lfUnderline = TRUE;
        colour = RGB(225, 225, 225);
        format = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
        if (pressed) shift(1, 1);
    } else if (m_bRedText) {
        colour = RGB(240, 10, 10);
        shift(pressed ? 37 : 35, pressed ? 11 : 10);
        format = DT_CENTER;
    } else if (m_bNotInstalled) {
        shift(2, 0);
        format = 0;
        notInstalled = GetLangStringA("IDS_NOT_INSTALLED");
    } else if (m_bGreenButton) {
        colour = RGB(0, 0, 0);
        rect.right -= 11;
        rect.bottom -= 4;
        if (pressed) shift(4, 4);
        if (m_bGreenShift) shift(8, -3);
        shift(2, 1);
    } else if (m_bLinkText) {
        colour = RGB(0, 22, 180);
        shift(30, 4);
        if (language != 0) {
            font.lfHeight = -11;
            font.lfWeight = FW_SEMIBOLD;
            font.lfQuality = CLEARTYPE_QUALITY;
            if (!m_bKeepTop) rect.top = 0;
        }
        if (hot) font.lfUnderline = TRUE;
        if (pressed) shift(2, 1);
        format = (language == 0 || language == 19) ? 0 : DT_VCENTER | DT_WORDBREAK;
    }

    ui::ScopedFont made(CreateFontIndirectW(&font));
    ui::SelectionScope selection(dc, made.Get());
    SetTextColor(dc, colour);
    DrawTextIn(dc, m_strCaption, rect, format);
    if (!notInstalled.empty()) {
        SetTextColor(dc, RGB(149, 8, 8));
        DrawTextIn(dc, notInstalled, {rect.left + 90, rect.top, rect.right + 90, rect.bottom}, format);
    }
    if (m_bShowSecondText) {
        SetTextColor(dc, colour);
        DrawTextIn(dc, m_strSecondText, {rect.left, 30, rect.right, rect.bottom}, DT_SINGLELINE);
    }
}

// --- ChyperlinkBtn

namespace {

// The four link fonts, made once from the language font for the whole run.
struct LinkFonts {
    HFONT bold;
    HFONT boldUnderlined;
    HFONT normal;
    HFONT normalUnderlined;
};

const LinkFonts& SharedLinkFonts() {
    static const LinkFonts fonts = [] {
        auto make = [](int weight, bool underline) {
            LOGFONTW font;
            FillLanguageFont(font);
            font.lfHeight = -11;
            font.lfQuality = CLEARTYPE_QUALITY;
            SetFace(font, L"Tahoma");
            font.lfWeight = weight;
            font.lfUnderline = underline ? TRUE : FALSE;
            return CreateFontIndirectW(&font);
        };
        return LinkFonts{make(FW_BOLD, false), make(FW_BOLD, true), make(FW_NORMAL, false), make(FW_NORMAL, true)};
    }();
    return fonts;
}

}  // namespace

ChyperlinkBtn::ChyperlinkBtn() : HoverTrackingButton(1, 1, FALSE) {
    FillLanguageFont(m_logFont);
    SharedLinkFonts();
}

void ChyperlinkBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    m_strText = Text();
    RECT rect = item.rcItem;
    ui::ScopedBrush back(CreateSolidBrush(m_crBack));
    FillRect(dc, &rect, back.Get());
    SetBkMode(dc, TRANSPARENT);
    COLORREF colour = m_crText;
    if (item.itemState & ODS_SELECTED) {
        colour = m_crPressed;
        OffsetRect(&rect, 1, 2);
    } else if (m_bHover || (item.itemState & ODS_FOCUS)) {
        colour = m_crHover;
        OffsetRect(&rect, 1, 1);
    }
    if ((item.itemState & ODS_DISABLED) && !m_bNoDisabledColour) colour = RGB(72, 72, 72);
    SetTextColor(dc, colour);

    ui::ScopedFont own;
    HFONT font = nullptr;
    if (m_bUseSharedFonts) {
        font = m_bBold ? SharedLinkFonts().boldUnderlined : SharedLinkFonts().normalUnderlined;
    } else {
        LOGFONTW logFont = m_logFont;
        logFont.lfWeight = m_bBold ? FW_BOLD : FW_NORMAL;
        logFont.lfUnderline = TRUE;
        own.Reset(CreateFontIndirectW(&logFont));
        font = own.Get();
    }
    ui::SelectionScope selection(dc, font);
    DrawTextIn(dc, m_strText, rect, m_textFormat);
}
