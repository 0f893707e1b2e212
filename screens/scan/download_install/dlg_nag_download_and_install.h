#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/owned_thread.h"
#include "engine/update_run.h"
#include "platform/scoped_handle.h"
#include "screens/scan/download_install/download_status_list.h"
#include "shell/progress_controls.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/list_controls.h"

class DownloadInstallHost;

// The page that updates drivers: for one chosen driver or for every selected one it
// downloads the packages, backs up what is installed (with a restore point first)
// and installs them, one stage thread after another; a status list records every
// step. At the end it offers the restart prompt.
class CDlgNagDownloadAndInstall : public CDlgChildBase, public UpdateRunProgress {
public:
    // The step the window's one stage timer takes next.
    enum class Stage {
        kIdle,
        kSingleDownload,
        kAllDownloads,
        kDownloadsDone,  // on to the backup
        kBackup,         // the backup, and the install on the same thread
        kRestartPrompt,
        kClose,          // an early end: back to the results
    };
    static constexpr UINT_PTR kStageTimer = 108;
    static constexpr UINT kArmStageMessage = WM_APP + 161;
    static constexpr UINT kArmMainTimerMessage = WM_APP + 162;
    static constexpr UINT kAppendRowMessage = WM_APP + 163;
    static constexpr UINT kClearRowsMessage = WM_APP + 164;
    static constexpr UINT kShowInstallStepMessage = WM_APP + 165;
    // Makes the download-information request of DownloadInfoRequest() on the window's
    // own thread; the request event is signalled when an answer came.
    static constexpr UINT kDownloadInfoRequestMessage = WM_APP + 160;

    explicit CDlgNagDownloadAndInstall(DownloadInstallHost& host);
    ~CDlgNagDownloadAndInstall() override;

    // The results page's start: the device indexes of the chosen rows. With
    // `updateAll` every one of them is downloaded in turn, then all are backed up and
    // installed; without it only the first.
    void StartDownloads(const std::vector<int>& deviceIndexes, bool updateAll);
    // Rows whose packages are downloaded already: straight to backup and install.
    void StartInstall(const std::vector<int>& deviceIndexes, bool updateAll);

    // The list emptied, Stop shown, Close hidden, the stage's first row.
    void ResetDownloadWindow(bool downloading);
    // Stop hidden, Close shown.
    void FinishDownloadWindow();
    void OnStop();
    void OnClose();

    // UpdateRunProgress (also used by the window itself).
    bool Showing() const override { return IsWindow(Handle()) != FALSE; }
    void ShowRow(const std::wstring& text, bool newRow, bool log) override;
    void ShowPercent(int percent) override;
    void ShowHeading(const std::wstring& text) override;
    void ShowStatusLine(const std::wstring& text) override;
    void ShowResultText(const std::wstring& text) override;
    void BeginRows(bool downloading) override { ResetDownloadWindow(downloading); }
    void BeginBackup() override;
    void BeginInstall() override;
    void SetResultState(int deviceIndex, int state) override;
    EngineProgress& Bar() override { return barProgress_; }

    UpdateRun& Run() { return run_; }
    HWND ProgressBar() const;
    // For the window's own tests and the program's status.
    std::vector<std::wstring> StatusRows() const { return rows_.Rows(); }
    std::wstring StatusLine() const;
    std::wstring ResultText() const;
    bool StageRunning() const { return stageRunning_.load(); }
    // Close shown and Stop hidden.
    bool ShowsFinished() const;
    // The request and answer of kDownloadInfoRequestMessage, its event, and
    // kServiceUnreachable when the service could not be reached.
    std::wstring& DownloadInfoRequest() { return infoRequest_; }
    const std::wstring& DownloadInfoAnswer() const { return infoAnswer_; }
    HANDLE DownloadInfoEvent() const { return infoEvent_.Get(); }
    UpdateRunResult DownloadInfoResult() const { return infoResult_.load(); }
    HWND CloseTooltip() const { return tooltip_; }
    CHalHoverButtonWithText& StopButton() { return stop_; }
    CHalHoverButtonWithText& CloseButton() { return close_; }
    // Waits for the stage and stop threads.
    void WaitForThreads();

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnStageTimer();
    void RequestDownloadInfoHere();
    void Layout();
    void Paint(HDC dc, const RECT& client);
    // Safe from any thread: the timers belong to the window's thread.
    void ArmStage(Stage next, UINT milliseconds);
    void ArmMainTimer(UINT id, UINT milliseconds);
    void StartStage(Stage stage, void (CDlgNagDownloadAndInstall::*body)());
    void RunDownloads();
    void RunBackupAndInstall();
    void EndDownloads(UpdateRunResult result);
    void EndInstall(UpdateRunResult result);
    void SetStopCaption(const wchar_t* key);
    bool OnWindowThread() const;
    // Ends the stage early: navigation back, the busy flag cleared.
    void EndEarly();

    DownloadInstallHost& host_;
    CHalHoverButtonWithText stop_;
    CHalHoverButtonWithText close_;
    CCustomListCtrl list_;
    DownloadStatusList rows_;
    // The engine's backup and install runs shown on the progress bar.
    ProgressControls barProgress_;
    UpdateRun run_;

    std::atomic<Stage> next_{Stage::kIdle};
    std::atomic<bool> stageRunning_{false};
    OwnedThread stageThread_;

    mutable std::mutex textLock_;
    std::wstring statusLine_;
    RECT statusRect_{};
    HWND tooltip_ = nullptr;
    std::wstring infoRequest_;
    std::wstring infoAnswer_;
    UniqueHandle infoEvent_;
    std::atomic<UpdateRunResult> infoResult_{UpdateRunResult::kDone};
};
