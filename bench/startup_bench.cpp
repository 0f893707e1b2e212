// Time from process start to the program's first window (the splash) and to its
// main window visible: the program against a minimal Win32 program that only shows a window (the floor), alternating, in one
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

// The main window and the bare window are 783 px wide, the splash 443 px; tooltips
// and other small windows are left out.
constexpr int kFirstWindowMinWidth = 300;
constexpr int kMainWindowMinWidth = 700;

struct Search {
    DWORD processId;
    int widest = 0;  // the widest visible window of the process, 0 for none
};

BOOL CALLBACK FindVisible(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    RECT rect{};
    GetWindowRect(window, &rect);
    search->widest = std::max(search->widest, static_cast<int>(rect.right - rect.left));
    return TRUE;
}

struct StartTimes {
    double firstWindow = -1;  // the first thing a user sees: the splash, or the window itself
    double mainWindow = -1;
};

// Milliseconds until the started process shows its first window and its main
// window; -1 for one that does not come within 60 s.
StartTimes TimeToWindows(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    StartTimes times;
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %ls (%lu)\n", program.c_str(), GetLastError());
        return times;
    }
    for (;;) {
        Search search{process.dwProcessId};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        const double ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        if (times.firstWindow < 0 && search.widest >= kFirstWindowMinWidth) times.firstWindow = ms;
        if (search.widest >= kMainWindowMinWidth) {
            times.mainWindow = ms;
            break;
        }
        if (ms > 60000 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return times;
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
    TimeToWindows(floor);
    TimeToWindows(program);
    std::vector<double> floorTimes, firstTimes, mainTimes;
    for (int i = 0; i < runs; ++i) {
        floorTimes.push_back(TimeToWindows(floor).mainWindow);
        const StartTimes times = TimeToWindows(program);
        firstTimes.push_back(times.firstWindow);
        mainTimes.push_back(times.mainWindow);
        std::printf("run %d: floor %.0f ms, program first window %.0f ms, main window %.0f ms\n", i + 1,
                    floorTimes.back(), firstTimes.back(), mainTimes.back());
        // The program's single-instance name goes with its process; give it a moment.
        Sleep(200);
    }
    const double floorMedian = Median(floorTimes);
    const double firstMedian = Median(firstTimes);
    const double mainMedian = Median(mainTimes);
    const auto ratio = [floorMedian](double value) { return floorMedian > 0 ? value / floorMedian : 0.0; };
    std::printf("medians: bare window %.0f ms; halvenor first window %.0f ms (%.1fx), main window %.0f ms (%.1fx)\n",
                floorMedian, firstMedian, ratio(firstMedian), mainMedian, ratio(mainMedian));
    return mainMedian < 0 ? 1 : 0;
}
