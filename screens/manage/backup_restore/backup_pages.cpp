#include "screens/manage/backup_restore/backup_pages.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "engine/backup_restore_runs.h"
#include "foundation/daily_log.h"
#include "platform/ui/gdi.h"
#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "screens/manage/backup_restore/tree_view_items.h"
#include "screens/manage/folder_settings.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/app/main_window_ids.h"

namespace {

// Vertical offsets of the backup pages are 15 of these.
constexpr int kLayoutUnit = 2;
// The band under the device tree that holds the chosen device's details.
constexpr COLORREF kBandColour = RGB(0xFF, 0xF6, 0xD7);

void DrawLine(HDC dc, COLORREF colour, int x1, int y1, int x2, int y2) {
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, colour));
    ui::SelectionScope selection(dc, pen.Get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void FrameBox(HDC dc, COLORREF colour, const RECT& rect, COLORREF fill, bool filled) {
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, colour));
    ui::ScopedBrush brush(filled ? CreateSolidBrush(fill) : nullptr);
    ui::SelectionScope penSelection(dc, pen.Get());
    ui::SelectionScope brushSelection(dc, filled ? static_cast<HGDIOBJ>(brush.Get()) : GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

}  // namespace

// ------------------------------------------------------------------ step 1

CDlgBackup1Type::CDlgBackup1Type(CDlgBkpRstoreParent& wizard)
    : WizardPage(IDD_BACKUP1_TYPE, wizard, WizardSide::kBackup) {}

BOOL CDlgBackup1Type::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(L"BACKUPDLG1");
    next_.AttachDlgItem(Handle(), IDC_BKP1_NEXT);
    SetupDialogButtons(&next_, nullptr, PageText(L"IDC_BTN_BACKUP_NEXT"), L"", false);
    CheckRadioButton(Handle(), IDC_BKP1_FULL, IDC_BKP1_PARTIAL, IDC_BKP1_FULL);
    Layout(ClientRect());
    return TRUE;
}

void CDlgBackup1Type::Layout(const RECT& client) {
    if (!next_.Exists()) return;
    LayoutFooterButtons(*this, &next_, nullptr, client, PageText(L"IDC_BTN_BACKUP_NEXT"), L"");
    MoveWindow(Item(IDC_BKP1_FULL), 38, 104, 15, 20, TRUE);
    MoveWindow(Item(IDC_BKP1_PARTIAL), 38, 153, 15, 20, TRUE);
}

