#pragma once

#include <windows.h>

#include <functional>

#include "screens/scan/home_screen/home_screen_dialog.h"
#include "shell/app/main_pages.h"

// The home screen as the main window holds it: its links and its word on the
// page's load go to the main window.
class HomeMainPage final : public MainPage {
public:
    // `startScan` replaces the main window's internet check and continuation as
    // the start button's action; the program gives it, as the scan page's run
    // mode is set beside this page.
    using ScanStart = std::function<void(HWND mainWindow)>;
    explicit HomeMainPage(ScanStart startScan = {});
    HWND Create(HWND mainWindow, const RECT& place) override;
    HWND Window() const override { return screen_.Handle(); }
    // Shown again: the status is worked out anew.
    void OnShown() override;

private:
    HWND mainWindow_ = nullptr;
    ScanStart startScan_;
    CDlg_NewHome_Screen_HTML screen_;
};
