#include "shell/app/tests/main_window_fixture.h"

namespace {


TEST_F(MainWindowTest, EveryStartSequenceEndsTheSameWhetherOrNotTheHomePageAnswers) {
    const auto with = [](auto set) {
        StartupSwitches switches;
        set(switches);
        return switches;
    };
    const struct {
        const char* start;
        StartupSwitches switches;
        bool visible;
        MainPageId page;
        UINT tab;
    } cases[] = {
        {"no switch", {}, true, MainPageId::Home, kHome},
        {"scan", with([](StartupSwitches& s) { s.scanRequested = true; }), true, MainPageId::Scan, kScanTab},
        {"default", with([](StartupSwitches& s) { s.defaultRequested = true; }), false, MainPageId::Home, kHome},
        {"checklastscan, overdue", with([](StartupSwitches& s) { s.lastScanOverdue = true; }), false, MainPageId::Home,
         kHome},
        {"updatecheck", with([](StartupSwitches& s) { s.updateCheckRequested = true; }), false, MainPageId::Home,
         kHome},
    };
    for (const auto& c : cases) {
        for (Host host : {Host::Completes, Host::Fails, Host::NeverAnswers}) {
            SCOPED_TRACE(testing::Message() << c.start << ", home page " << static_cast<int>(host));
            CHvAppDlg& window = Start(c.switches, host);
            EXPECT_EQ(IsWindowVisible(Window()) != FALSE, c.visible);
            EXPECT_EQ(UiReleased().load(), c.visible);
            EXPECT_EQ(window.CurrentPage(), c.page);
            EXPECT_EQ(window.SelectedNavigationButton(), c.tab);
            window_.reset();
        }
    }
}

TEST_F(MainWindowTest, CommandsShowTheirPageAndTab) {
    const struct {
        UINT command;
        int pendingUpdates;
        MainPageId page;
        UINT tab;
        int caption;          // of the sub-header; 0 when it stays as it was
        UINT subHeaderButton; // shown in the sub-header; 0 for none
    } cases[] = {
        {kScanTab, 0, MainPageId::Scan, kScanTab, 224, 0},
        {kGoToScan, 0, MainPageId::Scan, kScanTab, 224, 0},
        {kResults, 2, MainPageId::Results, kScanTab, 225, 0},
        {kResults, 0, MainPageId::Scan, kScanTab, 224, 0},  // nothing to update: a new scan
        {kBackupTab, 0, MainPageId::BackupRestore, kBackupTab, 230, 1010},
        {kDownloads, 0, MainPageId::Downloads, kDownloads, 230, 210},
        {kSettings, 0, MainPageId::Settings, kSettings, 230, 228},
        {kLanguagePage, 0, MainPageId::Settings, kSettings, 230, 236},
        {kHome, 0, MainPageId::Home, kHome, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << ", " << c.pendingUpdates << " pending");
        CHvAppDlg& window = Start();
        ASSERT_EQ(window.CurrentPage(), MainPageId::Home);
        SetPendingUpdateCount(c.pendingUpdates);
        PostMessageW(Window(), WM_COMMAND, c.command, 0);
        PumpMessagesUntil([&] { return window.CurrentPage() == c.page; }, 1500);
        EXPECT_EQ(window.CurrentPage(), c.page);
        EXPECT_EQ(window.SelectedNavigationButton(), c.tab);
        if (c.caption != 0) { EXPECT_EQ(window.SubHeader().Caption(), c.caption); }
        if (c.subHeaderButton != 0) { EXPECT_TRUE(window.SubHeader().ButtonVisible(c.subHeaderButton)); }
        if (c.command == kLanguagePage) {
            EXPECT_EQ(window.SubHeader().SelectedSettingsTab(), 236);
            // The settings page itself is told which of its sub-pages to show.
            ASSERT_FALSE(pageCommands.empty());
            EXPECT_EQ(pageCommands.back(), 236u);
        }
        if (c.command == kHome) { EXPECT_FALSE(IsWindowVisible(window.SubHeader().Handle())); }
        EXPECT_TRUE(IsWindowVisible(window.Page(c.page)->Window()));
        window_.reset();
    }
}

// A wizard step armed earlier can come while another page's row is up (the results
// page's refill puts up the scan's); the step brings back the backup and restore
// row, switched on only when navigation is.
TEST_F(MainWindowTest, WizardStepsBringBackTheBackupAndRestoreRow) {
    CHvAppDlg& window = Start();
    HWND restoreTab = GetDlgItem(window.SubHeader().Handle(), 5210);
    ASSERT_NE(restoreTab, nullptr);
    for (const BOOL navigation : {TRUE, FALSE}) {
        SCOPED_TRACE(navigation ? "navigation on" : "navigation off");
        window.SubHeader().SetCaptionAndTab(225, 0);
        ASSERT_FALSE(window.SubHeader().ButtonVisible(5210));
        window.EnableNavigation(navigation);
        EXPECT_EQ(SendMessageW(Window(), MsgShowChildHtmDlg, 118, 0), 1);
        EXPECT_EQ(window.CurrentPage(), MainPageId::BackupRestore);
        EXPECT_EQ(window.SubHeader().Caption(), 230);
        EXPECT_TRUE(window.SubHeader().ButtonVisible(1010));
        EXPECT_TRUE(window.SubHeader().ButtonVisible(5210));
        EXPECT_EQ(IsWindowEnabled(restoreTab) != FALSE, navigation != FALSE);
    }
}

TEST_F(MainWindowTest, PageRequestsShowTheirPageAndAnswerOnlyForPages) {
    CHvAppDlg& window = Start();
    const struct {
        WPARAM which;
        MainPageId page;
        UINT tab;
    } cases[] = {
        {105, MainPageId::Results, kScanTab},       {106, MainPageId::Scan, kScanTab},
        {107, MainPageId::Home, kHome},             {109, MainPageId::LastScan, kScanTab},
        {115, MainPageId::BackupRestore, kBackupTab}, {120, MainPageId::BackupRestore, kBackupTab},
        {123, MainPageId::DownloadInstall, kScanTab}, {137, MainPageId::Results, kScanTab},
        {131, MainPageId::Home, kHome},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "page request " << c.which);
        EXPECT_EQ(SendMessageW(Window(), MsgShowChildHtmDlg, c.which, 0), 1);
        EXPECT_EQ(window.CurrentPage(), c.page);
        EXPECT_EQ(window.SelectedNavigationButton(), c.tab);
    }
    for (WPARAM reserved : {WPARAM{110}, WPARAM{111}, WPARAM{4242}}) {
        EXPECT_EQ(SendMessageW(Window(), MsgShowChildHtmDlg, reserved, 0), 0);
        EXPECT_EQ(window.CurrentPage(), MainPageId::Home);
    }
}

