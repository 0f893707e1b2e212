// Reads and matches the service's answer for a full scan (1024 devices, 8 offered
// drivers each) and sets that against the time the stand-in service takes to
// answer the same scan on loopback, which is what the user waits for anyway.
// Run: wine update_matcher_bench.exe [devices] [offers per device] [runs]

// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/os_identity.h"
#include "platform/text_case.h"
#include "scan/driver_scan_update.h"
#include "scan/scan_request_facts.h"
#include "scan/update_matcher.h"
#include "scan/update_service_helper.h"
#include "tests/support/scoped_registry.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring Hex4(int value) {
    wchar_t text[8];
    swprintf(text, 8, L"%04X", value);
    return text;
}

void FillDevices(CDriverScanUpdate& engine, int count) {
    engine.ResetDeviceArrays();
    engine.devicesReported = count;
    for (int i = 0; i < count; ++i) {
        DriverInfoRecord& device = engine.devices[static_cast<size_t>(i)];
        const std::wstring id = L"PCI\\VEN_1AB4&DEV_" + Hex4(i);
        device.deviceName = L"Bench device " + std::to_wstring(i);
        device.category = L"Category " + std::to_wstring(i % 24);
        device.hardwareId = id + L"&SUBSYS_00011AB4&REV_01";
        device.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\" + Hex4(i);
        device.matchingIds = LowerInvariant(id) + L"|" + LowerInvariant(id) + L"&cc_0300";
        device.matchingDeviceId = id;
        device.hardwareIds = {device.hardwareId, id + L"&SUBSYS_00011AB4", id};
        device.compatibleIds = {id + L"&CC_0300", L"PCI\\CC_0300"};
        device.allHardwareIds = device.hardwareIds;
        device.allCompatibleIds = device.compatibleIds;
        device.driverRank = 0xFF0001;
        device.driverVersion = L"1.0.0." + std::to_wstring(i);
    }
}

void FillCatalogue(UpdateServiceStandIn& service, int devices, int offers) {
    for (int i = 0; i < devices; ++i) {
        const std::wstring id = L"PCI\\VEN_1AB4&DEV_" + Hex4(i);
        for (int k = 0; k < offers; ++k) {
            // Spread the offers over the device's identifiers, the best ones last, so
            // the matcher walks its whole candidate list.
            const std::wstring matchingId = k % 2 ? id : id + L"&CC_0300";
            service.AddDriver({matchingId,
                               {{L"hid", id}, {L"infd", L"2024-05-06"}, {L"infp", L"oem" + std::to_wstring(k) + L".inf"},
                                {L"ver", L"2." + std::to_wstring(k) + L".0." + std::to_wstring(i)}, {L"isc", L"0"},
                                {L"md5", L"0123456789ABCDEF0123456789ABCDEF"}, {L"ii", L"1"},
                                {L"did", std::to_wstring(100000 + i * 8 + k)}, {L"sev", std::to_wstring(1 + k % 4)},
                                {L"rl", L"2"}, {L"lu", L"http://downloads.example/drv/" + std::to_wstring(i) + L".exe"},
                                {L"cidx", L"1"}, {L"fs", L"0x0A"}, {L"ss", L"1"}, {L"cid", L"3"}, {L"age", L"2"},
                                {L"mfg", L"Bench Maker"}, {L"prv", L"Bench Provider"}, {L"sig", L"1"}}});
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int devices = argc > 1 ? _wtoi(argv[1]) : 1024;
    const int offers = argc > 2 ? _wtoi(argv[2]) : 8;
    const int runs = argc > 3 ? _wtoi(argv[3]) : 3;
    if (devices < 1 || devices > static_cast<int>(CDriverScanUpdate::kDeviceCapacity) || offers < 1 || runs < 1) {
        std::fwprintf(stderr, L"devices 1-1024, offers and runs at least 1\n");
        return 2;
    }
    // The matcher saves the driver-age setting; keep it off the prefix's real key.
    ScopedRegistryRoots roots;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    ScanOperation app;
    app.InitializeOperation();
    CDriverScanUpdate engine(&app);
    FillDevices(engine, devices);

    HttpStandInServer server;
    if (!server.Start()) {
        std::fwprintf(stderr, L"the stand-in server did not start\n");
        return 1;
    }
    UpdateServiceStandIn service(server);
    FillCatalogue(service, devices, offers);
    ServiceAddresses addresses;
    addresses.updateFirst = server.Url("/driverupdateservicenew/updateservice.asmx");
    addresses.updateSecond = addresses.updateFirst;
    addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    CUpdateServiceHelper helper(addresses, nullptr);
    const ProgramIdentity program{L"brennavikhvnhalvenornewparams", L"1.0.0.1"};

    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, requested, answered, matched;
        QueryPerformanceCounter(&start);
        CMarkup request;
        BuildScanRequestXml(request, engine.Devices(), engine.DeviceCount(), engine, true, program);
        QueryPerformanceCounter(&requested);
        std::wstring answer;
        if (!helper.RequestDriverUpdatesData(request.GetDoc(), L"bench", L"BENCH-MACHINE", program.productParamsName,
                                             WriteRequestKindName(program.productParamsName, 1), GetOsIdCode(),
                                             answer)) {
            std::fwprintf(stderr, L"the stand-in service did not answer\n");
            return 1;
        }
        QueryPerformanceCounter(&answered);
        ParseScanResponse(engine.markup, engine, answer);
        QueryPerformanceCounter(&matched);

        const double service = Milliseconds(requested, answered, frequency);
        const double matching = Milliseconds(answered, matched, frequency);
        std::wprintf(L"run %d: %d devices, %zu offers (%zu KiB answer), %d updates: request built in %.1f ms, "
                     L"service answered in %.1f ms, read and matched in %.1f ms (%.1f%% of the service's time)\n",
                     run + 1, devices, engine.matcher.offeredDriverMap.size(), answer.size() * 2 / 1024, engine.updateCount,
                     Milliseconds(start, requested, frequency), service, matching,
                     service > 0 ? matching * 100.0 / service : 0.0);
    }
    return 0;
}
