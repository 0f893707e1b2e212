#include "screens/scan/scan_worker/scan_worker.h"

#include <commctrl.h>

#include <utility>

#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/date_text.h"
#include "foundation/language_strings.h"
#include "foundation/markup.h"
#include "foundation/os_identity.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "scan/scan_request.h"
#include "scan/scan_request_facts.h"
#include "scan/update_matcher.h"
#include "shell/app/app_busy.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

SYSTEMTIME Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

bool IsValidTime(const SYSTEMTIME& time) {
    FILETIME check;
    return time.wYear != 0 && SystemTimeToFileTime(&time, &check) != FALSE;
}

// Runs `action` when the scope ends, whichever way the worker leaves it.
template <typename Action>
class AtExit {
public:
    explicit AtExit(Action action) : action_(std::move(action)) {}
    ~AtExit() { action_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    Action action_;
};

}  // namespace

// Shows the inventory on the scan page: the percent on its bar, each device's
// name in its status label and as a row, and gives the stop question its
// checkpoint between two devices. The rows follow the label: a page without one
// shows no rows either.
class ScanWorker::DeviceRelay : public EngineProgress {
public:
    explicit DeviceRelay(ScanWorker& worker)
        : worker_(worker), bar_(worker.page_.ProgressBar()), label_(worker.page_.StatusLabel()) {}
    // Posted: a sent percent held the inventory for every repaint of the window
    // thread, about a third of the time a device took.
    void ShowPercent(int percent) override {
        if (bar_ == nullptr || percent == shownPercent_) return;
        shownPercent_ = percent;
        PostMessageW(bar_, CDriverScanUpdate::kProgressMessage, static_cast<WPARAM>(percent), 0);
    }
    // The status line is sent the device's name only now and then: a send waits for
    // the window thread to finish whatever it draws, and one per device held the
    // inventory back ten times over. The rows and counts still come for every
    // device, queued. The first device is always sent, so a run's start is seen.
    void ShowDevice(const std::wstring& name, const std::wstring& status, int percent, int index) override {
        if (label_ == nullptr) return;
        const ULONGLONG now = GetTickCount64();
        if (!sentName_ || now - lastNameSent_ >= kNameSendIntervalMs) {
            SetWindowTextW(label_, name.c_str());
            sentName_ = true;
            lastNameSent_ = GetTickCount64();
        }
        worker_.page_.AddScannedDevice(name, status, percent, index + 1);
        worker_.Checkpoint();
    }
    void ShowStatus(const std::wstring& text) override {
        if (label_ != nullptr) SetWindowTextW(label_, text.c_str());
    }

private:
    static constexpr ULONGLONG kNameSendIntervalMs = 100;
    ScanWorker& worker_;
    HWND bar_;
    HWND label_;
    int shownPercent_ = -1;
    bool sentName_ = false;
    ULONGLONG lastNameSent_ = 0;
};

ScanWorker::ScanWorker(CDriverOptimizerApp& app, CUpdateServiceHelper& service, ScanPageView& page,
                       ScanNavigator& navigator)
    : app_(app), service_(service), page_(page), navigator_(navigator), rows_{app, nullptr, {}} {
    resumeEvent_.Reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
}

ScanWorker::~ScanWorker() {
    // A question left open must not keep the worker waiting while it is joined.
    paused_ = false;
    SetEvent(resumeEvent_.Get());
    stopThread_.Wait(INFINITE);
    thread_.Wait(INFINITE);
}

bool ScanWorker::Start() {
    if (runCount_.load() > 0) return false;
    page_.SetStopEnabled(true);
    return thread_.Start([this] { ScanThreadProc(); });
}

bool ScanWorker::Wait(DWORD milliseconds) { return thread_.Wait(milliseconds); }

void ScanWorker::Checkpoint() {
    while (paused_.load()) WaitForSingleObject(resumeEvent_.Get(), INFINITE);
}

void ScanWorker::OnStopClicked() {
    if (stopHandling_.fetch_add(1) != 0) {
        stopHandling_.fetch_sub(1);
        return;
    }
    AtExit release([this] { stopHandling_.fetch_sub(1); });
    if (!Running()) return;
    if (paused_.load()) {
        paused_ = false;
        SetEvent(resumeEvent_.Get());
        return;
    }
    paused_ = true;
    ResetEvent(resumeEvent_.Get());
    const bool yes = page_.AskStopScan(Text(L"IDS_STOP_SCAN_DES"));
    // The flag is up before the worker moves on, so its next checkpoint sees it.
    if (yes) {
        StopScan();
    } else {
        stopRequested = false;
    }
    paused_ = false;
    SetEvent(resumeEvent_.Get());
}