TEST_F(MainWindowTest, CloseExitAndTrayClickNeverEndOrSwitchWhileWorkRuns) {
    const struct {
        const char* how;
        std::function<void(HWND)> close;
    } closes[] = {
        {"WM_CLOSE", [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }},
        {"system menu", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"tray Exit", [](HWND w) { PostMessageW(w, WM_COMMAND, kTrayExit, 0); }},
    };
    std::atomic<bool>* busyKinds[] = {&AppBusy().scanRunning, &AppBusy().operationRunning};
    for (std::atomic<bool>* busy : busyKinds) {
        for (const auto& c : closes) {
            SCOPED_TRACE(testing::Message() << c.how << (busy == &AppBusy().scanRunning ? ", scan" : ", operation"));
            UpdateAppSettings([](AppSettings& s) { s.goToSystemTrayOnClose = 0; });
            CHvAppDlg& window = Start();
            PostMessageW(Window(), WM_COMMAND, kSettings, 0);
            PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Settings; });
            *busy = true;
            c.close(Window());
            // The tray icon's click asks for the home page; it must not come either.
            SendMessageW(window.Tray().Window(), CXTTrayIcon::kCallbackMessage, kTrayIconId, WM_LBUTTONUP);
            PumpMessagesUntilQuiet();
            EXPECT_TRUE(IsWindow(Window()));
            EXPECT_TRUE(IsWindowVisible(Window()));
            EXPECT_FALSE(window.HiddenInTray());
            EXPECT_FALSE(QuitMessageSeen());
            EXPECT_EQ(window.CurrentPage(), MainPageId::Settings);
            *busy = false;
            window_.reset();
        }
    }
}

