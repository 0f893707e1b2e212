#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "screens/manage/exclusions/drv_exclusion_page.h"
#include "platform/ui/gdi.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"

class CDriverOptimizerApp;

// The general sub-page: language, what closing the main window does, and the
// start-up reminder.
class CDlgLangSettings : public CDlgChildBase {
public:
    CDlgLangSettings();

    // Reads the close action and the reminder from the settings again: the schedule
    // page edits them too, and Apply here must not write back what it saw earlier.
    void ReloadSharedSettings();

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnLanguageChanged();
    void ApplyLanguageChange();
    void SelectLanguage(unsigned languageIndex);
    unsigned SelectedLanguage() const;
    void Paint();

    CHalHoverButtonWithText applyButton_;
};

// The scan schedule sub-page: once, daily, weekly or no scheduled scan, plus the
// close action and the start-up reminder it shares with the general page.
class CDlgPrefSchedule : public CDlgChildBase {
public:
    CDlgPrefSchedule();

    // Puts the stored schedule into the controls.
    void LoadSchedule();
    void EnableScheduleControls();
    void OnApply();
    // The time picker starts from the current time each time the page is shown.
    void ResetTimeToNow();

    static constexpr int kWeekdayIds[7] = {245, 256, 267, 277, 278, 279, 280};

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SaveSchedule();
    // Every control at its place for the page's present size and fonts.
    void Layout();
    void OnShowWindow(bool shown);
    void FillCloseAction();
    void ReadKindFromRadios();
    void SetRadiosFromKind();
    void EnableApply() const;
    void Paint();

    int kind_ = 0;
    CHalHoverButtonWithText applyButton_;
    // The language's own font for the weekday boxes (and one long radio caption of
    // a few languages); made when the page is shown in such a language.
    ui::ScopedFont languageFont_;
};

// The folder sub-page: the download and the backup folder, chosen, checked and reset.
class CDlgSetting3Loc : public CDlgChildBase {
public:
    // Returns the chosen folder through the text; false when the user cancelled.
    using FolderPicker = std::function<bool(HWND owner, std::wstring& folder)>;

    explicit CDlgSetting3Loc(CDriverOptimizerApp& app);

    // The real folder dialog unless a test gives its own.
    FolderPicker pickFolder;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnShowFolders();
    void OnApplyFolders();
    void OnDefaultFolders();
    void OnBrowse(bool download);
    void UpdateDefaultsButton();
    void Layout();
    void Paint();

    CDriverOptimizerApp& app_;
    CHalHoverButtonWithText applyButton_;
    CHalHoverButtonWithText defaultButton_;
    HWND tooltip_ = nullptr;
};

// The "Settings" page of the main window: it owns the four sub-pages and shows one
// at a time; the tab row above the pages chooses which.
class CDlgSettings : public CDlgChildBase {
public:
    CDlgSettings(CDriverOptimizerApp& app, ExclusionList& exclusions);

    void ShowFolderPage();
    void ShowExclusionPage();
    void ShowSchedulePage();
    void ShowLanguagePage();

    CDlgLangSettings& LanguagePage() { return language_; }
    CDlgPrefSchedule& SchedulePage() { return schedule_; }
    CDlgDrvExclusion& ExclusionPage() { return exclusion_; }
    CDlgSetting3Loc& FolderPage() { return folders_; }
    CDlgChildBase* CurrentPage() const { return current_; }

    // Set when the program was restarted with rights to write the schedule: showing
    // the schedule page then applies the stored schedule again.
    bool reapplyStoredSchedule = false;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateSubPages();
    void ShowSubPage(CDlgChildBase& page);

    CDlgPrefSchedule schedule_;
    CDlgLangSettings language_;
    CDlgDrvExclusion exclusion_;
    CDlgSetting3Loc folders_;
    CDlgChildBase* current_ = nullptr;
};

// Message boxes of the settings pages go through the application's system seam.
int SettingsMessage(HWND owner, const wchar_t* key, UINT style);