void CDlgBackup1Type::Paint(HDC dc, const RECT& client) {
    WizardPage::Paint(dc, client);
    const int right = client.right;
    DrawPageText(dc, TextWithProductTitle(L"BACKUPTAB1DESC1"), {12, 55, right - 12, 103}, RGB(0x55, 0x55, 0x55),
                 PageFont(), DT_WORDBREAK);
    DrawPageText(dc, PageText(L"BACKUPTAB1DESC31"), {77, 104, right - 12, 124}, RGB(0x32, 0x32, 0x32), PageFont(),
                 DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    DrawLine(dc, RGB(0xE1, 0xE1, 0xE1), 40, 141, right - 28, 141);
    DrawPageText(dc, PageText(L"BACKUPTAB1DESC32"), {77, 154, right - 12, 174}, RGB(0x32, 0x32, 0x32), PageFont(),
                 DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    DrawLine(dc, RGB(0xE1, 0xE1, 0xE1), 28, 100 + 15 * kLayoutUnit + 60, right - 28, 100 + 15 * kLayoutUnit + 60);
}

void CDlgBackup1Type::OnCommand(UINT id, UINT code) {
    if (id == IDC_BKP1_NEXT && code == BN_CLICKED) StartBackup();
}

void CDlgBackup1Type::StartBackup() {
    next_.Enable(false);
    next_.Show(SW_HIDE);
    CDriverScanUpdate& engine = Host().ScanUpdate();
    BackupWizardState& state = State();
    if (engine.DeviceCount() == 0) {
        // Nothing is known of the devices yet: the scan page takes the inventory
        // first, and the wizard goes on from here once it has it.
        Host().RequestBackupInventory();
        ArmMainTimer(MainTimer::kShowScanPage, 90);
        Host().CheckInternetAndContinue();
    } else if (IsDlgButtonChecked(Handle(), IDC_BKP1_FULL) == BST_CHECKED) {
        state.fullBackup = true;
        state.backupPending = true;
        int listed = 0;
        for (int i = 0; i < engine.DeviceCount() && static_cast<size_t>(i) < engine.devices.size(); ++i) {
            if (IsListedForBackup(engine.devices[static_cast<size_t>(i)])) ++listed;
        }
        state.selectedDriverCount = listed;
        wizard_.BackupProgress().SetTimer(CDlgBackup3DriverBkp::kStartTimer, 64);
        ShowStep(3, 0);
    } else if (IsDlgButtonChecked(Handle(), IDC_BKP1_PARTIAL) == BST_CHECKED) {
        state.fullBackup = false;
        wizard_.BackupDevices().SetTimer(CDlgBackup2Home::kFillTimer, 27);
        ShowStep(2, 0);
    } else {
        Host().ShowMessage(Handle(), PageText(L"IDS_SELECT_BACKUP"), MB_OK | MB_ICONINFORMATION);
    }
    next_.Enable(true);
    next_.Show(SW_SHOW);
}

// ------------------------------------------------------------------ step 2

namespace {

// The detail values in the order of the details text: category, date, publisher,
// version, hardware id, signer.
constexpr int kDetailIds[6] = {IDC_BKP2_CATEGORY, IDC_BKP2_DATE,        IDC_BKP2_PUBLISHER,
                               IDC_BKP2_VERSION,  IDC_BKP2_HARDWARE_ID, IDC_BKP2_SIGNER};

}  // namespace

CDlgBackup2Home::CDlgBackup2Home(CDlgBkpRstoreParent& wizard)
    : WizardTreePage(IDD_BACKUP2_HOME, wizard, WizardSide::kBackup, IDC_BKP2_TREE, IDC_BKP2_SELECT_ALL) {}

BOOL CDlgBackup2Home::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(L"BACKUPDLG2");
    AttachTree();
    tree_.m_onChecksChanged = [this] { UpdateSelectAllCheck(); };
    next_.AttachDlgItem(Handle(), IDC_BKP2_NEXT);
    SetupDialogButtons(&next_, nullptr, PageText(L"IDC_BTN_BACKUP_NEXT"), L"", false);
    bandBrush_.Reset(CreateSolidBrush(kBandColour));
    ClearDetails();
    Layout(ClientRect());
    return TRUE;
}

void CDlgBackup2Home::Layout(const RECT& client) {
    if (!next_.Exists()) return;
    const int width = client.right;
    const int height = client.bottom;
    tree_.MoveTo(13, 15 * kLayoutUnit + 71, width - 26, height - 15 * kLayoutUnit - 211);
    const int top = height - 118;
    MoveWindow(Item(IDC_BKP2_CATEGORY), 141, top, 180, 15, TRUE);
    MoveWindow(Item(IDC_BKP2_VERSION), 141, top + 18, 180, 15, TRUE);
    MoveWindow(Item(IDC_BKP2_DATE), 141, top + 36, 180, 15, TRUE);
    MoveWindow(Item(IDC_BKP2_PUBLISHER), 470, top, width - 482, 15, TRUE);
    MoveWindow(Item(IDC_BKP2_SIGNER), 470, top + 18, width - 482, 15, TRUE);
    MoveWindow(Item(IDC_BKP2_HARDWARE_ID), 470, top + 36, width - 482, 15, TRUE);
    LayoutSelectAll(client);
    LayoutFooterButtons(*this, &next_, nullptr, client, PageText(L"IDC_BTN_BACKUP_NEXT"), L"");
}

RECT CDlgBackup2Home::IconRect() const {
    const RECT client = ClientRect();
    return {25, client.bottom - 107, 25 + 32, client.bottom - 107 + 32};
}

void CDlgBackup2Home::Paint(HDC dc, const RECT& client) {
    WizardPage::Paint(dc, client);
    const int width = client.right;
    const int height = client.bottom;
    DrawPageText(dc, PageText(L"IDS_SELDRIVE_BAK_NOW"), {14, 55, width - 12, 15 * kLayoutUnit + 66},
                 RGB(0x48, 0x51, 0x5A), PageFont(), DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    FrameBox(dc, RGB(0xE1, 0xE1, 0xE1), {12, 15 * kLayoutUnit + 69, width - 12, height - 138}, 0, false);
    const RECT band{12, height - 119, width - 12, height - 56};
    FrameBox(dc, RGB(0xE1, 0xE1, 0xE1), band, kBandColour, true);

    const int top = height - 118;
    const wchar_t* left[] = {L"SCANTAB3CATEGORY", L"IDS_VERSION", L"IDS_COL_DATE"};
    const wchar_t* right[] = {L"SCANTAB3PUBLISHER", L"SCANTAB3SIGNER", L"SCANTAB3HARDWAREID"};
    for (int row = 0; row < 3; ++row) {
        DrawPageText(dc, PageText(left[row]), {62, top + 18 * row, 139, top + 18 * row + 15}, RGB(0x32, 0x32, 0x32),
                     PageFont(), DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        std::wstring label = PageText(right[row]);
        if (row == 2 && (label.empty() || label.back() != L':')) label += L':';
        DrawPageText(dc, label, {340, top + 18 * row, 468, top + 18 * row + 15}, RGB(0x32, 0x32, 0x32), PageFont(),
                     DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    if (detailItem_ != nullptr && images_) {
        DrawDeviceClassIcon(tree_, detailItem_, Host().ScanUpdate(), *images_, dc, IconRect().left, IconRect().top);
    }
    PaintSelectAllLabel(dc, client);
}

void CDlgBackup2Home::ClearDetails() {
    for (int id : kDetailIds) SetItemText(id, L"");
    detailItem_ = nullptr;
    const RECT icon = IconRect();
    InvalidateRect(Handle(), &icon, FALSE);
}

void CDlgBackup2Home::OnShown(bool shown) {
    shown_ = shown;
    if (!shown) return;
    Host().SetBusy(true);
    SetTimer(kFillTimer, 27);
    CheckDlgButton(Handle(), IDC_BKP2_SELECT_ALL, BST_UNCHECKED);
    OnSelectAll();
    ClearDetails();
    Host().SetBusy(false);
}

void CDlgBackup2Home::OnTimer(UINT_PTR id) {
    if (id != kFillTimer) return;
    const DWORD now = GetTickCount();
    if (!SpacingPassed(fillStamped_, lastFill_, now, kDebounceMs)) return;
    fillStamped_ = true;
    lastFill_ = now;
    tree_.Enable(true);
    tree_.Show(SW_SHOW);
    ClearDetails();
    FillDeviceTree(tree_, Host().ScanUpdate(), *images_);
}

void CDlgBackup2Home::ShowItemDetails(HTREEITEM item) {
    const DriverInfoRecord* record = BackupTreeRecord(tree_, item, Host().ScanUpdate());
    if (record == nullptr) {
        ClearDetails();
        return;
    }
    // Each value under its own label: a value the device lacks leaves its place
    // empty rather than moving the ones after it up a label.
    const std::wstring* values[6] = {&record->category, &record->driverDate, &record->provider,
                                     &record->driverVersion, &record->hardwareId, &record->signer};
    for (int part = 0; part < 6; ++part) SetItemText(kDetailIds[part], *values[part]);
    detailItem_ = item;
    const RECT icon = IconRect();
    InvalidateRect(Handle(), &icon, FALSE);
}

void CDlgBackup2Home::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_BKP2_NEXT) OnNext();
    if (id == IDC_BKP2_SELECT_ALL) OnSelectAll();
}

bool CDlgBackup2Home::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_BKP2_TREE || header.code != TVN_SELCHANGEDW) return false;
    ShowItemDetails(TreeView_GetSelection(tree_));
    result = 0;
    return true;
}

LRESULT CDlgBackup2Home::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC) {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (std::find(std::begin(kDetailIds), std::end(kDetailIds), id) != std::end(kDetailIds)) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, kBandColour);
            return reinterpret_cast<LRESULT>(bandBrush_.Get());
        }
        if (id == IDC_BKP2_SELECT_ALL) {
            SetBkColor(dc, RGB(0xFA, 0xFD, 0xFE));
            return reinterpret_cast<LRESULT>(SharedWhiteBrush());
        }
    }
    return WizardTreePage::WindowProc(message, wParam, lParam);
}

