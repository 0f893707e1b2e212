#include "shell/app/main_window.h"

#include <commctrl.h>

#include <vector>

#include "engine/backup_restore_runs.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "foundation/shared_constants.h"
#include "foundation/system_helpers.h"
#include "foundation/window_helpers.h"
#include "platform/ui/message_pump.h"
#include "platform/ui/modal_popup.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/internet_check.h"
#include "shell/app/kv_menu.h"
#include "shell/app/startup_switches.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/splash_about/dlg_about.h"
#include "shell/splash_about/dlg_parent_transculent.h"
#include "shell/splash_about/dlg_splash.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/web_requests/program_update_check.h"
#include "shell/web_requests/web_request_host.h"

namespace {

using namespace MainCommand;

constexpr int kWidth = 783;
constexpr int kHeight = 595;
constexpr int kHeaderHeight = 75;
constexpr UINT kInternetCheckSpacingMs = 1024;
// A timer rather than a message: it comes after the window's first paint.
constexpr UINT kTrayIconTimer = 152;
// Looks again whether the pop-up that holds back a handed-over scan has closed.
constexpr UINT kWaitingScanTimer = 153;
constexpr UINT kWaitingScanPollMs = 200;

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

const UINT kNavigationIds[] = {kHome, kScanTab, kBackupTab, kDownloads, kSettings};

}  // namespace

std::atomic<bool>& UiReleased() {
    static std::atomic<bool> released{false};
    return released;
}

// ---------------------------------------------------------------- tray icon

LRESULT CXTTrayIconRV::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (wParam != Id() || Owner() == nullptr) return 0;
    if (SendMessageW(Owner(), kCallbackMessage, wParam, lParam) != 0) return 1;
    const UINT event = LOWORD(lParam);
    const bool busy = IsAppBusy();
    if (event == WM_CONTEXTMENU || event == WM_LBUTTONUP || event == NIN_SELECT || event == NIN_KEYSELECT) {
        if (GetOpenPopupCount() > 0) return 1;
        if (owner_.HiddenInTray()) {
            owner_.RestoreFromTray();
        } else if (!busy) {
            // While work runs the click only brings the window forward.
            owner_.ShowPage(MainPageId::Home);
            InvalidateRect(Owner(), nullptr, FALSE);
            PostMessageW(Owner(), WM_COMMAND, PendingUpdateCount() == 0 ? kHome : kResults, 0);
        }
        return 1;
    }
    if (event == WM_RBUTTONUP) {
        if (busy) return 1;
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, kTrayAbout, LangText(L"IDS_ABOUTBOX").c_str());
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kTrayExit, LangText(L"string169").c_str());
        POINT cursor{};
        GetCursorPos(&cursor);
        SetForegroundWindow(Owner());
        TrackPopupMenu(menu, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, Owner(), nullptr);
        PostMessageW(Owner(), WM_NULL, 0, 0);
        DestroyMenu(menu);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- sub-header

namespace {

struct SubHeaderButton {
    UINT id;
    const wchar_t* caption;
    int group;  // 1 backup and restore, 2 settings, 3 my downloads
    int x;
};
constexpr SubHeaderButton kSubHeaderButtons[] = {
    {1010, L"TABBTN2", 1, 103}, {5210, L"TABBTN3", 1, 253},         {228, L"IDS_DOWNLOAD", 2, 103},
    {236, L"IDS_SET_TITLE1", 2, 253}, {218, L"IDS_IGNORE_LIST", 2, 403}, {235, L"IDS_ADDITIONAL_OPT", 2, 553},
    {210, L"IDS_MY_DOWNLOADS", 3, 103},
};

}  // namespace

CDlgSubHeader::CDlgSubHeader() : CDlgChildBase(kSubHeaderTemplate) {}

bool CDlgSubHeader::Create(HWND parent, const RECT& place) {
    if (!Dialog::Create(parent)) return false;
    MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top, false);
    return true;
}

BOOL CDlgSubHeader::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    ScaleDialogFont(Handle(), kSubHeaderTemplate, 96.0, ResourceModule(), m_fontState);
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        buttons_[b.id] = CreateWindowExW(0, L"BUTTON", LangText(b.caption).c_str(), WS_CHILD | BS_PUSHBUTTON, b.x, 11, 141,
                                         30, Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)),
                                         GetModuleHandleW(nullptr), nullptr);
    }
    return TRUE;
}

void CDlgSubHeader::ShowGroup(int tab, bool enable) {
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        const bool shown = b.group == tab;
        ShowWindow(buttons_[b.id], shown ? SW_SHOW : SW_HIDE);
        EnableWindow(buttons_[b.id], shown && enable ? TRUE : FALSE);
    }
    Show(SW_SHOW);
    Invalidate(tab == 1);
}

void CDlgSubHeader::SelectTab(int tab) {
    ShowGroup(tab, true);
    if (IsAppBusy()) return;
    if (tab == 1) OnCommand(1010);
    else if (tab == 2) OnCommand(228);
    else if (tab == 3) downloadsSelected_ = true;
}

void CDlgSubHeader::SetCaptionAndTab(int captionBitmap, int tab) {
    caption_ = captionBitmap;
    storedTab_ = tab + 1;
    mode_ = CurrentStep(captionBitmap) >= 0 ? kStepMode : 0;
    SelectTab(tab);
}

