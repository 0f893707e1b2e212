#pragma once

#include <windows.h>
#include <wininet.h>

#include "platform/scoped_handle.h"

struct InternetHandleTraits {
    static HINTERNET Invalid() { return nullptr; }
    static bool Holds(HINTERNET handle) { return handle != nullptr; }
    static bool Close(HINTERNET handle) { return InternetCloseHandle(handle) != FALSE; }
};
using InternetHandle = ScopedHandle<HINTERNET, InternetHandleTraits>;

// One limit for connecting, sending and receiving on a session or request handle.
inline void SetInternetTimeouts(HINTERNET handle, DWORD milliseconds) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(handle, option, &milliseconds, sizeof(milliseconds));
    }
}
