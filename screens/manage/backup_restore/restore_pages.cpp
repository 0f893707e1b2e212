#include "screens/manage/backup_restore/restore_pages.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/backup_archive_list.h"
#include "engine/backup_archive_load.h"
#include "foundation/daily_log.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/ui/gdi.h"
#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/app/main_window_ids.h"

namespace {

constexpr COLORREF kDescriptionColour = RGB(72, 81, 90);
constexpr int kListBottom = 284;

std::wstring ListRowText(HWND list, int row) {
    wchar_t text[MAX_PATH * 2] = {};
    ListView_GetItemText(list, row, 0, text, static_cast<int>(std::size(text)));
    return text;
}

}  // namespace

// ------------------------------------------------------------------ step 1

CDlgRestore1Home::CDlgRestore1Home(CDlgBkpRstoreParent& wizard)
    : WizardPage(IDD_RESTORE1_HOME, wizard, WizardSide::kRestore) {}

CDlgRestore1Home::~CDlgRestore1Home() { listing_.Join(); }

BOOL CDlgRestore1Home::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(L"RESTOREDLG1");
    restoreNow_.AttachDlgItem(Handle(), IDC_RST1_RESTORE_NOW);
    delete_.AttachDlgItem(Handle(), IDC_RST1_DELETE);
    SetupDialogButtons(&restoreNow_, &delete_, PageText(L"IDC_BTN_RESTORE_NOW"), PageText(L"IDC_BTN_DELETE_BACKUP"),
                       false);
    CheckRadioButton(Handle(), IDC_RST1_PROMPT, IDC_RST1_RESTART_AT_ONCE, IDC_RST1_PROMPT);
    list_.AttachDlgItem(Handle(), IDC_RST1_LIST);
    SetWindowLongPtrW(list_, GWL_STYLE, GetWindowLongPtrW(list_, GWL_STYLE) | LVS_SHOWSELALWAYS);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    std::wstring heading = PageText(L"IDS_DATE_TIME_BKP_JX");
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 400;
    column.pszText = heading.data();
    ListView_InsertColumn(list_, 0, &column);
    Layout(ClientRect());
    return TRUE;
}

void CDlgRestore1Home::Layout(const RECT& client) {
    if (!delete_.Exists()) return;
    const int width = client.right;
    const int height = client.bottom;
    MoveWindow(Item(IDC_RST1_PROMPT), 35, 327, 15, 25, TRUE);
    MoveWindow(Item(IDC_RST1_RESTART_AT_ONCE), 35, 352, 15, 25, TRUE);
    // The texts and radios below the list stand at fixed places: the list never
    // grows into them on a taller page.
    list_.MoveTo(12, 90, width - 24, std::min(height - 246, kListBottom - 90));
    ListView_SetColumnWidth(list_, 0, width - 54);
    LayoutFooterButtons(*this, &restoreNow_, &delete_, client, PageText(L"IDC_BTN_RESTORE_NOW"),
                        PageText(L"IDC_BTN_DELETE_BACKUP"));
}

void CDlgRestore1Home::Paint(HDC dc, const RECT& client) {
    WizardPage::Paint(dc, client);
    const int width = client.right;
    const int height = client.bottom;
    DrawPageText(dc, PageText(L"RESTORETABDESC1"), {12, 54, width - 12, 84}, kDescriptionColour, PageFont(),
                 DT_WORDBREAK);
    {
        ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(191, 191, 191)));
        ui::SelectionScope penSelection(dc, pen.Get());
        ui::SelectionScope brushSelection(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 11, 89, width - 10, std::min(height - 145, kListBottom + 11));
    }
    // The heading's box is as tall as its font, so no language loses its descenders;
    // the rule goes just under it.
    TEXTMETRICW heading{};
    {
        ui::SelectionScope fontSelection(dc, ToolkitHeadingFont());
        GetTextMetricsW(dc, &heading);
    }
    const int headingTop = 296;
    const int headingBottom = headingTop + std::max<int>(16, heading.tmHeight);
    {
        ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(225, 225, 225)));
        ui::SelectionScope penSelection(dc, pen.Get());
        MoveToEx(dc, 12, headingBottom + 1, nullptr);
        LineTo(dc, width - 12, headingBottom + 1);
    }
    const UINT line = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    DrawPageText(dc, PageText(L"RESTORETAB1DESC1"), {35, headingTop, width - 12, headingBottom}, RGB(0, 0, 0),
                 ToolkitHeadingFont(), line);
    DrawPageText(dc, PageText(L"RESTORETAB1DESC3"), {60, 332, width - 12, 347}, kDescriptionColour, PageFont(), line);
    DrawPageText(dc, PageText(L"RESTORETAB1DESC4"), {60, 357, width - 12, 372}, kDescriptionColour, PageFont(), line);
}

