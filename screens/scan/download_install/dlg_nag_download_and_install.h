#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/download_job.h"
#include "engine/download_progress.h"
#include "engine/owned_thread.h"
#include "shell/progress_controls.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/list_controls.h"

class CDriverScanUpdate;
class DownloadInstallHost;

// The page that updates drivers: for one chosen driver or for every selected one it
// downloads the packages, backs up what is installed (with a restore point first)
// and installs them, one stage thread after another; a status list records every
// step. At the end it offers the restart prompt.
class CDlgNagDownloadAndInstall : public CDlgChildBase, public DownloadProgressWindow {
public:
    static constexpr UINT_PTR kSingleDownloadTimer = 108;
    static constexpr UINT_PTR kAllDownloadsTimer = 109;
    static constexpr UINT_PTR kBackupTimer = 112;
    static constexpr UINT_PTR kCloseTimer = 120;
    static constexpr UINT_PTR kSingleDownloadDoneTimer = 120000212;
    static constexpr UINT_PTR kAllDownloadsDoneTimer = 120000213;
    static constexpr UINT_PTR kRestartPromptTimer = 20110730;
    static constexpr UINT kArmTimerMessage = WM_APP + 161;
    static constexpr UINT kArmMainTimerMessage = WM_APP + 162;
    static constexpr UINT kAppendRowMessage = WM_APP + 163;
    static constexpr UINT kClearRowsMessage = WM_APP + 164;

    // The stage being run.
    static constexpr int kStageSingleDownload = 1;
    static constexpr int kStageAllDownloads = 2;
    static constexpr int kStageBackup = 4;

    // What DownloadOneDriver comes to.
    static constexpr int kDownloaded = 1;
    static constexpr int kFailed = 0;
    static constexpr int kSkipped = 2;
    static constexpr int kStopped = -1;
    static constexpr int kServiceUnreachable = -2;
    static constexpr int kResultsOutOfDate = -3;
    static constexpr int kNoOfferedDriver = -5;

    explicit CDlgNagDownloadAndInstall(DownloadInstallHost& host);
    ~CDlgNagDownloadAndInstall() override;

    // The results page's start: the device indexes of the chosen rows. With
    // `updateAll` every one of them is downloaded in turn, then all are backed up and
    // installed; without it only the first.
    void StartDownloads(const std::vector<int>& deviceIndexes, bool updateAll);
    // Rows whose packages are downloaded already: straight to backup and install.
    void StartInstall(const std::vector<int>& deviceIndexes, bool updateAll);

    // The stages (each on a stage thread).
    int DownloadOneDriver(int deviceIndex);
    // 1 verified; 0 failed; -1 stopped; -4 the digest differed twice (file deleted);
    // -6 the target could not be written.
    int DownloadAndVerify(const std::wstring& url, const std::wstring& target, const std::wstring& digest);
    // 1 downloaded; 0 failed; -6 the target could not be written.
    int StartDownloadJob(const std::wstring& url, const std::wstring& target);
    void BackupBeforeInstall();
    void InstallDownloaded();
    // The list emptied, Stop shown, Close hidden, the stage's first row.
    void ResetDownloadWindow();
    // Stop hidden, Close shown.
    void FinishDownloadWindow();

    void OnStop();
    void OnClose();

    // DownloadProgressWindow (also called by the stages).
    bool IsOpen() const override { return IsWindow(Handle()) != FALSE; }
    bool Cancelled() const override { return stopRequested_.load() != 0; }
    int PackageCount() const override { return total_.load(); }
    int CurrentPackageNumber() const override { return current_.load(); }
    void SetOverallPercent(int percent) override;
    void AppendStatusRow(const std::wstring& text, bool newRow, bool log) override;
    HWND ProgressBar() const;

    // For the window's own tests and the program's status.
    std::vector<std::wstring> StatusRows() const;
    std::wstring StatusLine() const;
    std::wstring ResultText() const;
    bool StageRunning() const { return stageRunning_.load(); }
    // Close shown and Stop hidden.
    bool ShowsFinished() const;
    // The archive of the last backup stage; empty when none was made.
    std::wstring LastBackupArchive() const;
    // Whether the last backup stage showed its success (the install empties the
    // result text after it).
    bool BackupShownAsDone() const { return backupShownAsDone_.load(); }
    CHalHoverButtonWithText& StopButton() { return stop_; }
    CHalHoverButtonWithText& CloseButton() { return close_; }
    // Waits for the stage and stop threads.
    void WaitForThreads();

    // Pauses and limits the tests shorten.
    int connections = 4;
    DWORD pauseBetweenDownloadsMs = 1024;
    DWORD pauseAfterInstallMs = 500;
    // The stop thread waits at most this long for a running job to end.
    DWORD stopWaitLimitMs = 30000;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum class InstallRun { None, Single, All };

    void OnTimer(UINT_PTR id);
    void Layout();
    void Paint(HDC dc, const RECT& client);
    void ArmTimer(UINT_PTR id, UINT milliseconds);
    void ArmMainTimer(UINT id, UINT milliseconds);
    void StartStage(void (CDlgNagDownloadAndInstall::*body)());
    void RunSingleDownload();
    void RunAllDownloads();
    void RunBackupStage();
    void SetStatusLine(const std::wstring& text);
    void SetHeading(const std::wstring& text);
    void SetResultText(const std::wstring& text);
    void SetStopCaption(const wchar_t* key);
    void SetResultState(int deviceIndex, int state);
    int ResultState(int deviceIndex);
    std::wstring DeviceName(int deviceIndex);
    void SetSelectionOnEngine();
    // Ends the stage early: navigation back, the busy flag cleared.
    void EndEarly();
    static int CountPending(CDriverScanUpdate& engine);
    // Notes that `engine` is handed the bar's receiver, and returns it.
    CDriverScanUpdate& ShowProgressOf(CDriverScanUpdate& engine);

    DownloadInstallHost& host_;
    CHalHoverButtonWithText stop_;
    CHalHoverButtonWithText close_;
    CCustomListCtrl list_;

    std::vector<int> selection_;
    bool updateAll_ = false;
    std::atomic<int> stage_{0};
    std::atomic<int> stopRequested_{0};
    std::atomic<bool> stageRunning_{false};
    std::atomic<int> total_{0};
    std::atomic<int> current_{0};
    std::atomic<int> downloadedCount_{0};
    std::atomic<bool> downloadsCompleted_{false};
    std::atomic<bool> installing_{false};
    std::atomic<bool> backupShownAsDone_{false};
    InstallRun installRun_ = InstallRun::None;
    std::wstring osIdText_;

    // The engine's backup and install runs shown on the progress bar; the engine it
    // was handed to forgets it when the window goes.
    ProgressControls barProgress_;
    std::atomic<CDriverScanUpdate*> progressEngine_{nullptr};
    DownloadJob job_;
    OwnedThread stageThread_;
    OwnedThread stopThread_;

    mutable std::mutex textLock_;
    std::wstring statusLine_;
    std::wstring lastBackupArchive_;
    // The window thread's own.
    int rowSlot_ = 0;
    bool slotHoldsProgress_ = false;
    RECT statusRect_{};
};