void CDlgBackup2Home::OnNext() {
    const std::lock_guard<std::mutex> lock(nextLock_);
    next_.Enable(false);
    const DWORD now = GetTickCount();
    if (!SpacingPassed(nextStamped_, lastNext_, now, kDebounceMs)) {
        // The first click has moved on already; unless it started a run, Next must
        // not stay dead.
        if (!State().backupPending && !State().backupRunning) next_.Enable(true);
        return;
    }
    nextStamped_ = true;
    lastNext_ = now;
    const int count = CountDeviceItems(tree_, true);
    if (count > 0) {
        State().selectedDriverCount = count;
        State().backupPending = true;
        ShowStep(3, 0);
        wizard_.BackupProgress().SetTimer(CDlgBackup3DriverBkp::kStartTimer, 10);
    } else {
        Host().ShowMessage(Handle(), PageText(L"IDS_BACKUP_ONETIME"), MB_OK | MB_ICONINFORMATION);
        next_.Enable(true);
    }
}

// ------------------------------------------------------------------ step 3

CDlgBackup3DriverBkp::CDlgBackup3DriverBkp(CDlgBkpRstoreParent& wizard)
    : WizardProgressPage(IDD_BACKUP3_DRIVER_BKP, wizard, WizardSide::kBackup,
                         {IDC_BKP3_ANIMATION, IDC_BKP3_DETAIL, IDC_BKP3_PROGRESS, IDC_BKP3_STATUS},
                         &CDriverScanUpdate::backupProgress) {}

