#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "screens/scan/scan_screens/scan_screens_host.h"
#include "screens/scan/scan_worker/scan_worker.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/list_controls.h"

// The page the main window shows while a scan runs: heading, progress band,
// progress bar, the list of scanned devices and the Stop button. It owns the scan
// worker; the worker reaches the page's controls only through the page's queue,
// which the window thread empties.
class CDlgScan2Scanning : public CDlgChildBase, private ScanPageView {
public:
    static constexpr UINT kStartTimer = 100;
    static constexpr UINT kElapsedTimer = 10001;

    explicit CDlgScan2Scanning(ScanScreensHost& host);
    ~CDlgScan2Scanning() override;

    // The main window shows the page: texts back to zero, the worker starts 100 ms
    // later (timer 100). A scan that still runs is not started again.
    void OnShownByMainWindow();
    void ResetProgressTexts() override;

    ScanWorker& Worker() { return *worker_; }
    // What the paint shows.
    int Percent() const { return percent_; }
    int DevicesScanned() const { return devicesScanned_; }
    const std::wstring& ElapsedText() const { return elapsedText_; }
    // The device list's rows, column 0.
    int ListRows() const;
    std::wstring ListRowText(int row) const;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Navigator;

    // ScanPageView, called on the worker's thread (and a few on the window's).
    HWND ProgressBar() override;
    HWND StatusLabel() override;
    void SetScanStatusText(const std::wstring& text, bool show) override;
    void AddScannedDevice(const std::wstring& name, const std::wstring& status, int percent, int count) override;
    void ClearDeviceRows() override;
    void SetStopEnabled(bool enabled) override;
    void StartElapsedTimer() override;
    void StopElapsedTimer() override;
    bool AskStopScan(const std::wstring& question) override;
    void ShowServiceError(const std::wstring& text) override;

    // Runs `action` on the window thread, after what was queued before it.
    void RunOnWindowThread(std::function<void()> action);
    void RunQueued();
    void AppendListRow(const std::wstring& first, const std::wstring& second);
    void OnTimer(UINT_PTR id);
    void Layout();
    void Paint();
    RECT ProgressBand() const;

    ScanScreensHost& host_;
    std::unique_ptr<Navigator> navigator_;
    std::unique_ptr<ScanWorker> worker_;
    CHalHoverButtonWithText stopButton_;
    CCustomListCtrl deviceList_;

    std::mutex queueLock_;
    std::deque<std::function<void()>> queue_;
    bool turnPosted_ = false;  // under queueLock_
    bool scrollToLastRow_ = false;  // a row was added in this queue turn

    // Window thread only.
    std::wstring deviceName_;
    std::wstring deviceStatus_;
    int percent_ = 0;
    int devicesScanned_ = 0;
    std::wstring elapsedText_ = L"00:00";
    SYSTEMTIME startTime_{};
};
