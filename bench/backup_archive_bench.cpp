// Packs a driver folder into a backup archive as a backup run does, and prints the
// best time of a few runs. bench/run_backup_archive_bench makes the folder and
// times Debian's zip on the same folder in the same run.
// Run: wine backup_archive_bench.exe <folder> <archive folder> [runs]
// The folder lies outside the program's work area, so packing leaves it in place.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/backup_archive.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: backup_archive_bench <folder> <archive folder> [runs]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring archives = argv[2];
    const int runs = argc > 3 ? _wtoi(argv[3]) : 3;
    const double bytes = ComputeFolderSize(folder);

    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    double best = 0;
    LARGE_INTEGER archiveSize{};
    for (int run = 0; run < runs; ++run) {
        BackupList list;
        BackupArchiveJob job;
        job.backupFolder = archives;
        job.workingFolder = folder;
        job.backupList = &list;
        job.makeName = [] { return BackupArchiveName{L"bench.zip", L"2026-12-09_09-34-31"}; };
        std::wstring path;
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        QueryPerformanceCounter(&start);
        const int result = BuildBackupArchive(job, &path);
        QueryPerformanceCounter(&end);
        if (result != BackupArchiveResult::kDone) {
            fwprintf(stderr, L"packing failed: %d\n", result);
            return 1;
        }
        const double ms = Milliseconds(start, end, frequency);
        if (run == 0 || ms < best) best = ms;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            archiveSize.LowPart = data.nFileSizeLow;
            archiveSize.HighPart = static_cast<LONG>(data.nFileSizeHigh);
        }
        DeleteFileW(path.c_str());
    }
    wprintf(L"ours: %.0f ms for %.1f MiB (%.1f MiB/s), archive %.1f MiB\n", best, bytes / 1048576.0,
            bytes / 1048576.0 / (best / 1000.0), static_cast<double>(archiveSize.QuadPart) / 1048576.0);
    return 0;
}
