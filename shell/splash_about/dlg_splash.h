#pragma once

#include <windows.h>

#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"

// The window shown while the program starts: the splash picture with a line of
// text, centred on the screen, until the main window's start-up hides it.
class CDlgSplash : public ui::Dialog {
public:
    static constexpr int kWidth = 443;
    static constexpr int kHeight = 253;

    CDlgSplash();
    ~CDlgSplash() override;

    // True while a splash object exists anywhere in the program.
    static bool SplashExists();

    bool BackupMode() const { return backupMode_; }
    UINT BitmapId() const;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();

    bool backupMode_ = false;
    HICON icon_ = nullptr;  // shared, not destroyed
    ui::ScopedBitmap bitmap_;
    ui::ScopedFont font_;
};

// The box of the splash text in a client area `clientRight` wide: further left for
// every language but the first, and further left and up in backup mode, where the
// picture leaves room there.
RECT SplashTextBox(int clientRight, unsigned languageId, bool backupMode);