TEST_F(MainWindowTest, CloseWhenIdleGoesToTheTrayOrQuitsAsSet) {
    UpdateAppSettings([](AppSettings& s) { s.goToSystemTrayOnClose = 1; });
    Start();
    PostMessageW(Window(), WM_CLOSE, 0, 0);
    PumpMessagesUntil([&] { return window_->HiddenInTray(); });
    EXPECT_TRUE(window_->HiddenInTray());
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_FALSE(QuitMessageSeen());
    // A second start without a switch asks for the window.
    PostMessageW(Window(), kMsgActivate, 0, 0);
    PumpMessagesUntil([&] { return IsWindowVisible(Window()) != FALSE; }, 1000);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(window_->HiddenInTray());
    window_.reset();

    UpdateAppSettings([](AppSettings& s) { s.goToSystemTrayOnClose = 0; });
    Start();
    const HWND closed = Window();
    PostMessageW(closed, WM_CLOSE, 0, 0);
    PumpMessagesUntil([] { return QuitMessageSeen(); }, 1000);
    EXPECT_TRUE(QuitMessageSeen());
    EXPECT_FALSE(IsWindow(closed));
}

TEST_F(MainWindowTest, AScanAskedForByAnotherStartIsRefusedWhileBusyAndOtherwiseConfirmedFirst) {
    CHvAppDlg& window = Start();
    AppBusy().operationRunning = true;
    SendMessageW(Window(), kMsgScanRequested, 0, 0);
    EXPECT_TRUE(system_.boxes.empty());
    EXPECT_EQ(window.CurrentPage(), MainPageId::Home);
    AppBusy().operationRunning = false;

    // Only the overdue reminder: no question, no scan.
    SendMessageW(Window(), kMsgScanRequested, kOverdueReminderOnly, 0);
    EXPECT_TRUE(system_.boxes.empty());

    system_.answer = IDNO;
    SendMessageW(Window(), kMsgScanRequested, 0, 0);
    EXPECT_EQ(system_.boxes.size(), 1u);
    PumpMessagesUntilQuiet();
    EXPECT_EQ(window.CurrentPage(), MainPageId::Home);

    system_.answer = IDYES;
    SendMessageW(Window(), kMsgScanRequested, 0, 0);
    EXPECT_EQ(system_.boxes.size(), 2u);
    PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Scan; });
    EXPECT_EQ(window.CurrentPage(), MainPageId::Scan);
    EXPECT_EQ(window.SelectedNavigationButton(), kScanTab);
}

// The language the user picks is stored for the machine and the user and takes
// effect through a new start; nothing is stored unless the user agrees.
TEST_F(MainWindowTest, AChosenLanguageIsStoredAndRelaunchesOnlyWhenConfirmed) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    Start();
    const unsigned current = GetLanguageId();
    unsigned other = kLanguageCount;
    for (unsigned row = 0; row < kLanguageCount && other == kLanguageCount; ++row) {
        if (row != current && LanguageTable[row].available != 0) other = row;
    }
    ASSERT_LT(other, kLanguageCount);
    const std::wstring subKey = std::wstring(kProductKeyPath) + kLanguageSubKey;
    auto storedId = [&](HKEY root, REGSAM view) -> std::optional<DWORD> {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return std::nullopt;
        const auto value = ReadRawValue(key, L"LangID");
        RegCloseKey(key);
        if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
        return *reinterpret_cast<const DWORD*>(value->bytes.data());
    };

    // The language in use: not even a question.
    SendMessageW(Window(), WM_COMMAND, kFirstLanguage + current, 0);
    EXPECT_TRUE(system_.boxes.empty());

    system_.answer = IDNO;
    SendMessageW(Window(), WM_COMMAND, kFirstLanguage + other, 0);
    EXPECT_EQ(system_.boxes.size(), 1u);
    EXPECT_FALSE(storedId(HKEY_CURRENT_USER, 0));
    EXPECT_FALSE(storedId(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY));
    EXPECT_TRUE(system_.launchedParameters.empty());

    system_.answer = IDYES;
    system_.endExpected = true;
    SendMessageW(Window(), WM_COMMAND, kFirstLanguage + other, 0);
    EXPECT_EQ(storedId(HKEY_CURRENT_USER, 0), other);
    EXPECT_EQ(storedId(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY), other);
    EXPECT_EQ(GetLanguageCode(), LanguageTable[other].code);
    EXPECT_EQ(system_.launchedParameters, std::vector<std::wstring>{L"-changelang"});
    EXPECT_TRUE(system_.ended);
}

