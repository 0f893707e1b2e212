#include "screens/manage/backup_restore/backup_restore_page.h"

#include "engine/system_restore_point.h"
#include "foundation/language_strings.h"
#include "foundation/modal_prompts.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"

void ProgramBackupRestoreHost::EnableNavigation(bool enable) {
    if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->EnableNavigation(enable ? TRUE : FALSE);
}

void ProgramBackupRestoreHost::CheckInternetAndContinue() {
    if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->CheckInternetAndContinue();
}

bool ProgramBackupRestoreHost::RequestBackupInventory() {
    return requestInventory_ && requestInventory_(mainWindow_);
}

void ProgramBackupRestoreHost::SetBusy(bool busy) { AppBusy().operationRunning = busy; }

CDriverScanUpdate& ProgramBackupRestoreHost::ScanUpdate() { return HvApp()->ScanUpdate(); }
CDriverScannerApp& ProgramBackupRestoreHost::ScannerApp() { return HvApp()->ScannerApp(); }
BackupList& ProgramBackupRestoreHost::Backups() { return HvApp()->BackupsList(); }

bool ProgramBackupRestoreHost::SaveBackups() {
    return HvApp()->SaveItemList(static_cast<int>(CDriverOptimizerApp::ListKind::Backups));
}

std::wstring ProgramBackupRestoreHost::BackupFolder() { return HvApp()->BackupFolder(); }
void ProgramBackupRestoreHost::SetBackupFolder(const std::wstring& folder) { HvApp()->SetBackupFolder(folder); }
std::wstring ProgramBackupRestoreHost::DefaultBackupFolder() { return HvApp()->DefaultBackupFolder(); }

int ProgramBackupRestoreHost::ShowMessage(HWND owner, const std::wstring& text, UINT style) {
    return CurrentAppSystem().ShowMessageBox(owner, text, GetAppTitle(), style);
}

bool ProgramBackupRestoreHost::ChooseFolder(HWND owner, std::wstring& folder) {
    const ScopedPopupBusy popup;
    return HvApp()->BrowseForFolder(owner, folder);
}

int ProgramBackupRestoreHost::ShowRestartPrompt() { return ::ShowRestartPrompt(); }
void ProgramBackupRestoreHost::RestartWindows() { ::RestartWindows(); }

BackupRestoreMainPage::BackupRestoreMainPage(ProgramBackupRestoreHost::InventoryRequest requestInventory)
    : requestInventory_(std::move(requestInventory)) {}
BackupRestoreMainPage::~BackupRestoreMainPage() = default;

HWND BackupRestoreMainPage::Create(HWND mainWindow, const RECT& place) {
    host_ = std::make_unique<ProgramBackupRestoreHost>(mainWindow, requestInventory_);
    page_ = std::make_unique<CDlgBkpRstoreParent>(*host_);
    if (!page_->Create(mainWindow)) return nullptr;
    page_->MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
    page_->Show(SW_HIDE);
    return page_->Handle();
}

HWND BackupRestoreMainPage::Window() const { return page_ ? page_->Handle() : nullptr; }

void BackupRestoreMainPage::OnSubPage(UINT id) {
    if (page_) page_->OnSubPage(id);
}
