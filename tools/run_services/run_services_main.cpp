// The services a local run of the program talks to: the stand-in of the update and
// misc web services on 127.0.0.1, with a small catalogue for a few devices made in
// the run's own Wine prefix, and the service-address values that point the
// program at it. Runs until its standard input ends or gets a line.
//   run_services.exe [--port N]
#include "tools/http_stand_in_server.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_devices.h"
#include "tools/update_service_stand_in.h"

namespace {

constexpr wchar_t kProductKey[] = L"Software\\Brennavik\\Halvenor";

struct DemoDevice {
    const wchar_t* hardwareId;
    const wchar_t* name;
    const wchar_t* installedVersion;
    WORD year;
    const wchar_t* offeredVersion;  // null: the catalogue has nothing newer
};

constexpr DemoDevice kDemoDevices[] = {
    {L"PCI\\VEN_1AF4&DEV_1041&SUBSYS_00011AF4", L"Halvenor Demo Network Adapter", L"1.2.0.0", 2016, L"3.1.0.4"},
    {L"USB\\VID_1D6B&PID_0104", L"Halvenor Demo Webcam", L"2.0.0.11", 2019, L"2.5.1.0"},
    {L"HDAUDIO\\FUNC_01&VEN_1AF4&DEV_0001", L"Halvenor Demo Audio", L"6.0.1.8", 2023, nullptr},
};

bool WriteUserText(const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LSTATUS result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned short port = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == L"--port") port = static_cast<unsigned short>(_wtoi(argv[i + 1]));
    }

    TestDeviceClass deviceClass(L"Halvenor demo devices", L"HalvenorDemo");
    std::vector<std::unique_ptr<TestDevice>> devices;
    for (const DemoDevice& demo : kDemoDevices) {
        TestDeviceSetup setup;
        setup.classGuid = deviceClass.Guid();
        setup.hardwareIds = {demo.hardwareId};
        setup.friendlyName = demo.name;
        setup.manufacturer = L"Halvenor Demo";
        setup.withDriverKey = true;
        setup.driverTexts = {{L"DriverVersion", demo.installedVersion}, {L"ProviderName", L"Halvenor Demo"}};
        setup.driverDateData = FileTimeOfDate(demo.year, 3, 14);
        devices.push_back(std::make_unique<TestDevice>(setup));
        if (!devices.back()->Created()) std::fprintf(stderr, "could not make device %ls\n", demo.name);
    }

    HttpStandInServer server;
    if (!server.Start(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    UpdateServiceStandIn service(server);
    service.SetDatabaseVersion(L"run-1");
    for (const DemoDevice& demo : kDemoDevices) {
        if (demo.offeredVersion == nullptr) continue;
        service.AddDriver({demo.hardwareId,
                           {{L"ver", demo.offeredVersion}, {L"infd", L"2024-09-01"}, {L"sig", L"Halvenor Demo"}}});
    }

    const std::wstring update = server.Url("/driverupdateservicenew/updateservice.asmx");
    const std::wstring misc = server.Url("/miscservice/miscservice.asmx");
    bool written = WriteUserText(L"UpdateServiceAddress1", update) && WriteUserText(L"UpdateServiceAddress2", update) &&
                   WriteUserText(L"MiscServiceAddress1", misc) && WriteUserText(L"MiscServiceAddress2", misc) &&
                   WriteUserText(L"ServiceNamespace", UpdateServiceStandIn::kDefaultNamespace);
    if (!written) std::fprintf(stderr, "could not write the service addresses\n");
    std::printf("services on %ls\n", server.Url("/").c_str());
    std::fflush(stdout);

    std::getchar();
    server.Stop();
    for (const ServiceCall& call : service.Calls()) std::printf("call %ls\n", call.operation.c_str());
    return 0;
}