void ScanWorker::StopScan() {
    stopRequested = true;
    // The inventory looks at the engine's code between two devices; it need not
    // wait for the stop thread to get going.
    app_.ScannerApp().SetStatusCode(EngineCode::kScanStopRequest);
    page_.SetStopEnabled(false);
    stopThread_.Wait(INFINITE);
    stopThread_.Start([this] {
        {
            // Raised again for a run that may have cleared it meanwhile, but never
            // after the run has ended: the flag would outlive it.
            const std::lock_guard lock(stopFlagLock_);
            if (runOpen_) stopRequested = true;
        }
        navigator_.EnableNavigation(true);
        CDriverScanUpdate& engine = app_.ScanUpdate();
        engine.StartEngineOperationAndWait(true, app_.ScannerApp());
        // A request answered before the wait began must not stay behind for the
        // next operation.
        if (app_.ScannerApp().StopRequested(EngineCode::kScanStopRequest)) {
            app_.ScannerApp().SetStatusCode(EngineCode::kIdle);
        }
    });
    WriteLogLine(L"Scan Stopped!");
}

int ScanWorker::ScanThreadProc() {
    int expected = 0;
    if (runCount_.load() < 0) {
        runCount_ = 0;
        FinishScanNavigation(false);
    }
    if (!runCount_.compare_exchange_strong(expected, 1)) return 0;
    {
        const std::lock_guard lock(stopFlagLock_);
        runOpen_ = true;
    }

    const int result = RunScanAndFinish();
    if (result == 0) FinishScanNavigation(false);
    // A stop asked for after the worker's last look is answered here, so that the
    // stop thread's wait ends at once.
    if (stopRequested.load() || app_.ScannerApp().StopRequested(EngineCode::kScanStopRequest)) {
        app_.ScannerApp().AcknowledgeStop();
    }
    {
        const std::lock_guard lock(stopFlagLock_);
        stopRequested = false;
        runOpen_ = false;
    }
    // A run for a backup leaves navigation on too: the backup that follows switches
    // it off while it copies, and a run that found nothing must not leave the
    // home page without it.
    navigator_.EnableNavigation(true);
    backupInventory = false;
    backupMode = false;
    // The wizard takes over only now: busy and navigation are settled, so the
    // backup it starts keeps the busy state it sets.
    if (const std::optional<bool> handOver = std::exchange(backupHandOver_, std::nullopt)) {
        navigator_.BackupInventoryDone(*handOver);
    }
    if (const std::optional<bool> start = std::exchange(backupStart_, std::nullopt)) {
        navigator_.StartBackupOrHome(*start);
    }
    runCount_.fetch_sub(1);
    return result;
}

int ScanWorker::RunScanAndFinish() {
    navigator_.EnableNavigation(false);
    navigator_.SetBusy(true);
    AppBusy().scanRunning = true;
    int result = 0;
    try {
        result = ScanWorkerBody();
    } catch (const std::exception&) {
        result = 0;
    }
    page_.StopElapsedTimer();
    WriteLogLine(L"Scan Completed!");
    if (HWND bar = page_.ProgressBar(); bar != nullptr) PostMessageW(bar, PBM_SETPOS, 0, 0);
    page_.SetScanStatusText(L"", true);
    navigator_.SetBusy(false);
    navigator_.EnableNavigation(true);
    AppBusy().scanRunning = false;
    return result;
}

void ScanWorker::BeginScan() {
    {
        const std::lock_guard lock(requestLock_);
        lastRequest_.clear();
    }
    serviceError = false;
    CDriverScanUpdate& engine = app_.ScanUpdate();
    engine.scanRun.scanFinished = 0;
    page_.ClearDeviceRows();
    engine.devices.clear();
    engine.devicesReported = 0;
    // The rows pointed into the freed inventory.
    ResetResults(engine);
    navigator_.EnableNavigation(false);
    page_.SetScanStatusText(L"", true);
    SetStatus(L"IDS_WAIT_SCAN_PROGR", true);
    page_.ResetProgressTexts();
    WriteLogLine(L"Scan Started!");
}

void ScanWorker::SetStatus(const wchar_t* key, bool show) { page_.SetScanStatusText(Text(key), show); }

