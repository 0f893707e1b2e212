#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/ui/dialog.h"
#include "shell/toolkit/dialog_font.h"

// The base of the child pages the main window shows inside its frame and of the
// classic pop-ups: a page swallows Enter, Escape, Space and Alt+F4 (it closes only
// through its buttons or the program), refuses background erasing (it paints
// everything through a memory DC) and draws its controls on the shared white
// brush.
class CDlgChildBase : public ui::Dialog {
public:
    explicit CDlgChildBase(UINT templateId, HINSTANCE resourceModule = nullptr);
    ~CDlgChildBase() override;

    bool PreTranslateMessage(MSG& message) override;

    // Paints the page's heading band and footer strip on `dc` (the page's memory
    // DC) over `client`. A band top of 24 means the top edge when `bandAtTop`.
    virtual void DrawPageBackground(HDC dc, const RECT& client, BOOL ensureOrnament, const std::wstring& heading,
                                    bool footerStrip, bool headingBand, bool bandAtTop, int bandTop);

    DialogFontState m_fontState;
    // A page shorter than a full one: its footer stands 24 pixels higher.
    bool m_bCompactFooter = false;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Answers a page's or framed window's WM_PAINT through a memory DC: the shared white
// background, then `paint` on top, so a window never flickers through its erased
// background.
void PaintBufferedOnWhite(HWND window, const std::function<void(HDC dc, const RECT& client)>& paint);

// The page icon, shared by every page: loaded once, owned by the system.
HICON SharedPageIcon();
// The height of the strip a page's footer stands on (bitmap 131); 0 without it.
int PageFooterStripHeight();
// The page ornament (548 x 3), loaded once for the run; pages blit it themselves.
HBITMAP SharedPageOrnament();

// Answers a page's or framed window's WM_CTLCOLOR*: page text colour on the shared
// white brush.
LRESULT PageControlColour(WPARAM dc);
// The same for a control that stands on the page's footer strip: the strip itself,
// lined up with the strip the page paints, shows behind its caption.
LRESULT FooterControlColour(WPARAM dc, HWND control, HWND page);