void CDlgSubHeader::ShowCaptionAndTab(int captionBitmap, int tab, bool enable) {
    caption_ = captionBitmap;
    storedTab_ = tab + 1;
    mode_ = CurrentStep(captionBitmap) >= 0 ? kStepMode : 0;
    ShowGroup(tab, enable);
}

bool CDlgSubHeader::ButtonVisible(UINT id) const {
    const auto it = buttons_.find(id);
    return it != buttons_.end() && IsWindowVisible(it->second);
}

void CDlgSubHeader::EnableButtons(bool enable) {
    for (const auto& [id, button] : buttons_) EnableWindow(button, enable ? TRUE : FALSE);
}

void CDlgSubHeader::OnCommand(UINT id) {
    switch (id) {
        case 228: selectedSettings_ = 228; break;
        case 218: selectedSettings_ = 218; break;
        case 235: selectedSettings_ = 235; break;
        case 236: selectedSettings_ = 236; break;
        case 210: downloadsSelected_ = true; break;
        case 1010:
        case 5210:
            // The backup and restore tabs choose the side of that page.
            if (CHvAppDlg* main = CHvAppDlg::FromWindow(GetParent(Handle()))) {
                if (MainPage* page = main->Page(MainPageId::BackupRestore)) page->OnSubPage(id);
            }
            break;
        default: break;
    }
    // The settings page shows the sub-page of the tab just chosen.
    if (selectedSettings_ == static_cast<int>(id) && settingsPage_ != nullptr) {
        SendMessageW(settingsPage_, WM_COMMAND, id, 0);
    }
}

void CDlgSubHeader::Paint(HDC dc, const RECT&) {
    if (mode_ != kStepMode) return;
    const wchar_t* steps[] = {L"SETTINGTAB1DESC1", L"SCANTAB3", L"IDS_DOWNLOAD", L"IDS_SING_INSTALL"};
    const int current = CurrentStep(caption_);
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    const ui::SelectionScope selection(dc, font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 4; ++i) {
        RECT box{64 + 160 * i, 15, 64 + 160 * i + 160, 15 + 28};
        SetTextColor(dc, i == current ? RGB(10, 42, 80) : RGB(51, 51, 51));
        const std::wstring caption = LangText(steps[i]);
        DrawTextW(dc, caption.c_str(), -1, &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
}

LRESULT CDlgSubHeader::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (buttons_.count(LOWORD(wParam)) != 0) {
                OnCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_PAINT:
            PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
            return 0;
        default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- main window

CHvAppDlg::CHvAppDlg(CHvApp& app, PageFactory& pages, TrayShell tray)
    : CMainBorder(kMainWindowTemplate),
      internetCheck(IsConnectedToInternet),
      startUpdateCheck([](bool updateCheckStart) {
          CCheckUpdateThread::Start(ProgramUpdate(), SystemWebRequestHost(), updateCheckStart);
      }),
      setUpFirstRun([] {
          DeleteLegacyScheduledTasks();
          CreateDefaultUpdateTask();
      }),
      app_(app),
      pageFactory_(pages),
      trayIcon_(*this, tray) {
    // The main window is dragged by its edges like any framed window.
    m_bFixedPosition = false;
    // A new main window is hidden until its own start-up releases it.
    UiReleased() = false;
}

CHvAppDlg::~CHvAppDlg() {
    SetMainWindowBackupCountReceiver(nullptr);
    SetBackdropRunner({});
    splash_.reset();
    // What the window knew of the last scan and the texts it looked up outlive it.
    if (!app_.IsSecondInstance()) SaveLastScanResultCount(PendingUpdateCount());
    SaveLangCache(LanguageFileCache());
    pages_.clear();
    RestoreDialogFont(fontState_);
    if (Handle() != nullptr && IsWindow(Handle())) DestroyWindow(Handle());
    if (icon_ != nullptr) DestroyIcon(icon_);
}

HWND CHvAppDlg::Create() {
    if (!CMainBorder::Create(nullptr)) return nullptr;
    Show(SW_HIDE);
    SetMainWindowBackupCountReceiver([this](int32_t count) { lastBackupCount_ = count; });
    // Pop-ups of every screen run over the translucent backdrop.
    InstallBackdropRunner();
    ShowSplash();
    return Handle();
}

CHvAppDlg* CHvAppDlg::FromWindow(HWND window) { return dynamic_cast<CHvAppDlg*>(ui::Window::FromHandle(window)); }

BOOL CHvAppDlg::OnInitDialog() {
    CMainBorder::OnInitDialog();
    // The window keeps the system's caption with its own close and minimise boxes;
    // the frame's caption buttons would stand under the help and language buttons.
    for (CHoverButton* button : {&m_closeButton, &m_minimizeButton, &m_thirdButton}) {
        button->Show(SW_HIDE);
        button->Enable(false);
    }
    SetWindowLongW(Handle(), GWL_STYLE, GetWindowLongW(Handle(), GWL_STYLE) | WS_MINIMIZEBOX);
    ScaleDialogFont(Handle(), kMainWindowTemplate, 96.0, ResourceModule(), fontState_);
    const std::wstring about = LangText(L"IDS_ABOUTBOX");
    if (!about.empty()) {
        HMENU system = GetSystemMenu(Handle(), FALSE);
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING, kSystemAbout, about.c_str());
    }
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId));
    if (icon_ == nullptr) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SetWindowTextW(Handle(), GetProductTitle().c_str());
    MoveWindow(Handle(), 0, 0, kWidth, kHeight, FALSE);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - kWidth) / 2,
                 work.top + (work.bottom - work.top - kHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    SetupNavigationButtons();
    LayoutPages();
    if (HFONT font = app_.Font(6)) {
        EnumChildWindows(Handle(), SetFontOnChild, reinterpret_cast<LPARAM>(font));
    }
    CreateNotifier();
    // The update check's questions belong to this window.
    SystemWebRequestHost().SetOwnerWindow(Handle());

    const StartupSwitches& switches = app_.Switches();
    if (switches.startActionFullBackup || switches.startActionFullBackupRestore ||
        switches.startActionPartialBackupRestore) {
        PostMessageW(Handle(), WM_COMMAND, kDownloads, 0);
    }
    if (switches.startActionSchedule) PostMessageW(Handle(), WM_COMMAND, kSettings, 0);
    if (switches.scanRequested) {
        if (internetCheck()) CheckInternetAndContinue();
        else SetTimer(107, 90);
    }
    // The window must come up even when no page can be shown: without word from the
    // home page the start goes on after a while.
    SetTimer(kReleaseFallbackTimer, releaseFallbackMs);
    focusTarget_ = kHome;
    return TRUE;
}

