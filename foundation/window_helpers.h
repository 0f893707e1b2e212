#pragma once

#include <windows.h>

#include <string>

// Brings the window to the front even when another thread owns the foreground
// input, restoring it when minimised. True when SetForegroundWindow succeeded (or
// the window was already in front).
bool ForceForegroundWindow(HWND window);

// Dispatches the calling thread's pending messages until the queue is empty (0) or
// until eleven have been dispatched since the process-wide count was last reset
// (11, and the count starts again). A call that empties the queue keeps its count,
// so a busy loop that pumps often still yields back after eleven messages.
int PumpPendingMessages();

// Opens an http or https address in the user's browser; anything else (files,
// programs, script addresses) is refused. True when the address was handed on.
bool OpenUrlInBrowser(const std::wstring& address);
