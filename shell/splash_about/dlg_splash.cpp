#include "shell/splash_about/dlg_splash.h"

#include <atomic>

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "platform/ui/gdi.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"

namespace {

std::atomic<int>& SplashCount() {
    static std::atomic<int> count{0};
    return count;
}

}  // namespace

RECT SplashTextBox(int clientRight, unsigned languageId, bool backupMode) {
    RECT box{languageId == 0 ? 126 : 97, 185, clientRight - 5, 230};
    if (backupMode) {
        box.left -= 50;
        box.top -= 10;
    }
    return box;
}

CDlgSplash::CDlgSplash() : Dialog(IDD_SPLASH) { ++SplashCount(); }

CDlgSplash::~CDlgSplash() { --SplashCount(); }

bool CDlgSplash::SplashExists() { return SplashCount().load() > 0; }

UINT CDlgSplash::BitmapId() const { return backupMode_ ? IDB_SPLASH_BACKUP : IDB_SPLASH; }

BOOL CDlgSplash::OnInitDialog() {
    Dialog::OnInitDialog();
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, 0, 0,
                                          LR_SHARED | LR_DEFAULTSIZE));
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    backupMode_ = IsDriverBackupModeEnabled();
    bitmap_.Reset(LoadBitmapResource(BitmapId()));
    SetText(GetAppTitle());
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    SetWindowPos(Handle(), nullptr, left, top, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW face = metrics.lfMessageFont;
    face.lfHeight = -13;
    face.lfWeight = FW_SEMIBOLD;
    font_.Reset(CreateFontIndirectW(&face));
    return TRUE;
}

void CDlgSplash::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    BlitFromBitmap(memory, 0, 0, kWidth, kHeight, bitmap_.Get(), 0, 0);
    RECT box = SplashTextBox(client.right, GetLanguageId(), backupMode_);
    const std::wstring text = GetLangString(L"IDS_SPLASH_SCREEN", kResourceStringSection);
    ui::SelectionScope font(memory, font_.Get());
    SetTextColor(memory, RGB(255, 255, 255));
    SetBkMode(memory, TRANSPARENT);
    DrawTextW(memory, text.c_str(), -1, &box, DT_WORDBREAK);
}

LRESULT CDlgSplash::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return TRUE;
        default:
            break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}
