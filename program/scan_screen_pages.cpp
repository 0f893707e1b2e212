#include "program/scan_screen_pages.h"

#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/modal_prompts.h"
#include "screens/manage/backup_restore/backup_restore_page.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "screens/scan/download_install/dlg_nag_download_and_install.h"
#include "screens/scan/download_install/download_install_page.h"
#include "screens/scan/scan_screens/dlg_scan2_scanning.h"
#include "screens/scan/scan_screens/html_result_screens.h"
#include "shell/app/app_busy.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"
#include "shell/exclusions/exclusion_list.h"
#include "shell/web_requests/web_request_host.h"

namespace {

constexpr UINT kResultsFillTimer = 102;
constexpr int kUpdateAllChosen = 2;

// One page of the scan screens: its host, then the window over the host.
template <class Page>
class ScanScreenMainPage final : public MainPage {
public:
    explicit ScanScreenMainPage(CHvApp& app) : app_(app) {}
    HWND Create(HWND mainWindow, const RECT& place) override {
        host_ = std::make_unique<ProgramScanScreensHost>(app_, mainWindow);
        page_ = std::make_unique<Page>(*host_);
        if (!page_->Create(mainWindow)) return nullptr;
        page_->MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
        page_->Show(SW_HIDE);
        return page_->Handle();
    }
    HWND Window() const override { return page_ ? page_->Handle() : nullptr; }
    void OnShown() override;
    Page* Screen() const { return page_.get(); }

private:
    CHvApp& app_;
    std::unique_ptr<ProgramScanScreensHost> host_;
    std::unique_ptr<Page> page_;
};

template <>
void ScanScreenMainPage<CDlgScan2Scanning>::OnShown() {
    if (page_) page_->OnShownByMainWindow();
}

// The scan page sends the short device list after a driver-alert sign-up, from the
// sign-up's thread; a scan that runs has the engine's devices in hand, so the list
// waits for the next scan then.
class ScanPageWithDeviceList final : public MainPage {
public:
    explicit ScanPageWithDeviceList(CHvApp& app) : page_(app) {}
    ~ScanPageWithDeviceList() override { RegisterDeviceListSender({}); }
    HWND Create(HWND mainWindow, const RECT& place) override {
        HWND window = page_.Create(mainWindow, place);
        if (window != nullptr) {
            RegisterDeviceListSender([this] {
                CDlgScan2Scanning* scan = page_.Screen();
                if (scan == nullptr || AppBusy().scanRunning.load()) return;
                WriteLogLine(L"Sending the device list after the driver-alert sign-up");
                scan->Worker().SendDeviceListRequest();
            });
        }
        return window;
    }
    HWND Window() const override { return page_.Window(); }
    void OnShown() override { page_.OnShown(); }
    ScanScreenMainPage<CDlgScan2Scanning>& Inner() { return page_; }

private:
    ScanScreenMainPage<CDlgScan2Scanning> page_;
};

template <>
void ScanScreenMainPage<CDLG_HTML_SCAN_RESULTS>::OnShown() {
    if (page_) page_->SetTimer(kResultsFillTimer, 27);
}

template <>
void ScanScreenMainPage<CDLG_HTML_LAST_SCAN_INFO>::OnShown() {
    if (page_) page_->SetTimer(CDLG_HTML_LAST_SCAN_INFO::kRefillTimer, 27);
}

}  // namespace

CHvAppDlg* ProgramScanScreensHost::Main() const { return CHvAppDlg::FromWindow(mainWindow_); }

CDriverOptimizerApp& ProgramScanScreensHost::App() { return app_; }
CUpdateServiceHelper& ProgramScanScreensHost::Service() { return app_.ServiceHelper(); }
ExclusionList& ProgramScanScreensHost::Exclusions() { return UserExclusionList(); }

void ProgramScanScreensHost::EnableNavigation(bool enable) {
    if (CHvAppDlg* main = Main()) main->EnableNavigation(enable ? TRUE : FALSE);
}

void ProgramScanScreensHost::SetBusy(bool busy) { AppBusy().operationRunning = busy; }

void ProgramScanScreensHost::CheckInternetAndContinue() {
    if (CHvAppDlg* main = Main()) main->CheckInternetAndContinue();
}

void ProgramScanScreensHost::SetMainTimer(UINT id, UINT milliseconds) {
    ::SetTimer(mainWindow_, id, milliseconds, nullptr);
}

void ProgramScanScreensHost::RefillResultsPage() {
    CHvAppDlg* main = Main();
    MainPage* results = main != nullptr ? main->Page(MainPageId::Results) : nullptr;
    if (results != nullptr && results->Window() != nullptr) {
        ::SetTimer(results->Window(), kResultsFillTimer, 27, nullptr);
    }
}

void ProgramScanScreensHost::MarkResultsScreen() {
    CHvAppDlg* main = Main();
    if (main == nullptr) return;
    // The results are refilled after the download window closes, also when the user
    // has gone on to another tab by then: that tab keeps its own row of the header.
    const std::optional<MainPageId> current = main->CurrentPage();
    if (current == MainPageId::Home || current == MainPageId::Settings || current == MainPageId::Downloads ||
        current == MainPageId::BackupRestore) {
        return;
    }
    main->SubHeader().SetCaptionAndTab(HeaderPicture::kResults, 0);
}

