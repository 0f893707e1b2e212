#include "tests/support/message_wait.h"

#include <algorithm>

#include "platform/ui/message_pump.h"

namespace {

// Waits for the next message, at most `milliseconds`; true when one came.
bool WaitForMessage(ULONGLONG milliseconds) {
    return MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT,
                                       MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

bool quitSeen = false;

}  // namespace

void PumpWaitingMessages() {
    while (!ui::PumpPendingMessages()) {
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        quitSeen = true;
    }
}

bool QuitMessageSeen() { return quitSeen; }

void ForgetQuitMessage() { quitSeen = false; }

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD askEveryMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpWaitingMessages();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        // Wakes on a message; state another thread changes is asked for again soon.
        WaitForMessage(std::min<ULONGLONG>(end - now, askEveryMs));
    }
}

bool PumpMessagesUntilQuiet(DWORD quietMs, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpWaitingMessages();
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        if (!WaitForMessage(std::min<ULONGLONG>(end - now, quietMs))) return GetTickCount64() < end;
    }
}