void CHvAppDlg::SetupNavigationButtons() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right;
    const bool backupMode = IsDriverBackupModeEnabled();
    struct Tab {
        UINT id;
        const wchar_t* caption;
        int x;
    };
    const Tab tabs[] = {{kHome, L"IDS_BTN_HOME", 168},
                        {kScanTab, L"TABBTN1", backupMode ? 338 : 253},
                        {kBackupTab, L"TABBTN2", backupMode ? 253 : 338},
                        {kSettings, L"IDS_BTN_SETTINGS", 423},
                        {kDownloads, L"IDS_DOWNLOADS", 508}};
    const auto button = [this](UINT id, const std::wstring& caption, int x, int y, int w, int h) {
        navigation_[id] = CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y, w,
                                          h, Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                          GetModuleHandleW(nullptr), nullptr);
    };
    for (const Tab& tab : tabs) button(tab.id, LangText(tab.caption), tab.x, 0, 85, 74);
    button(kLanguageButton, L"", width - 28, 1, 28, 16);
    ShowLanguageFlag();
    button(kHelpMenu, LangText(L"IDS_BTN_HELP"), width - 28 - 60, 1, 60, 16);
    const std::wstring feedback = LangText(L"IDS_SUBMIT_FEEEDBACK");
    button(kFeedback, feedback, 10, client.bottom - 20, MeasureCaptionWidth(feedback, nullptr, 120), 18);
    SelectNavigation(kHome);

    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
}

void CHvAppDlg::ShowLanguageFlag() {
    // The flags lie side by side in one strip, in the rows of the language table.
    constexpr int kFlagWidth = 14;
    const ui::ScopedBitmap strip(LoadBitmapResource(IDB_LANGUAGE_FLAGS));
    if (!strip.Valid()) return;
    const SIZE stripSize = BitmapSize(strip.Get());
    const int index = static_cast<int>(GetLanguageId());
    if ((index + 1) * kFlagWidth > stripSize.cx) return;
    ui::ScopedBitmap flag;
    {
        const ui::ClientDC screen(Handle());
        ui::MemoryCanvas canvas(screen, kFlagWidth, stripSize.cy);
        if (!canvas.Valid()) return;
        BlitFromBitmap(canvas, 0, 0, kFlagWidth, stripSize.cy, strip.Get(), index * kFlagWidth, 0);
        // The canvas lets its bitmap go; the button shows a copy that stays ours.
        flag.Reset(static_cast<HBITMAP>(CopyImage(canvas.Bitmap(), IMAGE_BITMAP, 0, 0, 0)));
    }
    HWND languageButton = navigation_[kLanguageButton];
    SetWindowLongPtrW(languageButton, GWL_STYLE, GetWindowLongPtrW(languageButton, GWL_STYLE) | BS_BITMAP);
    SendMessageW(languageButton, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(flag.Get()));
    languageFlag_ = std::move(flag);
}

