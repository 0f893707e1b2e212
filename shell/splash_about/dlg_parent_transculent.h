#pragma once

#include <windows.h>

#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"

// The translucent backdrop that covers the main window while a pop-up runs over
// it. The pop-up is a window of its own owned by the backdrop, not its child, so
// the backdrop's translucency does not reach it; the pop-up's `CloseModalPopup`
// ends the backdrop's run.
class CDlgParentTransculent : public ui::Dialog {
public:
    static constexpr BYTE kAlpha = 201;

    // `owner`: the window to cover; the thread's active window when none is given.
    explicit CDlgParentTransculent(HWND owner = nullptr);

    // What to show over `ownerRect` (screen coordinates); before the run.
    void SetHosted(ui::Dialog* dialog, UINT templateId, const RECT& ownerRect);
    // Covers the owner and shows the pop-up until one of them ends the run.
    INT_PTR Run();

    HWND Owner() const { return owner_; }
    int BackgroundHeight() const { return backgroundHeight_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceHosted();

    HWND owner_;
    ui::Dialog* hosted_ = nullptr;
    UINT hostedTemplateId_ = 0;
    RECT ownerRect_{};
    ui::ScopedBitmap background_;
    int backgroundHeight_ = 0;
};

// Makes `BringToFront` run its pop-ups over this backdrop; the dialog it is given
// is a `ui::Dialog`.
void InstallBackdropRunner();
