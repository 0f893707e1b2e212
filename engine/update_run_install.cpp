// The backup and install stages of an update run, and its stop.
#include "engine/update_run.h"

#include "engine/backup_restore_runs.h"
#include "engine/driver_install_engine.h"
#include "engine/driver_scanner_app.h"
#include "engine/package_file_name.h"
#include "engine/update_run_texts.h"
#include "foundation/clock.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "platform/checked_format.h"
#include "platform/path_checks.h"
#include "scan/driver_scan_update.h"

namespace update_run {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

std::wstring TextWithTitle(const wchar_t* key) { return FormatChecked(LangText(key), {GetProductTitle()}); }

void PausePumping(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

}  // namespace update_run

using update_run::LangText;
using update_run::TextWithTitle;

void UpdateRun::Stop() {
    stopRequested_ = 1;
    const Phase phase = phase_.load();
    if (phase == Phase::kDownloading) {
        // Waits only on a job that runs, and never for ever; a job that the stage
        // thread starts just after the click is stopped too.
        stopThread_.Start([this] {
            const ULONGLONG end = GetTickCount64() + stopWaitLimitMs;
            while (phase_ == Phase::kDownloading && GetTickCount64() < end) {
                if (job_.running) {
                    StopRunningDownload(job_, static_cast<DWORD>(end - GetTickCount64()));
                } else {
                    Sleep(20);
                }
            }
        });
    } else if (phase == Phase::kBackingUp) {
        stopThread_.Start([this] {
            CDriverScanUpdate& engine = services_.ScanUpdate();
            engine.operationKind = CDriverScanUpdate::kBackupOperation;
            engine.StartEngineOperationAndWait(false, services_.ScannerApp());
        });
    }
}

std::wstring UpdateRun::LastBackupArchive() const {
    std::lock_guard<std::mutex> lock(textLock_);
    return lastBackupArchive_;
}

void UpdateRun::PrepareBackup(bool afterAllDownloads) {
    downloadsCompleted_ = true;
    stopRequested_ = 0;
    progress_.ShowPercent(0);
    HandBarTo(services_.ScanUpdate().backupProgress);
    if (afterAllDownloads) services_.ScannerApp().SetStatusCode(35);
}

UpdateRunResult UpdateRun::BackUp() {
    phase_ = Phase::kBackingUp;
    installFollows_ = false;
    progress_.BeginBackup();
    progress_.ShowResultText(L"");
    progress_.ShowPercent(0);
    CDriverScanUpdate& engine = services_.ScanUpdate();
    HandBarTo(engine.backupProgress);

    Row(TextWithTitle(L"IDS_CURRDRIVER_BCKUP"));
    Row(LangText(L"IDS_CREATE_RESTORE_POINT"));
    services_.CreateRestorePoint(GetProductTitle());
    progress_.ShowStatusLine(TextWithTitle(L"IDS_STRING_WHILE_BACKUP_IN_DWNL"));

    std::wstring archive;
    bool noRoom = false;
    const std::wstring& working = engine.temporaryWorkFolder;
    if (!stopRequested_ && !working.empty() && DeleteWorkFolder(working) && CreateFolderTree(working)) {
        DriverBackupRuns(engine, services_.ScannerApp()).BackupDriversBeforeUpdate();
        if (engine.backupRestore.backupCancelled != 0) stopRequested_ = 1;
        if (engine.backupRestore.backupDone != 0 && engine.backupRestore.backupSuccess != 0 && !stopRequested_) {
            BackupArchiveJob job;
            job.backupFolder = services_.BackupFolder();
            job.workingFolder = working;
            job.backupList = &services_.Backups();
            job.saveBackupList = [this] { return services_.SaveBackups(); };
            const int packed = BuildBackupArchive(job, &archive);
            if (packed == BackupArchiveResult::kNoSpace) {
                noRoom = true;
            } else if (packed == BackupArchiveResult::kDone && !archive.empty()) {
                WriteUserSystemTime(AppClock().LocalTime(), kProductKeyPath, L"LastBackupTime");
            }
        }
        if (stopRequested_) DeleteWorkFolder(working);
    }
    {
        std::lock_guard<std::mutex> lock(textLock_);
        lastBackupArchive_ = archive;
    }
    const bool stopped = stopRequested_ != 0;
    // Success is shown only for an archive that exists.
    backupShownAsDone_ = !archive.empty() && FileExists(archive);
    if (backupShownAsDone_) {
        progress_.ShowResultText(LangText(L"IDS_BAK_COPMLETED"));
        Row(LangText(L"IDS_BAK_COMP_SUCESS"));
    } else {
        progress_.ShowResultText(LangText(L"IDS_BAK_ABORTED"));
    }
    stopRequested_ = 0;
    // A skipped or failed backup does not keep the downloaded drivers from their install.
    if (downloadsCompleted_ && downloaded_ > 0) {
        downloadsCompleted_ = false;
        installFollows_ = true;
    }
    phase_ = Phase::kIdle;
    if (noRoom) return UpdateRunResult::kNoRoomForBackup;
    if (stopped) return UpdateRunResult::kStopped;
    return backupShownAsDone_ ? UpdateRunResult::kDone : UpdateRunResult::kNothingDone;
}

UpdateRunResult UpdateRun::Install() {
    phase_ = Phase::kInstalling;
    restartAdvised_ = false;
    progress_.BeginInstall();
    progress_.ShowPercent(0);
    progress_.ShowResultText(L"");
    progress_.ShowHeading(TextWithTitle(L"SCANDLG4"));
    Sleep(100);
    std::vector<int> devices;
    for (size_t i = 0; i < chosen_.size(); ++i) {
        if (!all_ && i > 0) break;
        if (ResultState(chosen_[i]) == 1) devices.push_back(chosen_[i]);
    }
    if (!devices.empty()) {
        progress_.BeginRows(false);
        stopRequested_ = 0;
    }

    CDriverScanUpdate& engine = services_.ScanUpdate();
    DriverInstallSession session(engine, services_.ScannerApp());
    services_.PrepareInstallSession(session);
    std::map<std::wstring, std::wstring> downloads;
    {
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        downloads = services_.DownloadedFiles();
    }
    session.downloadsList = &downloads;
    HandBarTo(engine.installProgress);

    bool failed = false;
    bool packageKnown = false;
    total_ = static_cast<int>(devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        if (stopRequested_) break;
        current_ = static_cast<int>(i) + 1;
        const int deviceIndex = devices[i];
        const std::wstring name = DeviceName(deviceIndex);
        Row(LangText(L"IDS_DRIVER_INSSATRT") + L" " + name);
        const DriverInfoRecord& offered = (*engine.OfferedDrivers())[static_cast<size_t>(deviceIndex)];
        const auto found = downloads.find(DownloadedFilesKey(DownloadAddressOf(offered)));
        const auto entry = found != downloads.end() ? ParseDownloadedFilesEntry(found->second) : std::nullopt;
        packageKnown = packageKnown || entry.has_value();
        // The file may have changed on disk since it was verified.
        if (!entry || !PackageReadyToInstall(entry->path, entry->md5)) {
            Row(LangText(L"IDS_DRIVER_INSFAILED") + L" " + name);
            MarkResult(deviceIndex, 0);
            failed = true;
            continue;
        }
        const int result = InstallExtractedPackage(session, deviceIndex);
        if (result == InstallResult::kInstalled) {
            MarkResult(deviceIndex, 2);
            Row(LangText(L"IDS_DRIVER_INSCOMPL") + L" " + name);
            update_run::PausePumping(pauseAfterInstallMs);
        } else {
            Row(LangText(L"IDS_DRIVER_INSFAILED") + L" " + name);
            failed = true;
            if (result == InstallResult::kDownloadMissing) MarkResult(deviceIndex, 0);
        }
    }
    progress_.ShowPercent(100);
    phase_ = Phase::kIdle;
    if (stopRequested_) {
        stopRequested_ = 0;
        return UpdateRunResult::kStopped;
    }
    restartAdvised_ = all_ || packageKnown;
    return failed ? UpdateRunResult::kFailed : UpdateRunResult::kDone;
}
