#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "platform/scoped_handle.h"
#include "platform/worker_thread.h"
#include "scan/update_service_helper.h"
#include "screens/scan/results_rows/results_rows.h"

// The scan page as the worker sees it. The worker calls these on its own thread;
// the page implements them with window calls that reach its UI thread (SetWindowText,
// list messages, PostMessage), never with waits on the UI thread.
class ScanPageView {
public:
    virtual ~ScanPageView() = default;
    // The engine's progress targets; null is allowed.
    virtual HWND ProgressBar() = 0;
    virtual HWND StatusLabel() = 0;
    // Shows the text in the status static when `show`; a non-empty text also
    // becomes a row of the device list.
    virtual void SetScanStatusText(const std::wstring& text, bool show) = 0;
    virtual void AddScannedDevice(const std::wstring& name, const std::wstring& status, int percent, int count) = 0;
    virtual void ClearDeviceRows() = 0;
    virtual void ResetProgressTexts() = 0;
    virtual void SetStopEnabled(bool enabled) = 0;
    virtual void StartElapsedTimer() = 0;
    virtual void StopElapsedTimer() = 0;
    // The stop question on the UI thread: true for Yes.
    virtual bool AskStopScan(const std::wstring& question) = 0;
    // The message box of a failed service call.
    virtual void ShowServiceError(const std::wstring& text) = 0;
};

// What the worker asks of the main window (its timers and navigation).
class ScanNavigator {
public:
    virtual ~ScanNavigator() = default;
    virtual void EnableNavigation(bool enable) = 0;
    virtual void SetBusy(bool busy) = 0;
    // Fill the results page (its timer 102), then show it (main-window timer 137).
    virtual void ShowResultsPage() = 0;
    // Main-window timer 131.
    virtual void ShowHomePage() = 0;
    // A run for the backup wizard has ended, navigation and busy state restored:
    // with `devicesFound` the wizard goes on from its first page with the inventory
    // just taken, else its first page is shown again.
    virtual void BackupInventoryDone(bool devicesFound) = 0;
    // A run in backup mode has ended with navigation and busy state settled: with
    // devices the backup starts (main-window timer 134), else the home page (131).
    virtual void StartBackupOrHome(bool devicesFound) = 0;
};

// The page's elapsed-time text, minutes and seconds since `start` ("%M:%S": the
// hours are left out, so the minutes start again after an hour); nothing when
// either time is no calendar time or `now` lies before `start`.
std::optional<std::wstring> ElapsedScanText(const SYSTEMTIME& start, const SYSTEMTIME& now);

// The scan of the scan page: inventory, request, service call, answer, statistics
// and the page to show afterwards. One run at a time; the page owns the worker.
class ScanWorker {
public:
    ScanWorker(CDriverOptimizerApp& app, CUpdateServiceHelper& service, ScanPageView& page, ScanNavigator& navigator);
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Page timer 100: starts the worker thread. False when a run is still going.
    bool Start();
    // True when no run is going any more.
    bool Wait(DWORD milliseconds);
    bool Running() const { return runCount_.load() > 0; }

    // The Stop button, on the UI thread: the worker halts at its next checkpoint
    // while the question is open; Yes stops the scan, No lets it go on.
    void OnStopClicked();
    void StopScan();

    // Flags the page and the backup wizard set or read.
    std::atomic<bool> stopRequested{false};
    // Set by the backup wizard before the page is shown: the run only takes the
    // inventory and hands it to the wizard; no service call, nothing stored.
    std::atomic<bool> backupInventory{false};
    // Set by the home page's start on a machine set up for driver backups: the run
    // takes the inventory for a backup of the whole machine, which then starts.
    std::atomic<bool> backupMode{false};
    std::atomic<bool> serviceError{false};
    // 1 outdated drivers found, 2 all current, 0 no fresh result.
    std::atomic<int> outcome{0};
    std::atomic<int> shownOutcome{0};
    // Read by the feedback form on the window's thread while a scan may run.
    std::wstring LastRequestText() const {
        const std::lock_guard lock(requestLock_);
        return lastRequest_;
    }

    // The worker's steps; public so that the page's other users (the driver-alert
    // sign-up) and tests reach them.
    int ScanThreadProc();
    int RunScanAndFinish();
    int ScanWorkerBody();
    void BeginScan();
    void SaveScanStatistics(int scanOutcome, bool forced);
    int FinishScanNavigation(bool showResults);
    void WriteLastScanValue(const SYSTEMTIME& start, const SYSTEMTIME& end);
    int SendScanRequest(const std::wstring& text, std::wstring& answer, bool quiet);

    // The driver-alert sign-up's call: the inventory of the last scan in the long
    // form, sent quietly. 1 when the service answered.
    int SendDeviceListRequest();

private:
    class DeviceRelay;

    // Where the worker halts while the stop question is open.
    void Checkpoint();
    void RunInventory();
    void SetStatus(const wchar_t* key, bool show);
    // Puts the previous scan's results back, or leaves none.
    bool RestorePreviousResults();
    // A run for a backup, after the inventory: true when a whole inventory with
    // devices stands; anything less is dropped.
    bool FinishBackupInventory();

    CDriverOptimizerApp& app_;
    CUpdateServiceHelper& service_;
    ScanPageView& page_;
    ScanNavigator& navigator_;
    ResultsRowsContext rows_;

    WorkerThread thread_;
    WorkerThread stopThread_;
    std::atomic<int> runCount_{0};
    std::atomic<int> stopHandling_{0};
    std::atomic<bool> paused_{false};
    std::mutex stopFlagLock_;  // the run's end and the stop thread's late raise
    bool runOpen_ = false;
    UniqueHandle resumeEvent_;  // set while the worker may go on
    mutable std::mutex requestLock_;
    std::wstring lastRequest_;
    // What the run for the backup wizard hands over at its very end; nothing for a scan.
    std::optional<bool> backupHandOver_;
    // A run in backup mode: whether the backup starts (devices found) or the home
    // page comes back, sent at the run's very end.
    std::optional<bool> backupStart_;
};