CDlgBackup3DriverBkp::~CDlgBackup3DriverBkp() { WaitForThreads(); }

void CDlgBackup3DriverBkp::WaitForThreads() {
    thread_.Join();
    stopThread_.Join();
}

BOOL CDlgBackup3DriverBkp::OnInitDialog() {
    WizardPage::OnInitDialog();
    SetWindowTextKey(State().fullBackup ? L"BACKUPDLG3ALL" : L"BACKUPDLG3");
    worker_ = std::make_unique<BackupWorker>(Host().ScanUpdate(), Host().ScannerApp(), *this);
    stop_.AttachDlgItem(Handle(), IDC_BKP3_STOP);
    SetupDialogButtons(&stop_, nullptr, PageText(L"IDC_BACKUPTAB2_STOP_BKP"), L"", false);
    ResetBar();
    RegisterProgressControls();
    Layout(ClientRect());
    return TRUE;
}

void CDlgBackup3DriverBkp::Layout(const RECT& client) {
    if (!stop_.Exists()) return;
    LayoutProgress(client);
    statusRect_ = {12, 55, client.right - 12, 110};
    LayoutFooterButtons(*this, &stop_, nullptr, client, PageText(L"IDC_BACKUPTAB2_STOP_BKP"), L"");
}

void CDlgBackup3DriverBkp::Paint(HDC dc, const RECT& client) {
    WizardPage::Paint(dc, client);
    DrawPageText(dc, StatusText(), statusRect_, RGB(0x48, 0x51, 0x5A), PageFont(), DT_WORDBREAK);
}

std::wstring CDlgBackup3DriverBkp::StatusText() const {
    const std::lock_guard<std::mutex> lock(statusLock_);
    return statusText_;
}

void CDlgBackup3DriverBkp::SetStatusText(const std::wstring& text) {
    {
        const std::lock_guard<std::mutex> lock(statusLock_);
        statusText_ = text;
    }
    InvalidateRect(Handle(), &statusRect_, FALSE);
}

