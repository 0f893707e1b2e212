#include "shell/toolkit/gui_buttons.h"

#include "foundation/language_table.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

}  // namespace

// --- CBaseGUIButton

CBaseGUIButton::CBaseGUIButton() : HoverTrackingButton(2, 0, TRUE) {}

bool CBaseGUIButton::Create(const std::wstring& caption, DWORD style, const RECT& rect, HWND parent, int id) {
    m_strCaption = caption;
    ui::ControlArgs args;
    args.className = L"BUTTON";
    args.parent = parent;
    args.id = id;
    args.text = caption.c_str();
    args.style = style;
    args.x = rect.left;
    args.y = rect.top;
    args.width = Width(rect);
    args.height = Height(rect);
    return Control::Create(args);
}

void CBaseGUIButton::PaintParentBackground(HDC dc, const RECT* clip) {
    HWND parent = GetParent(Handle());
    if (parent == nullptr) return;
    if (clip != nullptr) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    const RECT place = RectInParent();
    POINT previousOrigin{};
    SetWindowOrgEx(dc, place.left, place.top, &previousOrigin);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetWindowOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
    if (clip != nullptr) SelectClipRgn(dc, nullptr);
}

void CBaseGUIButton::SetCaption(const std::wstring& caption) {
    m_strCaption = caption;
    SetText(caption);
}

std::wstring CBaseGUIButton::GetCaption() {
    m_strCaption = Text();
    return m_strCaption;
}

// --- CHalHoverButton

