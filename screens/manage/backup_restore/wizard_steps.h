#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/device_tree.h"
#include "screens/manage/backup_restore/wizard_page.h"
#include "screens/manage/backup_restore/wizard_results.h"
#include "shell/progress_controls.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/tree_x_ctrl.h"

class EngineProgress;

// The pages that both wizards have at the same step. Step 1 differs; steps 2 to 4
// are the same skeleton with the wizard's own controls and texts.

// Step 2: the drivers in a check-box tree with a select-all box under it.
class WizardTreePage : public WizardPage {
public:
    void OnSelectAll();
    // The box is checked exactly when every item of the tree is.
    void UpdateSelectAllCheck();
    CTreeXCtrl& Tree() { return tree_; }

protected:
    WizardTreePage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side, int treeId, int selectAllId);

    // The tree without a horizontal scroll bar, with its check images, and the
    // class images its items show.
    void AttachTree();
    void LayoutSelectAll(const RECT& client);
    void PaintSelectAllLabel(HDC dc, const RECT& client);

    CTreeXCtrl tree_;
    std::unique_ptr<DeviceClassImages> images_;

private:
    const int treeId_;
    const int selectAllId_;
};

// Step 3: a busy animation, the driver at hand, the bar and a status line, which
// the engine's run writes into.
class WizardProgressPage : public WizardPage {
public:
    struct Controls {
        int animation;
        int driver;  // the engine's device text, beside the animation
        int bar;
        int status;
    };

protected:
    // `target` is the engine's receiver of the run this page shows.
    WizardProgressPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side, Controls controls,
                       EngineProgress* CDriverScanUpdate::*target);

    // Hands the page's controls to the engine again; a worker does it at its start.
    void RegisterProgressControls();
    void LayoutProgress(const RECT& client);
    void ResetBar();
    void OpenBusyAnimation();
    void PlayBusyAnimation();
    void StopBusyAnimation();

    const Controls controls_;

private:
    ProgressControls progress_;
    EngineProgress* CDriverScanUpdate::*const target_;
};

// Step 4: the result panel with its counts, and Finish back to step 1.
class WizardFinishPage : public WizardPage {
public:
    const WizardCounts& Counts() const { return counts_; }
    CHalHoverButtonWithText& FinishButton() { return finish_; }

protected:
    // `countIds` are the hidden count texts, the last of them the not-done count.
    WizardFinishPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side, int finishId,
                     std::vector<int> countIds, const wchar_t* finishKey);

    BOOL OnInitDialog() override;
    void Layout(const RECT& client) override;
    void OnCommand(UINT id, UINT code) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Whether the run went through; the not-done count turns red when it did not.
    virtual bool Succeeded() const = 0;
    // The count texts in the order of the count ids.
    void ShowCounts(const std::vector<std::wstring>& texts);

    CHalHoverButtonWithText finish_;
    ResultIcons icons_;
    WizardCounts counts_;

private:
    const int finishId_;
    const std::vector<int> countIds_;
    const wchar_t* const finishKey_;
};
