#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "engine/backup_worker.h"
#include "engine/owned_thread.h"
#include "screens/manage/backup_restore/wizard_steps.h"
#include "shell/toolkit/gui_buttons.h"

// Step 1: a full or a partial backup.
class CDlgBackup1Type : public WizardPage {
public:
    explicit CDlgBackup1Type(CDlgBkpRstoreParent& wizard);
    void StartBackup();
    CHalHoverButtonWithText& NextButton() { return next_; }

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void Paint(HDC dc, const RECT& client) override;
    void OnCommand(UINT id, UINT code) override;

private:
    CHalHoverButtonWithText next_;
};

// Step 2 of a partial backup: the devices in a check-box tree.
class CDlgBackup2Home : public WizardTreePage {
public:
    static constexpr UINT_PTR kFillTimer = 20110803;
    static constexpr DWORD kDebounceMs = 1024;

    explicit CDlgBackup2Home(CDlgBkpRstoreParent& wizard);
    void OnNext();
    void ShowItemDetails(HTREEITEM item);
    // Enables Next again once a backup run has ended.
    void EnableNext() { next_.Enable(true); }
    CHalHoverButtonWithText& NextButton() { return next_; }
    bool PageShown() const { return shown_; }

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(UINT id, UINT code) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ClearDetails();
    RECT IconRect() const;

    CHalHoverButtonWithText next_;
    ui::ScopedBrush bandBrush_;
    HTREEITEM detailItem_ = nullptr;
    bool shown_ = false;
    bool fillStamped_ = false;
    DWORD lastFill_ = 0;
    bool nextStamped_ = false;
    DWORD lastNext_ = 0;
    std::mutex nextLock_;
};

// Step 3: the backup runs on a thread of its own; Stop asks it to end.
class CDlgBackup3DriverBkp : public WizardProgressPage, public BackupRunReport {
public:
    static constexpr UINT_PTR kStartTimer = 222;

    explicit CDlgBackup3DriverBkp(CDlgBkpRstoreParent& wizard);
    ~CDlgBackup3DriverBkp() override;

    void OnStop();
    // Waits until the backup thread and the stop thread have ended.
    void WaitForThreads();
    std::wstring StatusText() const;
    CHalHoverButtonWithText& StopButton() { return stop_; }
    // The pause between showing the page and starting the run; tests shorten it.
    DWORD startDelayMs = 1000;

    // BackupRunReport, called by the backup thread.
    void ShowStatus(const wchar_t* key) override;
    void ShowDetail(const wchar_t* key) override;
    void EnableStop(bool enabled) override;
    void StopAnimation() override;
    void ShowError(const wchar_t* key) override;
    bool AskYesNo(const wchar_t* key) override;
    bool ChooseNewBackupFolder(std::wstring& folder) override;

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(UINT id, UINT code) override;

private:
    void RunBackupThread();
    void SetStatusText(const std::wstring& text);

    CHalHoverButtonWithText stop_;
    std::unique_ptr<BackupWorker> worker_;
    OwnedThread thread_;
    OwnedThread stopThread_;
    mutable std::mutex statusLock_;
    std::wstring statusText_;
    RECT statusRect_{};
};

// Step 4: the result with its counts.
class CDlgBackup4Finish : public WizardFinishPage {
public:
    explicit CDlgBackup4Finish(CDlgBkpRstoreParent& wizard);
    bool ShowsFailure() const { return failed_; }

protected:
    BOOL OnInitDialog() override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    bool Succeeded() const override { return !failed_; }

private:
    HWND tooltip_ = nullptr;
    bool failed_ = false;
};