TEST_F(MainWindowTest, TheUpdateCheckFollowsTheStartExceptOnTheFirstRunAndTheMenuAsksForOneByHand) {
    const auto with = [](bool updateCheck) {
        StartupSwitches switches;
        switches.updateCheckRequested = updateCheck;
        switches.showUi = !updateCheck;
        return switches;
    };
    const struct {
        const char* start;
        bool firstRun;
        bool updateCheck;
        std::vector<bool> checks;  // each started check's "updatecheck" flag
        int firstRunSetUps;
    } cases[] = {
        {"a later start", false, false, {false}, 0},
        {"a later updatecheck start", false, true, {true}, 0},
        {"the first start", true, false, {}, 1},
        {"an updatecheck start that is the first", true, true, {true}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        if (c.firstRun) RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, L"FirstRun");
        else SetUserRegistryValue(true, kProductKeyPath, L"FirstRun", L"", 1, 4);
        updateChecks_.clear();
        firstRunSetUps_ = 0;
        Start(with(c.updateCheck));
        PumpMessagesUntil([&] { return updateChecks_.size() >= c.checks.size(); });
        PumpMessagesUntilQuiet();
        EXPECT_EQ(updateChecks_, c.checks);
        EXPECT_EQ(firstRunSetUps_, c.firstRunSetUps);
        EXPECT_TRUE(HasFirstRunValue());
        if (!c.updateCheck) {
            // Help, check for updates: by hand, never as the start's own check.
            SendMessageW(Window(), WM_COMMAND, kCheckUpdates, 0);
            ASSERT_FALSE(updateChecks_.empty());
            EXPECT_FALSE(updateChecks_.back());
        }
        window_.reset();
    }
}

TEST_F(MainWindowTest, TheReminderSlidesInForAnOverdueStartOrAnotherStartsAskingAndEndsOnlyAReminderStart) {
    SetUserRegistryValue(true, kProductKeyPath, L"FirstRun", L"", 1, 4);
    StartupSwitches overdue;
    overdue.lastScanOverdue = true;
    {
        SCOPED_TRACE("a start for the reminder, closed");
        CHvAppDlg& window = Start(overdue);
        EXPECT_EQ(window.Notifier().CurrentState() == CTaskbarNotifier::kHidden, false);
        EXPECT_TRUE(IsWindowVisible(window.Notifier().Handle()));
        EXPECT_FALSE(IsWindowVisible(Window()));
        pages_.actions.close();
        PumpMessagesUntil([] { return QuitMessageSeen(); });
        EXPECT_TRUE(QuitMessageSeen());
        EXPECT_FALSE(IsWindow(Window()));
        window_.reset();
    }
    {
        SCOPED_TRACE("a start for the reminder, scan chosen");
        ForgetQuitMessage();
        CHvAppDlg& window = Start(overdue);
        ASSERT_TRUE(IsWindowVisible(window.Notifier().Handle()));
        pages_.actions.scanNow();
        PumpMessagesUntil([&] { return window.ReminderRestored(); });
        PumpMessagesUntilQuiet();
        EXPECT_TRUE(window.ReminderRestored());
        EXPECT_FALSE(QuitMessageSeen());
        EXPECT_EQ(window.Notifier().CurrentState(), CTaskbarNotifier::kHidden);
        EXPECT_TRUE(UiReleased().load());
        EXPECT_TRUE(IsWindowVisible(Window()));
        EXPECT_EQ(window.CurrentPage(), MainPageId::Scan);
        window_.reset();
    }
    {
        SCOPED_TRACE("a running program asked by another start");
        ForgetQuitMessage();
        CHvAppDlg& window = Start();
        ASSERT_TRUE(IsWindowVisible(Window()));
        EXPECT_FALSE(IsWindowVisible(window.Notifier().Handle()));
        SendMessageW(Window(), kMsgScanRequested, kOverdueReminderOnly, 0);
        EXPECT_TRUE(IsWindowVisible(window.Notifier().Handle()));
        EXPECT_TRUE(system_.boxes.empty());
        pages_.actions.close();
        PumpMessagesUntilQuiet();
        // The program that runs for its user stays.
        EXPECT_FALSE(QuitMessageSeen());
        EXPECT_TRUE(IsWindow(Window()));
        window_.reset();
    }
}

}  // namespace

namespace {

// The about window's holder while it runs: a top-level window owned by the
// backdrop, which the main window owns.
HWND g_mainForAbout = nullptr;
HWND g_aboutFound = nullptr;
BOOL CALLBACK FindAbout(HWND window, LPARAM) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr && GetWindow(owner, GW_OWNER) == g_mainForAbout && IsWindowVisible(window)) {
        g_aboutFound = window;
        return FALSE;
    }
    return TRUE;
}

