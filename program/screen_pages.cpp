#include "program/screen_pages.h"

#include "program/scan_screen_pages.h"

#include "engine/package_file_name.h"
#include "foundation/language_strings.h"
#include "foundation/markup.h"
#include "foundation/modal_prompts.h"
#include "scan/scan_request_facts.h"
#include "screens/manage/backup_restore/backup_restore_page.h"
#include "screens/manage/settings/settings_pages.h"
#include "screens/scan/download_install/download_install_page.h"
#include "screens/scan/downloads_list/dlg_downloads.h"
#include "screens/scan/driver_feedback/dlg_nag_driver_feedback.h"
#include "screens/scan/home_screen/home_main_page.h"
#include "screens/scan/nag_popups/taskbar_nag.h"
#include "screens/scan/restart_prompt/dlg_nag_restart_html.h"
#include "screens/scan/results_rows/results_rows.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/exclusions/exclusion_list.h"

namespace {

// The settings page as the main window holds it.
class SettingsMainPage final : public MainPage {
public:
    explicit SettingsMainPage(CHvApp& app) : page_(app, UserExclusionList()) {
        page_.reapplyStoredSchedule = app.Switches().startActionSchedule;
    }
    HWND Create(HWND mainWindow, const RECT& place) override {
        if (!page_.Create(mainWindow)) return nullptr;
        page_.MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
        page_.Show(SW_HIDE);
        return page_.Handle();
    }
    HWND Window() const override { return page_.Handle(); }

private:
    CDlgSettings page_;
};

// The downloads page as the main window holds it; it rebuilds its list when shown.
class DownloadsMainPage final : public MainPage {
public:
    explicit DownloadsMainPage(CHvApp& app) : page_(Source(app)) {}
    HWND Create(HWND mainWindow, const RECT& place) override {
        if (!page_.Create(mainWindow)) return nullptr;
        page_.MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
        page_.Show(SW_HIDE);
        return page_.Handle();
    }
    HWND Window() const override { return page_.Handle(); }
    void OnShown() override { page_.RefreshList(); }

private:
    static DownloadsListSource Source(CHvApp& app) {
        DownloadsListSource source;
        source.files = &app.DownloadsList();
        source.save = [&app] { return app.SaveItemList(static_cast<int>(CDriverOptimizerApp::ListKind::Downloads)); };
        source.downloadFolder = [&app] { return app.DownloadFolder(); };
        return source;
    }
    CDlgDownloads page_;
};

}  // namespace

void RegisterScreenPrompts(HWND mainWindow) {
    CHvApp* app = HvApp();
    if (app == nullptr) return;
    RegisterRestartPrompt(
        mainWindow,
        [app] { return app->ScanUpdate().operationKind == CDriverScanUpdate::kRestoreOperation ? 2 : 1; },
        [app] {
            int pending = 0;
            for (const auto& row : app->ScanUpdate().updateResults) {
                if (row.state != CDriverScanUpdate::tagUpdateResultsStruct::kNotPending) ++pending;
            }
            return pending;
        });
    RegisterModalPrompt(ModalPrompt::DriverFeedback, [mainWindow, app] {
        FeedbackServices services;
        services.service = &app->ServiceHelper();
        services.sources = [mainWindow] {
            FeedbackSources sources;
            sources.facts = CollectScanRequestFacts(CurrentProgramIdentity());
            // The devices of the feedback are those the last scan described to the
            // service, in the very request that went.
            sources.lastScanRequest = LastScanRequestText(mainWindow);
            wchar_t self[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, self, MAX_PATH);
            sources.programPath = self;
            return sources;
        };
        services.showMessage = [](HWND owner, const std::wstring& text, UINT style) {
            return CurrentAppSystem().ShowMessageBox(owner, text, GetAppTitle(), style);
        };
        CDlgNagDriverFeedback form(std::move(services));
        form.DoModal(mainWindow);
        return 0;
    });
}

std::unique_ptr<MainPage> ScreenPageFactory::Make(MainPageId id) {
    switch (id) {
    case MainPageId::Home:
        return std::make_unique<HomeMainPage>(StartScanFromHome);
    case MainPageId::Settings:
        if (HvApp() != nullptr) return std::make_unique<SettingsMainPage>(*HvApp());
        return std::make_unique<EmptyPage>();
    case MainPageId::Scan:
        if (HvApp() != nullptr) return MakeScanPage(*HvApp());
        return std::make_unique<EmptyPage>();
    case MainPageId::Results:
        if (HvApp() != nullptr) return MakeResultsPage(*HvApp());
        return std::make_unique<EmptyPage>();
    case MainPageId::LastScan:
        if (HvApp() != nullptr) return MakeLastScanPage(*HvApp());
        return std::make_unique<EmptyPage>();
    case MainPageId::BackupRestore:
        return std::make_unique<BackupRestoreMainPage>(RequestBackupInventory);
    case MainPageId::DownloadInstall:
        return std::make_unique<DownloadInstallMainPage>();
    case MainPageId::Downloads:
        if (HvApp() != nullptr) return std::make_unique<DownloadsMainPage>(*HvApp());
        return std::make_unique<EmptyPage>();
    default:
        return std::make_unique<EmptyPage>();
    }
}

std::unique_ptr<NotifierContent> ScreenPageFactory::MakeReminder(ReminderActions actions) {
    auto reminder = std::make_unique<CDlgTaskbarNag>();
    reminder->onScanNow = std::move(actions.scanNow);
    reminder->onClose = std::move(actions.close);
    return reminder;
}

void ScreenPageFactory::SaveScanSummary() {
    CHvApp* app = HvApp();
    if (app == nullptr) return;
    ResultsRowsContext rows{*app, &app->AuxiliaryList(), {}};
    ::SaveScanSummary(rows);
}
