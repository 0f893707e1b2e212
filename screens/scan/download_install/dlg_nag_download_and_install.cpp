#include "screens/scan/download_install/dlg_nag_download_and_install.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/backup_archive.h"
#include "engine/backup_restore_runs.h"
#include "engine/driver_install_engine.h"
#include "engine/driver_scanner_app.h"
#include "engine/package_digest.h"
#include "engine/package_file_name.h"
#include "foundation/app_settings.h"
#include "foundation/clock.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/os_identity.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "platform/checked_format.h"
#include "platform/com_apartment.h"
#include "platform/ui/gdi.h"
#include "platform/ui/message_pump.h"
#include "scan/download_info_request.h"
#include "scan/driver_scan_update.h"
#include "screens/scan/download_install/download_install_host.h"
#include "screens/scan/download_install/download_install_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }
std::wstring TextWithTitle(const wchar_t* key) { return FormatChecked(LangText(key), {GetProductTitle()}); }

bool FileThere(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Keeps the window answering while a stage thread waits on purpose.
void PausePumping(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        ui::PumpPendingMessages();
        Sleep(1);
    }
}

constexpr int kDigestMismatch = -4;
constexpr int kNotWritable = -6;

}  // namespace

CDlgNagDownloadAndInstall::CDlgNagDownloadAndInstall(DownloadInstallHost& host)
    : CDlgChildBase(IDD_NAG_DOWNLOAD_AND_INSTALL), host_(host), osIdText_(GetOsIdString()) {
    job_.completionEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CDlgNagDownloadAndInstall::~CDlgNagDownloadAndInstall() {
    stopRequested_ = 1;
    if (job_.running) StopRunningDownload(job_, stopWaitLimitMs);
    WaitForThreads();
    if (GetDownloadProgressWindow() == this) SetDownloadProgressWindow(nullptr);
    if (CDriverScanUpdate* engine = progressEngine_.load(); engine != nullptr) {
        if (engine->backupProgress == &barProgress_) engine->backupProgress = nullptr;
        if (engine->installProgress == &barProgress_) engine->installProgress = nullptr;
    }
}

CDriverScanUpdate& CDlgNagDownloadAndInstall::ShowProgressOf(CDriverScanUpdate& engine) {
    progressEngine_ = &engine;
    return engine;
}

void CDlgNagDownloadAndInstall::WaitForThreads() {
    stageThread_.Join();
    stopThread_.Join();
}

BOOL CDlgNagDownloadAndInstall::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    ScaleDialogFont(Handle(), static_cast<WORD>(TemplateId()), 96.0, ResourceModule(), m_fontState);
    SetText(LangText(L"IDS_DOWNLOAD_DLG_HEADING"));
    stop_.AttachDlgItem(Handle(), IDCANCEL);
    close_.AttachDlgItem(Handle(), IDOK);
    SetupDialogButtons(&close_, &stop_, LangText(L"IDS_CLOSE"), LangText(L"IDS_STOP"), false);
    close_.Show(SW_HIDE);
    stop_.Show(SW_SHOW);
    list_.AttachDlgItem(Handle(), IDC_DLI_LIST);
    barProgress_ = ProgressControls(ProgressBar(), nullptr, nullptr);
    ListView_SetExtendedListViewStyle(list_.Handle(), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    std::wstring heading = LangText(L"varCol4Heading");
    column.pszText = heading.data();
    column.cx = std::max<int>(100, static_cast<int>(ClientRect().right) - 44);
    ListView_InsertColumn(list_.Handle(), 0, &column);
    SendDlgItemMessageW(Handle(), IDC_DLI_PROGRESS, PBM_SETRANGE32, 0, 100);
    Layout();
    return TRUE;
}

void CDlgNagDownloadAndInstall::Layout() {
    if (!stop_.Exists()) return;
    const RECT client = ClientRect();
    const int width = client.right - 24;
    MoveWindow(Item(IDC_DLI_HEADING), 12, 55, width, 20, TRUE);
    MoveWindow(Item(IDC_DLI_PROGRESS), 12, 83, width, 20, TRUE);
    MoveWindow(Item(IDC_DLI_RESULT), 12, 111, width, 20, TRUE);
    const int listBottom = client.bottom - 64;
    MoveWindow(list_.Handle(), 12, 135, width, std::max(40, listBottom - 135), TRUE);
    ListView_SetColumnWidth(list_.Handle(), 0, std::max(100, width - 24));
    // The heading static is hidden behind the painted status line, which wraps.
    ShowWindow(Item(IDC_DLI_HEADING), SW_HIDE);
    statusRect_ = {12, 58, client.right - 12, 80};
    // Stop and Close take turns in the same place.
    LayoutFooterButtons(*this, &stop_, nullptr, client, stop_.Text(), L"");
    const RECT stopRect = stop_.RectInParent();
    MoveWindow(close_.Handle(), stopRect.left, stopRect.top, stopRect.right - stopRect.left,
               stopRect.bottom - stopRect.top, TRUE);
}

void CDlgNagDownloadAndInstall::Paint(HDC dc, const RECT& client) {
    DrawPageBackground(dc, client, TRUE, Text(), true, true, false, 24);
    std::wstring line = StatusLine();
    const auto first = line.find_first_not_of(L" \t\r\n");
    const auto last = line.find_last_not_of(L" \t\r\n");
    line = first == std::wstring::npos ? std::wstring() : line.substr(first, last - first + 1);
    RECT rect = statusRect_;
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    ui::SelectionScope selection(dc, font != nullptr ? font : ToolkitDialogFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(50, 50, 50));
    DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &rect, DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CDlgNagDownloadAndInstall::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
    case WM_SIZE: {
        const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
        Layout();
        return result;
    }
    case kArmTimerMessage:
        SetTimer(static_cast<UINT_PTR>(wParam), static_cast<UINT>(lParam));
        return 0;
    case kClearRowsMessage:
        ListView_DeleteAllItems(list_.Handle());
        rowSlot_ = 0;
        slotHoldsProgress_ = false;
        return 0;
    case kAppendRowMessage:
        AppendStatusRow(*reinterpret_cast<const std::wstring*>(lParam), wParam != 0, false);
        return 0;
    case kArmMainTimerMessage:
        ArmMainTimer(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_COMMAND:
        if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDCANCEL) OnStop();
            if (LOWORD(wParam) == IDOK) OnClose();
            return 0;
        }
        break;
    default:
        break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}