void CDlgBackup3DriverBkp::OnShown(bool shown) {
    if (!shown) return;
    Host().SetBusy(true);
    SetWindowTextKey(State().fullBackup ? L"BACKUPDLG3ALL" : L"BACKUPDLG3");
    SetStatusText(PageText(L"IDS_BCK_COMPLETED"));
    OpenBusyAnimation();
    if (State().backupPending) {
        ResetBar();
        SetItemText(IDC_BKP3_STATUS, PageText(L"IDS_BCK_START"));
        SetItemText(IDC_BKP3_DETAIL, PageText(L"IDS_WAIT"));
        stop_.Enable(true);
        PlayBusyAnimation();
    }
    Invalidate();
}

void CDlgBackup3DriverBkp::OnTimer(UINT_PTR id) {
    if (id != kStartTimer) return;
    State().backupRunning = true;
    SetStatusText(PageText(L"IDS_BCK_COMPLETED"));
    if (!thread_.Start([this] { RunBackupThread(); })) {
        State().backupRunning = false;
        State().backupFailed = true;
        State().backupPending = false;
        ShowStep(4, 90);
    }
}

void CDlgBackup3DriverBkp::RunBackupThread() {
    Sleep(startDelayMs);
    BackupRestoreHost& host = Host();
    BackupWizardState& state = State();
    host.SetBusy(true);
    host.EnableNavigation(false);
    RegisterProgressControls();
    BackupRunSettings settings;
    settings.choice.everyDevice = state.fullBackup;
    if (!state.fullBackup) settings.choice.deviceIndexes = CheckedDeviceIndexes(wizard_.BackupDevices().Tree());
    settings.backupFolder = host.BackupFolder();
    settings.backupList = &host.Backups();
    settings.saveBackupList = [&host] { return host.SaveBackups(); };
    const BackupRunOutcome outcome = worker_->Run(settings);
    if (outcome.ran) {
        // A run that did not finish its pass ends on the finish page too, as failed.
        state.backupFailed = outcome.failed;
        if (!outcome.backupFolder.empty() && outcome.backupFolder != settings.backupFolder) {
            host.SetBackupFolder(outcome.backupFolder);
        }
        StopAnimation();
        state.backupPending = false;
        ShowStep(4, 90);
        SetStatusText(L"");
    }
    host.EnableNavigation(true);
    host.SetBusy(false);
    wizard_.BackupDevices().EnableNext();
    state.backupRunning = false;
}

void CDlgBackup3DriverBkp::OnCommand(UINT id, UINT code) {
    if (id == IDC_BKP3_STOP && code == BN_CLICKED) OnStop();
}

void CDlgBackup3DriverBkp::OnStop() {
    if (!worker_) return;
    worker_->MarkStopRequested();
    SetStatusText(PageText(L"IDS_WAIT_STOP_BAK"));
    stop_.Enable(false);
    stopThread_.Start([this] { worker_->RequestStop(); });
}

void CDlgBackup3DriverBkp::ShowStatus(const wchar_t* key) {
    const std::wstring text = PageText(key);
    SetItemText(IDC_BKP3_STATUS, text);
    SetStatusText(text);
}

void CDlgBackup3DriverBkp::ShowDetail(const wchar_t* key) { SetItemText(IDC_BKP3_DETAIL, PageText(key)); }

void CDlgBackup3DriverBkp::EnableStop(bool enabled) { stop_.Enable(enabled); }

void CDlgBackup3DriverBkp::StopAnimation() { StopBusyAnimation(); }

void CDlgBackup3DriverBkp::ShowError(const wchar_t* key) {
    Host().ShowMessage(Handle(), PageText(key), MB_OK | MB_ICONERROR);
}

bool CDlgBackup3DriverBkp::AskYesNo(const wchar_t* key) {
    return Host().ShowMessage(Handle(), PageText(key), MB_YESNO | MB_ICONERROR) == IDYES;
}