bool CHalHoverButton::LoadStateBitmaps(UINT leftId, UINT middleId, UINT rightId, const std::wstring& caption,
                                       int width, int height) {
    m_width = width;
    m_height = height;
    m_strCaption = caption;

    const int frames = m_bFourState ? 4 : 3;
    bool allLoaded = true;
    for (auto [piece, id] : {std::pair{&left_, leftId}, std::pair{&middle_, middleId}, std::pair{&right_, rightId}}) {
        piece->bitmap.Reset(LoadBitmapResource(id, LR_LOADMAP3DCOLORS));
        const SIZE size = BitmapSize(piece->bitmap.Get());
        piece->frameWidth = size.cx / frames;
        piece->height = size.cy;
        allLoaded = allLoaded && piece->bitmap.Valid();
        m_height = std::max(m_height, static_cast<int>(size.cy));
    }

    LOGFONTW logFont;
    FillLanguageFont(logFont);
    ui::ScopedFont font(CreateFontIndirectW(&logFont));
    const int measured = MeasureCaptionWidth(caption, font.Get(), m_width);
    int buttonWidth = m_width;
    if (m_bAutoWidth && measured > m_width) {
        buttonWidth = measured;
    } else {
        m_bAutoWidth = false;
    }
    SetWindowPos(Handle(), nullptr, 0, 0, buttonWidth, m_height,
                 SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
    m_bStickyHover = false;
    m_bSingleStrip = false;
    return allLoaded;
}

void CHalHoverButton::SetSingleStrip(HBITMAP strip) {
    singleStrip_.Reset(strip);
    m_bSingleStrip = true;
}

ButtonLook CHalHoverButton::LookOf(const DRAWITEMSTRUCT& item) const {
    ButtonLook look;
    look.selected = (item.itemState & ODS_SELECTED) != 0 || m_bLatched;
    look.hover = m_bHover || m_bStickyHover;
    look.disabled = (item.itemState & ODS_DISABLED) != 0 || !IsWindowEnabled(Handle());
    look.fourState = m_bFourState;
    return look;
}

void CHalHoverButton::DrawStretched(const DRAWITEMSTRUCT& item) {
    const int frame = StretchedFrameFor(LookOf(item));
    const int width = Width(item.rcItem);
    const int height = Height(item.rcItem);
    HDC dc = item.hDC;
    StretchFromBitmap(dc, {0, 0, width, height}, middle_.bitmap.Get(), frame * middle_.frameWidth,
                      middle_.frameWidth, middle_.height);
    BlitFromBitmap(dc, 0, 0, left_.frameWidth, left_.height, left_.bitmap.Get(), frame * left_.frameWidth, 0);
    BlitFromBitmap(dc, width - right_.frameWidth, 0, right_.frameWidth, right_.height, right_.bitmap.Get(),
                   frame * right_.frameWidth, 0);
}

void CHalHoverButton::DrawSingleStrip(const DRAWITEMSTRUCT& item) {
    const SIZE strip = BitmapSize(singleStrip_.Get());
    const int frameWidth = strip.cx / (m_bFourState ? 4 : 3);
    const int frameStart = SingleStripFrameFor(LookOf(item)) * frameWidth;
    const int width = Width(item.rcItem);
    HDC dc = item.hDC;
    HBITMAP bitmap = singleStrip_.Get();
    BlitFromBitmap(dc, 0, 0, frameWidth, strip.cy, bitmap, frameStart, 0);
    if (!m_bAutoWidth) return;
    for (int x = width / 3; x < width; x += 9) BlitFromBitmap(dc, x, 0, 9, strip.cy, bitmap, frameStart + strip.cx / 6, 0);
    const int quarter = frameWidth / 4;
    BlitFromBitmap(dc, width - quarter, 0, quarter, strip.cy, bitmap, frameStart + frameWidth - quarter, 0);
}

bool CHalHoverButton::DrawImage(const DRAWITEMSTRUCT& item) {
    if (!m_bSingleStrip) {
        DrawStretched(item);
        return true;
    }
    if (!singleStrip_) {
        // Nothing to draw from yet: the background, so no stale pixels show.
        FillRect(item.hDC, &item.rcItem, SharedWhiteBrush());
        PaintParentBackground(item.hDC);
        return false;
    }
    DrawSingleStrip(item);
    return true;
}

void CHalHoverButton::DrawItem(const DRAWITEMSTRUCT& item) {
    if (DrawImage(item)) return;
    const std::wstring caption = m_strCaption.empty() ? Text() : m_strCaption;
    RECT rect = item.rcItem;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, kPageTextColour);
    DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// --- CHalHoverButtonWithText

CHalHoverButtonWithText::CHalHoverButtonWithText() { FillLanguageFont(m_logFont); }

void CHalHoverButtonWithText::DrawItem(const DRAWITEMSTRUCT& item) {
    DrawImage(item);
    HDC dc = item.hDC;
    const ButtonLook look = LookOf(item);
    SetBkMode(dc, TRANSPARENT);

    LOGFONTW logFont = m_logFont;
    if (m_bCustomHeight) logFont.lfHeight = m_fontHeight;
    if (m_bBold) logFont.lfWeight = FW_BOLD;
    if (m_bSemiBoldVista && ToolkitWindowsMajorVersion() > 5) logFont.lfWeight = FW_MEDIUM;
    logFont.lfUnderline = FALSE;
    COLORREF colour = (m_bUseDisabledColour && m_bFourState && look.disabled) ? m_crDisabled : m_crText;
    if (look.hover) {
        colour = m_crHover;
        logFont.lfUnderline = m_bUnderlineOnHover ? TRUE : FALSE;
        if (m_bBoldOnHover) logFont.lfWeight = FW_BOLD;
    }
    ui::ScopedFont font(CreateFontIndirectW(&logFont));
    ui::SelectionScope fontSelection(dc, font.Get());

    const bool fixedOrigin = m_textX != -1;
    RECT rect = item.rcItem;
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (fixedOrigin) {
        rect.left = m_textX;
        rect.top = m_textY;
        format = DT_SINGLELINE;
    }
    if (m_textFormat != 0) format = m_textFormat;
    const unsigned language = Toolkit().languageIndex;
    if (!fixedOrigin && ((m_bWrapRussian && language == 14) || (m_bWrapItalian && language == 6))) {
        // A wrapped caption cannot be a single line.
        format = (format & ~DT_SINGLELINE) | DT_CENTER | DT_WORDBREAK;
    }

    const std::wstring caption = m_strCaption.empty() ? Text() : m_strCaption;
    const int length = static_cast<int>(caption.size());
    if (m_bShadow) {
        RECT shadow = rect;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, RGB(54, 63, 117));
        DrawTextW(dc, caption.c_str(), length, &shadow, format);
    }
    SetTextColor(dc, colour);
    if (m_bSecondLine) {
        RECT measured = rect;
        DrawTextW(dc, caption.c_str(), length, &measured, format | DT_CALCRECT);
        DrawTextW(dc, caption.c_str(), length, &measured, format);
        RECT below{rect.left, measured.bottom + (fixedOrigin ? 5 : 0), rect.right, item.rcItem.bottom};
        SetTextColor(dc, RGB(255, 174, 0));
        DrawTextW(dc, m_strSecondLine.c_str(), static_cast<int>(m_strSecondLine.size()), &below,
                  format & ~static_cast<UINT>(DT_VCENTER));
        return;
    }
    DrawTextW(dc, caption.c_str(), length, &rect, format);
}
