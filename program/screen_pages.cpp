#include "program/screen_pages.h"

#include "program/scan_screen_pages.h"

#include "screens/manage/backup_restore/backup_restore_page.h"
#include "screens/manage/settings/settings_pages.h"
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

}  // namespace

std::unique_ptr<MainPage> ScreenPageFactory::Make(MainPageId id) {
    switch (id) {
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
        return std::make_unique<BackupRestoreMainPage>();
    default:
        return std::make_unique<EmptyPage>();
    }
}