void CDlgRestore1Home::OnShown(bool shown) {
    if (shown) StartListing();
}

void CDlgRestore1Home::StartListing() {
    listing_.Start([this] { ListArchives(); });
}

void CDlgRestore1Home::ListArchives() {
    BackupRestoreHost& host = Host();
    host.SetBusy(true);
    host.EnableNavigation(false);
    // While the rows are made again a click would find none and say there is no backup.
    restoreNow_.Enable(false);
    delete_.Enable(false);
    const std::vector<BackupArchiveRow> rows = ListBackupArchives(host.Backups(), CurrentArchiveTime());
    ListView_DeleteAllItems(list_);
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(rows[i].name.c_str());
        ListView_InsertItem(list_, &item);
    }
    ShowScrollBar(list_, SB_HORZ, FALSE);
    list_.Invalidate();
    if (!rows.empty()) SelectSingleListItem(list_, 0);
    const bool any = ListView_GetItemCount(list_) > 0;
    restoreNow_.Enable(any);
    delete_.Enable(any);
    host.SetBusy(false);
    host.EnableNavigation(true);
}

int CDlgRestore1Home::SelectedRow() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

void CDlgRestore1Home::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_RST1_RESTORE_NOW: OnRestoreNow(); break;
    case IDC_RST1_DELETE: OnDeleteBackup(); break;
    case IDC_RST1_PROMPT:
    case IDC_RST1_RESTART_AT_ONCE:
        State().restartAutomatically = IsDlgButtonChecked(Handle(), IDC_RST1_RESTART_AT_ONCE) == BST_CHECKED;
        break;
    default: break;
    }
}

bool CDlgRestore1Home::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_RST1_LIST || (header.code != NM_CLICK && header.code != NM_RCLICK)) return false;
    // A click beside the rows keeps a row selected: the last one.
    const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
    const int count = ListView_GetItemCount(list_);
    if (activate.iItem == -1 && count > 0) SelectSingleListItem(list_, count - 1);
    result = 0;
    return true;
}

