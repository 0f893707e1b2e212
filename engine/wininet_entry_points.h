#pragma once

#include <windows.h>
#include <wininet.h>

// WinInet is bound by name at run time: a machine without it only loses downloads.
struct WinInetEntryPoints {
    HMODULE module = nullptr;
    decltype(&::InternetGetConnectedState) InternetGetConnectedState = nullptr;
    decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
    decltype(&::InternetSetStatusCallback) InternetSetStatusCallback = nullptr;
    decltype(&::InternetSetFilePointer) InternetSetFilePointer = nullptr;
    decltype(&::InternetGetLastResponseInfoW) InternetGetLastResponseInfoW = nullptr;
    decltype(&::HttpSendRequestW) HttpSendRequestW = nullptr;
    decltype(&::HttpQueryInfoW) HttpQueryInfoW = nullptr;
    decltype(&::HttpOpenRequestW) HttpOpenRequestW = nullptr;
    decltype(&::HttpAddRequestHeadersW) HttpAddRequestHeadersW = nullptr;
    decltype(&::InternetConnectW) InternetConnectW = nullptr;
    decltype(&::InternetErrorDlg) InternetErrorDlg = nullptr;
    decltype(&::InternetReadFile) InternetReadFile = nullptr;
    decltype(&::InternetCrackUrlW) InternetCrackUrlW = nullptr;
    decltype(&::InternetOpenW) InternetOpenW = nullptr;
    decltype(&::InternetSetOptionW) InternetSetOptionW = nullptr;
    decltype(&::FtpOpenFileW) FtpOpenFileW = nullptr;
    decltype(&::FtpFindFirstFileW) FtpFindFirstFileW = nullptr;

    WinInetEntryPoints() = default;
    ~WinInetEntryPoints();
    WinInetEntryPoints(const WinInetEntryPoints&) = delete;
    WinInetEntryPoints& operator=(const WinInetEntryPoints&) = delete;

    // "wininet.dll" and every entry point; a missing one stays null.
    bool Load();
    void Free();
};

// Tests cannot take the machine off line, so the connected-state answer can be
// replaced process-wide; nullptr restores WinInet's own answer.
using ConnectedStateProbe = BOOL(WINAPI*)(LPDWORD flags, DWORD reserved);
void SetConnectedStateProbe(ConnectedStateProbe probe);
ConnectedStateProbe GetConnectedStateProbe();

// Online: the modem or LAN bit without the offline bit. `missingCounts` is the
// answer when WinInet offers no connected-state call.
bool QueryOnline(const WinInetEntryPoints& entryPoints, bool missingCounts);
bool HasConnectedState(const WinInetEntryPoints& entryPoints);