int ProgramScanScreensHost::ShowRestartPrompt() { return ::ShowRestartPrompt(); }

void ProgramScanScreensHost::RequestUpdate(const UpdateRequest& request) {
    if (CHvAppDlg* main = Main()) DeliverUpdateRequest(*main, request);
}

void ProgramScanScreensHost::HandInventoryToBackup(bool devicesFound) {
    CHvAppDlg* main = Main();
    if (main == nullptr) return;
    // The backup tab comes back with its header, and the wizard goes on.
    MainNavigation(mainWindow_).ShowBackupTab();
    auto* backup = dynamic_cast<BackupRestoreMainPage*>(main->Page(MainPageId::BackupRestore));
    if (backup != nullptr && backup->Wizard() != nullptr) {
        backup->Wizard()->OnBackupInventoryTaken(devicesFound);
    } else {
        main->EnableNavigation(TRUE);
    }
}

namespace {

// The main window's scan page when it is made and no run is going.
CDlgScan2Scanning* IdleScanPage(CHvAppDlg* main) {
    auto* scan = main != nullptr ? dynamic_cast<ScanPageWithDeviceList*>(main->Page(MainPageId::Scan)) : nullptr;
    CDlgScan2Scanning* page = scan != nullptr ? scan->Inner().Screen() : nullptr;
    if (page == nullptr || page->Handle() == nullptr || page->Worker().Running()) return nullptr;
    return page;
}

}  // namespace

bool RequestBackupInventory(HWND mainWindow) {
    // A scan that runs would turn into the wizard's halfway through.
    CDlgScan2Scanning* page = IdleScanPage(CHvAppDlg::FromWindow(mainWindow));
    if (page == nullptr) return false;
    page->Worker().backupInventory = true;
    WriteLogLine(L"The backup wizard asked the scan page for an inventory");
    return true;
}

void StartScanFromHome(HWND mainWindow) {
    CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow);
    if (main == nullptr) return;
    CDlgScan2Scanning* page = IsDriverBackupModeEnabled() ? IdleScanPage(main) : nullptr;
    if (page != nullptr) {
        page->Worker().backupMode = true;
        WriteLogLine(L"The home page starts a run for a backup of the machine");
    }
    main->CheckInternetAndContinue();
    // Without a connection no run comes: the mode must not carry over to the next
    // scan, started from the scan tab, which is an ordinary one.
    if (page != nullptr && main->CurrentPage() != MainPageId::Scan) page->Worker().backupMode = false;
}

std::wstring LastScanRequestText(HWND mainWindow) {
    CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow);
    auto* wrapped = main != nullptr ? dynamic_cast<ScanPageWithDeviceList*>(main->Page(MainPageId::Scan)) : nullptr;
    ScanScreenMainPage<CDlgScan2Scanning>* scan = wrapped != nullptr ? &wrapped->Inner() : nullptr;
    CDlgScan2Scanning* page = scan != nullptr ? scan->Screen() : nullptr;
    if (page == nullptr || page->Handle() == nullptr) return std::wstring();
    return page->Worker().LastRequestText();
}

void DeliverUpdateRequest(CHvAppDlg& mainWindow, const UpdateRequest& request) {
    WriteLogLine(L"Update requested: mode %d, row %d, device %d", request.mode, request.row, request.device);
    // The download-and-install window takes the chosen devices and starts its stage
    // on its own timer; the main window then shows it.
    auto* window = dynamic_cast<DownloadInstallMainPage*>(mainWindow.Page(MainPageId::DownloadInstall));
    CDlgNagDownloadAndInstall* downloads = window != nullptr ? window->Page() : nullptr;
    if (downloads == nullptr || downloads->Handle() == nullptr) {
        WriteLogLine(L"Update requested, but the download window is missing");
        mainWindow.EnableNavigation(TRUE);
        return;
    }
    std::vector<int> devices;
    if (request.mode == kUpdateAllChosen && HvApp() != nullptr) {
        // The results page has put the chosen rows' devices into the update list, in order.
        const CDriverScanUpdate& engine = HvApp()->ScanUpdate();
        for (int32_t entry = 0;; ++entry) {
            const auto found = engine.updateList.find(entry);
            if (found == engine.updateList.end()) break;
            devices.push_back(found->second);
        }
    } else if (request.device >= 0) {
        devices.push_back(request.device);
    }
    const bool updateAll = request.mode == kUpdateAllChosen;
    if (request.installOnly) {
        downloads->StartInstall(devices, updateAll);
    } else {
        downloads->StartDownloads(devices, updateAll);
    }
    mainWindow.Navigation().ShowDownloadWindow();
}

std::unique_ptr<MainPage> MakeScanPage(CHvApp& app) {
    return std::make_unique<ScanPageWithDeviceList>(app);
}
std::unique_ptr<MainPage> MakeResultsPage(CHvApp& app) {
    return std::make_unique<ScanScreenMainPage<CDLG_HTML_SCAN_RESULTS>>(app);
}
std::unique_ptr<MainPage> MakeLastScanPage(CHvApp& app) {
    return std::make_unique<ScanScreenMainPage<CDLG_HTML_LAST_SCAN_INFO>>(app);
}
