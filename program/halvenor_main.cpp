// The program's entry: builds the application object, runs its start-up, the
// message loop and its exit step. It is the one place that knows both the shell
// and the screens: the main window gets its pages from the factory made here.
#include <windows.h>

#include <cwchar>
#include <memory>

#include "engine/system_restore_point.h"
#include "foundation/daily_log.h"
#include "platform/html/script_page_host.h"
#include "platform/ui/message_pump.h"

#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"

#include "program/screen_pages.h"
#include "screens/scan/nag_popups/driver_alert_nag.h"

namespace {

// How long the start waits for the home page's word before the window comes up
// without it. Tests that start the program as a process of its own, and are not
// about that wait, shorten it through the environment: under Wine the page never
// answers, and every start would wait the full time. Never longer than the default.
UINT ReleaseWaitMs(UINT standard) {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"HALVENOR_TEST_RELEASE_WAIT_MS", text, 16);
    if (length == 0 || length >= 16) return standard;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0' || value > standard) return standard;
    return static_cast<UINT>(value);
}

bool EnvironmentSays(const wchar_t* name, const wchar_t* value) {
    wchar_t text[32] = {};
    const DWORD length = GetEnvironmentVariableW(name, text, 32);
    return length > 0 && length < 32 && lstrcmpiW(text, value) == 0;
}

// A restore point that is only written to the log: where System Restore is not
// there to be watched, a run driven from outside sees the request in the log.
class LoggedRestorePoints final : public SystemRestoreClient {
public:
    bool SetRestorePoint(RESTOREPOINTINFOW& request, STATEMGRSTATUS& status) override {
        WriteLogLine(L"restore point requested: %ls (type %d)", request.szDescription,
                     static_cast<int>(request.dwRestorePtType));
        status.nStatus = ERROR_SUCCESS;
        status.llSequenceNumber = ++sequence_;
        return true;
    }

private:
    INT64 sequence_ = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Seams for a run driven from another process, off unless the environment
    // asks: pages run by the script host (no browser needed) that answer that
    // process's requests, and restore points that are only logged.
    std::unique_ptr<ScopedPageHostFactory> scriptedPages;
    if (EnvironmentSays(L"HALVENOR_PAGE_HOST", L"script")) {
        scriptedPages = std::make_unique<ScopedPageHostFactory>([]() -> std::unique_ptr<PageHost> {
            auto host = std::make_unique<ScriptPageHost>();
            host->AnswerOtherProcesses();
            return host;
        });
    }
    static LoggedRestorePoints loggedRestorePoints;
    if (EnvironmentSays(L"HALVENOR_RESTORE_POINT", L"log")) SetSystemRestoreClient(&loggedRestorePoints);
    // Built here rather than as a global, so that it starts after every constant of
    // the libraries is in place.
    static CHvApp app;
    ScreenPageFactory pages;
    std::unique_ptr<CHvAppDlg> mainDialog;
    RegisterDriverAlertPrompt([&]() -> HWND { return mainDialog ? mainDialog->Handle() : nullptr; });
    app.SetMainWindowCreator([&](CHvApp& self) -> HWND {
        mainDialog = std::make_unique<CHvAppDlg>(self, pages);
        // The home page's first document, or its failure to load one, lets the start
        // go on; a bounded wait covers a page that never answers.
        mainDialog->releaseFallbackMs = ReleaseWaitMs(mainDialog->releaseFallbackMs);
        HWND window = mainDialog->Create();
        if (window != nullptr) RegisterScreenPrompts(window);
        return window;
    });
    if (app.InitInstance()) {
        // The window layer's one pump: the application's key filter, the pages'
        // filters, then the dialog navigation of the main window.
        ui::RunMessageLoop([] { return false; });
        // The loop posted its quit message again for enclosing loops; there are none.
        MSG leftover;
        PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    // The main window and its pages go before the exit step closes the language cache.
    mainDialog.reset();
    return app.ExitInstance();
}