// ------------------------------------------------------------------ start and timers

void CDlgNagDownloadAndInstall::SetSelectionOnEngine() {
    // The backup before the update takes its devices from the engine's update list.
    CDriverScanUpdate& engine = host_.ScanUpdate();
    engine.updateList.clear();
    engine.integerArray.clear();
    for (size_t i = 0; i < selection_.size(); ++i) {
        if (!updateAll_ && i > 0) break;
        engine.updateList[static_cast<int32_t>(i)] = selection_[i];
        engine.integerArray.push_back(static_cast<int32_t>(i));
    }
}

void CDlgNagDownloadAndInstall::StartDownloads(const std::vector<int>& deviceIndexes, bool updateAll) {
    selection_ = deviceIndexes;
    updateAll_ = updateAll;
    SetSelectionOnEngine();
    ArmTimer(updateAll ? kAllDownloadsTimer : kSingleDownloadTimer, 64);
}

void CDlgNagDownloadAndInstall::StartInstall(const std::vector<int>& deviceIndexes, bool updateAll) {
    selection_ = deviceIndexes;
    updateAll_ = updateAll;
    SetSelectionOnEngine();
    downloadsCompleted_ = true;
    downloadedCount_ = static_cast<int>(updateAll ? deviceIndexes.size() : std::min<size_t>(1, deviceIndexes.size()));
    installRun_ = updateAll ? InstallRun::All : InstallRun::Single;
    ArmTimer(kBackupTimer, 64);
}

void CDlgNagDownloadAndInstall::ArmTimer(UINT_PTR id, UINT milliseconds) {
    // A timer belongs to its window's thread: a stage thread asks the window.
    if (GetWindowThreadProcessId(Handle(), nullptr) != GetCurrentThreadId()) {
        Post(kArmTimerMessage, id, milliseconds);
        return;
    }
    SetTimer(id, milliseconds);
}

void CDlgNagDownloadAndInstall::ArmMainTimer(UINT id, UINT milliseconds) {
    HWND main = host_.MainWindow();
    if (main == nullptr) return;
    // The main window's timers too belong to its thread.
    if (GetWindowThreadProcessId(main, nullptr) != GetCurrentThreadId()) {
        Post(kArmMainTimerMessage, id, milliseconds);
        return;
    }
    ::SetTimer(main, id, milliseconds, nullptr);
}

void CDlgNagDownloadAndInstall::StartStage(void (CDlgNagDownloadAndInstall::*body)()) {
    stageRunning_ = true;
    stopThread_.Join();
    if (!stageThread_.Start([this, body] {
            host_.SetBusy(true);
            host_.EnableNavigation(false);
            const ComApartment com(COINIT_APARTMENTTHREADED);
            try {
                (this->*body)();
            } catch (...) {
                ArmTimer(kCloseTimer, 64);
            }
            stageRunning_ = false;
        })) {
        stageRunning_ = false;
        EndEarly();
    }
}