void CHvAppDlg::Paint() {
    const ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    ui::MemoryCanvas dc(paint, client.right, client.bottom);
    if (!dc.Valid()) return;
    FillRect(dc, &client, SharedWhiteBrush());
    PaintBorderFrame(dc, client);
    if (!headerImages_[4].Valid()) {
        for (int i = 0; i < 3; ++i) headerImages_[i].Reset(LoadBitmapResource(196 + i));
        headerImages_[4].Reset(LoadBitmapResource(IDB_FRAME_LOGO));
        headerImages_[5].Reset(LoadBitmapResource(IDB_FRAME_LOGO_BACKUP));
    }
    const auto image = [this](int i) { return headerImages_[i].Get(); };
    if (headerBandVisible_ && image(0) != nullptr && image(1) != nullptr && image(2) != nullptr) {
        const SIZE left = BitmapSize(image(0));
        const SIZE middle = BitmapSize(image(1));
        const SIZE right = BitmapSize(image(2));
        BlitFromBitmap(dc, 0, kHeaderHeight, left.cx, left.cy, image(0), 0, 0);
        for (int x = left.cx; x < client.right - right.cx; x += middle.cx) {
            BlitFromBitmap(dc, x, kHeaderHeight, middle.cx, middle.cy, image(1), 0, 0);
        }
        BlitFromBitmap(dc, client.right - right.cx, kHeaderHeight, right.cx, right.cy, image(2), 0, 0);
    }
    if (HBITMAP logo = image(IsDriverBackupModeEnabled() ? 5 : 4)) {
        const SIZE size = BitmapSize(logo);
        BlitFromBitmap(dc, 10, 0, size.cx, size.cy, logo, 0, 0);
    }
    BitBlt(paint, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

void CHvAppDlg::LayoutPages() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int w = client.right;
    const int h = client.bottom;
    struct Placement {
        MainPageId id;
        RECT place;
    };
    const Placement placements[] = {
        {MainPageId::Home, {0, kHeaderHeight, w, h}},
        {MainPageId::Scan, {0, 128, w, 128 + h - 127}},
        {MainPageId::BackupRestore, {0, 128, w, 128 + h - 127}},
        {MainPageId::LastScan, {0, 128, w, 128 + h - 127}},
        {MainPageId::Results, {0, 128, w, 128 + h - 127}},
        {MainPageId::DownloadInstall, {6, 128, 6 + w - 12, 128 + h - 127}},
        {MainPageId::Settings, {6, 128, 6 + w - 12, 128 + h - 127}},
        {MainPageId::Downloads, {6, 128, 6 + w - 12, 128 + h - 127}},
    };
    for (const Placement& p : placements) {
        std::unique_ptr<MainPage> page = pageFactory_.Make(p.id);
        if (!page) page = std::make_unique<EmptyPage>();
        HWND pageWindow = page->Create(Handle(), p.place);
        if (pageWindow != nullptr) ShowWindow(pageWindow, SW_HIDE);
        pages_[p.id] = std::move(page);
    }
    subHeader_.Create(Handle(), {0, kHeaderHeight, w, kHeaderHeight + 50});
    subHeader_.SetSettingsPage(pages_[MainPageId::Settings]->Window());
    // The home page reaches the bottom edge; the feedback button there stays above it.
    SetWindowPos(navigation_[kFeedback], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

MainPage* CHvAppDlg::Page(MainPageId id) const {
    const auto it = pages_.find(id);
    return it == pages_.end() ? nullptr : it->second.get();
}

void CHvAppDlg::ShowPage(MainPageId id) {
    MainPage* page = Page(id);
    if (page == nullptr) return;
    if (currentPage_ == id) {
        InvalidateRect(page->Window(), nullptr, TRUE);
        return;
    }
    if (currentPage_) {
        if (MainPage* old = Page(*currentPage_)) {
            EnableWindow(old->Window(), FALSE);
            ShowWindow(old->Window(), SW_HIDE);
        }
    }
    currentPage_ = id;
    EnableWindow(page->Window(), TRUE);
    ShowWindow(page->Window(), SW_SHOW);
    page->OnShown();
}

void CHvAppDlg::ClearTabSelection() {
    for (UINT id : kNavigationIds) {
        selected_[id] = false;
        InvalidateRect(navigation_[id], nullptr, FALSE);
    }
}

void CHvAppDlg::SelectNavigation(UINT id) {
    ClearTabSelection();
    selected_[id] = true;
    for (UINT nav : kNavigationIds) SendMessageW(navigation_[nav], BM_SETSTATE, selected_[nav] ? TRUE : FALSE, 0);
}

UINT CHvAppDlg::SelectedNavigationButton() const {
    for (UINT id : kNavigationIds) {
        const auto it = selected_.find(id);
        if (it != selected_.end() && it->second) return id;
    }
    return 0;
}

void CHvAppDlg::EnableNavigation(BOOL enable) {
    for (UINT id : {kHome, kScanTab, kBackupTab, kDownloads, kSettings, kHelpMenu, kLanguageButton}) {
        EnableWindow(navigation_[id], enable);
    }
    subHeader_.EnableButtons(enable != FALSE);
}

bool CHvAppDlg::NavigationEnabled() const {
    const auto it = navigation_.find(kHome);
    return it != navigation_.end() && IsWindowEnabled(it->second);
}

void CHvAppDlg::CheckInternetAndContinue() {
    const DWORD now = GetTickCount();
    if (internetChecked_ && now - lastInternetCheck_ < kInternetCheckSpacingMs) return;
    internetChecked_ = true;
    lastInternetCheck_ = now;
    PumpPendingMessages();
    if (internetCheck()) {
        PostMessageW(Handle(), WM_COMMAND, kGoToScan, 0);
        ShowPage(MainPageId::Scan);
    } else if (UiReleased().load()) {
        SetTimer(124, 90);
        CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_CHKNETCONN_FIREWALL"), LangText(L"AFX_IDS_APP_TITLE"),
                                      MB_ICONERROR);
    }
}

void CHvAppDlg::RestoreFromTray() {
    hiddenInTray_ = false;
    trayIcon_.MaximizeFromTray(Handle());
    trayIcon_.HideIcon();
    RestoreAndActivate();
}

void CHvAppDlg::RestoreAndActivate() {
    ShowWindow(Handle(), SW_RESTORE);
    ForceForegroundWindow(Handle());
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
}

void CHvAppDlg::RequestQuit() {
    app_.ForgetMainWindow();
    DestroyWindow(Handle());
    PostQuitMessage(0);
}

void CHvAppDlg::EnsureTrayIcon() {
    if (trayIconMade_) return;
    trayIconMade_ = true;
    trayIcon_.Create(GetProductTitle(), Handle(), kAppIconId, kTrayIconId);
    trayIcon_.HideIcon();
}

void CHvAppDlg::CreateNotifier() {
    reminder_ = pageFactory_.MakeReminder({[this] { OnReminderScanNow(); }, [this] { OnReminderClose(); }});
    if (!notifier_.Create(Handle(), reminder_.get())) {
        WriteLogLine(L"The slide-in notifier could not be made");
        return;
    }
    notifier_.SetFonts();
    if (notifier_.SetSkin()) {
        const SIZE size = notifier_.Size();
        notifier_.SetTextRect({10, 40, size.cx - 10, size.cy - 25});
    }
    notifier_.onHidden = [this] {
        if (!reminderRestored_) SetTimer(125, 0);
    };
}

void CHvAppDlg::ShowReminder() {
    if (notifier_.Show()) return;
    // A start made only for the reminder would otherwise wait, hidden, for good.
    WriteLogLine(L"The overdue-scan reminder could not be shown");
    if (!reminderRestored_) SetTimer(125, 0);
}

void CHvAppDlg::OnReminderScanNow() {
    reminderRestored_ = true;
    SetTimer(124, 90);
    CheckInternetAndContinue();
    notifier_.Hide();
}

void CHvAppDlg::OnReminderClose() {
    notifier_.Hide();
    if (!reminderRestored_) SetTimer(125, 0);
}

void CHvAppDlg::GoToTray() {
    EnsureTrayIcon();
    hiddenInTray_ = true;
    trayIcon_.MinimizeToTray(Handle());
    trayIcon_.ShowIcon();
}

void CHvAppDlg::OnCancel() {
    // Closing while work runs or a pop-up is open would lose that work: the window
    // only comes forward.
    if (IsAppBusy()) {
        if (hiddenInTray_) RestoreFromTray();
        else if (IsWindowVisible(Handle())) RestoreAndActivate();
        return;
    }
    if (GetAppSettings().goToSystemTrayOnClose != 0) GoToTray();
    else RequestQuit();
}

void CHvAppDlg::OnLanguageChosen(UINT commandId) {
    const unsigned language = commandId - kFirstLanguage;
    if (language >= kLanguageCount || language == GetLanguageId()) return;
    AppSystem& system = CurrentAppSystem();
    if (system.ShowMessageBox(Handle(), LangText(L"IDS_LANG_CHANGE_PROMPT"), GetProductTitle(), MB_YESNO | MB_ICONQUESTION) ==
        IDNO) {
        return;
    }
    const std::wstring subKey = std::wstring(kProductKeyPath) + kLanguageSubKey;
    const std::wstring code = LanguageTable[language].code;
    const struct {
        HKEY root;
        REGSAM view;
    } roots[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};
    for (const auto& r : roots) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(r.root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | r.view, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            continue;
        }
        const DWORD id = language;
        RegSetValueExW(key, L"LangID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), sizeof(id));
        RegSetValueExW(key, L"LangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(code.c_str()),
                       static_cast<DWORD>((code.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    system.LaunchThroughShell(Handle(), L"open", L"\"" + GetModulePath() + L"\"", L"-changelang", L"");
    system.EndProcess(0);
}

void CHvAppDlg::ShowHelpMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kHelpPage, LangText(L"IDS_BTN_HELP").c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kLanguagePage, LangText(L"IDS_SEL_LANG").c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kCheckUpdates, LangText(L"IDS_CHK_FOR_UPDATES").c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAbout, LangText(L"IDS_BTN_ABOUT").c_str());
    RECT button{};
    GetWindowRect(navigation_[kHelpMenu], &button);
    TrackPopupMenu(menu, TPM_LEFTBUTTON, button.left + 5, button.top + 17, 0, Handle(), nullptr);
    DestroyMenu(menu);
}

void CHvAppDlg::ShowLanguageMenu() {
    languageMenuOpen_ = true;
    KVMenu menu;
    HIMAGELIST flags = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(221), 14, 25,
                                            RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    for (unsigned row = 0; row < kLanguageCount; ++row) {
        if (LanguageTable[row].available == 0) continue;
        menu.AppendMenuItem(LanguageTable[row].displayName, kFirstLanguage + row, flags, static_cast<int>(row));
    }
    if (flags != nullptr) ImageList_Destroy(flags);
    RECT button{};
    GetWindowRect(navigation_[kLanguageButton], &button);
    languageMenu_ = &menu;
    TrackPopupMenu(menu.Handle(), TPM_LEFTBUTTON, button.left + 5, button.top + 17, 0, Handle(), nullptr);
    languageMenu_ = nullptr;
    languageMenuOpen_ = false;
}

void CHvAppDlg::ShowScanTab() {
    ClearTabSelection();
    selected_[kScanTab] = true;
    SendMessageW(navigation_[kScanTab], BM_SETSTATE, TRUE, 0);
}

void CHvAppDlg::OnCommand(UINT id) {
    if (id >= kFirstLanguage && id <= kLastLanguage) {
        OnLanguageChosen(id);
        return;
    }
    switch (id) {
        case IDCANCEL: OnCancel(); break;
        case kHome:
            focusTarget_ = kHome;
            SelectNavigation(kHome);
            ShowWindow(subHeader_.Handle(), SW_HIDE);
            ShowPage(MainPageId::Home);
            break;
        case kScanTab:
            if (internetCheck()) {
                focusTarget_ = kScanTab;
                headerBandVisible_ = false;
                SelectNavigation(kScanTab);
                subHeader_.SetCaptionAndTab(224, 0);
                CheckInternetAndContinue();
            } else if (UiReleased().load()) {
                CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_CHKNETCONN_FIREWALL"), LangText(L"AFX_IDS_APP_TITLE"),
                                              MB_ICONERROR);
            }
            break;
        case kGoToScan:
            focusTarget_ = kScanTab;
            SelectNavigation(kScanTab);
            if (backupModeCached_) {
                subHeader_.SetCaptionAndTab(230, 1);
                SelectNavigation(kBackupTab);
            } else {
                subHeader_.SetCaptionAndTab(224, 0);
            }
            ShowPage(MainPageId::Scan);
            break;
        case kResults: {
            subHeader_.SetCaptionAndTab(225, 0);
            const int pending = PendingUpdateCount();
            SaveLastScanResultCount(pending);
            if (pending > 0) {
                ShowScanTab();
                ShowPage(MainPageId::Results);
            } else if (!app_.Switches().scanRequested) {
                PostMessageW(Handle(), WM_COMMAND, kScanTab, 0);
            }
            break;
        }
        case kUpdateAll:
            SetUserRegistryValue(true, kProductKeyPath, L"RegErrsFixedLast", L"", 0, 4);
            subHeader_.SetCaptionAndTab(226, 0);
            ShowScanTab();
            ShowPage(MainPageId::Results);
            break;
        case kBackupTab:
            focusTarget_ = kBackupTab;
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(230, 1);
            SelectNavigation(kBackupTab);
            ShowPage(MainPageId::BackupRestore);
            break;
        case kDownloads:
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(230, 3);
            SelectNavigation(kDownloads);
            ShowPage(MainPageId::Downloads);
            break;
        case kSettings:
        case kLanguagePage:
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(230, 2);
            SelectNavigation(kSettings);
            ShowPage(MainPageId::Settings);
            if (id == kLanguagePage) SendMessageW(subHeader_.Handle(), WM_COMMAND, 236, 0);
            break;
        case kHelpMenu: ShowHelpMenu(); break;
        case kCheckUpdates:
            app_.MutableSwitches().updateCheckRequested = false;
            ProgramUpdate().SetAutomaticMode(false);
            if (startUpdateCheck) startUpdateCheck(false);
            break;
        case kHelpPage: OpenUrlInBrowser(ReadRegStringDefault(HKEY_LOCAL_MACHINE, kProductKeyPath, L"HelpUrl",
                                                              L"https://www.brennavik.com/help"));
            break;
        case kFeedback: ShowDriverFeedbackDialog(); break;
        case kLanguageButton: ShowLanguageMenu(); break;
        case kAbout:
        case kAboutButton: ShowAbout(); break;
        case kTrayAbout:
            RestoreFromTray();
            ShowAbout();
            break;
        case kTrayExit:
            RestoreFromTray();
            if (!IsAppBusy()) RequestQuit();
            break;
        case kSaveSettings: SaveSettings(); break;
        default: break;
    }
}

bool CHvAppDlg::ShowSplash() {
    if (!app_.Switches().showUi) return false;
    if (!splash_) {
        splash_ = std::make_unique<CDlgSplash>();
        if (!splash_->Create(nullptr)) {
            splash_.reset();
            return false;
        }
    }
    splash_->Show(SW_SHOW);
    ui::PumpPendingMessages();
    UpdateWindow(splash_->Handle());
    ui::PumpPendingMessages();
    return splash_->Exists();
}

bool CHvAppDlg::SplashShown() const { return splash_ && splash_->Exists() && splash_->IsVisible(); }

void CHvAppDlg::ShowAbout() {
    if (aboutOpen_) return;
    aboutOpen_ = true;
    CDlgAboutMain about;
    BringToFront(Handle(), &about, IDD_ABOUT_MAIN);
    aboutOpen_ = false;
    SetFocus(navigation_[focusTarget_]);
}

void CHvAppDlg::OnHomeDocumentComplete() {
    KillTimer(kReleaseFallbackTimer);
    SetTimer(103, startupTimerDelayMs);
}

void CHvAppDlg::OnHomePageFailed() {
    KillTimer(kReleaseFallbackTimer);
    SetTimer(103, 0);
}

void CHvAppDlg::OnTimer(UINT id) {
    KillTimer(id);
    switch (id) {
        case kReleaseFallbackTimer:
            WriteLogLine(L"The home page did not load; the window is shown without it");
            SetTimer(103, 0);
            break;
        case 102:
            ProgramUpdate().SetAutomaticMode(true);
            if (startUpdateCheck) startUpdateCheck(app_.Switches().updateCheckRequested);
            break;
        case 103: OnStartupContinuation(); break;
        case 105: case 106: case 107: case 108: case 109: case 110: case 111:
        case 115: case 116: case 117: case 118: case 119: case 120: case 121: case 122:
        case 123: case 131: case 137:
            PostMessageW(Handle(), MsgShowChildHtmDlg, id, 0);
            break;
        case 124:
            UiReleased() = true;
            ShowWindow(Handle(), SW_RESTORE);
            RestoreAndActivate();
            if (hiddenInTray_) RestoreFromTray();
            break;
        case 125:
            // Only a start made for the reminder, whose window never came up, ends here.
            if (app_.Switches().lastScanOverdue && !UiReleased().load()) {
                PostMessageW(Handle(), WM_CLOSE, 0, 0);
                RequestQuit();
            }
            break;
        case 127: InvalidateRect(Handle(), nullptr, FALSE); break;
        case kTrayIconTimer: EnsureTrayIcon(); break;
        case kWaitingScanTimer: OnWaitingScanTimer(); break;
        case 132: PostMessageW(Handle(), MsgShowDlgDownloadMissingDriver, 0, 0); break;
        case 133: ShowReminder(); break;
        case 134:
            OnCommand(kBackupTab);
            if (MainPage* page = Page(MainPageId::BackupRestore)) page->OnSubPage(134);
            break;
        case 135:
            SaveSettings();
            OnCancel();
            break;
        case 136: PostMessageW(Handle(), kMsgContinueScan, 0, 0); break;
        default: break;
    }
}

void CHvAppDlg::OnStartupContinuation() {
    // Whichever comes first, the home page's word or the fallback, starts this once.
    if (startupContinued_) return;
    startupContinued_ = true;
    KillTimer(kReleaseFallbackTimer);
    const StartupSwitches& switches = app_.Switches();
    if (!switches.scanRequested) PostMessageW(Handle(), MsgShowChildHtmDlg, 107, 0);
    if (splash_ && switches.showUi) {
        splash_->Show(SW_HIDE);
        splash_.reset();
    }
    if (switches.defaultRequested) {
        UiReleased() = false;
        SetTimer(kTrayIconTimer, 0);
        return;
    }
    if (app_.FirstInstall()) {
        app_.firstInstallScan = true;
        backupModeCached_ = IsDriverBackupModeEnabled();
    }
    UiReleased() = !switches.lastScanOverdue && !switches.updateCheckRequested;
    if (switches.lastScanOverdue) ShowReminder();
    PostMessageW(Handle(), MsgPostMainUIContinue, 0, 0);
}

LRESULT CHvAppDlg::OnPostMainUIContinue() {
    if (UiReleased().load()) {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    }
    ForceForegroundWindow(Handle());
    EnableWindow(Handle(), TRUE);
    ShowWindow(Handle(), SW_SHOW);
    // Adding the icon can keep the thread waiting for the shell (seconds under Wine
    // without a notification area): it comes after the window is up.
    SetTimer(kTrayIconTimer, 0);
    if (HasFirstRunValue()) {
        SetTimer(102, app_.firstInstallScan ? 1062048 : updateCheckDelayMs);
    } else {
        SetUserRegistryValue(true, kProductKeyPath, L"FirstRun", L"", 1, 4);
        if (setUpFirstRun) setUpFirstRun();
        // A start made only for the check has nothing else to do: it checks even on
        // the first run, or it would stay hidden for good.
        if (app_.Switches().updateCheckRequested) SetTimer(102, updateCheckDelayMs);
    }
    if (app_.firstInstallScan) {
        CheckInternetAndContinue();
        if (ReadStartAutoScanFlag()) ResetStartAutoScanFlag();
    } else if (ReadStartAutoScanFlag()) {
        if (Page(MainPageId::Home) != nullptr) CheckInternetAndContinue();
        ResetStartAutoScanFlag();
    }
    return 0;
}

LRESULT CHvAppDlg::OnShowChildPage(WPARAM which) {
    switch (which) {
        case 105:
        case 137:
            ShowScanTab();
            ShowPage(MainPageId::Results);
            if (which == 137 && PendingUpdateCount() > 0) PostMessageW(Handle(), WM_COMMAND, kUpdateAll, 0);
            return 1;
        case 106: ShowScanTab(); ShowPage(MainPageId::Scan); return 1;
        case 107:
        case 131:
            SelectNavigation(kHome);
            ShowWindow(subHeader_.Handle(), SW_HIDE);
            ShowPage(MainPageId::Home);
            return 1;
        case 109: ShowScanTab(); ShowPage(MainPageId::LastScan); return 1;
        case 115: case 116: case 117: case 118: case 119: case 120: case 121: case 122:
            SelectNavigation(kBackupTab);
            // A wizard step can come while another page's row is up (the results
            // page, refilled after the download window closed, puts up the scan's):
            // the step brings its own row back, as it is, without choosing a side.
            if (subHeader_.Caption() != 230 || !subHeader_.ButtonVisible(5210)) {
                subHeader_.ShowCaptionAndTab(230, 1, NavigationEnabled());
            }
            ShowPage(MainPageId::BackupRestore);
            if (MainPage* page = Page(MainPageId::BackupRestore)) page->OnSubPage(static_cast<UINT>(which));
            return 1;
        case 123: ShowScanTab(); ShowPage(MainPageId::DownloadInstall); return 1;
        default: return 0;
    }
}

void CHvAppDlg::OnScanRequested(WPARAM wParam) {
    if (wParam == kOverdueReminderOnly) {
        WriteLogLine(L"Another start asked for the overdue-scan reminder");
        ShowReminder();
        return;
    }
    // A scheduled scan never interrupts work that runs.
    if (IsWorkRunning()) {
        WriteLogLine(L"Scheduled scan refused: the program is busy");
        return;
    }
    if (scanQuestionOpen_) {
        WriteLogLine(L"Scheduled scan already asked about");
        return;
    }
    // A pop-up is no work: the request is kept and asked about once it has closed.
    if (IsPopupOpen()) {
        if (!scanRequestWaiting_) WriteLogLine(L"Scheduled scan waits for the open pop-up");
        scanRequestWaiting_ = true;
        SetTimer(kWaitingScanTimer, kWaitingScanPollMs);
        return;
    }
    AskAboutScheduledScan();
}

void CHvAppDlg::OnWaitingScanTimer() {
    if (!scanRequestWaiting_) return;
    if (IsWorkRunning()) {
        scanRequestWaiting_ = false;
        WriteLogLine(L"Scheduled scan refused: the program is busy");
        return;
    }
    if (IsPopupOpen() || scanQuestionOpen_) {
        SetTimer(kWaitingScanTimer, kWaitingScanPollMs);
        return;
    }
    AskAboutScheduledScan();
}

void CHvAppDlg::AskAboutScheduledScan() {
    scanRequestWaiting_ = false;
    // The question's own message loop hands further requests in: they are this one.
    scanQuestionOpen_ = true;
    const int answer =
        CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_SCHEDULE_RUNNING"), GetProductTitle(), MB_YESNO);
    scanQuestionOpen_ = false;
    if (answer != IDYES) return;
    if (AppBusy().scanRunning.load()) return;
    if (hiddenInTray_) RestoreFromTray();
    CheckInternetAndContinue();
}

void CHvAppDlg::OnActivate() {
    UiReleased() = true;
    hiddenInTray_ = false;
    trayIcon_.MaximizeFromTray(Handle());
    trayIcon_.HideIcon();
    ShowWindow(Handle(), SW_RESTORE);
    ForceForegroundWindow(Handle());
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
}

void CHvAppDlg::OnSysCommand(WPARAM command, LPARAM lParam) {
    const UINT kind = static_cast<UINT>(command & 0xFFF0);
    if (GetOpenPopupCount() > 0 && kind != SC_CLOSE) return;
    if (command == kSystemAbout) {
        if (!AppBusy().scanRunning.load()) PostMessageW(Handle(), WM_COMMAND, kAboutButton, 0);
        return;
    }
    if (kind == SC_KEYMENU && !UiReleased().load()) return;
    if (kind == SC_CLOSE) {
        if (languageMenuOpen_ || aboutOpen_) return;
        SaveSettings();
        OnCancel();
        return;
    }
    DefWindowProcW(Handle(), WM_SYSCOMMAND, command, lParam);
}

// Enter on the main window (the dialog's default command) neither hides nor ends it.
void CHvAppDlg::OnOK() {}

LRESULT CHvAppDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MsgPostMainUIContinue) return OnPostMainUIContinue();
    if (message == MsgShowChildHtmDlg) return OnShowChildPage(wParam);
    if (message == MsgShowDlgDownloadMissingDriver) return 0;
    switch (message) {
        case WM_COMMAND: {
            const UINT id = LOWORD(wParam);
            // The frame's own caption buttons are the frame's business.
            if (id == kMinimizeId || id == kThirdButtonId || id == kCloseId) break;
            if (id == IDOK) {
                OnOK();
                return 0;
            }
            OnCommand(id);
            return 0;
        }
        case WM_TIMER: OnTimer(static_cast<UINT>(wParam)); return 0;
        case WM_SYSCOMMAND: OnSysCommand(wParam, lParam); return 0;
        case WM_CLOSE: OnCancel(); return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return TRUE;
        case kMsgScanRequested: OnScanRequested(wParam); return 0;
        case kMsgActivate: OnActivate(); return 0;
        case kMsgContinueScan: CheckInternetAndContinue(); return 0;
        case WM_WINDOWPOSCHANGING: {
            auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!UiReleased().load() || app_.Switches().updateCheckRequested) position->flags &= ~SWP_SHOWWINDOW;
            break;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxSize = {770, 577};
            info->ptMaxTrackSize = {770, 577};
            return 0;
        }
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            if (wParam == 0 && languageMenu_ != nullptr) {
                if (message == WM_MEASUREITEM) languageMenu_->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
                else languageMenu_->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            break;
        case WM_QUERYENDSESSION: SaveSettings(); break;
        default: break;
    }
    return CMainBorder::WindowProc(message, wParam, lParam);
}
