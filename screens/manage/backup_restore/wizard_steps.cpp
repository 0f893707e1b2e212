#include "screens/manage/backup_restore/wizard_steps.h"

#include <commctrl.h>

#include <utility>

#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

// ------------------------------------------------------------------ step 2

WizardTreePage::WizardTreePage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side, int treeId,
                               int selectAllId)
    : WizardPage(templateId, wizard, side), treeId_(treeId), selectAllId_(selectAllId) {}

void WizardTreePage::AttachTree() {
    tree_.AttachDlgItem(Handle(), treeId_);
    SetWindowLongPtrW(tree_, GWL_STYLE, GetWindowLongPtrW(tree_, GWL_STYLE) | TVS_NOHSCROLL);
    tree_.CreateStateImages();
    images_ = std::make_unique<DeviceClassImages>(&Host().ScanUpdate().ClassImageData());
}

void WizardTreePage::LayoutSelectAll(const RECT& client) {
    MoveWindow(Item(selectAllId_), 12, client.bottom - 33, 15, 15, TRUE);
}

void WizardTreePage::PaintSelectAllLabel(HDC dc, const RECT& client) {
    DrawPageText(dc, PageText(L"IDS_SELECT_ALL"), {32, client.bottom - 35, 300, client.bottom - 16},
                 RGB(0x1B, 0x2D, 0x36), ToolkitButtonFont(), DT_SINGLELINE | DT_VCENTER);
}

void WizardTreePage::OnSelectAll() {
    if (TreeView_GetCount(tree_) == 0) return;
    const bool all = IsDlgButtonChecked(Handle(), selectAllId_) == BST_CHECKED;
    SetAllChecks(tree_, all ? CTreeXCtrl::kChecked : CTreeXCtrl::kUnchecked);
}

void WizardTreePage::UpdateSelectAllCheck() {
    CheckDlgButton(Handle(), selectAllId_, EveryItemChecked(tree_) ? BST_CHECKED : BST_UNCHECKED);
}

// ------------------------------------------------------------------ step 3

WizardProgressPage::WizardProgressPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side,
                                       Controls controls, EngineProgress* CDriverScanUpdate::*target)
    : WizardPage(templateId, wizard, side), controls_(controls), target_(target) {}

void WizardProgressPage::RegisterProgressControls() {
    progress_ = ProgressControls(Item(controls_.bar), Item(controls_.driver), Item(controls_.status));
    Host().ScanUpdate().*target_ = &progress_;
}

void WizardProgressPage::LayoutProgress(const RECT& client) {
    const int width = client.right;
    MoveWindow(Item(controls_.animation), 12, 121, 25, 36, TRUE);
    MoveWindow(Item(controls_.driver), 47, 131, width - 59, 30, TRUE);
    MoveWindow(Item(controls_.bar), 12, 172, width - 24, 18, TRUE);
    MoveWindow(Item(controls_.status), 12, 197, width - 24, 30, TRUE);
}

void WizardProgressPage::ResetBar() { SendDlgItemMessageW(Handle(), controls_.bar, PBM_SETPOS, 0, 0); }

void WizardProgressPage::OpenBusyAnimation() { Animate_Open(Item(controls_.animation), MAKEINTRESOURCEW(IDR_BUSY_ANIMATION)); }

void WizardProgressPage::PlayBusyAnimation() { Animate_Play(Item(controls_.animation), 0, -1, -1); }

void WizardProgressPage::StopBusyAnimation() {
    HWND animation = Item(controls_.animation);
    if (animation == nullptr) return;
    Animate_Stop(animation);
    Animate_Close(animation);
}

// ------------------------------------------------------------------ step 4

WizardFinishPage::WizardFinishPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side, int finishId,
                                   std::vector<int> countIds, const wchar_t* finishKey)
    : WizardPage(templateId, wizard, side), finishId_(finishId), countIds_(std::move(countIds)), finishKey_(finishKey) {}

BOOL WizardFinishPage::OnInitDialog() {
    WizardPage::OnInitDialog();
    icons_.Load();
    finish_.AttachDlgItem(Handle(), finishId_);
    SetupDialogButtons(&finish_, nullptr, PageText(finishKey_), L"", false);
    // The counts live in the panel; the texts keep them for the log and the tests.
    for (int id : countIds_) {
        SendDlgItemMessageW(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(PageFont()), FALSE);
        ShowWindow(Item(id), SW_HIDE);
    }
    Layout(ClientRect());
    return TRUE;
}

void WizardFinishPage::Layout(const RECT& client) {
    if (!finish_.Exists()) return;
    int y = 191;
    for (int id : countIds_) {
        MoveWindow(Item(id), 220, y, 200, 20, TRUE);
        y += 20;
    }
    LayoutFooterButtons(*this, &finish_, nullptr, client, PageText(finishKey_), L"");
}

void WizardFinishPage::ShowCounts(const std::vector<std::wstring>& texts) {
    for (size_t i = 0; i < countIds_.size() && i < texts.size(); ++i) SetItemText(countIds_[i], texts[i]);
}

void WizardFinishPage::OnCommand(UINT id, UINT code) {
    if (static_cast<int>(id) == finishId_ && code == BN_CLICKED) ShowStep(1, 90);
}

LRESULT WizardFinishPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        const bool notDone = !countIds_.empty() && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == countIds_.back();
        SetTextColor(dc, notDone && !Succeeded() ? RGB(0xAB, 0, 0) : RGB(0, 0x70, 0x28));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    return WizardPage::WindowProc(message, wParam, lParam);
}
