#pragma once

#include <windows.h>

#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"
#include "shell/toolkit/hover_buttons.h"

// The base of the program's framed top-level windows: a caption-less dialog that
// paints its own frame from bitmaps, carries its own minimise and close buttons
// and is dragged by its edges.
class CMainBorder : public ui::Dialog {
public:
    static constexpr int kMinimizeId = 5001;
    static constexpr int kThirdButtonId = 5002;
    static constexpr int kCloseId = 5003;

    explicit CMainBorder(UINT templateId, HINSTANCE resourceModule = nullptr);

    // Paints the frame on `dc` (the window's memory DC) before the content.
    void PaintBorderFrame(HDC dc, const RECT& client);

    CHoverButton m_closeButton;
    CHoverButton m_minimizeButton;
    CHoverButton m_thirdButton;  // stays hidden and disabled
    bool m_bNoSideBorders = false;
    bool m_bShowMinimize = true;
    bool m_bFixedPosition = true;
    bool m_bBrandedFrame = false;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The close button keeps the settings before the window is cancelled.
    virtual void SaveSettingsOnClose();

private:
    void PlaceCaptionButtons();
    // True when the click started a drag of the window.
    bool StartEdgeDrag(LPARAM lParam);
};
