#include "engine/wininet_entry_points.h"

#include <atomic>

namespace {

std::atomic<ConnectedStateProbe> g_probe{nullptr};

template <typename Pointer>
void Resolve(HMODULE module, Pointer& pointer, const char* name) {
    pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

WinInetEntryPoints::~WinInetEntryPoints() { Free(); }

bool WinInetEntryPoints::Load() {
    Free();
    module = LoadLibraryW(L"wininet.dll");
    if (!module) return false;
    Resolve(module, InternetGetConnectedState, "InternetGetConnectedState");
    Resolve(module, InternetCloseHandle, "InternetCloseHandle");
    Resolve(module, InternetSetStatusCallback, "InternetSetStatusCallback");
    Resolve(module, InternetSetFilePointer, "InternetSetFilePointer");
    Resolve(module, InternetGetLastResponseInfoW, "InternetGetLastResponseInfoW");
    Resolve(module, HttpSendRequestW, "HttpSendRequestW");
    Resolve(module, HttpQueryInfoW, "HttpQueryInfoW");
    Resolve(module, HttpOpenRequestW, "HttpOpenRequestW");
    Resolve(module, HttpAddRequestHeadersW, "HttpAddRequestHeadersW");
    Resolve(module, InternetConnectW, "InternetConnectW");
    Resolve(module, InternetErrorDlg, "InternetErrorDlg");
    Resolve(module, InternetReadFile, "InternetReadFile");
    Resolve(module, InternetCrackUrlW, "InternetCrackUrlW");
    Resolve(module, InternetOpenW, "InternetOpenW");
    Resolve(module, InternetSetOptionW, "InternetSetOptionW");
    Resolve(module, FtpOpenFileW, "FtpOpenFileW");
    Resolve(module, FtpFindFirstFileW, "FtpFindFirstFileW");
    return true;
}

void WinInetEntryPoints::Free() {
    if (module) FreeLibrary(module);
    module = nullptr;
    InternetGetConnectedState = nullptr;
    InternetCloseHandle = nullptr;
    InternetSetStatusCallback = nullptr;
    InternetSetFilePointer = nullptr;
    InternetGetLastResponseInfoW = nullptr;
    HttpSendRequestW = nullptr;
    HttpQueryInfoW = nullptr;
    HttpOpenRequestW = nullptr;
    HttpAddRequestHeadersW = nullptr;
    InternetConnectW = nullptr;
    InternetErrorDlg = nullptr;
    InternetReadFile = nullptr;
    InternetCrackUrlW = nullptr;
    InternetOpenW = nullptr;
    InternetSetOptionW = nullptr;
    FtpOpenFileW = nullptr;
    FtpFindFirstFileW = nullptr;
}

void SetConnectedStateProbe(ConnectedStateProbe probe) { g_probe = probe; }
ConnectedStateProbe GetConnectedStateProbe() { return g_probe; }

bool HasConnectedState(const WinInetEntryPoints& entryPoints) {
    return g_probe.load() != nullptr || entryPoints.InternetGetConnectedState != nullptr;
}

bool QueryOnline(const WinInetEntryPoints& entryPoints, bool missingCounts) {
    ConnectedStateProbe probe = g_probe.load();
    if (!probe) probe = entryPoints.InternetGetConnectedState;
    if (!probe) return missingCounts;
    DWORD flags = 0;
    if (!probe(&flags, 0)) return false;
    return (flags & (INTERNET_CONNECTION_MODEM | INTERNET_CONNECTION_LAN)) != 0 &&
           (flags & INTERNET_CONNECTION_OFFLINE) == 0;
}
