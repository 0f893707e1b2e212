// Enumerates the devices of the prefix after adding a few hundred of its own and
// reports the time per device. Run: wine device_enumeration_bench.exe [devices] [runs]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "scan/device_access.h"
#include "scan/device_inventory.h"
#include "scan/scan_operation.h"
#include "tests/support/test_devices.h"

namespace {

// The real device layer without the signed-driver query, whose one-off cost per
// scan (WMI start-up) would hide the per-device cost.
class DevicesOnly : public SetupApiDeviceAccess {
public:
    bool QuerySignedDrivers(SignedDriverTable& table) override {
        table.rows.clear();
        return false;
    }
};

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int deviceCount = argc > 1 ? _wtoi(argv[1]) : 200;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;

    std::vector<std::unique_ptr<TestDevice>> devices;
    const GUID classes[] = {kDisplayClassGuid, kNetClassGuid, kMediaClassGuid, kSystemClassGuid};
    for (int i = 0; i < deviceCount; ++i) {
        TestDeviceSetup setup;
        setup.classGuid = classes[i % 4];
        setup.hardwareIds = {L"PCI\\VEN_1234&DEV_" + UniqueTestTag(), L"PCI\\VEN_1234"};
        setup.compatibleIds = {L"PCI\\CC_0300"};
        setup.friendlyName = L"Benchmark Device " + std::to_wstring(i);
        setup.withDriverKey = true;
        setup.driverTexts = {{L"DriverVersion", L"1.0.0." + std::to_wstring(i)},
                            {L"ProviderName", L"Benchmark"},
                            {L"MatchingDeviceId", setup.hardwareIds.front()}};
        setup.driverDateData = FileTimeOfDate(2020, 1, 1 + i % 28);
        devices.push_back(std::make_unique<TestDevice>(setup));
        if (!devices.back()->Created()) {
            std::fwprintf(stderr, L"could not create device %d\n", i);
            return 1;
        }
    }

    ScanOperation app;
    app.InitializeOperation();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < runs; ++run) {
        size_t reported = 0;
        app.BeginOperation();
        CDeviceInventory inventory(app, [&](const DriverInfoRecord*, int) { ++reported; },
                                   std::make_unique<DevicesOnly>());
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const int result = inventory.EnumerateDevices();
        QueryPerformanceCounter(&end);
        const double total = Milliseconds(start, end, frequency);
        std::wprintf(L"run %d: result %d, %zu devices, %zu recorded, %.1f ms, %.3f ms per device\n", run + 1, result,
                     reported, inventory.RecordCount(), total, reported ? total / reported : 0.0);
    }
    return 0;
}
