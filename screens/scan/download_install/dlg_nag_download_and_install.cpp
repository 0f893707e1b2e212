#include "screens/scan/download_install/dlg_nag_download_and_install.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/driver_scanner_app.h"
#include "engine/update_run_texts.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "platform/com_apartment.h"
#include "platform/ui/gdi.h"
#include "scan/driver_scan_update.h"
#include "screens/scan/results_rows/results_rows.h"
#include "screens/scan/download_install/download_install_host.h"
#include "screens/scan/download_install/download_install_ids.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/app/main_window_ids.h"

using update_run::LangText;
using update_run::TextWithTitle;

CDlgNagDownloadAndInstall::CDlgNagDownloadAndInstall(DownloadInstallHost& host)
    : CDlgChildBase(IDD_NAG_DOWNLOAD_AND_INSTALL),
      host_(host),
      run_(host, *this),
      infoEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CDlgNagDownloadAndInstall::~CDlgNagDownloadAndInstall() {
    run_.Cancel();
    WaitForThreads();
}

void CDlgNagDownloadAndInstall::WaitForThreads() {
    stageThread_.Join();
    run_.WaitForStop();
}

bool CDlgNagDownloadAndInstall::OnWindowThread() const {
    return GetWindowThreadProcessId(Handle(), nullptr) == GetCurrentThreadId();
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
    rows_.Attach(list_.Handle(), LangText(L"varCol4Heading"), std::max<int>(100, ClientRect().right - 44));
    barProgress_ = ProgressControls(ProgressBar(), nullptr, nullptr);
    SendDlgItemMessageW(Handle(), IDC_DLI_PROGRESS, PBM_SETRANGE32, 0, 100);
    Layout();
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                               nullptr, nullptr);
    std::wstring tip = LangText(L"DOWNLOADNAGTOOLTIP1");
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(close_.Handle());
    tool.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return TRUE;
}

