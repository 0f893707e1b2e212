// How quickly the window thread answers a sent message while a scan of the scan
// page runs over a few hundred devices of its own (the page draws every device the
// worker reports), against the same probe with the window thread idle in the same
// run; and how long the page's scan takes against the engine doing the same work
// with no page: the inventory, the request document and the service's answer.
// Run: wine scan_responsiveness_bench.exe [devices] [rounds]

// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "foundation/language_strings.h"
#include "foundation/markup.h"
#include "foundation/os_identity.h"
#include "scan/scan_request.h"
#include "scan/scan_request_facts.h"
#include "screens/scan/scan_screens/dlg_scan2_scanning.h"
#include "shell/exclusions/exclusion_list.h"
#include "bench/window_probe.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/test_devices.h"

namespace {

// The main window as the scan page sees it: nothing to do but answer.
class QuietHost final : public ScanScreensHost {
public:
    QuietHost(CDriverOptimizerApp& app, CUpdateServiceHelper& service, HWND window)
        : app_(app), service_(service), window_(window) {}
    HWND MainWindow() override { return window_; }
    CDriverOptimizerApp& App() override { return app_; }
    CUpdateServiceHelper& Service() override { return service_; }
    ExclusionList& Exclusions() override { return exclusions_; }
    void EnableNavigation(bool) override {}
    void SetBusy(bool) override {}
    void CheckInternetAndContinue() override {}
    void SetMainTimer(UINT, UINT) override {}
    void RefillResultsPage() override {}
    void MarkResultsScreen() override {}
    int ShowRestartPrompt() override { return 0; }
    void RequestUpdate(const UpdateRequest&) override {}
    void HandInventoryToBackup(bool) override {}

private:
    CDriverOptimizerApp& app_;
    CUpdateServiceHelper& service_;
    HWND window_;
    ExclusionList exclusions_{nullptr, ExclusionList::DefaultPath()};
};

// The engine's own share of a scan: inventory, request and the service's answer,
// as the page's worker asks for them, without a page to report to.
ULONGLONG EngineScanMilliseconds(CDriverOptimizerApp& app, CUpdateServiceHelper& service) {
    const ULONGLONG start = GetTickCount64();
    CDriverScanUpdate& engine = app.ScanUpdate();
    engine.scanProgress = nullptr;
    engine.RunEngineScan();
    CMarkup request;
    BuildScanRequestXml(request, engine.Devices(), engine.DeviceCount(), engine, true);
    const int osId = GetOsIdCode();
    const std::wstring product = BuildProductParamsName();
    std::wstring answer;
    if (!service.RequestDriverUpdatesData(request.GetDoc(), std::to_wstring(osId), app.GetMachineId(), product,
                                          WriteRequestKindName(product, 1), osId, answer) ||
        answer.empty()) {
        std::fwprintf(stderr, L"the engine's request got no answer\n");
    }
    return GetTickCount64() - start;
}

// Probes the window from another thread while `activity` runs on this one.
std::vector<double> ProbeWhile(HWND window, const std::function<void()>& activity) {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::vector<double> times;
    std::thread probe([&] {
        times = ProbeWindow(window, stop);
        done = true;
    });
    activity();
    stop = true;
    PumpMessagesUntil([&done] { return done.load(); }, 10000);
    probe.join();
    return times;
}

ULONGLONG Median(std::vector<ULONGLONG> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[(values.size() - 1) / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int deviceCount = argc > 1 ? _wtoi(argv[1]) : 200;
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 1;
    ScopedComApartment apartment;
    ScopedAppDataFolder appData;

    TestDeviceClass deviceClass(L"Halvenor Responsiveness Bench", L"HalvenorResponsivenessBench");
    std::vector<std::unique_ptr<TestDevice>> devices;
    for (int i = 0; i < deviceCount; ++i) {
        TestDeviceSetup setup;
        setup.classGuid = deviceClass.Guid();
        setup.hardwareIds = {L"PCI\\VEN_1234&DEV_" + UniqueTestTag()};
        setup.friendlyName = L"Responsiveness Device " + std::to_wstring(i);
        setup.withDriverKey = true;
        setup.driverTexts = {{L"DriverVersion", L"1.0.0." + std::to_wstring(i)}, {L"ProviderName", L"Bench"}};
        setup.driverDateData = FileTimeOfDate(2020, 1, 1 + i % 28);
        devices.push_back(std::make_unique<TestDevice>(setup));
        if (!devices.back()->Created()) {
            std::fwprintf(stderr, L"could not create device %d\n", i);
            return 1;
        }
    }

    HttpStandInServer server;
    if (!server.Start()) return 1;
    UpdateServiceStandIn service(server);
    ServiceAddresses addresses;
    addresses.updateFirst = server.Url("/driverupdateservicenew/updateservice.asmx");
    addresses.updateSecond = addresses.updateFirst;
    addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    CUpdateServiceHelper helper(addresses, nullptr);

    // The scan page itself inside a window of the main window's size: the window
    // thread draws the device list and progress as the worker reports them.
    TestHostWindow window(783, 470);
    CDriverOptimizerApp app;
    app.ScannerApp().InitializeOperation();
    QuietHost host(app, helper, window.Handle());
    CDlgScan2Scanning page(host);
    if (!page.Create(window.Handle())) {
        std::fwprintf(stderr, L"could not create the scan page\n");
        return 1;
    }
    page.MoveTo(0, 0, 777, 440);
    page.Show(SW_SHOW);

    // The reference: the window thread only pumps, for two seconds.
    ReportProbes(L"idle window thread",
                 ProbeWhile(window.Handle(), [] { PumpMessagesUntil([] { return false; }, 2000); }));

    ScanWorker& worker = page.Worker();
    std::vector<ULONGLONG> pageTimes;
    std::vector<ULONGLONG> engineTimes;
    for (int round = 0; round < rounds; ++round) {
        // Taking turns, so that a machine that speeds up or slows down weighs on both.
        engineTimes.push_back(EngineScanMilliseconds(app, helper));
        ULONGLONG elapsed = 0;
        const std::vector<double> scanning = ProbeWhile(window.Handle(), [&] {
            const ULONGLONG start = GetTickCount64();
            page.OnShownByMainWindow();
            PumpMessagesUntil([&worker] { return worker.Running(); }, 10000);
            PumpMessagesUntil([&worker] { return !worker.Running(); }, 600000);
            elapsed = GetTickCount64() - start;
        });
        pageTimes.push_back(elapsed);
        std::wprintf(L"scan of %d devices (%d in the inventory, %d list rows) took %llu ms; the engine alone %llu ms\n",
                     deviceCount, app.ScanUpdate().DeviceCount(), page.ListRows(), elapsed, engineTimes.back());
        ReportProbes(L"window thread during the scan", scanning);
    }
    const ULONGLONG pageMedian = Median(pageTimes);
    const ULONGLONG engineMedian = Median(engineTimes);
    std::wprintf(L"medians of %d rounds: scan page %llu ms, engine alone %llu ms, ratio %.2f\n", rounds, pageMedian,
                 engineMedian, engineMedian ? static_cast<double>(pageMedian) / static_cast<double>(engineMedian) : 0.0);
    return 0;
}
