#pragma once

#include <atomic>
#include <string>

#include "engine/backup_archive.h"
#include "engine/backup_restore_runs.h"

class CDriverScanUpdate;
class CDriverScannerApp;

// What a backup run came to; the finish page reads it.
struct BackupRunOutcome {
    bool ran = false;           // false when another backup was already running
    bool passFinished = false;  // the engine's copy pass ran to its end
    bool failed = true;         // a stopped run counts as failed
    bool stopped = false;
    std::wstring archivePath;   // the archive made, empty without one
    std::wstring backupFolder;  // where the run put it (another folder when the user picked one)
};

// Where a backup run keeps its archives and lists them. The working folder is the
// engine's temporary work folder, which its copy pass fills.
struct BackupRunSettings {
    BackupChoice choice;
    std::wstring backupFolder;
    BackupList* backupList = nullptr;
    std::function<bool()> saveBackupList;
    std::function<int64_t(const std::wstring&)> freeSpace = FreeBytesOfFolder;
    std::function<BackupArchiveName()> makeName = [] { return MakeBackupArchiveName(); };
};

// The backup wizard's worker: empties the working folder, lets the engine copy the
// drivers of the run into it, packs it into a dated archive, records the archive and
// "LastBackupTime". The progress page starts Run on a thread of its own and calls
// RequestStop from its Stop button. Only one run at a time in the process.
class BackupWorker {
public:
    BackupWorker(CDriverScanUpdate& record, CDriverScannerApp& engine, BackupRunReport& report)
        : record_(record), engine_(engine), report_(report) {}
    BackupWorker(const BackupWorker&) = delete;
    BackupWorker& operator=(const BackupWorker&) = delete;

    BackupRunOutcome Run(const BackupRunSettings& settings);

    // The Stop button, on the UI thread: the run stops before its next step.
    void MarkStopRequested();
    // The stop thread: marks the stop again, asks the engine to stop its pass and
    // waits until it has (never on the UI thread).
    void RequestStop();
    bool StopRequested() const { return stopRequested_.load(); }

private:
    BackupRunOutcome RunBody(const BackupRunSettings& settings);
    BackupArchiveJob JobFor(const BackupRunSettings& settings, const std::wstring& backupFolder);
    // The user may pick another folder when the first had too little room.
    bool RetryInAnotherFolder(const BackupRunSettings& settings, BackupRunOutcome& outcome);

    CDriverScanUpdate& record_;
    CDriverScannerApp& engine_;
    BackupRunReport& report_;
    std::atomic<bool> stopRequested_{false};
};
