#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/backup_archive.h"
#include "engine/download_job.h"
#include "engine/download_progress.h"
#include "engine/owned_thread.h"
#include "scan/scan_request_facts.h"

class CDriverScanUpdate;
class CDriverScannerApp;
class EngineProgress;
struct DriverInstallSession;

// What a stage of an update run, or the download of one driver, comes to.
enum class UpdateRunResult {
    kDone,                // every driver of the stage went through it
    kNothingDone,         // nothing to do, nothing downloaded, or no usable download folder
    kFailed,              // a download or an install failed
    kConnectionLost,      // a download failed because the connection went
    kSkipped,             // the service has no package for the driver
    kStopped,
    kServiceUnreachable,
    kResultsOutOfDate,    // the service's database is newer than the scan's
    kNoOfferedDriver,
    kNoRoomForBackup,     // the drivers were backed up, but the archive could not be saved
};

// What an update run needs of the program around it.
class UpdateRunServices {
public:
    virtual ~UpdateRunServices() = default;

    virtual CDriverScanUpdate& ScanUpdate() = 0;
    virtual CDriverScannerApp& ScannerApp() = 0;
    // The program's downloaded-files map ("Download.dat"); used only while
    // DownloadedFilesLock() is held.
    virtual std::map<std::wstring, std::wstring>& DownloadedFiles() = 0;
    virtual bool SaveDownloadedFiles() = 0;
    virtual std::wstring DownloadFolder() = 0;

    virtual ScanRequestFacts RequestFacts() = 0;
    // One GetDriverDownloadInformation call; true when an answer came.
    virtual bool RequestDownloadInformation(std::wstring& request, std::wstring& answer) = 0;

    virtual bool CreateRestorePoint(const std::wstring& description) = 0;
    // Where backups before an update go and how they are recorded.
    virtual std::wstring BackupFolder() = 0;
    virtual BackupList& Backups() = 0;
    virtual bool SaveBackups() = 0;
    // Fills the folders and seams of an install session.
    virtual void PrepareInstallSession(DriverInstallSession& session) = 0;
};

// What a running update tells whoever shows it; called from the run's thread.
class UpdateRunProgress {
public:
    virtual ~UpdateRunProgress() = default;
    // False once nobody shows the run any more.
    virtual bool Showing() const = 0;
    // A status row. Without `newRow` the text replaces the row of the file being
    // fetched, so progress texts do not pile up; with `log` it also goes to the log.
    virtual void ShowRow(const std::wstring& text, bool newRow, bool log) = 0;
    virtual void ShowPercent(int percent) = 0;
    // The stage's heading, which is also its status line.
    virtual void ShowHeading(const std::wstring& text) = 0;
    virtual void ShowStatusLine(const std::wstring& text) = 0;
    // The line under the bar that tells how the backup went.
    virtual void ShowResultText(const std::wstring& text) = 0;
    // A download stage (or the install) starts its rows afresh, Stop offered.
    virtual void BeginRows(bool downloading) = 0;
    // The backup starts: Stop becomes Skip.
    virtual void BeginBackup() = 0;
    // The install starts: Stop again, and the navigation stays off.
    virtual void BeginInstall() = 0;
    // A driver's result row moved on (1 downloaded, 2 installed, 0 to fetch again);
    // the screen keeps it with the last scan.
    virtual void SetResultState(int deviceIndex, int state) = 0;
    // Where the engine's backup and install runs show their percent.
    virtual EngineProgress& Bar() = 0;
};

// One update of the drivers the user chose: their packages downloaded and
// verified, the installed drivers backed up behind a restore point, the packages
// installed. Each stage runs on the caller's thread and reports through the
// progress; Stop may come from any other thread.
class UpdateRun final : public DownloadProgressWindow {
public:
    UpdateRun(UpdateRunServices& services, UpdateRunProgress& progress);
    ~UpdateRun() override;
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // The device indexes of the chosen rows: every one with `all`, else the first.
    // The backup before the update takes its devices from the engine's list, which
    // this fills.
    void Choose(const std::vector<int>& deviceIndexes, bool all);
    // The chosen packages are on disk already: the run goes to the backup.
    void TakeDownloadsAsDone();
    bool AllDrivers() const { return all_; }