struct AboutLook {
    bool open = false;
    LONG popups = 0;
    bool mainEnabled = true;
};
AboutLook g_aboutLook;
// A named function: a lambda has no stdcall conversion on 32-bit builds.
void CALLBACK LookAtAboutAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_aboutFound = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAbout, 0);
    g_aboutLook.open = g_aboutFound != nullptr;
    g_aboutLook.popups = GetOpenPopupCount();
    g_aboutLook.mainEnabled = IsWindowEnabled(g_mainForAbout) != FALSE;
    if (g_aboutFound != nullptr) PostMessageW(g_aboutFound, WM_COMMAND, CMainBorder::kCloseId, 0);
}

}  // namespace

TEST_F(MainWindowTest, TheSplashShowsUntilTheStartGoesOnOnlyWhenTheWindowMayComeUpByItself) {
    for (const bool showUi : {true, false}) {
        SCOPED_TRACE(showUi ? "no switch" : "scan");
        StartupSwitches switches;
        switches.showUi = showUi;
        switches.scanRequested = !showUi;
        app_.MutableSwitches() = switches;
        window_ = std::make_unique<CHvAppDlg>(app_, pages_, TrayShell{AcceptingShell, ModernShell});
        window_->internetCheck = [] { return true; };
        window_->startupTimerDelayMs = 50;
        ASSERT_NE(window_->Create(), nullptr);
        EXPECT_EQ(window_->SplashShown(), showUi);
        EXPECT_EQ(CDlgSplash::SplashExists(), showUi);
        window_->OnHomeDocumentComplete();
        PumpMessagesUntil([&] { return !window_->SplashShown() && IsWindowVisible(Window()); });
        EXPECT_FALSE(window_->SplashShown());
        EXPECT_FALSE(CDlgSplash::SplashExists());
        EXPECT_TRUE(IsWindowVisible(Window()));
        window_.reset();
    }
}

TEST_F(MainWindowTest, TheAboutCommandsRunTheAboutWindowOverTheBackdropAndItCloses) {
    ScopedPageHostFactory factory([] { return std::make_unique<RecordingPageHost>(); });
    CHvAppDlg& window = Start();
    for (const UINT command : {kAboutButton, kAbout, kTrayAbout}) {
        SCOPED_TRACE(command);
        g_mainForAbout = Window();
        g_aboutLook = {};
        SetTimer(nullptr, 0, 400, &LookAtAboutAndClose);
        SendMessageW(Window(), WM_COMMAND, command, 0);
        EXPECT_TRUE(g_aboutLook.open);
        EXPECT_EQ(g_aboutLook.popups, 1);
        EXPECT_FALSE(g_aboutLook.mainEnabled);
        EXPECT_FALSE(window.AboutOpen());
        EXPECT_EQ(GetOpenPopupCount(), 0);
        EXPECT_TRUE(IsWindowEnabled(Window()));
    }
}

namespace {

void CALLBACK HandOverScanToMain(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(g_mainForAbout, kMsgScanRequested, 0, 0);
}

}  // namespace

// A pop-up is no work: a scan handed over meanwhile is asked about once it closes,
// and a second one while the question is open adds no second question.
TEST_F(MainWindowTest, AScanHandedOverWhileAPopupIsOpenIsAskedAboutOnceItCloses) {
    ScopedPageHostFactory factory([] { return std::make_unique<RecordingPageHost>(); });
    CHvAppDlg& window = Start();
    g_mainForAbout = Window();
    g_aboutLook = {};
    system_.answer = IDYES;
    SetTimer(nullptr, 0, 100, &HandOverScanToMain);
    SetTimer(nullptr, 0, 200, &HandOverScanToMain);
    SetTimer(nullptr, 0, 500, &LookAtAboutAndClose);
    SendMessageW(Window(), WM_COMMAND, kAboutButton, 0);
    EXPECT_TRUE(g_aboutLook.open);
    EXPECT_TRUE(system_.boxes.empty()) << "no question over the pop-up";
    ASSERT_TRUE(PumpMessagesUntil([&] { return !system_.boxes.empty(); }, 3000)) << "the handed-over scan was lost";
    PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Scan; });
    PumpMessagesUntilQuiet();
    EXPECT_EQ(system_.boxes, std::vector<std::wstring>{GetLangString(L"IDS_SCHEDULE_RUNNING", kResourceStringSection)});
    EXPECT_EQ(system_.popupsAtBox, std::vector<LONG>{0});
    EXPECT_EQ(window.CurrentPage(), MainPageId::Scan);
}