bool CDlgBackup3DriverBkp::ChooseNewBackupFolder(std::wstring& folder) {
    // The same checked choice as the folder page's browse, with the same word when
    // the folder is refused.
    const FolderChoice choice = ChooseCheckedFolder(
        Host().BackupFolder(), Host().DefaultBackupFolder(),
        [this](std::wstring& picked) { return Host().ChooseFolder(Handle(), picked); }, folder);
    if (choice == FolderChoice::kRefused) Host().ShowMessage(Handle(), PageText(L"IDS_UNABLE_SAVE_SETTING"), MB_OK);
    return choice == FolderChoice::kChosen;
}

// ------------------------------------------------------------------ step 4

CDlgBackup4Finish::CDlgBackup4Finish(CDlgBkpRstoreParent& wizard)
    : WizardFinishPage(IDD_BACKUP4_FINISH, wizard, WizardSide::kBackup, IDC_BKP4_FINISH,
                       {IDC_BKP4_TOTAL, IDC_BKP4_SELECT, IDC_BKP4_DONE, IDC_BKP4_NOT_DONE}, L"IDD_BACKUPTAB3_FINISH") {}

BOOL CDlgBackup4Finish::OnInitDialog() {
    WizardFinishPage::OnInitDialog();
    SetWindowTextKey(L"BACKUPDLG4");
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tooltip_ != nullptr) {
        std::wstring tip = PageText(L"BACKUPTAB4TOOLTIP");
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(finish_.Handle());
        tool.lpszText = tip.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return TRUE;
}

void CDlgBackup4Finish::OnShown(bool shown) {
    if (!shown) return;
    Host().SetBusy(false);
    const CDriverScanUpdate& engine = Host().ScanUpdate();
    failed_ = State().backupFailed;
    BackupRunCounts run;
    run.inventoryCount = engine.DeviceCount();
    run.engineSelected = engine.backupRestore.backupSelectedCount;
    run.pageSelected = State().selectedDriverCount;
    run.done = engine.backupRestore.backupSelectedCount - engine.backupRestore.devicesNotBackedUp;
    run.failed = failed_;
    counts_ = BackupFinishCounts(run);
    SetWindowTextKey(failed_ ? L"BACKUPDLG4_1" : L"BACKUPDLG4");
    ShowCounts({counts_.total, counts_.select, counts_.done, counts_.notDone});
    WriteLogLine(L"Backup Summary: Total=%ls, Select=%ls, Done=%ls, NotDone=%ls", counts_.total.c_str(),
                 counts_.select.c_str(), counts_.done.c_str(), counts_.notDone.c_str());
    Invalidate();
}

void CDlgBackup4Finish::Paint(HDC dc, const RECT& client) {
    WizardFinishPage::Paint(dc, client);
    const int width = client.right;
    std::wstring heading;
    std::wstring result;
    if (failed_) {
        heading = TextWithProductTitle(L"BACKUPTAB4DESC8");
        result = PageText(L"IDS_BAK_ABORTED");
    } else {
        heading = TextWithProductTitle(State().fullBackup ? L"BACKUPTAB4DESC2ALL" : L"BACKUPTAB4DESC2");
        result = PageText(L"IDS_BAK_COMP_SUCESS");
    }
    DrawPageText(dc, result, {81, 104, width - 101, 124}, failed_ ? RGB(0xA8, 0, 0) : RGB(0x1E, 0x1E, 0x1E), PageFont(),
                 DT_SINGLELINE | DT_END_ELLIPSIS);
    const COLORREF good = RGB(0, 0x82, 0x2C);
    const COLORREF bad = RGB(0xA9, 0x01, 0x01);
    DrawWizardResultPanel(Handle(), dc, 12, 150, 161, heading, icons_.Of(!failed_),
                          {PageText(L"BACKUPTAB4DESC3"), PageText(L"BACKUPTAB4DESC4"), PageText(L"BACKUPTAB4DESC5")},
                          {counts_.total, counts_.select, counts_.done}, {good, good, failed_ ? bad : good});
}
