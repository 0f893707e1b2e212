#include "screens/scan/scan_screens/dlg_scan2_scanning.h"

#include <commctrl.h>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/product_shortcuts.h"
#include "platform/checked_format.h"
#include "platform/ui/gdi.h"
#include "platform/ui/message_pump.h"
#include "screens/scan/scan_screens/scan_screens_ids.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/driver_optimizer_app.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/app/main_window_ids.h"

namespace {

constexpr UINT kRunQueuedMessage = WM_APP + 0x130;
constexpr UINT kServiceErrorMessage = WM_APP + 0x131;
constexpr ULONGLONG kQueueTurnMs = 8;
constexpr UINT kMainTimerDelayMs = 90;
// The results page fills itself before the main window switches to it.
constexpr UINT kResultsSettleMs = 1000;

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

SYSTEMTIME Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

}  // namespace

// The worker's wishes of the main window, carried out on the window thread in the
// order the worker made them.
class CDlgScan2Scanning::Navigator : public ScanNavigator {
public:
    explicit Navigator(CDlgScan2Scanning& page) : page_(page) {}
    void EnableNavigation(bool enable) override {
        page_.RunOnWindowThread([this, enable] { page_.host_.EnableNavigation(enable); });
    }
    void SetBusy(bool busy) override { page_.host_.SetBusy(busy); }
    void ShowResultsPage() override {
        page_.RunOnWindowThread([this] {
            page_.host_.RefillResultsPage();
            page_.host_.SetMainTimer(MainTimer::kScanFinished, kResultsSettleMs + kMainTimerDelayMs);
        });
    }
    void ShowHomePage() override {
        page_.RunOnWindowThread([this] { page_.host_.SetMainTimer(MainTimer::kShowHomeAfterRun, kMainTimerDelayMs); });
    }
    void BackupInventoryDone(bool devicesFound) override {
        page_.RunOnWindowThread([this, devicesFound] { page_.host_.HandInventoryToBackup(devicesFound); });
    }
    void StartBackupOrHome(bool devicesFound) override {
        page_.RunOnWindowThread(
            [this, devicesFound] { page_.host_.SetMainTimer(devicesFound ? MainTimer::kStartMachineBackup : MainTimer::kShowHomeAfterRun, kMainTimerDelayMs); });
    }

private:
    CDlgScan2Scanning& page_;
};

CDlgScan2Scanning::CDlgScan2Scanning(ScanScreensHost& host)
    : CDlgChildBase(IDD_SCAN2_SCANNING), host_(host), navigator_(std::make_unique<Navigator>(*this)) {
    ScanPageView& view = *this;
    worker_ = std::make_unique<ScanWorker>(host.App(), host.Service(), view, *navigator_);
}

CDlgScan2Scanning::~CDlgScan2Scanning() {
    // A scan still running is stopped, and the window goes first: the worker may be
    // waiting for this thread to answer a message to the page or its status line,
    // which a window that is gone answers at once. Then the worker ends before the
    // page's controls and queue go; what it still queues is dropped with the queue.
    if (worker_->Running()) worker_->StopScan();
    if (Exists()) DestroyWindow(Handle());
    worker_.reset();
    RestoreDialogFont(m_fontState);
}

BOOL CDlgScan2Scanning::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SharedPageIcon()));
    ScaleDialogFont(Handle(), static_cast<WORD>(TemplateId()), 96.0, ResourceModule(), m_fontState);
    SetText(LangText(L"SCANTAB2CURLABEL"));

    stopButton_.AttachDlgItem(Handle(), IDC_SCAN_STOP);
    SetupDialogButtons(&stopButton_, nullptr, LangText(L"IDC_SCANTAB2_STOP_SCAN"), L"", false);

    HWND list = Item(IDC_SCAN_DEVICE_LIST);
    deviceList_.Attach(list);
    ListView_SetExtendedListViewStyle(list, ListView_GetExtendedListViewStyle(list) | LVS_EX_FULLROWSELECT |
                                                LVS_EX_INFOTIP);
    const std::wstring headings[] = {LangText(L"IDS_LABEL_DATE_TIME"), LangText(L"IDS_LABEL_STATUS")};
    const int widths[] = {520, 356};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        item.fmt = LVCFMT_LEFT;
        item.cx = widths[column];
        item.pszText = const_cast<wchar_t*>(headings[column].c_str());
        ListView_InsertColumn(list, column, &item);
    }
    SetDlgItemTextW(Handle(), IDC_SCAN_STATUS, LangText(L"IDS_WAIT_SCAN_START").c_str());
    SetDlgItemTextW(Handle(), IDC_SCAN_OUT_OF_DATE, LangText(L"SCANTAB2PROC").c_str());
    SetDlgItemTextW(Handle(), IDC_SCAN_OUT_OF_DATE, LangText(L"IDC_ST_OUT_OF_DATE").c_str());
    Layout();
    for (int id : {IDC_SCAN_ANIMATION, IDC_SCAN_OUT_OF_DATE, IDC_SCAN_STATUS}) {
        ShowWindow(Item(id), SW_HIDE);
        EnableWindow(Item(id), FALSE);
    }
    ResetProgressTexts();
    return TRUE;
}

