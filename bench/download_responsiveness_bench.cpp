// How quickly the window thread answers a sent message while the downloader fetches
// a large file from a loopback server of its own with the production pauses, the
// progress written into a control of that window as the download window's is,
// against the same probe with the window thread idle in the same run.
// Run: wine download_responsiveness_bench.exe [MiB] [connections]
//   defaults: 256 MiB, 4 connections, blocks of 524288 bytes.

// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/download_job.h"
#include "engine/wininet_entry_points.h"
#include "bench/window_probe.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

BOOL WINAPI AlwaysOnline(LPDWORD flags, DWORD) {
    *flags = INTERNET_CONNECTION_LAN;
    return TRUE;
}

// Probes the window while `work` runs on a thread of its own and the window thread
// pumps; `work` sets `done` when it ends.
std::vector<double> ProbeDuring(HWND window, const std::function<void(std::atomic<bool>&)>& work) {
    std::atomic<bool> stop{false}, done{false}, probed{false};
    std::vector<double> times;
    std::thread probe([&] {
        times = ProbeWindow(window, stop);
        probed = true;
    });
    std::thread worker([&] { work(done); });
    PumpMessagesUntil([&done] { return done.load(); }, 600000);
    stop = true;
    PumpMessagesUntil([&probed] { return probed.load(); }, 10000);
    worker.join();
    probe.join();
    return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int mebibytes = argc > 1 ? std::max(1, _wtoi(argv[1])) : 256;
    const int connections = argc > 2 ? std::max(1, _wtoi(argv[2])) : 4;
    SetConnectedStateProbe(&AlwaysOnline);

    std::string content(static_cast<std::size_t>(mebibytes) << 20, '\0');
    std::mt19937 random(7);
    for (std::size_t i = 0; i < content.size(); i += 4) {
        const std::uint32_t value = random();
        std::memcpy(content.data() + i, &value, std::min<std::size_t>(4, content.size() - i));
    }
    HttpStandInServer server;
    server.Files().PutFile("/package.bin", content);
    if (!server.Start()) return 1;
    ScopedTempFolder folder;
    std::wstring unconfirmed;
    if (!PrepareDownloadTarget(folder.File(L"package.bin"), unconfirmed, false)) return 1;

    // A window of the download window's size whose text the progress reports set
    // from the transfer's threads, so every report waits for the window thread.
    TestHostWindow window(540, 300);
    HWND progressText = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 500, 20, window.Handle(),
                                        nullptr, nullptr, nullptr);

    ReportProbes(L"idle window thread", ProbeDuring(window.Handle(), [](std::atomic<bool>& done) {
               Sleep(2000);
               done = true;
           }));

    int result = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const auto during = ProbeDuring(window.Handle(), [&](std::atomic<bool>& done) {
        DownloadJob job;
        result = RunDownload(job, server.Url("/package.bin"), unconfirmed, L"", connections, false, 524288,
                             [progressText](const DownloadProgressInfo& info) {
                                 if (!info.text.empty()) SetWindowTextW(progressText, info.text.c_str());
                                 return true;
                             });
        done = true;
    });
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::wprintf(L"download of %d MiB with %d connections: result %d in %.2f s (%.1f MiB/s)\n", mebibytes,
                 connections, result, seconds, mebibytes / seconds);
    ReportProbes(L"during the download", during);
    SetConnectedStateProbe(nullptr);
    return result == 1 ? 0 : 1;
}