    // The download stage of the chosen drivers. kDone: the backup may follow.
    UpdateRunResult DownloadChosen();
    UpdateRunResult DownloadOneDriver(int deviceIndex);

    // Between the downloads and the backup.
    void PrepareBackup(bool afterAllDownloads);
    // The restore point and the backup. kStopped when skipped, kDone when an
    // archive was made.
    UpdateRunResult BackUp();
    // The install follows the backup on the same thread.
    bool InstallFollows() const { return installFollows_; }
    UpdateRunResult Install();
    // After the install: the restart is worth offering.
    bool RestartAdvised() const { return restartAdvised_; }

    // Ends what runs: the download job, or the engine's backup.
    void Stop();
    bool StopRequested() const { return stopRequested_.load() != 0; }
    void ClearStop() { stopRequested_ = 0; }
    // Stops a job that still runs and waits for the stop thread.
    void Cancel();
    void WaitForStop() { stopThread_.Join(); }

    // The archive of the last backup stage; empty when none was made.
    std::wstring LastBackupArchive() const;
    // Whether the last backup stage showed its success.
    bool BackupShownAsDone() const { return backupShownAsDone_.load(); }

    // DownloadProgressWindow: the download engine's progress reaches the screen.
    bool IsOpen() const override;
    bool Cancelled() const override { return StopRequested(); }
    int PackageCount() const override { return total_.load(); }
    int CurrentPackageNumber() const override { return current_.load(); }
    void SetOverallPercent(int percent) override;
    void AppendStatusRow(const std::wstring& text, bool newRow, bool log) override;

    // Pauses and limits the tests shorten.
    int connections = 4;
    DWORD pauseBetweenDownloadsMs = 1024;
    DWORD pauseAfterInstallMs = 500;
    // The stop thread waits at most this long for a running job to end.
    DWORD stopWaitLimitMs = 30000;

private:
    enum class Phase { kIdle, kDownloading, kBackingUp, kInstalling };
    // What fetching one package comes to.
    enum class Fetch { kVerified, kStopped, kJobFailed, kDigestDiffers, kNotWritable };

    UpdateRunResult DownloadSingle();
    UpdateRunResult DownloadAll();
    UpdateRunResult FetchPackage(int deviceIndex, const std::wstring& url, const std::wstring& digest,
                                 const std::wstring& folder, const std::wstring& key);
    std::wstring ReadyPackage(const std::wstring& key, const std::wstring& digest,
                              std::map<std::wstring, std::wstring>& known);
    // The file at `target` has the digest; after two mismatches it is deleted.
    Fetch DownloadAndVerify(const std::wstring& url, const std::wstring& target, const std::wstring& digest);
    Fetch StartDownloadJob(const std::wstring& url, const std::wstring& target);
    void Row(const std::wstring& text) { progress_.ShowRow(text, true, true); }
    void MarkResult(int deviceIndex, int state) { progress_.SetResultState(deviceIndex, state); }
    int ResultState(int deviceIndex) const;
    std::wstring DeviceName(int deviceIndex) const;
    EngineProgress& HandBarTo(EngineProgress*& target);

    UpdateRunServices& services_;
    UpdateRunProgress& progress_;
    std::vector<int> chosen_;
    bool all_ = false;
    std::wstring osIdText_;

    std::atomic<Phase> phase_{Phase::kIdle};
    std::atomic<int> stopRequested_{0};
    std::atomic<int> total_{0};
    std::atomic<int> current_{0};
    std::atomic<int> downloaded_{0};
    std::atomic<bool> downloadsCompleted_{false};
    std::atomic<bool> installFollows_{false};
    std::atomic<bool> restartAdvised_{false};
    std::atomic<bool> backupShownAsDone_{false};
    std::atomic<bool> detached_{false};
    // The engine's progress targets this run set, so it can take them back.
    EngineProgress* handedBar_ = nullptr;

    DownloadJob job_;
    OwnedThread stopThread_;
    mutable std::mutex textLock_;
    std::wstring lastBackupArchive_;
};
