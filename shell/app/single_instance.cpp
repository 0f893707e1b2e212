#include "shell/app/single_instance.h"

#include "platform/entry_point.h"

SingleInstanceMutex::SingleInstanceMutex(const std::wstring& name) {
    handle_.Reset(CreateMutexW(nullptr, TRUE, name.c_str()));
    const DWORD error = GetLastError();
    anotherRuns_ = error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
    // Only the name matters; nobody waits on the mutex.
    if (handle_) ReleaseMutex(handle_.Get());
}

void SingleInstanceMutex::Close() { handle_.Reset(); }

namespace {

using ChangeWindowMessageFilterExFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
using ChangeWindowMessageFilterFunction = BOOL(WINAPI*)(UINT, DWORD);
constexpr DWORD kMessageFilterAllow = 1;

void AllowHandOverMessages(HWND window) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const UINT messages[] = {kMsgScanRequested, kMsgActivate};
    if (auto perWindow = GetEntryPoint<ChangeWindowMessageFilterExFunction>(user32, "ChangeWindowMessageFilterEx")) {
        for (UINT message : messages) perWindow(window, message, kMessageFilterAllow, nullptr);
    } else if (auto perProcess = GetEntryPoint<ChangeWindowMessageFilterFunction>(user32, "ChangeWindowMessageFilter")) {
        for (UINT message : messages) perProcess(message, kMessageFilterAllow);
    }
}

struct MainWindowSearch {
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<MainWindowSearch*>(parameter);
    if (GetPropW(window, kMainWindowProperty) == nullptr) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") != 0) return TRUE;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    if (text != *search->title) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

void MarkAsMainWindow(HWND window) {
    SetPropW(window, kMainWindowProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
    AllowHandOverMessages(window);
}

HWND FindRunningMainWindow(const std::wstring& title) {
    MainWindowSearch search{&title, nullptr};
    EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool HandOverToRunningInstance(HWND window, const HandOverRequest& request) {
    if (window == nullptr || !request.post) return false;
    if (request.activate) {
        // The running instance brings itself to the front when the message comes;
        // this start is the one the user just made, so it may pass that right on.
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        AllowSetForegroundWindow(processId);
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(GetLastActivePopup(window));
    }
    return PostMessageW(window, request.message, request.wParam, 0) != FALSE;
}
