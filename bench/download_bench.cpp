// Fetches one file from a loopback server with the downloader and prints how long
// it took, so that bench/run_download_bench can set it against curl.
// Run: wine download_bench.exe <url> <target path> <connections> <block size> paced|unpaced
// "unpaced" replaces every pause of the transfer (connection starts, writes,
// retries) with none, which shows what the pauses cost.

#include "engine/download_job.h"
#include "engine/download_pacing.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: download_bench <url> <target path> <connections> <block size> paced|unpaced\n");
        return 2;
    }
    const std::wstring url = argv[1];
    const std::wstring target = argv[2];
    const int connections = _wtoi(argv[3]);
    const int blockSize = _wtoi(argv[4]);
    const std::wstring pacingName = argv[5];
    if (pacingName == L"unpaced") {
        DownloadPacing pacing;
        pacing.sleep = [](DWORD) {};
        SetDownloadPacing(pacing);
    } else if (pacingName != L"paced") {
        std::fprintf(stderr, "pacing must be paced or unpaced\n");
        return 2;
    }

    std::wstring unconfirmed;
    if (!PrepareDownloadTarget(target, unconfirmed, false)) {
        std::fprintf(stderr, "cannot clear the target\n");
        return 1;
    }
    DownloadJob job;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int result = RunDownload(job, url, unconfirmed, L"", connections, false, blockSize,
                                   [](const DownloadProgressInfo&) { return true; });
    const bool committed = result == 1 && CommitDownloadedFile(unconfirmed) == 1;
    QueryPerformanceCounter(&end);
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);

    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    long long bytes = 0;
    if (committed && GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &attributes)) {
        bytes = (static_cast<long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    }
    std::printf("result=%d seconds=%.3f bytes=%lld\n", committed ? 1 : 0, seconds, bytes);
    return committed ? 0 : 1;
}
