#include "screens/scan/download_install/download_install_page.h"

#include "engine/driver_install_engine.h"
#include "engine/system_restore_point.h"
#include "foundation/language_strings.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_shortcuts.h"
#include "scan/scan_request_facts.h"
#include "screens/scan/download_install/dlg_nag_download_and_install.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"

void ProgramDownloadInstallHost::EnableNavigation(bool enable) {
    if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->EnableNavigation(enable ? TRUE : FALSE);
}

void ProgramDownloadInstallHost::SetBusy(bool busy) { AppBusy().operationRunning = busy; }
CDriverScanUpdate& ProgramDownloadInstallHost::ScanUpdate() { return HvApp()->ScanUpdate(); }
CDriverScannerApp& ProgramDownloadInstallHost::ScannerApp() { return HvApp()->ScannerApp(); }

std::map<std::wstring, std::wstring>& ProgramDownloadInstallHost::DownloadedFiles() {
    return HvApp()->DownloadsList();
}

bool ProgramDownloadInstallHost::SaveDownloadedFiles() {
    return HvApp()->SaveItemList(static_cast<int>(CDriverOptimizerApp::ListKind::Downloads));
}

std::wstring ProgramDownloadInstallHost::DownloadFolder() { return HvApp()->DownloadFolder(); }
std::wstring ProgramDownloadInstallHost::DataFolder() { return HvApp()->DataFolder(); }
ScanRequestFacts ProgramDownloadInstallHost::RequestFacts() { return CollectScanRequestFacts(CurrentProgramIdentity()); }

bool ProgramDownloadInstallHost::RequestDownloadInformation(std::wstring& request, std::wstring& answer) {
    return HvApp()->ServiceHelper().RequestDriverDownloadInformation(request, answer);
}

int ProgramDownloadInstallHost::ShowMessage(HWND owner, const std::wstring& text, UINT style) {
    return CurrentAppSystem().ShowMessageBox(owner, text, GetAppTitle(), style);
}

bool ProgramDownloadInstallHost::CreateRestorePoint(const std::wstring& description) {
    return ::CreateRestorePoint(description);
}

std::wstring ProgramDownloadInstallHost::BackupFolder() { return HvApp()->BackupFolder(); }
BackupList& ProgramDownloadInstallHost::Backups() { return HvApp()->BackupsList(); }

bool ProgramDownloadInstallHost::SaveBackups() {
    return HvApp()->SaveItemList(static_cast<int>(CDriverOptimizerApp::ListKind::Backups));
}

void ProgramDownloadInstallHost::PrepareInstallSession(DriverInstallSession& session) {
    session.helperFolder = HvApp()->HelperFolders()[7];
    session.programFolder = HvApp()->UpdaterFolder();
}

int ProgramDownloadInstallHost::ShowRestartPrompt() { return ::ShowRestartPrompt(); }

void ProgramDownloadInstallHost::ResultsChanged() {
    // The results page refreshes itself on its timer 102.
    if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) {
        MainPage* results = main->Page(MainPageId::Results);
        if (results != nullptr && results->Window() != nullptr) ::SetTimer(results->Window(), 102, 27, nullptr);
    }
}

void ProgramDownloadInstallHost::ShowInstallStep() {
    if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->SubHeader().SetCaptionAndTab(227, 0);
}

DownloadInstallMainPage::DownloadInstallMainPage() = default;
DownloadInstallMainPage::~DownloadInstallMainPage() = default;

HWND DownloadInstallMainPage::Create(HWND mainWindow, const RECT& place) {
    host_ = std::make_unique<ProgramDownloadInstallHost>(mainWindow);
    page_ = std::make_unique<CDlgNagDownloadAndInstall>(*host_);
    if (!page_->Create(mainWindow)) return nullptr;
    page_->MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
    page_->Show(SW_HIDE);
    return page_->Handle();
}

HWND DownloadInstallMainPage::Window() const { return page_ ? page_->Handle() : nullptr; }