void ScanWorker::RunInventory() {
    CDriverScanUpdate& engine = app_.ScanUpdate();
    SetStatus(L"IDS_WAIT_SCAN_PROGR", true);
    page_.SetScanStatusText(L"", true);
    DeviceRelay relay(*this);
    engine.scanProgress = &relay;
    engine.scanRun.scanFinished = 0;
    engine.scanRun.connectionProblem = 0;
    // An inventory that never gets going must not read as the last one's result.
    engine.scanRun.lastResultCode = -1;
    try {
        engine.RunEngineScan();
    } catch (const std::exception&) {
    }
    engine.scanProgress = nullptr;
}

bool ScanWorker::RestorePreviousResults() {
    if (LoadLastScanResults(rows_) != 0) return true;
    // The inventory of this run stays without results of its own: no rows may
    // point at devices the stored answer never described.
    ResetResults(app_.ScanUpdate());
    return false;
}

bool ScanWorker::FinishBackupInventory() {
    CDriverScanUpdate& engine = app_.ScanUpdate();
    // A stopped or broken inventory lists only some devices: a backup made from it
    // would leave drivers out without a word. It is dropped, as none was held
    // before the run, and the next run takes a whole one.
    const bool whole = !stopRequested.load() && engine.scanRun.lastResultCode == EngineCode::kFinished;
    if (!whole || engine.DeviceCount() <= 0) {
        engine.devices.clear();
        engine.devicesReported = 0;
        engine.scanRun.scanFinished = 0;
        ResetResults(engine);
        WriteLogLine(L"Inventory for the backup ended without devices.");
        return false;
    }
    engine.scanRun.scanFinished = 1;
    engine.inventoryReady = 1;
    WriteLogLine(L"Inventory for the backup: Total=%d", engine.DeviceCount());
    return true;
}

int ScanWorker::ScanWorkerBody() {
    CDriverScanUpdate& engine = app_.ScanUpdate();
    page_.StartElapsedTimer();
    stopRequested = false;

    BeginScan();
    SetStatus(L"IDS_PREPARE_STARTSCAN", true);
    const SYSTEMTIME requestTime = Now();

    if (!stopRequested.load()) {
        app_.ScannerApp().InstalledDrivers().Load();
        RunInventory();
    }
    // A stop that came after the inventory's last look is answered here, so the
    // stop thread never waits for an inventory that has ended.
    if (stopRequested.load()) app_.ScannerApp().AcknowledgeStop();
    Checkpoint();

    if (backupInventory.load()) {
        backupHandOver_ = FinishBackupInventory();
        return 1;
    }
    page_.SetScanStatusText(L"", true);
    const bool aborted = engine.scanRun.lastResultCode == EngineCode::kScanStopRequest;
    bool answered = false;
    if (!stopRequested.load() && !aborted) {
        page_.SetScanStatusText(L" ", true);
        CMarkup request;
        BuildScanRequestXml(request, engine.Devices(), engine.DeviceCount(), engine, true);
        const std::wstring text = request.GetDoc();
        Checkpoint();
        if (text.empty()) {
            // Nothing could be described to the service: no answer, no statistics.
            serviceError = true;
        } else {
            {
                const std::lock_guard lock(requestLock_);
                lastRequest_ = text;
            }
            SetStatus(L"IDS_GETTING_RESULTS", true);
            page_.SetStopEnabled(false);
            Checkpoint();
            if (stopRequested.load()) {
                Sleep(1024);
            } else {
                std::wstring answer;
                SendScanRequest(text, answer, false);
                if (!serviceError.load()) {
                    ParseScanResponse(engine.markup, engine, answer);
                    WriteLastScanValue(requestTime, Now());
                    answered = true;
                }
            }
        }
    }

    Checkpoint();
    if (stopRequested.load() || serviceError.load() || engine.scanRun.connectionProblem != 0 || !answered) {
        RestorePreviousResults();
        FinishScanNavigation(false);
        return 1;
    }

    if (engine.scanRun.scanFinished != 0) {
        // A whole inventory may be offered for a partial backup as it stands.
        if (engine.scanRun.lastResultCode == EngineCode::kFinished) engine.inventoryReady = 1;
        ShowCategoryResults(rows_);
        const int found = engine.updateResults.GetSize() > 0 ? 1 : 2;
        outcome = found;
        shownOutcome = found;
        ShownScanStatus() = found;
        const SYSTEMTIME now = Now();
        const std::wstring lastScan = FormatSystemTime(L"%a. %B %d, %Y. %I:%M %p", now).substr(0, 128);
        UpdateAppSettings([&lastScan](AppSettings& settings) { settings.strLastScan = lastScan; });
        WriteUserSystemTime(now, kProductKeyPath, L"CurrentScanTime");
        SaveScanStatistics(found, false);
        FinishScanNavigation(true);
        return 1;
    }

    LoadSettings();
    shownOutcome = GetAppSettings().appDriverScanStatus;
    outcome = 0;
    FinishScanNavigation(false);
    return 1;
}

