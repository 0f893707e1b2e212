/* Shared by the stand-ins of the install libraries: the test chooses each call's
   answer through environment variables ("<result>,<last error>") and can ask for a
   line per call in a log file, so it sees what reached the library. */
#pragma once

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static inline void FakeReadAnswer(const wchar_t* variable, long defaultResult, DWORD* result, DWORD* lastError) {
    wchar_t text[64] = {0};
    *result = (DWORD)defaultResult;
    *lastError = 0;
    if (GetEnvironmentVariableW(variable, text, 64) == 0) return;
    wchar_t* comma = NULL;
    *result = (DWORD)wcstoul(text, &comma, 0);
    if (comma != NULL && *comma == L',') *lastError = (DWORD)wcstoul(comma + 1, NULL, 0);
}

static inline void FakeLogCall(const wchar_t* line) {
    wchar_t path[MAX_PATH] = {0};
    if (GetEnvironmentVariableW(L"HALVENOR_FAKE_LOG", path, MAX_PATH) == 0) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    char utf8[4096];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8) - 1, NULL, NULL);
    if (bytes > 0) {
        utf8[bytes - 1] = '\n';
        DWORD written = 0;
        WriteFile(file, utf8, (DWORD)bytes, &written, NULL);
    }
    CloseHandle(file);
}
