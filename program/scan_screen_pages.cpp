#include "program/scan_screen_pages.h"

#include "foundation/daily_log.h"
#include "foundation/modal_prompts.h"
#include "screens/scan/scan_screens/dlg_scan2_scanning.h"
#include "screens/scan/scan_screens/html_result_screens.h"
#include "shell/app/app_busy.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"
#include "shell/exclusions/exclusion_list.h"

namespace {

constexpr UINT kShowDownloadWindowTimer = 123;
constexpr UINT kResultsFillTimer = 102;

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

private:
    CHvApp& app_;
    std::unique_ptr<ProgramScanScreensHost> host_;
    std::unique_ptr<Page> page_;
};

template <>
void ScanScreenMainPage<CDlgScan2Scanning>::OnShown() {
    if (page_) page_->OnShownByMainWindow();
}

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
    if (CHvAppDlg* main = Main()) main->SubHeader().SetCaptionAndTab(225, 0);
}

int ProgramScanScreensHost::ShowRestartPrompt() { return ::ShowRestartPrompt(); }

void ProgramScanScreensHost::RequestUpdate(const UpdateRequest& request) {
    if (CHvAppDlg* main = Main()) DeliverUpdateRequest(*main, request);
}

void DeliverUpdateRequest(CHvAppDlg& mainWindow, const UpdateRequest& request) {
    WriteLogLine(L"Update requested: mode %d, row %d, device %d", request.mode, request.row, request.device);
    // The download-and-install window starts its stage on its own timer (108
    // download one, 109 update all, 112 install one) once it is the page shown.
    MainPage* window = mainWindow.Page(MainPageId::DownloadInstall);
    if (window != nullptr && window->Window() != nullptr) {
        ::SetTimer(window->Window(), request.windowTimer, 64, nullptr);
    }
    ::SetTimer(mainWindow.Window(), kShowDownloadWindowTimer, 90, nullptr);
}

std::unique_ptr<MainPage> MakeScanPage(CHvApp& app) {
    return std::make_unique<ScanScreenMainPage<CDlgScan2Scanning>>(app);
}
std::unique_ptr<MainPage> MakeResultsPage(CHvApp& app) {
    return std::make_unique<ScanScreenMainPage<CDLG_HTML_SCAN_RESULTS>>(app);
}
std::unique_ptr<MainPage> MakeLastScanPage(CHvApp& app) {
    return std::make_unique<ScanScreenMainPage<CDLG_HTML_LAST_SCAN_INFO>>(app);
}
