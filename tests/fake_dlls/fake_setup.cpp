// A stand-in for a driver package's setup program: it notes that it ran, with its
// arguments, in the call log and then stays at work for HALVENOR_FAKE_SETUP_MS
// milliseconds, so tests see both a setup that ends and one that is still running.
#include "fake_common.h"

int wmain(int argc, wchar_t** argv) {
    wchar_t line[2048] = L"setup";
    for (int i = 1; i < argc; ++i) {
        wcsncat(line, L"|", 2047 - wcslen(line));
        wcsncat(line, argv[i], 2047 - wcslen(line));
    }
    FakeLogCall(line);
    wchar_t text[32] = {0};
    if (GetEnvironmentVariableW(L"HALVENOR_FAKE_SETUP_MS", text, 32) != 0) Sleep(wcstoul(text, NULL, 10));
    return 0;
}
