#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"

#include "platform/ui/gdi.h"
#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/toolkit_context.h"

CDlgBkpRstoreParent::CDlgBkpRstoreParent(BackupRestoreHost& host)
    : CDlgChildBase(IDD_BKP_RSTORE_PARENT),
      host_(host),
      backupType_(*this),
      backupDevices_(*this),
      backupProgress_(*this),
      backupFinish_(*this),
      restoreList_(*this),
      restoreSelect_(*this),
      restoreProgress_(*this),
      restoreFinish_(*this) {}

CDlgBkpRstoreParent::~CDlgBkpRstoreParent() {
    // The workers write into the pages and the engine: they end first.
    backupProgress_.WaitForThreads();
    restoreList_.WaitForListing();
    restoreSelect_.WaitForLoad();
    restoreProgress_.WaitForWorker();
    CDriverScanUpdate& engine = host_.ScanUpdate();
    engine.backupProgress = nullptr;
    engine.restoreProgress = nullptr;
}

BOOL CDlgBkpRstoreParent::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    const RECT client = ClientRect();
    struct Tab {
        CHalHoverButtonWithText& button;
        const wchar_t* key;
        int id;
        int x;
    };
    for (const Tab& tab : {Tab{backupTab_, L"TABBTN2", IDC_TAB_BACKUP, 28}, Tab{restoreTab_, L"TABBTN3", IDC_TAB_RESTORE, 190}}) {
        tab.button.Create(PageText(tab.key), WS_CHILD | BS_OWNERDRAW, {tab.x, 21, tab.x + 153, 49}, Handle(), tab.id);
        tab.button.m_width = 153;
        tab.button.m_height = 28;
    }
    CDlgChildBase* pages[] = {&backupType_,  &backupDevices_, &backupProgress_, &backupFinish_,
                              &restoreList_, &restoreSelect_, &restoreProgress_, &restoreFinish_};
    for (CDlgChildBase* page : pages) {
        page->Create(Handle());
        page->MoveTo(0, 0, client.right, client.bottom);
    }
    ShowBackupTab();
    for (CHalHoverButtonWithText* tab : {&backupTab_, &restoreTab_}) {
        tab->Show(SW_HIDE);
        tab->Enable(false);
    }
    return TRUE;
}

void CDlgBkpRstoreParent::SelectTab(CHalHoverButtonWithText& tab) {
    for (CHalHoverButtonWithText* button : {&backupTab_, &restoreTab_}) {
        button->m_bLatched = false;
        button->Invalidate(true);
    }
    tab.m_bLatched = true;
}

void CDlgBkpRstoreParent::ShowBackupTab() {
    SelectTab(backupTab_);
    ShowChildPage(backupType_);
}

void CDlgBkpRstoreParent::ShowRestoreTab() {
    SelectTab(restoreTab_);
    ShowChildPage(restoreList_);
}

void CDlgBkpRstoreParent::ShowChildPage(CDlgChildBase& page) {
    if (current_ == &page) {
        RedrawWindow(page.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return;
    }
    if (current_ != nullptr) {
        current_->Enable(false);
        current_->Show(SW_HIDE);
    }
    current_ = &page;
    page.Enable(true);
    page.Show(SW_SHOWNORMAL);
}

void CDlgBkpRstoreParent::OnSubPage(UINT id) {
    switch (id) {
    case 115: ShowChildPage(backupType_); break;
    case 116: ShowChildPage(backupDevices_); break;
    case 117: ShowChildPage(backupProgress_); break;
    case 118: ShowChildPage(backupFinish_); break;
    case 119: ShowChildPage(restoreList_); break;
    case 120: ShowChildPage(restoreSelect_); break;
    case 121: ShowChildPage(restoreProgress_); break;
    case 122: ShowChildPage(restoreFinish_); break;
    case kStartBackupTimer:
        // The scan page's run for a backup of the machine has its devices: the
        // backup starts from step 1 as its Next would start it.
        ShowBackupTab();
        backupType_.StartBackup();
        break;
    case IDC_TAB_BACKUP: ShowBackupTab(); break;
    case IDC_TAB_RESTORE: ShowRestoreTab(); break;
    default: break;
    }
}

void CDlgBkpRstoreParent::OnBackupInventoryTaken(bool devicesFound) {
    if (devicesFound && backupType_.Exists() && backupDevices_.Exists()) {
        // The device tree fills now, so that a partial backup shows it at once.
        backupDevices_.SetTimer(CDlgBackup2Home::kFillTimer, 27);
        // As a click of Next, which the page tells from a menu command by its sender.
        PostMessageW(backupType_.Handle(), WM_COMMAND, MAKEWPARAM(IDC_BKP1_NEXT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(backupType_.NextButton().Handle()));
        return;
    }
    host_.EnableNavigation(true);
    ::SetTimer(host_.MainWindow(), 115, 90, nullptr);
}

void CDlgBkpRstoreParent::SizePages() {
    const RECT client = ClientRect();
    CDlgChildBase* pages[] = {&backupType_,  &backupDevices_, &backupProgress_, &backupFinish_,
                              &restoreList_, &restoreSelect_, &restoreProgress_, &restoreFinish_};
    for (CDlgChildBase* page : pages) {
        if (page->Exists()) page->MoveTo(0, 0, client.right, client.bottom);
    }
}

LRESULT CDlgBkpRstoreParent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintBufferedOnWhite(Handle(), nullptr);
        return 0;
    }
    case WM_SIZE: {
        const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
        SizePages();
        return result;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_TAB_BACKUP) ShowBackupTab();
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_TAB_RESTORE) ShowRestoreTab();
        break;
    default:
        break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