void CDlgRestore1Home::OnRestoreNow() {
    if (ListView_GetItemCount(list_) == 0) {
        Host().ShowMessage(Handle(), PageText(L"IDS_DRIVER_NOBACKUP"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const int row = SelectedRow();
    if (row < 0) {
        Host().ShowMessage(Handle(), PageText(L"IDS_LOAD_BACKUP_TO_RESTORE"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    State().selectedArchive = ListRowText(list_, row);
    // Only a value that is there is reset; it is never made.
    SetUserRegistryValue(false, kProductKeyPath, L"Reboot", L"", 0, REG_DWORD);
    ShowStep(2, 90);
    wizard_.RestoreSelect().SetTimer(CDlgRestore2Select::kLoadTimer, 10);
}

void CDlgRestore1Home::OnDeleteBackup() {
    const int row = SelectedRow();
    if (row < 0) {
        Host().ShowMessage(Handle(), PageText(L"IDS_RESTORE_ONE_TIME"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    BackupRestoreHost& host = Host();
    host.EnableNavigation(false);
    host.SetBusy(true);
    if (host.ShowMessage(Handle(), PageText(L"IDS_CONFIR_DEL_BAKFILE"), MB_YESNO | MB_ICONQUESTION) == IDYES) {
        const auto found = host.Backups().find(ListRowText(list_, row));
        if (found != host.Backups().end()) {
            const std::wstring path = SplitBackupListValue(found->second).path;
            if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                DeleteFileW(path.c_str());
                if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                    host.ShowMessage(Handle(), PageText(L"IDS_UNABLE_DEL_BAKFILE"), MB_OK);
                } else {
                    host.ShowMessage(Handle(), PageText(L"IDS_SUCCESS_DEL_BAKFILE"), MB_OK);
                    if (ListView_GetItemCount(list_) == 1) {
                        ListView_DeleteAllItems(list_);
                    } else {
                        ListView_DeleteItem(list_, row);
                    }
                    StartListing();
                    return;
                }
            }
        }
    }
    host.EnableNavigation(true);
    host.SetBusy(false);
}

// ------------------------------------------------------------------ step 2

CDlgRestore2Select::CDlgRestore2Select(CDlgBkpRstoreParent& wizard)
    : WizardTreePage(IDD_RESTORE2_SELECT, wizard, WizardSide::kRestore, IDC_RST2_TREE, IDC_RST2_SELECT_ALL) {}

CDlgRestore2Select::~CDlgRestore2Select() { loader_.Join(); }

BOOL CDlgRestore2Select::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(L"RESTOREDLG2");
    restore_.AttachDlgItem(Handle(), IDC_RST2_RESTORE);
    SetupDialogButtons(&restore_, nullptr, PageText(L"IDC_BTN_RESTORE"), L"", false);
    AttachTree();
    tree_.m_onChecksChanged = [this] {
        if (visible_) UpdateSelectAllCheck();
    };
    TreeView_SetImageList(tree_, images_->List(), TVSIL_NORMAL);
    SendDlgItemMessageW(Handle(), IDC_RST2_LOADING, WM_SETFONT, reinterpret_cast<WPARAM>(PageFont()), FALSE);
    ShowWindow(Item(IDC_RST2_LOADING), SW_HIDE);
    Layout(ClientRect());
    return TRUE;
}

void CDlgRestore2Select::Layout(const RECT& client) {
    if (!restore_.Exists()) return;
    LayoutFooterButtons(*this, &restore_, nullptr, client, PageText(L"IDC_BTN_RESTORE"), L"");
    tree_.MoveTo(12, 86, client.right - 24, client.bottom - 157);
    MoveWindow(Item(IDC_RST2_LOADING), 65, 186, 450, 18, TRUE);
    LayoutSelectAll(client);
}

void CDlgRestore2Select::Paint(HDC dc, const RECT& client) {
    WizardPage::Paint(dc, client);
    DrawPageText(dc, PageText(L"RESTORETAB2DESC1"), {12, 54, client.right - 12, 84}, kDescriptionColour, PageFont(),
                 DT_WORDBREAK);
    PaintSelectAllLabel(dc, client);
}

void CDlgRestore2Select::OnShown(bool shown) { visible_ = shown; }

void CDlgRestore2Select::OnTimer(UINT_PTR id) {
    if (id != kLoadTimer) return;
    loader_.Start([this] { LoadArchive(); });
}

void CDlgRestore2Select::LoadArchive() {
    BackupRestoreHost& host = Host();
    host.SetBusy(true);
    host.EnableNavigation(false);
    EnableWindow(Item(IDC_RST2_SELECT_ALL), FALSE);
    if (TreeView_GetCount(tree_) > 0) TreeView_DeleteAllItems(tree_);
    tree_.Show(SW_HIDE);
    try {
        DriverInfoArray records;
        loadFailed_ = LoadArchiveDrivers(host.ScanUpdate(), State().selectedArchive, host.Backups(), &records) == 0;
        if (!loadFailed_) FillRestoreTree(tree_, records, *images_);
    } catch (...) {
        loadFailed_ = true;
    }
    UncheckAllTreeItems(tree_);
    ShowWindow(Item(IDC_RST2_LOADING), SW_HIDE);
    tree_.Show(SW_SHOW);
    EnableWindow(Item(IDC_RST2_SELECT_ALL), TRUE);
    CheckDlgButton(Handle(), IDC_RST2_SELECT_ALL, BST_UNCHECKED);
    restore_.Enable(true);
    host.SetBusy(false);
    host.EnableNavigation(true);
}

void CDlgRestore2Select::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_RST2_RESTORE) OnStartRestore();
    if (id == IDC_RST2_SELECT_ALL) OnSelectAll();
}

bool CDlgRestore2Select::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_RST2_TREE || header.code != NM_CLICK) return false;
    result = 0;
    return true;
}

void CDlgRestore2Select::OnStartRestore() {
    restore_.Enable(false);
    const DWORD now = GetTickCount();
    if (!SpacingPassed(clickStamped_, lastClick_, now, kDebounceMs)) return;
    clickStamped_ = true;
    lastClick_ = now;
    if (CountDeviceItems(tree_, true) == 0) {
        Host().ShowMessage(Handle(), PageText(L"IDS_RESTORE_ONETIME"), MB_OK | MB_ICONINFORMATION);
        restore_.Enable(true);
        return;
    }
    State().restorePending = true;
    ShowStep(3, 90);
    wizard_.RestoreProgress().SetTimer(CDlgRestore3Driver::kStartTimer, 10);
}

// ------------------------------------------------------------------ step 3

CDlgRestore3Driver::CDlgRestore3Driver(CDlgBkpRstoreParent& wizard)
    : WizardProgressPage(IDD_RESTORE3_DRIVER, wizard, WizardSide::kRestore,
                         {IDC_RST3_ANIMATION, IDC_RST3_DRIVER, IDC_RST3_PROGRESS, IDC_RST3_STATUS},
                         &CDriverScanUpdate::restoreProgress) {}

CDlgRestore3Driver::~CDlgRestore3Driver() { worker_.Join(); }

BOOL CDlgRestore3Driver::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(L"RESTOREDLG3");
    RegisterProgressControls();
    ResetBar();
    SendDlgItemMessageW(Handle(), IDC_RST3_DRIVER, WM_SETFONT, reinterpret_cast<WPARAM>(ToolkitHeadingFont()), FALSE);
    Layout(ClientRect());
    OpenBusyAnimation();
    ShowWindow(Item(IDC_RST3_DRIVER), SW_SHOW);
    EnableWindow(Item(IDC_RST3_DRIVER), TRUE);
    return TRUE;
}

void CDlgRestore3Driver::Layout(const RECT& client) { LayoutProgress(client); }

void CDlgRestore3Driver::OnShown(bool shown) {
    if (!shown) return;
    ResetBar();
    OpenBusyAnimation();
    if (State().restorePending) {
        SetItemText(IDC_RST3_STATUS, PageText(L"IDS_WAIT_RESTORE_DRIVER"));
        SetItemText(IDC_RST3_DRIVER, L"");
        PlayBusyAnimation();
    }
}

void CDlgRestore3Driver::OnTimer(UINT_PTR id) {
    if (id != kStartTimer) return;
    if (!worker_.Start([this] { RunRestore(); })) {
        State().restorePending = false;
        ShowStep(4, 90);
    }
}

void CDlgRestore3Driver::RunRestore() {
    BackupRestoreHost& host = Host();
    host.SetBusy(true);
    Sleep(pauseMs);
    host.EnableNavigation(false);
    CDriverScanUpdate& engine = host.ScanUpdate();
    try {
        RegisterProgressControls();
        ResetBar();
        State().totalDriversInArchive = CountDeviceItems(wizard_.RestoreSelect().Tree(), false);
        RunArchiveRestore(engine, host.ScannerApp(), CheckedArchiveMembers(wizard_.RestoreSelect().Tree()),
                          State().restorePending);
    } catch (...) {
        // Whatever broke, the finish page comes and tells of it.
        engine.backupRestore.restoreSuccess = 0;
    }
    State().restorePending = false;
    StopBusyAnimation();
    ShowStep(4, 90);
    Sleep(pauseMs);
    host.EnableNavigation(true);
    host.SetBusy(false);
}

// ------------------------------------------------------------------ step 4

CDlgRestore4Finish::CDlgRestore4Finish(CDlgBkpRstoreParent& wizard)
    : WizardFinishPage(IDD_RESTORE4_FINISH, wizard, WizardSide::kRestore, IDC_RST4_FINISH,
                       {IDC_RST4_TOTAL, IDC_RST4_DONE, IDC_RST4_NOT_DONE}, L"IDD_RESTORETAB3_FINISH") {}

BOOL CDlgRestore4Finish::OnInitDialog() {
    WizardFinishPage::OnInitDialog();
    SetWindowTextKey(L"RESTOREDLG4");
    return TRUE;
}

void CDlgRestore4Finish::OnShown(bool shown) {
    if (!shown) return;
    CDriverScanUpdate& engine = Host().ScanUpdate();
    RestoreRunCounts run;
    run.totalInTree = State().totalDriversInArchive;
    run.selected = engine.backupRestore.restoreSelectedCount;
    run.notRestored = engine.backupRestore.restoreFailureCount;
    run.allRestored = engine.backupRestore.restoreSuccess != 0;
    allRestored_ = run.allRestored;
    counts_ = RestoreFinishCounts(run);
    ShowCounts({counts_.total, counts_.done, counts_.notDone});
    WriteLogLine(L"Restore Summary: Total=%ls, Select=%ls, Done=%ls, NotDone=%ls", counts_.total.c_str(),
                 counts_.select.c_str(), counts_.done.c_str(), counts_.notDone.c_str());
    Invalidate();
    if (engine.backupRestore.restartNeeded != 0) {
        if (State().restartAutomatically) {
            Host().RestartWindows();
        } else {
            engine.backupRestore.restartNeeded = 0;
            SetTimer(kRestartPromptTimer, 64);
        }
    }
}

void CDlgRestore4Finish::OnTimer(UINT_PTR id) {
    if (id != kRestartPromptTimer) return;
    if (Host().ShowRestartPrompt() == 0) {
        Host().EnableNavigation(true);
        Host().SetBusy(false);
    }
}

void CDlgRestore4Finish::Paint(HDC dc, const RECT& client) {
    WizardFinishPage::Paint(dc, client);
    const COLORREF good = RGB(0, 130, 44);
    const COLORREF bad = RGB(169, 1, 1);
    const std::wstring heading =
        allRestored_ ? TextWithProductTitle(L"IDS_SUCCESSFULL_RESTORE") : PageText(L"RESTORETAB4DESC6");
    DrawWizardResultPanel(Handle(), dc, 12, 127, 161, heading, icons_.Of(allRestored_),
                          {PageText(L"BACKUPTAB4DESC3"), PageText(L"RESTORETAB4DESC3"), PageText(L"RESTORETAB4DESC4")},
                          {counts_.total, counts_.done, counts_.notDone}, {good, good, allRestored_ ? good : bad});
}