void CDlgScan2Scanning::OnShownByMainWindow() {
    ResetProgressTexts();
    SetTimer(kStartTimer, 100);
}

// ---------------------------------------------------------------- the worker's view

HWND CDlgScan2Scanning::ProgressBar() { return Item(IDC_SCAN_PROGRESS); }
HWND CDlgScan2Scanning::StatusLabel() { return Item(IDC_SCAN_STATUS); }

void CDlgScan2Scanning::RunOnWindowThread(std::function<void()> action) {
    // One posted turn at a time: a turn takes all that is queued by then, and a
    // message per device had the list drawn once per device.
    bool post = false;
    {
        std::lock_guard lock(queueLock_);
        queue_.push_back(std::move(action));
        post = !turnPosted_ && Exists();
        if (post) turnPosted_ = true;
    }
    if (post && !PostMessageW(Handle(), kRunQueuedMessage, 0, 0)) {
        std::lock_guard lock(queueLock_);
        turnPosted_ = false;
    }
}

void CDlgScan2Scanning::RunQueued() {
    // A turn takes a few milliseconds at most and draws the list once, so that a
    // message sent to the window thread meanwhile waits for one short turn, not for
    // the whole backlog of a fast inventory.
    {
        std::lock_guard lock(queueLock_);
        turnPosted_ = false;
    }
    HWND list = Item(IDC_SCAN_DEVICE_LIST);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    scrollToLastRow_ = false;
    const ULONGLONG start = GetTickCount64();
    bool more = false;
    for (;;) {
        std::function<void()> action;
        {
            std::lock_guard lock(queueLock_);
            if (queue_.empty()) break;
            if (GetTickCount64() - start >= kQueueTurnMs) {
                more = true;
                break;
            }
            action = std::move(queue_.front());
            queue_.pop_front();
        }
        action();
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    if (scrollToLastRow_) {
        ListView_EnsureVisible(list, ListView_GetItemCount(list) - 1, FALSE);
        InvalidateRect(list, nullptr, FALSE);
    }
    if (more) {
        std::lock_guard lock(queueLock_);
        if (!turnPosted_) turnPosted_ = PostMessageW(Handle(), kRunQueuedMessage, 0, 0) != FALSE;
    }
}

void CDlgScan2Scanning::SetScanStatusText(const std::wstring& text, bool show) {
    RunOnWindowThread([this, text, show] {
        if (show) SetDlgItemTextW(Handle(), IDC_SCAN_STATUS, text.c_str());
        if (!text.empty()) AppendListRow(text, L"");
    });
}

void CDlgScan2Scanning::AddScannedDevice(const std::wstring& name, const std::wstring& status, int percent,
                                         int count) {
    RunOnWindowThread([this, name, status, percent, count] {
        deviceName_ = name;
        deviceStatus_ = status;
        percent_ = percent;
        devicesScanned_ = count;
        const RECT band = ProgressBand();
        InvalidateRect(Handle(), &band, FALSE);
        AppendListRow(name, status);
    });
}

void CDlgScan2Scanning::AppendListRow(const std::wstring& first, const std::wstring& second) {
    // Runs inside a queue turn, which keeps the list from drawing until its end.
    HWND list = Item(IDC_SCAN_DEVICE_LIST);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<wchar_t*>(first.c_str());
    const int row = ListView_InsertItem(list, &item);
    if (row >= 0 && !second.empty()) ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(second.c_str()));
    if (row >= 0) scrollToLastRow_ = true;
}

void CDlgScan2Scanning::ClearDeviceRows() {
    RunOnWindowThread([this] { ListView_DeleteAllItems(Item(IDC_SCAN_DEVICE_LIST)); });
}

void CDlgScan2Scanning::ResetProgressTexts() {
    RunOnWindowThread([this] {
        deviceName_.clear();
        deviceStatus_.clear();
        percent_ = 0;
        devicesScanned_ = 0;
        elapsedText_ = L"00:00";
        Invalidate();
    });
}

void CDlgScan2Scanning::SetStopEnabled(bool enabled) {
    RunOnWindowThread([this, enabled] {
        stopButton_.Enable(enabled);
        if (!enabled) {
            stopButton_.Invalidate();
            SetFocus(stopButton_.Handle());
        }
    });
}

void CDlgScan2Scanning::StartElapsedTimer() {
    RunOnWindowThread([this] {
        startTime_ = Now();
        elapsedText_ = L"00:00";
        SetTimer(kElapsedTimer, 1000);
        const RECT band = ProgressBand();
        InvalidateRect(Handle(), &band, FALSE);
    });
}

void CDlgScan2Scanning::StopElapsedTimer() {
    RunOnWindowThread([this] { KillTimer(kElapsedTimer); });
}

