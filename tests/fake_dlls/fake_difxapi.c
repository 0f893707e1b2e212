#include "fake_common.h"

typedef VOID(WINAPI* LogCallback)(int, DWORD, PCWSTR, PVOID);
static LogCallback g_callback = NULL;

__declspec(dllexport) VOID WINAPI DIFXAPISetLogCallbackW(LogCallback callback, PVOID context) {
    (void)context;
    g_callback = callback;
}

#ifndef FAKE_DIFX_WITHOUT_ENTRIES

__declspec(dllexport) DWORD WINAPI DriverPackageInstallW(PCWSTR infPath, DWORD flags, const void* installerInfo,
                                                         BOOL* needReboot) {
    (void)installerInfo;
    wchar_t line[2048];
    swprintf(line, 2048, L"install|%ls|%lu|%ls", infPath ? infPath : L"", (unsigned long)flags,
             g_callback ? L"callback" : L"nocallback");
    FakeLogCall(line);
    if (g_callback) g_callback(1, 0, L"fake install", NULL);
    if (needReboot) *needReboot = FALSE;
    DWORD result = 0;
    DWORD lastError = 0;
    FakeReadAnswer(L"HALVENOR_FAKE_DIFX_INSTALL", 0, &result, &lastError);
    SetLastError(lastError);
    return result;
}

__declspec(dllexport) DWORD WINAPI DriverPackagePreinstallW(PCWSTR infPath, DWORD flags) {
    wchar_t line[2048];
    swprintf(line, 2048, L"preinstall|%ls|%lu", infPath ? infPath : L"", (unsigned long)flags);
    FakeLogCall(line);
    DWORD result = 0;
    DWORD lastError = 0;
    FakeReadAnswer(L"HALVENOR_FAKE_DIFX_PREINSTALL", 0, &result, &lastError);
    SetLastError(lastError);
    return result;
}

#endif

#ifdef FAKE_DIFX_FAILS_TO_LOAD
/* Stands for a library that is missing or broken: loading it fails. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
}
#endif
