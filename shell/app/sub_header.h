#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/ui/gdi.h"
#include "shell/toolkit/gui_buttons.h"

#include "shell/toolkit/dlg_child_base.h"

// The tab row under the header: three groups of tab buttons and a header picture
// that, in step mode, names the four steps of an update.
class CDlgSubHeader : public CDlgChildBase {
public:
    static constexpr int kStepMode = 1;
    // The tab buttons' ids.
    static constexpr UINT kBackupTab = 1010, kRestoreTab = 5210, kFolderTab = 228, kExclusionTab = 218;
    static constexpr UINT kScheduleTab = 235, kLanguageTab = 236, kDownloadsTab = 210;
    CDlgSubHeader();

    // Creates the tab row as a child of the main window over `place`.
    bool Create(HWND parent, const RECT& place);

    // 1 backup and restore, 2 settings, 3 my downloads; other values hide every
    // button. Unless the main window is busy the group's first page is chosen.
    void SelectTab(int tab);
    // Caption C, tab K: the picture C is stored, K + 1 is stored, tab K selected.
    void SetCaptionAndTab(int captionBitmap, int tab);
    // As SetCaptionAndTab, but the page shown stays: no side of the group is chosen.
    // The shown group's buttons are enabled as `enable` says.
    void ShowCaptionAndTab(int captionBitmap, int tab, bool enable);
    int Caption() const { return caption_; }
    int StoredTab() const { return storedTab_; }
    int Mode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }
    bool ButtonVisible(UINT id) const;
    int SelectedSettingsTab() const { return selectedSettings_; }
    bool DownloadsSelected() const { return downloadsSelected_; }
    void EnableButtons(bool enable);
    // The tab of the shown group that is marked as chosen; 0 when none is.
    UINT MarkedTab() const;
    // The page whose sub-pages the settings tabs choose.
    void SetSettingsPage(HWND page) { settingsPage_ = page; }
    // The step captions in the order they are drawn; the current one in dark blue.
    static int CurrentStep(int caption) { return caption >= 224 && caption <= 227 ? caption - 224 : -1; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowGroup(int tab, bool enable);
    void OnCommand(UINT id);
    void MarkSelected(UINT id);
    void Paint(HDC dc, const RECT& client);

    std::map<UINT, HWND> buttons_;
    std::map<UINT, std::unique_ptr<CHalHoverButtonWithText>> textButtons_;
    std::map<int, ui::ScopedBitmap> pictures_;
    int mode_ = 0;
    int caption_ = 0;
    int storedTab_ = 0;
    int selectedSettings_ = 0;
    bool downloadsSelected_ = false;
    HWND settingsPage_ = nullptr;
};