bool CDlgScan2Scanning::AskStopScan(const std::wstring& question) {
    ui::PumpPendingMessages();
    return CurrentAppSystem().ShowMessageBox(Handle(), question, GetAppTitle(),
                                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CDlgScan2Scanning::ShowServiceError(const std::wstring& text) {
    // The worker waits for the answer as it would for its own box: the home page
    // comes after the user has read it.
    if (Exists()) SendMessageW(Handle(), kServiceErrorMessage, 0, reinterpret_cast<LPARAM>(&text));
}

// ---------------------------------------------------------------- window

int CDlgScan2Scanning::ListRows() const { return ListView_GetItemCount(Item(IDC_SCAN_DEVICE_LIST)); }

std::wstring CDlgScan2Scanning::ListRowText(int row) const {
    wchar_t text[512] = {};
    ListView_GetItemText(Item(IDC_SCAN_DEVICE_LIST), row, 0, text, 512);
    return text;
}

void CDlgScan2Scanning::OnTimer(UINT_PTR id) {
    switch (id) {
        case kStartTimer:
            KillTimer(kStartTimer);
            if (worker_->Running()) break;  // a second start while one runs
            stopButton_.Enable(true);
            worker_->Start();
            break;
        case kElapsedTimer:
            if (const auto text = ElapsedScanText(startTime_, Now())) elapsedText_ = *text;
            {
                const RECT band = ProgressBand();
                InvalidateRect(Handle(), &band, FALSE);
            }
            break;
        default:
            KillTimer(id);
            break;
    }
}

RECT CDlgScan2Scanning::ProgressBand() const { return RECT{22, 87, 752, 104}; }

void CDlgScan2Scanning::Layout() {
    const RECT client = ClientRect();
    const int w = client.right;
    const int h = client.bottom;
    LayoutFooterButtons(*this, &stopButton_, nullptr, client, LangText(L"IDC_SCANTAB2_STOP_SCAN"), L"");
    MoveWindow(Item(IDC_SCAN_ANIMATION), 12, 32, 63, 63, FALSE);
    MoveWindow(Item(IDC_SCAN_OUT_OF_DATE), 87, 32, w - 99, 18, FALSE);
    MoveWindow(Item(IDC_SCAN_PROGRESS), 20, 60, w - 32, 20, FALSE);
    MoveWindow(Item(IDC_SCAN_STATUS), 20, 80, w - 32, 36, FALSE);
    HWND list = Item(IDC_SCAN_DEVICE_LIST);
    MoveWindow(list, 12, 120, w - 24, std::max(0, h - 191), TRUE);
    ListView_SetColumnWidth(list, 1, w - ListView_GetColumnWidth(list, 0) - 54);
    Invalidate();
}

void CDlgScan2Scanning::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    // Only the invalid part is buffered: progress updates repaint the band alone.
    CHvMemDC memory(paint);
    FillRect(memory, &client, SharedWhiteBrush());
    DrawPageBackground(memory, client, TRUE, L"", true, false, false, 24);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(85, 85, 85));
    const auto draw = [&memory](const std::wstring& text, RECT box) {
        DrawTextW(memory, text.c_str(), static_cast<int>(text.size()), &box, DT_WORDBREAK | DT_NOPREFIX);
    };
    {
        ui::SelectionScope heading(memory, ToolkitHeadingFont());
        draw(FormatChecked(LangText(L"IDS_SCANNING_DRIVERS"), {std::wstring(L"Brennavik"), GetProductTitle()}),
             RECT{22, 5, 752, 35});
    }
    HFONT body = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    ui::SelectionScope bodyFont(memory, body != nullptr ? body : ToolkitDialogFont());
    draw(LangText(L"IDS_TAKE_MINUTES"), RECT{22, 35, 752, 52});
    draw(FormatChecked(LangText(L"IDS_SCANNING_PERCENTAGE"), {percent_}), RECT{22, 87, 262, 104});
    draw(FormatChecked(LangText(L"IDS_DEVICE_SCANNED"), {devicesScanned_}), RECT{267, 87, 507, 104});
    draw(FormatChecked(LangText(L"IDS_ELAPSED_SCAN_TIME"), {elapsedText_}), RECT{512, 87, 752, 104});
    const int right = GetLanguageId() == 0 ? 500 : 390;
    draw(FormatChecked(LangText(L"SCANTAB2HINT"), {GetProductTitle()}), RECT{12, client.bottom - 34, right, client.bottom});
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(191, 191, 191)));
    ui::SelectionScope framePen(memory, pen.Get());
    ui::SelectionScope hollow(memory, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    Rectangle(memory, 11, 119, client.right - 11, client.bottom - 70);
}

LRESULT CDlgScan2Scanning::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunQueuedMessage:
            RunQueued();
            return 0;
        case kServiceErrorMessage:
            CurrentAppSystem().ShowMessageBox(Handle(), *reinterpret_cast<const std::wstring*>(lParam), GetAppTitle(),
                                              MB_ICONEXCLAMATION);
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE: {
            const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
            if (stopButton_.Exists()) Layout();
            return result;
        }
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_SCAN_STOP && HIWORD(wParam) == BN_CLICKED) {
                worker_->OnStopClicked();
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, reinterpret_cast<HWND>(lParam) == Item(IDC_SCAN_OUT_OF_DATE) ? RGB(50, 50, 50)
                                                                                          : RGB(85, 85, 85));
            return reinterpret_cast<LRESULT>(SharedWhiteBrush());
        }
        default:
            break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
