#include "foundation/window_helpers.h"

#include "platform/text_case.h"

#include <shellapi.h>

#include <atomic>

namespace {

constexpr int kPumpLimit = 11;
std::atomic<int> dispatchedSinceReset{0};

// Something must follow the scheme.
bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    return text.size() > wcslen(prefix) && StartsWithIgnoringCase(text, 0, prefix);
}

}  // namespace

bool ForceForegroundWindow(HWND window) {
    HWND foreground = GetForegroundWindow();
    if (window == foreground) {
        // A minimised window can keep the foreground; it still has to come back.
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        return true;
    }
    const DWORD ownThread = GetCurrentThreadId();
    const DWORD foregroundThread = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attach = foregroundThread != 0 && foregroundThread != ownThread;
    if (attach) AttachThreadInput(ownThread, foregroundThread, TRUE);
    const BOOL result = SetForegroundWindow(window);
    if (attach) AttachThreadInput(ownThread, foregroundThread, FALSE);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    return result != FALSE;
}

int PumpPendingMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (++dispatchedSinceReset >= kPumpLimit) {
            dispatchedSinceReset = 0;
            return kPumpLimit;
        }
    }
    return 0;
}

bool OpenUrlInBrowser(const std::wstring& address) {
    // The shell would run a program or open a file just as readily as a web page.
    if (!StartsWithNoCase(address, L"http://") && !StartsWithNoCase(address, L"https://")) return false;
    if (address.find_first_of(L"\"\r\n") != std::wstring::npos) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(GetDesktopWindow(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
    if (result <= 32) {
        const std::wstring quoted = L"\"" + address + L"\"";
        ShellExecuteW(GetDesktopWindow(), L"open", L"iexplore.exe", quoted.c_str(), nullptr, SW_SHOWMAXIMIZED);
    }
    return true;
}
