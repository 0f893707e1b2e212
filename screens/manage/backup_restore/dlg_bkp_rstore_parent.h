#pragma once

#include <windows.h>

#include "screens/manage/backup_restore/backup_pages.h"
#include "screens/manage/backup_restore/restore_pages.h"
#include "screens/manage/backup_restore/wizard_page.h"
#include "shell/toolkit/gui_buttons.h"

class BackupRestoreHost;

// The backup and restore page of the main window: it holds both wizards and shows
// one of their eight pages at a time. Its own two tab buttons stay hidden; the main
// window's sub-header and page timers choose what it shows.
class CDlgBkpRstoreParent : public CDlgChildBase {
public:
    explicit CDlgBkpRstoreParent(BackupRestoreHost& host);
    ~CDlgBkpRstoreParent() override;

    void ShowBackupTab();
    void ShowRestoreTab();
    // The page switch: a page already shown is only repainted.
    void ShowChildPage(CDlgChildBase& page);
    // Main-window page timers 115 to 122 and 134 (start the backup), and the
    // sub-header's tabs 1010 and 5210.
    static constexpr UINT kStartBackupTimer = 134;
    void OnSubPage(UINT id);
    // The scan page has taken the inventory that step 1 asked for: with devices
    // step 1 goes on as if Next were clicked again; without, it is shown again.
    void OnBackupInventoryTaken(bool devicesFound);
    CDlgChildBase* CurrentPage() const { return current_; }

    BackupRestoreHost& Host() const { return host_; }
    BackupWizardState& State() { return state_; }

    CDlgBackup1Type& BackupType() { return backupType_; }
    CDlgBackup2Home& BackupDevices() { return backupDevices_; }
    CDlgBackup3DriverBkp& BackupProgress() { return backupProgress_; }
    CDlgBackup4Finish& BackupFinish() { return backupFinish_; }
    CDlgRestore1Home& RestoreList() { return restoreList_; }
    CDlgRestore2Select& RestoreSelect() { return restoreSelect_; }
    CDlgRestore3Driver& RestoreProgress() { return restoreProgress_; }
    CDlgRestore4Finish& RestoreFinish() { return restoreFinish_; }
    CHalHoverButtonWithText& BackupTabButton() { return backupTab_; }
    CHalHoverButtonWithText& RestoreTabButton() { return restoreTab_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SizePages();
    void SelectTab(CHalHoverButtonWithText& tab);

    BackupRestoreHost& host_;
    BackupWizardState state_;
    CDlgChildBase* current_ = nullptr;
    CDlgBackup1Type backupType_;
    CDlgBackup2Home backupDevices_;
    CDlgBackup3DriverBkp backupProgress_;
    CDlgBackup4Finish backupFinish_;
    CDlgRestore1Home restoreList_;
    CDlgRestore2Select restoreSelect_;
    CDlgRestore3Driver restoreProgress_;
    CDlgRestore4Finish restoreFinish_;
    CHalHoverButtonWithText backupTab_;
    CHalHoverButtonWithText restoreTab_;
};
