// How quickly the window thread answers a sent message while the scan worker runs
// over a few hundred devices of its own, against the same probe with the window
// thread idle in the same run. Run: wine scan_responsiveness_bench.exe [devices]

// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "screens/scan/scan_worker/scan_worker.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/test_devices.h"

namespace {

class QuietPage : public ScanPageView {
public:
    explicit QuietPage(HWND label) : label_(label) {}
    HWND ProgressBar() override { return nullptr; }
    HWND StatusLabel() override { return label_; }
    void SetScanStatusText(const std::wstring& text, bool show) override {
        if (show) SetWindowTextW(label_, text.c_str());
    }
    void AddScannedDevice(const std::wstring&, const std::wstring&, int, int) override {}
    void ClearDeviceRows() override {}
    void ResetProgressTexts() override {}
    void SetStopEnabled(bool) override {}
    void StartElapsedTimer() override {}
    void StopElapsedTimer() override {}
    bool AskStopScan(const std::wstring&) override { return false; }
    void ShowServiceError(const std::wstring&) override {}

private:
    HWND label_;
};

class QuietNavigator : public ScanNavigator {
public:
    void EnableNavigation(bool) override {}
    void SetBusy(bool) override {}
    void ShowResultsPage() override {}
    void ShowHomePage() override {}
    void BackupInventoryDone(bool) override {}
    void StartBackupOrHome(bool) override {}
};

// Sends WM_NULL to `window` every 20 ms until `stop`; the answer times in ms.
std::vector<double> Probe(HWND window, const std::atomic<bool>& stop) {
    std::vector<double> times;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    while (!stop.load()) {
        LARGE_INTEGER from, to;
        DWORD_PTR result = 0;
        QueryPerformanceCounter(&from);
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        QueryPerformanceCounter(&to);
        times.push_back(static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart));
        Sleep(20);
    }
    return times;
}

void Report(const wchar_t* what, std::vector<double> times) {
    if (times.empty()) {
        std::wprintf(L"%ls: no probes\n", what);
        return;
    }
    std::sort(times.begin(), times.end());
    std::wprintf(L"%ls: %zu probes, median %.2f ms, 99th %.2f ms, max %.2f ms\n", what, times.size(),
                 times[times.size() / 2], times[times.size() * 99 / 100], times.back());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int deviceCount = argc > 1 ? _wtoi(argv[1]) : 200;
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

    TestHostWindow window(400, 200);
    HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 20, window.Handle(), nullptr,
                                 nullptr, nullptr);
    CDriverOptimizerApp app;
    app.ScannerApp().InitializeOperation();
    QuietPage page(label);
    QuietNavigator navigator;

    // The reference: the window thread only pumps, for two seconds.
    {
        std::atomic<bool> stop{false};
        std::vector<double> idle;
        std::atomic<bool> done{false};
        std::thread probe([&] {
            idle = Probe(window.Handle(), stop);
            done = true;
        });
        PumpMessagesUntil([] { return false; }, 2000);
        stop = true;
        PumpMessagesUntil([&done] { return done.load(); }, 10000);
        probe.join();
        Report(L"idle window thread", idle);
    }

    ScanWorker worker(app, helper, page, navigator);
    std::atomic<bool> stop{false};
    std::vector<double> scanning;
    std::atomic<bool> done{false};
    std::thread probe([&] {
        scanning = Probe(window.Handle(), stop);
        done = true;
    });
    const ULONGLONG start = GetTickCount64();
    worker.Start();
    PumpMessagesUntil([&worker] { return worker.Wait(0); }, 600000);
    const ULONGLONG elapsed = GetTickCount64() - start;
    stop = true;
    PumpMessagesUntil([&done] { return done.load(); }, 10000);
    probe.join();
    std::wprintf(L"scan of %d devices (%d in the inventory) took %llu ms\n", deviceCount,
                 app.ScanUpdate().DeviceCount(), elapsed);
    Report(L"window thread during the scan", scanning);
    return 0;
}