void CDlgNagDownloadAndInstall::OnTimer(UINT_PTR id) {
    KillTimer(id);
    switch (id) {
    case kSingleDownloadTimer:
        StartStage(&CDlgNagDownloadAndInstall::RunSingleDownload);
        break;
    case kAllDownloadsTimer:
        StartStage(&CDlgNagDownloadAndInstall::RunAllDownloads);
        break;
    case kSingleDownloadDoneTimer:
    case kAllDownloadsDoneTimer:
        downloadsCompleted_ = true;
        stopRequested_ = 0;
        SendDlgItemMessageW(Handle(), IDC_DLI_PROGRESS, PBM_SETPOS, 0, 0);
        ShowProgressOf(host_.ScanUpdate()).backupProgress = &barProgress_;
        if (id == kAllDownloadsDoneTimer) host_.ScannerApp().SetStatusCode(35);
        SetTimer(kBackupTimer, 64);
        break;
    case kBackupTimer:
        SetStatusLine(TextWithTitle(L"IDS_STRING_WHILE_BACKUP_IN_DWNL"));
        StartStage(&CDlgNagDownloadAndInstall::RunBackupStage);
        break;
    case kCloseTimer:
        EndEarly();
        OnClose();
        break;
    case kRestartPromptTimer: {
        const int answer = host_.ShowRestartPrompt();
        if (answer != 0) {
            SaveLastScanResultCount(CountPending(host_.ScanUpdate()));
        } else {
            EndEarly();
            ArmMainTimer(105, 90);
        }
        break;
    }
    default:
        break;
    }
}

int CDlgNagDownloadAndInstall::CountPending(CDriverScanUpdate& engine) {
    int pending = 0;
    for (const auto& row : engine.updateResults) {
        if (row.state != CDriverScanUpdate::tagUpdateResultsStruct::kNotPending) ++pending;
    }
    return pending;
}

void CDlgNagDownloadAndInstall::EndEarly() {
    host_.EnableNavigation(true);
    host_.SetBusy(false);
}

void CDlgNagDownloadAndInstall::OnClose() {
    ArmMainTimer(105, 90);
    host_.EnableNavigation(true);
    host_.SetBusy(false);
}

void CDlgNagDownloadAndInstall::OnStop() {
    stopRequested_ = 1;
    stop_.Enable(false);
    AppendStatusRow(LangText(L"IDS_WAIT_STOP_MOMENT"), true, true);
    const int stage = stage_.load();
    if (stage == kStageSingleDownload || stage == kStageAllDownloads) {
        // Waits only on a job that runs, and never for ever; a job that the stage
        // thread starts just after the click is stopped too.
        stopThread_.Start([this] {
            const ULONGLONG end = GetTickCount64() + stopWaitLimitMs;
            while (stageRunning_ && GetTickCount64() < end) {
                if (job_.running) {
                    StopRunningDownload(job_, static_cast<DWORD>(end - GetTickCount64()));
                } else {
                    Sleep(20);
                }
            }
        });
    } else if (stage == kStageBackup && !installing_) {
        stopThread_.Start([this] {
            CDriverScanUpdate& engine = host_.ScanUpdate();
            engine.operationKind = CDriverScanUpdate::kBackupOperation;
            engine.StartEngineOperationAndWait(false, host_.ScannerApp());
        });
    }
}

// ------------------------------------------------------------------ window parts

