// Time from process start to its main window visible: the program against a
// minimal Win32 program that only shows a window (the floor), alternating, in one
// run. Needs a display.
// Run: wine startup_bench.exe [program] [floor] [runs]
//   defaults: ..\program\halvenor.exe and minimal_window.exe beside this file, 5 runs.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    RECT rect{};
    GetWindowRect(window, &rect);
    // The main window, not a tooltip or the splash of a few pixels.
    if (rect.right - rect.left < 300) return TRUE;
    search->found = window;
    return FALSE;
}

// Milliseconds until a large window of the started process is visible; -1 when
// none comes within 60 s.
double TimeToWindow(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %ls (%lu)\n", program.c_str(), GetLastError());
        return -1;
    }
    double elapsed = -1;
    for (;;) {
        Search search{process.dwProcessId, nullptr};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        const double ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        if (search.found != nullptr) {
            elapsed = ms;
            break;
        }
        if (ms > 60000 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring program = argc > 1 ? argv[1] : OwnFolder() + L"..\\program\\halvenor.exe";
    const std::wstring floor = argc > 2 ? argv[2] : OwnFolder() + L"minimal_window.exe";
    const int runs = argc > 3 ? _wtoi(argv[3]) : 5;

    // One start of each first: the program's very first start sets up its data.
    TimeToWindow(floor);
    TimeToWindow(program);
    std::vector<double> programTimes, floorTimes;
    for (int i = 0; i < runs; ++i) {
        floorTimes.push_back(TimeToWindow(floor));
        programTimes.push_back(TimeToWindow(program));
        // The program's single-instance name goes with its process; give it a moment.
        Sleep(200);
    }
    for (int i = 0; i < runs; ++i) std::printf("run %d: floor %.0f ms, program %.0f ms\n", i + 1, floorTimes[i], programTimes[i]);
    const double floorMedian = Median(floorTimes);
    const double programMedian = Median(programTimes);
    std::printf("median to main window visible: floor %.0f ms, halvenor %.0f ms (%.1fx)\n", floorMedian, programMedian,
                floorMedian > 0 ? programMedian / floorMedian : 0.0);
    return programMedian < 0 ? 1 : 0;
}
