#include "shell/app/hv_app.h"

#include "foundation/system_helpers.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <atomic>

#include "engine/download_job.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "shell/app/app_keys.h"
#include "shell/app/app_system.h"
#include "shell/exclusions/exclusion_list.h"

namespace {
constexpr DWORD kStoppedDownloadGraceMs = 2000;

CHvApp* currentApp = nullptr;
std::atomic<int> pendingUpdates{0};

constexpr DWORD kArgumentStartDelayMs = 2048;
constexpr DWORD kComCallPendingDelayMs = 8192;

// Outgoing COM calls of the UI thread (the HTML pages' scripts) wait without the
// system's "server busy" and "not responding" dialogs.
class QuietMessageFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (id == IID_IUnknown || id == IID_IMessageFilter) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD rejectType) override {
        // Retry a busy server soon; a rejected call is cancelled.
        return rejectType == SERVERCALL_RETRYLATER ? 100 : static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsed, DWORD) override {
        return elapsed < kComCallPendingDelayMs ? PENDINGMSG_WAITNOPROCESS : PENDINGMSG_WAITDEFPROCESS;
    }
};

QuietMessageFilter quietFilter;

}  // namespace

CHvApp* HvApp() { return currentApp; }
int PendingUpdateCount() { return pendingUpdates.load(); }
void SetPendingUpdateCount(int count) { pendingUpdates.store(count); }

CHvApp::CHvApp() {
    currentApp = this;
    segoeUiAvailable_ = IsSegoeUiInstalled();
    OpenLanguageCache(BuildLanguageFilePath());
}

CHvApp::~CHvApp() {
    if (comInitialised_) CoUninitialize();
    if (oleInitialised_) {
        CoRegisterMessageFilter(nullptr, nullptr);
        OleUninitialize();
    }
    if (currentApp == this) currentApp = nullptr;
}

std::wstring CHvApp::BuildLanguageFilePath() {
    languageFilePath_ = GetLanguageIniPath();
    return languageFilePath_;
}

bool CHvApp::InitInstance(const std::vector<std::wstring>& arguments) {
    AppSystem& system = CurrentAppSystem();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);

    OpenLanguageCache(BuildLanguageFilePath());
    ApplyLanguageLocale();

    oleInitialised_ = SUCCEEDED(OleInitialize(nullptr));
    if (oleInitialised_) CoRegisterMessageFilter(&quietFilter, nullptr);
    languageId_ = GetLanguageId();

    const std::wstring argument = arguments.empty() ? std::wstring() : NormaliseSwitch(arguments.front());
    // A program that restarts itself passes an argument: give the old one time to go.
    if (!arguments.empty()) system.Sleep(kArgumentStartDelayMs);

    mutex_ = std::make_unique<SingleInstanceMutex>(instanceName_);
    isSecondInstance_ = mutex_->AnotherInstanceRuns();
    if (isSecondInstance_) return HandOverAndEnd(argument);
    if (!EnsureRights()) return false;

    system.Sleep(0);
    LoadStartupSettings();
    // The user's exclusions: kept out of every scan, and the list the results page
    // and the settings page add to.
    LoadUserExclusionList(ScanUpdate());
    UpdateAppSettings([](AppSettings& settings) { ++settings.numTimesHalRunned; });
    ReadSupportTelephones();

    comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    LOGFONTW languageFont{};
    FillLanguageFont(languageFont);
    fonts_.Create(languageFont, languageId_, segoeUiAvailable_,
                  GetLangString(L"IDS_FONT_DIALOG_HEADINGS_XP", kResourceStringSection));

    switches_ = ReadStartupSwitches(argument, system.IsAdmin(), DaysSinceLastScan());
    if (switches_.endAtOnce) return false;
    if (switches_.delayMilliseconds != 0) system.Sleep(switches_.delayMilliseconds);

    ParseStartupSwitches();
    SetPendingUpdateCount(GetLastScanResultCount());
    WriteLogLine(L"Application Started");
    appName_ = GetLangString(L"AFX_IDS_APP_TITLE", kResourceStringSection);

    if (mainWindowCreator_) mainWindow_ = mainWindowCreator_(*this);
    mainWindowCreated_ = mainWindow_ != nullptr;
    if (mainWindow_ != nullptr) MarkAsMainWindow(mainWindow_);
    return mainWindowCreated_;
}

bool CHvApp::HandOverAndEnd(const std::wstring& argument) {
    const HandOverRequest request = DecideHandOver(argument, DaysSinceLastScan());
    if (request.post) HandOverToRunningInstance(FindRunningMainWindow(GetProductTitle()), request);
    return false;
}

bool CHvApp::EnsureRights() {
    AppSystem& system = CurrentAppSystem();
    if (system.IsAdmin()) return true;
    if (system.WindowsMajorVersion() <= 5) {
        system.ShowMessageBox(nullptr, GetLangString(L"IDS_ADMIN_RIGHTS_REQD_PROG", kResourceStringSection),
                          GetProductTitle(), MB_ICONEXCLAMATION);
        return false;
    }
    // The raised copy must not find this one's mutex and take itself for a second
    // start; it gets no arguments, so it does not wait for this one to go either.
    mutex_->Close();
    RelaunchSelf(L"", true, nullptr);
    return false;
}

bool CHvApp::InitInstance() { return InitInstance(ProcessArguments()); }

int CHvApp::ExitInstance() {
    // A start that never made its window has no results of its own to store.
    if (!isSecondInstance_ && mainWindowCreated_) SaveLastScanResultCount(PendingUpdateCount());
    CloseLanguageCache();
    // A connection that a stalled server still held when its download was stopped
    // ends on its own; the program gives it a moment before the process takes it down.
    if (!WaitForStoppedDownloadsToEnd(kStoppedDownloadGraceMs)) {
        WriteLogLine(L"A stopped download connection was still open at exit");
    }
    WriteLogLine(L"Application Exit");
    return 0;
}

bool CHvApp::PreTranslateMessage(MSG& message) { return IsSwallowedAppKey(message, SystemKeyState()); }

void CHvApp::ReadSupportTelephones() {
    supportTelephone_ = ReadRegStringDefault(HKEY_LOCAL_MACHINE, kProductKeyPath, L"TELNO", L"");
    supportTelephoneRegistered_ = ReadRegStringDefault(HKEY_LOCAL_MACHINE, kProductKeyPath, L"TELNOREG", L"");
}
