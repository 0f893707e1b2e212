#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/owned_thread.h"
#include "screens/manage/backup_restore/wizard_steps.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/list_controls.h"

// Step 1: the backup archives, newest first; restore or delete one, and what to do
// when a restored driver needs a restart.
class CDlgRestore1Home : public WizardPage {
public:
    explicit CDlgRestore1Home(CDlgBkpRstoreParent& wizard);
    ~CDlgRestore1Home() override;

    void OnRestoreNow();
    void OnDeleteBackup();
    // Lists the archives on a thread of its own.
    void StartListing();
    void WaitForListing() { listing_.Join(); }
    CCustomListCtrl& List() { return list_; }
    CHalHoverButtonWithText& RestoreNowButton() { return restoreNow_; }
    CHalHoverButtonWithText& DeleteButton() { return delete_; }

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    void OnCommand(UINT id, UINT code) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    void ListArchives();
    int SelectedRow() const;

    CCustomListCtrl list_;
    CHalHoverButtonWithText restoreNow_;
    CHalHoverButtonWithText delete_;
    OwnedThread listing_;
};

// Step 2: the drivers of the chosen archive in a check-box tree.
class CDlgRestore2Select : public WizardTreePage {
public:
    static constexpr UINT_PTR kLoadTimer = 224;
    static constexpr DWORD kDebounceMs = 1024;

    explicit CDlgRestore2Select(CDlgBkpRstoreParent& wizard);
    ~CDlgRestore2Select() override;

    void OnStartRestore();
    void WaitForLoad() { loader_.Join(); }
    // The archive could not be read (or its working folder not emptied).
    bool LoadFailed() const { return loadFailed_; }
    CHalHoverButtonWithText& RestoreButton() { return restore_; }

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(UINT id, UINT code) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    void LoadArchive();

    CHalHoverButtonWithText restore_;
    OwnedThread loader_;
    bool visible_ = false;
    bool loadFailed_ = false;
    bool clickStamped_ = false;
    DWORD lastClick_ = 0;
};

// Step 3: the restore runs on a thread of its own.
class CDlgRestore3Driver : public WizardProgressPage {
public:
    static constexpr UINT_PTR kStartTimer = 225;

    explicit CDlgRestore3Driver(CDlgBkpRstoreParent& wizard);
    ~CDlgRestore3Driver() override;
    void WaitForWorker() { worker_.Join(); }
    // The pauses around the run; tests shorten them.
    DWORD pauseMs = 1000;

protected:
    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void OnShown(bool shown) override;
    void OnTimer(UINT_PTR id) override;

private:
    void RunRestore();

    OwnedThread worker_;
};

// Step 4: the result with its counts, then the restart when one is needed.
class CDlgRestore4Finish : public WizardFinishPage {
public:
    static constexpr UINT_PTR kRestartPromptTimer = 2260021;

    explicit CDlgRestore4Finish(CDlgBkpRstoreParent& wizard);
    bool AllRestored() const { return allRestored_; }

protected:
    BOOL OnInitDialog() override;
    void Paint(HDC dc, const RECT& client) override;
    void OnShown(bool shown) override;
    void OnTimer(UINT_PTR id) override;
    bool Succeeded() const override { return allRestored_; }

private:
    bool allRestored_ = false;
};
