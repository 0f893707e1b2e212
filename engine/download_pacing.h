#pragma once

#include <windows.h>

#include "platform/message_wait.h"

#include <functional>

// The pauses of a download (between connection starts, before writes, between
// retries) and its request time-outs. Production keeps the defaults; tests replace
// the sleep so that a transfer with retries takes milliseconds, not minutes.
struct DownloadPacing {
    std::function<void(DWORD milliseconds)> sleep;  // empty: a pause on the program's clock
    DWORD requestTimeoutMilliseconds = 150000;
    // How long a download may go without receiving a single byte before it is given
    // up (its resume record stays, so a later try goes on from there).
    DWORD noProgressLimitMilliseconds = 240000;
};

void SetDownloadPacing(DownloadPacing pacing);
DownloadPacing GetDownloadPacing();
void PaceDownload(DWORD milliseconds);
// The same pause, over early once `event` is signalled (given sleeps run in full).
void PaceDownloadUntil(DWORD milliseconds, HANDLE event);
DWORD DownloadRequestTimeout();
DWORD DownloadNoProgressLimit();