void CDlgNagDownloadAndInstall::SetOverallPercent(int percent) {
    SendDlgItemMessageW(Handle(), IDC_DLI_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

HWND CDlgNagDownloadAndInstall::ProgressBar() const { return Item(IDC_DLI_PROGRESS); }

void CDlgNagDownloadAndInstall::AppendStatusRow(const std::wstring& text, bool newRow, bool log) {
    if (text.empty()) return;
    if (log) WriteLogLine(L"%ls", text.c_str());
    HWND list = list_.Handle();
    if (list == nullptr) return;
    // The list and its row slot belong to the window's thread: a stage thread hands
    // the row over rather than locking against it.
    if (GetWindowThreadProcessId(Handle(), nullptr) != GetCurrentThreadId()) {
        Send(kAppendRowMessage, newRow ? 1 : 0, reinterpret_cast<LPARAM>(&text));
        return;
    }
    if (newRow && slotHoldsProgress_) {
        ++rowSlot_;
        slotHoldsProgress_ = false;
    }
    const int count = ListView_GetItemCount(list);
    std::wstring copy = text;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = rowSlot_;
    item.pszText = copy.data();
    if (rowSlot_ >= count) {
        ListView_InsertItem(list, &item);
    } else {
        ListView_SetItem(list, &item);
    }
    if (newRow) {
        ++rowSlot_;
    } else {
        slotHoldsProgress_ = true;
        ListView_Update(list, rowSlot_);
    }
    ListView_EnsureVisible(list, std::min(rowSlot_, ListView_GetItemCount(list) - 1), FALSE);
}

std::vector<std::wstring> CDlgNagDownloadAndInstall::StatusRows() const {
    std::vector<std::wstring> rows;
    HWND list = list_.Handle();
    const int count = list != nullptr ? ListView_GetItemCount(list) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        ListView_GetItemText(list, i, 0, text, 1024);
        rows.emplace_back(text);
    }
    return rows;
}

void CDlgNagDownloadAndInstall::SetStatusLine(const std::wstring& text) {
    {
        std::lock_guard<std::mutex> lock(textLock_);
        statusLine_ = text;
    }
    InvalidateRect(Handle(), &statusRect_, FALSE);
}

std::wstring CDlgNagDownloadAndInstall::StatusLine() const {
    std::lock_guard<std::mutex> lock(textLock_);
    return statusLine_;
}

void CDlgNagDownloadAndInstall::SetHeading(const std::wstring& text) {
    SetDlgItemTextW(Handle(), IDC_DLI_HEADING, text.c_str());
    SetStatusLine(text);
}

void CDlgNagDownloadAndInstall::SetResultText(const std::wstring& text) {
    SetDlgItemTextW(Handle(), IDC_DLI_RESULT, text.c_str());
}

std::wstring CDlgNagDownloadAndInstall::ResultText() const {
    wchar_t text[512] = {};
    GetDlgItemTextW(Handle(), IDC_DLI_RESULT, text, 512);
    return text;
}

std::wstring CDlgNagDownloadAndInstall::LastBackupArchive() const {
    std::lock_guard<std::mutex> lock(textLock_);
    return lastBackupArchive_;
}

void CDlgNagDownloadAndInstall::SetStopCaption(const wchar_t* key) {
    stop_.SetText(LangText(key));
    stop_.Invalidate();
}

bool CDlgNagDownloadAndInstall::ShowsFinished() const { return close_.IsVisible() && !stop_.IsVisible(); }

void CDlgNagDownloadAndInstall::ResetDownloadWindow() {
    if (GetWindowThreadProcessId(Handle(), nullptr) != GetCurrentThreadId()) {
        Send(kClearRowsMessage);
    } else {
        ListView_DeleteAllItems(list_.Handle());
        rowSlot_ = 0;
        slotHoldsProgress_ = false;
    }
    stop_.Enable(true);
    stop_.Show(SW_SHOW);
    SetStopCaption(L"IDS_STOP");
    close_.Enable(true);
    close_.Show(SW_HIDE);
    close_.SetText(LangText(L"IDS_CLOSE"));
    stopRequested_ = 0;
    const int stage = stage_.load();
    if (stage == kStageSingleDownload || stage == kStageAllDownloads) {
        SetHeading(LangText(L"DOWNLOADNAGDESC1"));
        AppendStatusRow(LangText(L"IDS_DOWNSTART_MOMENT"), true, true);
    } else {
        SetHeading(TextWithTitle(L"SCANDLG4"));
        AppendStatusRow(LangText(L"IDS_DRIVER_INSSATRT2"), true, true);
    }
}

void CDlgNagDownloadAndInstall::FinishDownloadWindow() {
    stop_.Show(SW_HIDE);
    close_.SetText(LangText(L"IDS_CLOSE"));
    close_.Enable(true);
    close_.Show(SW_SHOW);
}

// ------------------------------------------------------------------ results

void CDlgNagDownloadAndInstall::SetResultState(int deviceIndex, int state) {
    for (auto& row : host_.ScanUpdate().updateResults) {
        if (row.deviceIndex == deviceIndex) row.state = state;
    }
}

int CDlgNagDownloadAndInstall::ResultState(int deviceIndex) {
    for (const auto& row : host_.ScanUpdate().updateResults) {
        if (row.deviceIndex == deviceIndex) return row.state;
    }
    return 0;
}

std::wstring CDlgNagDownloadAndInstall::DeviceName(int deviceIndex) {
    CDriverScanUpdate& engine = host_.ScanUpdate();
    if (deviceIndex < 0 || deviceIndex >= static_cast<int>(engine.devices.size())) return L"";
    return engine.devices[static_cast<size_t>(deviceIndex)].deviceName;
}

// ------------------------------------------------------------------ download stages

void CDlgNagDownloadAndInstall::RunSingleDownload() {
    stage_ = kStageSingleDownload;
    stopRequested_ = 0;
    downloadedCount_ = 0;
    downloadsCompleted_ = false;
    installRun_ = InstallRun::Single;
    SetOverallPercent(0);
    SetHeading(LangText(L"DOWNLOADNAGDESC1"));
    if (selection_.empty() || selection_[0] < 0) {
        AppendStatusRow(LangText(L"IDS_DOWN_ERROR"), true, true);
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    ResetDownloadWindow();
    total_ = 1;
    current_ = 1;
    const int deviceIndex = selection_[0];
    const int result = DownloadOneDriver(deviceIndex);
    if (result == kStopped || stopRequested_) {
        AppendStatusRow(LangText(L"IDS_DOWN_STOPEED"), true, true);
        FinishDownloadWindow();
        stopRequested_ = 0;
        EndEarly();
        return;
    }
    switch (result) {
    case kServiceUnreachable:
    case kNoOfferedDriver:
        FinishDownloadWindow();
        ArmTimer(kCloseTimer, 90);
        return;
    case kResultsOutOfDate:
        FinishDownloadWindow();
        if (host_.ShowMessage(Handle(), LangText(L"IDS_SCAN_RESULTS_OLD"), MB_YESNO | MB_ICONHAND) == IDYES) {
            EndEarly();
            ArmMainTimer(136, 90);
        } else {
            ArmTimer(kCloseTimer, 90);
        }
        return;
    case kDownloaded:
        SetResultState(deviceIndex, 1);
        downloadsCompleted_ = true;
        AppendStatusRow(LangText(L"IDS_DOWN_COMPLETE"), true, true);
        AppendStatusRow(LangText(L"IDS_WAIT_INTALL_MOMENT"), true, true);
        ArmTimer(kSingleDownloadDoneTimer, 64);
        return;
    default:
        host_.ShowMessage(Handle(), LangText(L"IDS_DOWN_ABORT"), MB_OK | MB_ICONINFORMATION);
        FinishDownloadWindow();
        EndEarly();
        return;
    }
}

void CDlgNagDownloadAndInstall::RunAllDownloads() {
    stage_ = kStageAllDownloads;
    stopRequested_ = 0;
    downloadedCount_ = 0;
    downloadsCompleted_ = false;
    installRun_ = InstallRun::All;
    SetOverallPercent(0);
    SetResultText(L"");
    ResetDownloadWindow();
    const std::wstring folder = host_.DownloadFolder();
    if (folder.empty() || !CreateFolderTree(folder)) {
        AppendStatusRow(LangText(L"IDS_DOWN_ERROR"), true, true);
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    std::vector<int> toDownload;
    for (const int deviceIndex : selection_) {
        const int state = ResultState(deviceIndex);
        if (state != 1 && state != 2 && state != -1) toDownload.push_back(deviceIndex);
    }
    // A package that is ready from an earlier run still goes to the install.
    int alreadyReady = 0;
    for (const int deviceIndex : selection_) {
        if (ResultState(deviceIndex) == 1) ++alreadyReady;
    }
    total_ = static_cast<int>(toDownload.size());
    if (toDownload.empty() && alreadyReady == 0) AppendStatusRow(LangText(L"IDS_NOITEM_DOWNLOAD"), true, true);
    for (size_t i = 0; i < toDownload.size(); ++i) {
        if (stopRequested_) break;
        current_ = static_cast<int>(i) + 1;
        const int result = DownloadOneDriver(toDownload[i]);
        if (result == kStopped) break;
        // The service is out of reach or the results are old: the other drivers
        // would meet the same answer.
        if (result == kServiceUnreachable) {
            FinishDownloadWindow();
            ArmTimer(kCloseTimer, 90);
            return;
        }
        if (result == kResultsOutOfDate) {
            FinishDownloadWindow();
            if (host_.ShowMessage(Handle(), LangText(L"IDS_SCAN_RESULTS_OLD"), MB_YESNO | MB_ICONHAND) == IDYES) {
                EndEarly();
                ArmMainTimer(136, 90);
            } else {
                ArmTimer(kCloseTimer, 90);
            }
            return;
        }
        if (!stopRequested_ && i + 1 < toDownload.size()) PausePumping(pauseBetweenDownloadsMs);
    }
    downloadedCount_ += alreadyReady;
    if (stopRequested_) {
        AppendStatusRow(LangText(L"IDS_DOWN_STOPEED"), true, true);
        stopRequested_ = 0;
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    if (downloadedCount_ == 0) {
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    downloadsCompleted_ = true;
    AppendStatusRow(LangText(L"IDS_DOWN_COMPLETE"), true, true);
    AppendStatusRow(LangText(L"IDS_WAIT_INTALL_MOMENT"), true, true);
    ArmTimer(kAllDownloadsDoneTimer, 64);
}

int CDlgNagDownloadAndInstall::DownloadOneDriver(int deviceIndex) {
    CDriverScanUpdate& engine = host_.ScanUpdate();
    AppendStatusRow(LangText(L"IDS_START_DOWNLOADING") + L" " + DeviceName(deviceIndex), true, true);
    DriverInfoArray* offers = engine.OfferedDrivers();
    if (deviceIndex < 0 || offers == nullptr || deviceIndex >= static_cast<int>(offers->size()) ||
        deviceIndex >= static_cast<int>(engine.devices.size())) {
        return kNoOfferedDriver;
    }
    DriverInfoRecord& offered = (*offers)[static_cast<size_t>(deviceIndex)];
    if (offered.hardwareId.empty()) return kNoOfferedDriver;
    const std::wstring name = DeviceName(deviceIndex);

    std::wstring request;
    if (BuildDownloadInfoRequest(request, offered.hardwareId, osIdText_, DriverIdText(offered.value64),
                                 host_.RequestFacts()) == 0) {
        return kFailed;
    }
    std::wstring answer;
    if (!host_.RequestDownloadInformation(request, answer)) {
        if (stopRequested_) return kStopped;
        const std::wstring text = LangText(L"IDS_CHKINTERNET_SETTFIREWALL");
        AppendStatusRow(text, true, true);
        host_.ShowMessage(Handle(), text, MB_OK | MB_ICONHAND);
        return kServiceUnreachable;
    }
    std::wstring url;
    std::wstring digest;
    std::wstring databaseVersion;
    ParseDownloadInfoAnswer(answer, url, digest, databaseVersion);
    if (IsScanOutOfDate(databaseVersion, engine.databaseVersionText)) return kResultsOutOfDate;
    if (url.empty() || digest.empty()) {
        AppendStatusRow(LangText(L"IDS_DOWNDATA_NOTSUFFICENT"), true, true);
        return kFailed;
    }
    if (stopRequested_) return kStopped;
    const std::wstring folder = host_.DownloadFolder();
    if (folder.empty() || !CreateFolderTree(folder)) {
        AppendStatusRow(LangText(L"IDS_DOWNABORT_UNABLESAVE") + L" " + LangText(L"IDS_SELCLOC_SAVEDRIVER"), true, true);
        return kFailed;
    }
    // The install finds the package under the offer's address.
    if (offered.text17.empty()) offered.text17 = url;
    const std::wstring key = DownloadedFilesKey(offered.text17);

    // A package already there and whole counts as ready: by its own entry, or by any
    // entry with its digest.
    std::wstring readyPath;
    std::map<std::wstring, std::wstring> known;
    {
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        auto& files = host_.DownloadedFiles();
        known = files;
        if (auto own = files.find(key); own != files.end()) {
            if (auto entry = ParseDownloadedFilesEntry(own->second);
                entry && lstrcmpiW(entry->md5.c_str(), digest.c_str()) == 0 && PackageReadyToInstall(entry->path, digest)) {
                readyPath = entry->path;
            }
        }
        for (auto it = files.begin(); readyPath.empty() && it != files.end(); ++it) {
            auto entry = ParseDownloadedFilesEntry(it->second);
            if (entry && lstrcmpiW(entry->md5.c_str(), digest.c_str()) == 0 && PackageReadyToInstall(entry->path, digest)) {
                readyPath = entry->path;
            }
        }
        if (!readyPath.empty()) {
            files[key] = DownloadedFilesEntry(readyPath, digest);
            host_.SaveDownloadedFiles();
        }
    }
    if (!readyPath.empty()) {
        SetResultState(deviceIndex, 1);
        ++downloadedCount_;
        AppendStatusRow(LangText(L"IDS_DOWN_COMP_DRIVER") + L" " + name, true, true);
        return kDownloaded;
    }

    const std::wstring target = UniquePackagePath(folder, PackageFileNameFromUrl(url, digest), digest, known);
    const int result = DownloadAndVerify(url, target, digest);
    if (result == 1) {
        UpdateDownloadProgress(100, *this);
        ++downloadedCount_;
        AppendStatusRow(LangText(L"IDS_DOWN_COMP_DRIVER") + L" " + name, true, true);
        {
            std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
            if (FileThere(target)) host_.DownloadedFiles()[key] = DownloadedFilesEntry(target, digest);
            host_.SaveDownloadedFiles();
        }
        SetResultState(deviceIndex, 1);
        return kDownloaded;
    }
    if (result == -1 || stopRequested_) {
        AppendStatusRow(LangText(L"IDS_DOWN_STOPEED2"), true, true);
        return kStopped;
    }
    if (result == kNotWritable) {
        AppendStatusRow(LangText(L"IDS_DOWNABORT_UNABLESAVE") + L" " + LangText(L"IDS_SELCLOC_SAVEDRIVER"), true, true);
    } else if (result == kDigestMismatch) {
        AppendStatusRow(LangText(L"IDS_DOWN_DIGEST_MISMATCH") + L" " + name, true, true);
    } else if (job_.endText == kNoProgressText) {
        AppendStatusRow(LangText(kNoProgressText), true, true);
    } else if (job_.endKind == kFinishStoppedAfterNetworkErrors) {
        AppendStatusRow(LangText(L"IDS_DOWNABORT_DUEINTERNET"), true, true);
    } else {
        AppendStatusRow(LangText(L"IDS_UNABLE_SAVE_DOWNFILE"), true, true);
    }
    return kFailed;
}

int CDlgNagDownloadAndInstall::DownloadAndVerify(const std::wstring& url, const std::wstring& target,
                                                 const std::wstring& digest) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int result = StartDownloadJob(url, target);
        if (stopRequested_) return -1;
        if (result != 1) return result;
        if (PackageDigestMatches(target, digest)) {
            UpdateDownloadProgress(100, *this);
            return 1;
        }
        WriteLogLine(L"Package digest differs: %ls", target.c_str());
        DeleteFileW(target.c_str());
        UpdateDownloadProgress(0, *this);
    }
    return kDigestMismatch;
}

int CDlgNagDownloadAndInstall::StartDownloadJob(const std::wstring& url, const std::wstring& target) {
    if (FileThere(target) && !DeleteFileW(target.c_str())) return kNotWritable;
    ResetDownloadEvent(job_);
    std::wstring unconfirmed;
    if (!PrepareDownloadTarget(target, unconfirmed, false)) return kNotWritable;
    SetDownloadProgressWindow(this);
    const int result = RunDownload(job_, url, unconfirmed, L"", connections, false, 0);
    Sleep(10);
    if (result != 1) return 0;
    return CommitDownloadedFile(unconfirmed) == 1 && FileThere(target) ? 1 : kNotWritable;
}

// ------------------------------------------------------------------ backup and install

void CDlgNagDownloadAndInstall::RunBackupStage() { BackupBeforeInstall(); }

void CDlgNagDownloadAndInstall::BackupBeforeInstall() {
    stage_ = kStageBackup;
    SetStopCaption(L"IDS_SKIP_BACKUP");
    stop_.Enable(true);
    stop_.Show(SW_SHOW);
    close_.Show(SW_HIDE);
    SetResultText(L"");
    SetOverallPercent(0);
    CDriverScanUpdate& engine = host_.ScanUpdate();
    CDriverScannerApp& scanner = host_.ScannerApp();
    ShowProgressOf(engine).backupProgress = &barProgress_;

    AppendStatusRow(TextWithTitle(L"IDS_CURRDRIVER_BCKUP"), true, true);
    AppendStatusRow(LangText(L"IDS_CREATE_RESTORE_POINT"), true, true);
    host_.CreateRestorePoint(GetProductTitle());
    SetStatusLine(TextWithTitle(L"IDS_STRING_WHILE_BACKUP_IN_DWNL"));

    std::wstring archive;
    const std::wstring& working = engine.temporaryWorkFolder;
    if (!stopRequested_ && !working.empty() && DeleteWorkFolder(working) && CreateFolderTree(working)) {
        DriverBackupRuns(engine, scanner).BackupDriversBeforeUpdate();
        if (engine.backupRestore.backupCancelled != 0) stopRequested_ = 1;
        if (engine.backupRestore.backupDone != 0 && engine.backupRestore.backupSuccess != 0 && !stopRequested_) {
            BackupArchiveJob job;
            job.backupFolder = host_.BackupFolder();
            job.workingFolder = working;
            job.backupList = &host_.Backups();
            job.saveBackupList = [this] { return host_.SaveBackups(); };
            const int packed = BuildBackupArchive(job, &archive);
            if (packed == BackupArchiveResult::kNoSpace) {
                host_.ShowMessage(Handle(), LangText(L"IDS_UNABLESAVE_BACKUP"), MB_OK | MB_ICONHAND);
            } else if (packed == BackupArchiveResult::kDone && !archive.empty()) {
                WriteUserSystemTime(AppClock().LocalTime(), kProductKeyPath, L"LastBackupTime");
            }
        }
        if (stopRequested_) DeleteWorkFolder(working);
    }
    {
        std::lock_guard<std::mutex> lock(textLock_);
        lastBackupArchive_ = archive;
    }
    // Success is shown only for an archive that exists.
    backupShownAsDone_ = !archive.empty() && FileThere(archive);
    if (backupShownAsDone_) {
        SetResultText(LangText(L"IDS_BAK_COPMLETED"));
        AppendStatusRow(LangText(L"IDS_BAK_COMP_SUCESS"), true, true);
    } else {
        SetResultText(LangText(L"IDS_BAK_ABORTED"));
    }
    stopRequested_ = 0;
    if (downloadsCompleted_ && downloadedCount_ > 0) {
        downloadsCompleted_ = false;
        InstallDownloaded();
        return;
    }
    FinishDownloadWindow();
    EndEarly();
}

void CDlgNagDownloadAndInstall::InstallDownloaded() {
    SetStopCaption(L"IDS_STOP");
    SetOverallPercent(0);
    SetResultText(L"");
    host_.EnableNavigation(false);
    SetHeading(TextWithTitle(L"SCANDLG4"));
    Sleep(100);
    const bool all = installRun_ == InstallRun::All;
    std::vector<int> devices;
    for (size_t i = 0; i < selection_.size(); ++i) {
        if (!all && i > 0) break;
        if (ResultState(selection_[i]) == 1) devices.push_back(selection_[i]);
    }
    const int stage = stage_.exchange(0);
    if (!devices.empty()) ResetDownloadWindow();
    stage_ = stage;

    CDriverScanUpdate& engine = host_.ScanUpdate();
    DriverInstallSession session(engine, host_.ScannerApp());
    host_.PrepareInstallSession(session);
    std::map<std::wstring, std::wstring> downloads;
    {
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        downloads = host_.DownloadedFiles();
    }
    session.downloadsList = &downloads;
    ShowProgressOf(engine).installProgress = &barProgress_;

    installing_ = true;
    bool failed = false;
    bool packageKnown = false;
    total_ = static_cast<int>(devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        if (stopRequested_) break;
        current_ = static_cast<int>(i) + 1;
        const int deviceIndex = devices[i];
        const std::wstring name = DeviceName(deviceIndex);
        AppendStatusRow(LangText(L"IDS_DRIVER_INSSATRT") + L" " + name, true, true);
        const DriverInfoRecord& offered = (*engine.OfferedDrivers())[static_cast<size_t>(deviceIndex)];
        const auto found = downloads.find(DownloadedFilesKey(offered.text17));
        const auto entry = found != downloads.end() ? ParseDownloadedFilesEntry(found->second) : std::nullopt;
        packageKnown = packageKnown || entry.has_value();
        // The file may have changed on disk since it was verified.
        if (!entry || !PackageReadyToInstall(entry->path, entry->md5)) {
            AppendStatusRow(LangText(L"IDS_DRIVER_INSFAILED") + L" " + name, true, true);
            SetResultState(deviceIndex, 0);
            failed = true;
            continue;
        }
        const int result = InstallExtractedPackage(session, deviceIndex);
        if (result == InstallResult::kInstalled) {
            SetResultState(deviceIndex, 2);
            AppendStatusRow(LangText(L"IDS_DRIVER_INSCOMPL") + L" " + name, true, true);
            PausePumping(pauseAfterInstallMs);
        } else {
            AppendStatusRow(LangText(L"IDS_DRIVER_INSFAILED") + L" " + name, true, true);
            failed = true;
            if (result == InstallResult::kDownloadMissing) SetResultState(deviceIndex, 0);
        }
    }
    SetOverallPercent(100);
    installing_ = false;
    if (stopRequested_) {
        host_.ShowMessage(Handle(), LangText(L"IDS_ABORT_INSTALL"), MB_OK | MB_ICONHAND);
        stopRequested_ = 0;
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    if (failed) {
        host_.ShowMessage(Handle(), LangText(all ? L"IDS_DRIVER_NOTINSTALLED" : L"IDS_INSTALL_COMP_ERROR"),
                          MB_OK | MB_ICONHAND);
    }
    host_.ResultsChanged();
    FinishDownloadWindow();
    if (all || packageKnown) {
        ArmTimer(kRestartPromptTimer, 64);
    } else {
        EndEarly();
    }
}
