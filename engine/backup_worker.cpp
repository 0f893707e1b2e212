#include "engine/backup_worker.h"

#include <windows.h>

#include "engine/backup_restore_runs.h"
#include "engine/driver_scanner_app.h"
#include "foundation/clock.h"
#include "foundation/folders.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "scan/driver_scan_update.h"

namespace {

std::atomic<bool> g_backupRunning{false};

class RunningMark {
public:
    RunningMark() : acquired_(!g_backupRunning.exchange(true)) {}
    ~RunningMark() {
        if (acquired_) g_backupRunning.store(false);
    }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;
    bool Acquired() const { return acquired_; }

private:
    bool acquired_;
};

}  // namespace

BackupRunOutcome BackupWorker::Run(const BackupRunSettings& settings) {
    const RunningMark running;
    if (!running.Acquired()) return {};
    try {
        return RunBody(settings);
    } catch (...) {
        BackupRunOutcome outcome;
        outcome.ran = true;
        return outcome;
    }
}

void BackupWorker::MarkStopRequested() { stopRequested_.store(true); }

void BackupWorker::RequestStop() {
    MarkStopRequested();
    report_.StopAnimation();
    record_.operationKind = CDriverScanUpdate::kBackupOperation;
    try {
        record_.StartEngineOperationAndWait(false, engine_);
    } catch (...) {
    }
}

BackupArchiveJob BackupWorker::JobFor(const BackupRunSettings& settings, const std::wstring& backupFolder) {
    BackupArchiveJob job;
    job.backupFolder = backupFolder;
    job.workingFolder = record_.temporaryWorkFolder;
    job.backupList = settings.backupList;
    job.saveBackupList = settings.saveBackupList;
    job.stopRequested = &stopRequested_;
    job.report = &report_;
    job.freeSpace = settings.freeSpace;
    job.makeName = settings.makeName;
    return job;
}

BackupRunOutcome BackupWorker::RunBody(const BackupRunSettings& settings) {
    BackupRunOutcome outcome;
    outcome.ran = true;
    outcome.backupFolder = settings.backupFolder;
    stopRequested_.store(false);
    report_.ShowStatus(L"IDS_BCK_COMPLETED");

    // A working folder that cannot be emptied would mix an old run into this one.
    const std::wstring& workingFolder = record_.temporaryWorkFolder;
    if (!DeleteWorkFolder(workingFolder) || !CreateFolderTree(workingFolder)) {
        report_.ShowStatus(L"BACKUPDLG4_1");
        return outcome;
    }

    record_.backupRestore.backupDone = 0;
    if (!StopRequested()) {
        DriverBackupRuns(record_, engine_).BackupSelectedDrivers(settings.choice);
    } else if (engine_.StopRequested(EngineCode::kBackupStopRequest)) {
        // The pass that would have answered the stop never starts; answer it here.
        engine_.AcknowledgeStop();
    }
    if (record_.backupRestore.backupCancelled != 0) stopRequested_.store(true);
    outcome.passFinished = record_.backupRestore.backupDone != 0;
    if (!outcome.passFinished) {
        outcome.stopped = StopRequested();
        if (outcome.stopped) DeleteWorkFolder(workingFolder);
        report_.ShowStatus(L"BACKUPDLG4_1");
        return outcome;
    }

    if (!StopRequested()) report_.ShowStatus(L"IDS_BCK_COMPRESS");
    report_.EnableStop(false);
    report_.ShowDetail(L"IDS_COMPRESS_BCKUP");
    const int result = BuildBackupArchive(JobFor(settings, settings.backupFolder), &outcome.archivePath);
    report_.StopAnimation();

    bool failed = false;
    if (result == BackupArchiveResult::kNoSpace) {
        failed = !RetryInAnotherFolder(settings, outcome);
    } else if (result == BackupArchiveResult::kFailed) {
        failed = true;
        report_.ShowStatus(L"BACKUPDLG4_1");
    } else {
        report_.ShowStatus(StopRequested() ? L"BACKUPDLG4_1" : L"BACKUPDLG4");
    }
    outcome.stopped = StopRequested();
    outcome.failed = failed || outcome.stopped;
    if (!outcome.failed) {
        WriteUserSystemTime(AppClock().LocalTime(), kProductKeyPath, L"LastBackupTime");
    }
    return outcome;
}

bool BackupWorker::RetryInAnotherFolder(const BackupRunSettings& settings, BackupRunOutcome& outcome) {
    if (!report_.AskYesNo(L"IDS_BACKUP_INSUFFI_SPACE")) {
        report_.ShowStatus(L"IDS_ABORTING_BAK2");
        return false;
    }
    report_.ShowStatus(L"IDS_INSUFFI_SPACE");
    std::wstring folder;
    if (!report_.ChooseNewBackupFolder(folder) || folder.empty()) {
        report_.ShowStatus(L"IDS_ABORTING_BAK2");
        return false;
    }
    const int result = BuildBackupArchive(JobFor(settings, folder), &outcome.archivePath);
    report_.ShowStatus(L"IDS_BCK_COMPRESS");
    if (result == BackupArchiveResult::kNoSpace) {
        report_.ShowError(L"IDS_BACKUP_ABORT");
        report_.ShowStatus(L"IDS_ABORTING_BAK2");
        return false;
    }
    if (result == BackupArchiveResult::kFailed) {
        report_.ShowStatus(L"BACKUPDLG4_1");
        return false;
    }
    SetUserRegistryValue(true, kProductKeyPath, L"Backup Path", folder, 0, 1);
    outcome.backupFolder = folder;
    report_.ShowStatus(StopRequested() ? L"BACKUPDLG4_1" : L"BACKUPDLG4");
    return true;
}
