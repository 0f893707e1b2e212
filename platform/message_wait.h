#pragma once

#include <windows.h>

// Waits for a handle while still answering messages that other threads send to
// windows of this thread, so a waiting UI thread cannot deadlock with a sender.
// Posted messages and input stay queued for the caller's loop. Returns true when
// the handle became signalled within `milliseconds` (INFINITE waits for ever).
bool WaitPumpingSentMessages(HANDLE handle, DWORD milliseconds);
