#include "fake_common.h"

__declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesW(HWND parent, LPCWSTR hardwareId,
                                                                     LPCWSTR infPath, DWORD flags,
                                                                     PBOOL needReboot) {
    (void)parent;
    wchar_t line[2048];
    swprintf(line, 2048, L"pnp|%ls|%ls|%lu", hardwareId ? hardwareId : L"", infPath ? infPath : L"",
             (unsigned long)flags);
    FakeLogCall(line);
    if (needReboot) *needReboot = FALSE;
    DWORD result = 0;
    DWORD lastError = 0;
    FakeReadAnswer(L"HALVENOR_FAKE_PNP", 1, &result, &lastError);
    SetLastError(lastError);
    return result ? TRUE : FALSE;
}