TEST_F(MainWindowTest, OneScheduledScanQuestionAtATime) {
    CHvAppDlg& window = Start();
    system_.answer = IDNO;
    system_.whileShown = [this] { SendMessageW(Window(), kMsgScanRequested, 0, 0); };
    SendMessageW(Window(), kMsgScanRequested, 0, 0);
    PumpMessagesUntilQuiet();
    EXPECT_EQ(system_.boxes.size(), 1u);
    EXPECT_EQ(window.CurrentPage(), MainPageId::Home);
    // Once answered, the next request is asked about again.
    SendMessageW(Window(), kMsgScanRequested, 0, 0);
    EXPECT_EQ(system_.boxes.size(), 2u);
}

// Update all starts the results page's update of every chosen driver, unless
// Windows would refuse the install: then a start with rights takes over.
TEST_F(MainWindowTest, UpdateAllStartsTheResultsPagesUpdateOrHandsOverToAStartWithRights) {
    const struct {
        const char* name;
        bool admin;
        unsigned major;
        bool launchSucceeds;
        bool updateStarts;
        bool relaunched;
        bool ends;
    } cases[] = {
        {"administrator", true, 6, true, true, false, false},
        {"no rights, Windows 6", false, 6, true, false, true, true},
        {"no rights, the elevation refused", false, 6, false, false, true, false},
        {"no rights, Windows 10", false, 10, true, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRegistryRoots roots;
        ASSERT_TRUE(roots.Active());
        CHvAppDlg& window = Start();
        system_.admin = c.admin;
        system_.majorVersion = c.major;
        system_.launchSucceeds = c.launchSucceeds;
        system_.endExpected = c.ends;
        system_.ended = false;
        system_.boxes.clear();
        system_.launchedVerbs.clear();
        system_.launchedParameters.clear();
        pageTimers.clear();
        SetUserRegistryValue(true, kProductKeyPath, L"RegErrsFixedLast", L"", 1, REG_DWORD);
        HWND results = window.Page(MainPageId::Results)->Window();

        window.Navigation().StartUpdateAll();
        PumpMessagesUntil([&] { return !pageTimers.empty(); }, c.updateStarts ? 5000 : 600);

        std::wstring unused;
        DWORD fixedLast = 7;
        GetUserRegistryValue(kProductKeyPath, L"RegErrsFixedLast", unused, fixedLast, REG_DWORD);
        EXPECT_EQ(fixedLast, 0u);
        EXPECT_EQ(window.SubHeader().Caption(), 226);
        const bool armed = std::count(pageTimers.begin(), pageTimers.end(), std::make_pair(results, UINT_PTR{108})) == 1;
        EXPECT_EQ(armed, c.updateStarts);
        if (c.updateStarts) { EXPECT_EQ(window.SelectedNavigationButton(), kScanTab); }
        EXPECT_EQ(system_.launchedVerbs, c.relaunched ? std::vector<std::wstring>{L"runas"} : std::vector<std::wstring>{});
        EXPECT_EQ(system_.launchedParameters,
                  c.relaunched ? std::vector<std::wstring>{L"tolvanescan"} : std::vector<std::wstring>{});
        EXPECT_EQ(system_.ended, c.ends);
        // Only a refused elevation is told.
        EXPECT_EQ(system_.boxes.size(), c.relaunched && !c.ends ? 1u : 0u);
        window_.reset();
    }
}

// A finished scan with drivers to update goes on by itself to their update; with
// nothing to update it stays on the results.
TEST_F(MainWindowTest, AFinishedScanGoesOnToUpdateAllOnlyWhenDriversAwaitAnUpdate) {
    for (const int pending : {0, 3}) {
        SCOPED_TRACE(pending);
        CHvAppDlg& window = Start();
        pageTimers.clear();
        SetPendingUpdateCount(pending);
        HWND results = window.Page(MainPageId::Results)->Window();
        window.Navigation().ScanFinished(10);
        PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Results; }, 3000);
        // The update's timer follows within moments, or never.
        PumpMessagesUntil([&] { return !pageTimers.empty(); }, pending > 0 ? 5000 : 600);
        EXPECT_EQ(window.CurrentPage(), MainPageId::Results);
        const bool armed = std::count(pageTimers.begin(), pageTimers.end(), std::make_pair(results, UINT_PTR{108})) == 1;
        EXPECT_EQ(armed, pending > 0);
        window_.reset();
    }
}