void ScanWorker::SaveScanStatistics(int scanOutcome, bool forced) {
    if (!forced && (stopRequested.load() || serviceError.load())) return;
    StoreScanStatistics(app_.ScanUpdate(), scanOutcome);
    outcome = scanOutcome;
}

int ScanWorker::FinishScanNavigation(bool showResults) {
    try {
        CDriverScanUpdate& engine = app_.ScanUpdate();
        if (backupMode.load()) {
            // A backup of the machine follows a whole scan; its results are kept as
            // any scan's are, so the next start does not read older ones back.
            if (showResults) SaveScanSummary(rows_);
            // Sent once the run has settled busy state and navigation. A stopped run
            // starts no backup: a part of the devices would leave drivers out.
            backupStart_ = engine.DeviceCount() > 0 && !stopRequested.load();
        } else if (showResults) {
            SaveScanSummary(rows_);
            WriteLogLine(L"Scan Results Summary: Total=%d, Outdated=%d, Showing Results!", engine.DeviceCount(),
                         engine.updateResults.GetSize());
            navigator_.ShowResultsPage();
        } else {
            WriteLogLine(L"Scan Summary: Total=%d, Outdated=%d, Moving to Home Page!", engine.DeviceCount(),
                         engine.updateResults.GetSize());
            navigator_.ShowHomePage();
        }
        navigator_.SetBusy(false);
        return 1;
    } catch (const std::exception&) {
        navigator_.SetBusy(false);
        return 0;
    }
}

void ScanWorker::WriteLastScanValue(const SYSTEMTIME& start, const SYSTEMTIME& end) {
    if (!IsValidTime(start) || !IsValidTime(end)) return;
    SetUserRegistryValue(false, kProductKeyPath, L"LastScan", FormatSystemTime(L"%B %d, %Y %I:%M:%S %p ", start), 0,
                         REG_SZ);
}

int ScanWorker::SendScanRequest(const std::wstring& text, std::wstring& answer, bool quiet) {
    const std::wstring request = text.substr(0, text.find(L'\0'));
    if (stopRequested.load()) return 0;
    page_.SetStopEnabled(false);
    Sleep(100);

    const int osId = GetOsIdCode();
    const std::wstring product = BuildProductParamsName();
    const std::wstring kind = WriteRequestKindName(product, 1);
    const std::wstring machine = app_.GetMachineId();
    std::wstring received;
    bool ok = service_.RequestDriverUpdatesData(request, std::to_wstring(osId), machine, product, kind, osId, received);
    // An answer that is empty or no document tells nothing about the drivers; it
    // must not read as "all up to date".
    CMarkup probe;
    if (ok && (received.empty() || !probe.SetDoc(received))) ok = false;
    if (!ok) {
        serviceError = true;
        received.clear();
        if (!quiet) {
            const std::wstring message = Text(L"IDS_INTERNETCONN_FIREWALL_CHECK");
            page_.SetScanStatusText(message, true);
            page_.ShowServiceError(message);
        }
    }
    answer = received;
    return 1;
}

int ScanWorker::SendDeviceListRequest() {
    stopRequested = false;
    CDriverScanUpdate& engine = app_.ScanUpdate();
    if (engine.DeviceCount() <= 0 || engine.Devices() == nullptr) return 0;
    CMarkup request;
    BuildScanRequestXml(request, engine.Devices(), engine.DeviceCount(), engine, false);
    const std::wstring text = request.GetDoc();
    if (text.empty()) return 0;
    serviceError = false;
    std::wstring answer;
    return SendScanRequest(text, answer, true) != 0 && !serviceError.load() ? 1 : 0;
}

std::optional<std::wstring> ElapsedScanText(const SYSTEMTIME& start, const SYSTEMTIME& now) {
    FILETIME from{};
    FILETIME to{};
    if (!SystemTimeToFileTime(&start, &from) || !SystemTimeToFileTime(&now, &to)) return std::nullopt;
    const auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    if (ticks(to) < ticks(from)) return std::nullopt;
    const ULONGLONG seconds = (ticks(to) - ticks(from)) / 10000000ULL;
    wchar_t text[8];
    swprintf(text, 8, L"%02u:%02u", static_cast<unsigned>((seconds / 60) % 60), static_cast<unsigned>(seconds % 60));
    return std::wstring(text);
}
