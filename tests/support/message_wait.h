#pragma once

#include <windows.h>

#include <functional>

// Waits for what a test expects while this thread's window messages run the
// program's own road (dialog keys included). The wait wakes on each message and
// asks again every few milliseconds for state that another thread changes, so a
// test never sleeps a fixed time.

// True once `done` holds; false when `timeoutMs` passed first. A `done` that is
// costly to ask (another process's windows, files) may be asked less often.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD askEveryMs = 5);

// Runs messages until none has arrived for `quietMs`: for the moments with no one
// event to wait for, such as a picture of the screen or a check that nothing more
// follows. False when the thread was still busy after `timeoutMs`.
bool PumpMessagesUntilQuiet(DWORD quietMs = 100, DWORD timeoutMs = 5000);

// Dispatches what is waiting now. A quit message is taken off the queue and noted,
// so a test sees that the code under test asked to quit and its waits go on.
void PumpWaitingMessages();
bool QuitMessageSeen();
void ForgetQuitMessage();
