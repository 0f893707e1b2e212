#pragma once

// The probe of the responsiveness benches: how quickly a window's thread answers a
// sent message, sampled every 20 ms.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

// Sends WM_NULL to `window` every 20 ms until `stop`; the answer times in ms.
inline std::vector<double> ProbeWindow(HWND window, const std::atomic<bool>& stop) {
    std::vector<double> times;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    while (!stop.load()) {
        LARGE_INTEGER from, to;
        DWORD_PTR result = 0;
        QueryPerformanceCounter(&from);
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        QueryPerformanceCounter(&to);
        times.push_back(static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart));
        Sleep(20);
    }
    return times;
}

inline void ReportProbes(const wchar_t* what, std::vector<double> times) {
    if (times.empty()) {
        std::wprintf(L"%ls: no probes\n", what);
        return;
    }
    std::sort(times.begin(), times.end());
    std::wprintf(L"%ls: %zu probes, median %.2f ms, 99th %.2f ms, max %.2f ms\n", what, times.size(),
                 times[times.size() / 2], times[times.size() * 99 / 100], times.back());
}