void CDlgNagDownloadAndInstall::RequestDownloadInfoHere() {
    ResetEvent(infoEvent_.Get());
    infoResult_ = UpdateRunResult::kDone;
    if (host_.RequestDownloadInformation(infoRequest_, infoAnswer_)) {
        SetEvent(infoEvent_.Get());
        return;
    }
    if (run_.StopRequested()) return;
    const std::wstring text = LangText(L"IDS_CHKINTERNET_SETTFIREWALL");
    ShowRow(text, true, true);
    host_.ShowMessage(Handle(), text, MB_OK | MB_ICONHAND);
    infoResult_ = UpdateRunResult::kServiceUnreachable;
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
    case kArmStageMessage:
        ArmStage(static_cast<Stage>(wParam), static_cast<UINT>(lParam));
        return 0;
    case kClearRowsMessage:
        rows_.Clear();
        return 0;
    case kAppendRowMessage:
        rows_.Append(*reinterpret_cast<const std::wstring*>(lParam), wParam != 0);
        return 0;
    case kArmMainTimerMessage:
        ArmMainTimer(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    case kShowInstallStepMessage:
        host_.ShowInstallStep();
        return 0;
    case kDownloadInfoRequestMessage:
        RequestDownloadInfoHere();
        return 0;
    case WM_TIMER:
        if (wParam == kStageTimer) {
            KillTimer(kStageTimer);
            OnStageTimer();
            return 0;
        }
        break;
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

// ------------------------------------------------------------------ stages

void CDlgNagDownloadAndInstall::StartDownloads(const std::vector<int>& deviceIndexes, bool updateAll) {
    run_.Choose(deviceIndexes, updateAll);
    ArmStage(updateAll ? Stage::kAllDownloads : Stage::kSingleDownload, 64);
}

void CDlgNagDownloadAndInstall::StartInstall(const std::vector<int>& deviceIndexes, bool updateAll) {
    run_.Choose(deviceIndexes, updateAll);
    run_.TakeDownloadsAsDone();
    ArmStage(Stage::kBackup, 64);
}

void CDlgNagDownloadAndInstall::ArmStage(Stage next, UINT milliseconds) {
    if (!OnWindowThread()) {
        Post(kArmStageMessage, static_cast<WPARAM>(next), milliseconds);
        return;
    }
    next_ = next;
    SetTimer(kStageTimer, milliseconds);
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

void CDlgNagDownloadAndInstall::StartStage(Stage stage, void (CDlgNagDownloadAndInstall::*body)()) {
    stageRunning_ = true;
    run_.WaitForStop();
    if (!stageThread_.Start([this, stage, body] {
            host_.SetBusy(true);
            host_.EnableNavigation(false);
            const ComApartment com(COINIT_APARTMENTTHREADED);
            try {
                (this->*body)();
            } catch (...) {
                WriteLogLine(L"The update stage %d ended by an exception", static_cast<int>(stage));
                ArmStage(Stage::kClose, 64);
            }
            stageRunning_ = false;
        })) {
        stageRunning_ = false;
        EndEarly();
    }
}

void CDlgNagDownloadAndInstall::OnStageTimer() {
    const Stage stage = next_.exchange(Stage::kIdle);
    switch (stage) {
    case Stage::kSingleDownload:
    case Stage::kAllDownloads:
        StartStage(stage, &CDlgNagDownloadAndInstall::RunDownloads);
        break;
    case Stage::kDownloadsDone:
        run_.PrepareBackup(run_.AllDrivers());
        ArmStage(Stage::kBackup, 64);
        break;
    case Stage::kBackup:
        ShowStatusLine(TextWithTitle(L"IDS_STRING_WHILE_BACKUP_IN_DWNL"));
        StartStage(Stage::kBackup, &CDlgNagDownloadAndInstall::RunBackupAndInstall);
        break;
    case Stage::kClose:
        OnClose();
        break;
    case Stage::kRestartPrompt:
        if (host_.ShowRestartPrompt() != 0) {
            SaveLastScanResultCount(CountPendingUpdates(host_.ScanUpdate().updateResults));
        } else {
            EndEarly();
            ArmMainTimer(MainTimer::kShowResults, 90);
        }
        break;
    case Stage::kIdle:
        break;
    }
}

void CDlgNagDownloadAndInstall::RunDownloads() { EndDownloads(run_.DownloadChosen()); }

void CDlgNagDownloadAndInstall::EndDownloads(UpdateRunResult result) {
    switch (result) {
    case UpdateRunResult::kDone:
        ArmStage(Stage::kDownloadsDone, 64);
        return;
    case UpdateRunResult::kServiceUnreachable:
        host_.ShowMessage(Handle(), LangText(L"IDS_CHKINTERNET_SETTFIREWALL"), MB_OK | MB_ICONHAND);
        FinishDownloadWindow();
        ArmStage(Stage::kClose, 90);
        return;
    case UpdateRunResult::kNoOfferedDriver:
        FinishDownloadWindow();
        ArmStage(Stage::kClose, 90);
        return;
    case UpdateRunResult::kResultsOutOfDate:
        FinishDownloadWindow();
        if (host_.ShowMessage(Handle(), LangText(L"IDS_SCAN_RESULTS_OLD"), MB_YESNO | MB_ICONHAND) == IDYES) {
            EndEarly();
            ArmMainTimer(MainTimer::kContinueScan, 90);
        } else {
            ArmStage(Stage::kClose, 90);
        }
        return;
    case UpdateRunResult::kSkipped:
        host_.ShowMessage(Handle(), LangText(L"IDS_DOWN_SKIPPED"), MB_OK | MB_ICONINFORMATION);
        break;
    case UpdateRunResult::kConnectionLost:
        host_.ShowMessage(Handle(), LangText(L"IDS_DOWNABORT_NETCONNERROR"), MB_OK | MB_ICONHAND);
        break;
    case UpdateRunResult::kFailed:
        host_.ShowMessage(Handle(), LangText(L"IDS_DOWN_ABORT"), MB_OK | MB_ICONINFORMATION);
        break;
    default:
        break;
    }
    FinishDownloadWindow();
    EndEarly();
}

void CDlgNagDownloadAndInstall::RunBackupAndInstall() {
    if (run_.BackUp() == UpdateRunResult::kNoRoomForBackup) {
        host_.ShowMessage(Handle(), LangText(L"IDS_UNABLESAVE_BACKUP"), MB_OK | MB_ICONHAND);
    }
    if (!run_.InstallFollows()) {
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    EndInstall(run_.Install());
}

void CDlgNagDownloadAndInstall::EndInstall(UpdateRunResult result) {
    if (result == UpdateRunResult::kStopped) {
        host_.ShowMessage(Handle(), LangText(L"IDS_ABORT_INSTALL"), MB_OK | MB_ICONHAND);
        FinishDownloadWindow();
        EndEarly();
        return;
    }
    if (result == UpdateRunResult::kFailed) {
        host_.ShowMessage(Handle(), LangText(run_.AllDrivers() ? L"IDS_DRIVER_NOTINSTALLED" : L"IDS_INSTALL_COMP_ERROR"),
                          MB_OK | MB_ICONHAND);
    }
    host_.ResultsChanged();
    FinishDownloadWindow();
    if (run_.RestartAdvised()) {
        ArmStage(Stage::kRestartPrompt, 64);
    } else {
        EndEarly();
    }
}

void CDlgNagDownloadAndInstall::EndEarly() {
    host_.EnableNavigation(true);
    host_.SetBusy(false);
}

void CDlgNagDownloadAndInstall::OnClose() {
    ArmMainTimer(MainTimer::kShowResults, 90);
    EndEarly();
}

void CDlgNagDownloadAndInstall::OnStop() {
    run_.Stop();
    stop_.Enable(false);
    ShowRow(LangText(L"IDS_WAIT_STOP_MOMENT"), true, true);
}

// ------------------------------------------------------------------ window parts

HWND CDlgNagDownloadAndInstall::ProgressBar() const { return Item(IDC_DLI_PROGRESS); }

void CDlgNagDownloadAndInstall::ShowPercent(int percent) {
    SendDlgItemMessageW(Handle(), IDC_DLI_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void CDlgNagDownloadAndInstall::ShowRow(const std::wstring& text, bool newRow, bool log) {
    if (text.empty()) return;
    if (log) WriteLogLine(L"%ls", text.c_str());
    if (list_.Handle() == nullptr) return;
    // The list and its row slot belong to the window's thread: a stage thread hands
    // the row over rather than locking against it.
    if (!OnWindowThread()) {
        Send(kAppendRowMessage, newRow ? 1 : 0, reinterpret_cast<LPARAM>(&text));
        return;
    }
    rows_.Append(text, newRow);
}

void CDlgNagDownloadAndInstall::ShowStatusLine(const std::wstring& text) {
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

void CDlgNagDownloadAndInstall::ShowHeading(const std::wstring& text) {
    SetDlgItemTextW(Handle(), IDC_DLI_HEADING, text.c_str());
    ShowStatusLine(text);
}

void CDlgNagDownloadAndInstall::ShowResultText(const std::wstring& text) {
    SetDlgItemTextW(Handle(), IDC_DLI_RESULT, text.c_str());
}

std::wstring CDlgNagDownloadAndInstall::ResultText() const {
    wchar_t text[512] = {};
    GetDlgItemTextW(Handle(), IDC_DLI_RESULT, text, 512);
    return text;
}

void CDlgNagDownloadAndInstall::SetStopCaption(const wchar_t* key) {
    stop_.SetText(LangText(key));
    stop_.Invalidate();
}

bool CDlgNagDownloadAndInstall::ShowsFinished() const { return close_.IsVisible() && !stop_.IsVisible(); }

void CDlgNagDownloadAndInstall::ResetDownloadWindow(bool downloading) {
    if (!OnWindowThread()) {
        Send(kClearRowsMessage);
    } else {
        rows_.Clear();
    }
    stop_.Enable(true);
    stop_.Show(SW_SHOW);
    SetStopCaption(L"IDS_STOP");
    close_.Enable(true);
    close_.Show(SW_HIDE);
    close_.SetText(LangText(L"IDS_CLOSE"));
    run_.ClearStop();
    if (downloading) {
        ShowHeading(LangText(L"DOWNLOADNAGDESC1"));
        ShowRow(LangText(L"IDS_DOWNSTART_MOMENT"), true, true);
    } else {
        ShowHeading(TextWithTitle(L"SCANDLG4"));
        ShowRow(LangText(L"IDS_DRIVER_INSSATRT2"), true, true);
    }
}

void CDlgNagDownloadAndInstall::FinishDownloadWindow() {
    stop_.Show(SW_HIDE);
    close_.SetText(LangText(L"IDS_CLOSE"));
    close_.Enable(true);
    close_.Show(SW_SHOW);
}

void CDlgNagDownloadAndInstall::BeginBackup() {
    SetStopCaption(L"IDS_SKIP_BACKUP");
    stop_.Enable(true);
    stop_.Show(SW_SHOW);
    close_.Show(SW_HIDE);
}

void CDlgNagDownloadAndInstall::BeginInstall() {
    // The sub-header belongs to the window's thread.
    Post(kShowInstallStepMessage);
    SetStopCaption(L"IDS_STOP");
    host_.EnableNavigation(false);
}

void CDlgNagDownloadAndInstall::SetResultState(int deviceIndex, int state) {
    CDriverScanUpdate& engine = host_.ScanUpdate();
    std::vector<int> rows;
    for (const auto& row : engine.updateResults) {
        if (row.deviceIndex == deviceIndex) rows.push_back(row.rowIndex);
    }
    // The device record's saved state goes to "results.du" with the row, so a program
    // started again before Windows restarts does not offer the driver once more.
    for (const int row : rows) SetResultStateByRow(engine, host_.DataFolder(), state, row);
}
