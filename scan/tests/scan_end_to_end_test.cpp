// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/os_identity.h"
#include "scan/driver_scan_update.h"
#include "scan/scan_request_facts.h"
#include "scan/update_matcher.h"
#include "scan/update_service_helper.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/test_devices.h"

namespace {


int IndexOfDevice(const CDriverScanUpdate& engine, const std::wstring& hardwareId) {
    for (int i = 0; i < engine.DeviceCount(); ++i) {
        if (engine.Devices()[i].hardwareId == hardwareId) return i;
    }
    return -1;
}

// Devices made in the prefix are scanned, described to the stand-in of the update
// service, and its answer lands in the engine.
TEST(ScanEndToEndTest, CreatedDevicesReachTheServiceAndItsAnswerReachesTheEngine) {
    const std::wstring tag = UniqueTestTag();
    TestDeviceClass deviceClass(L"Halvenor End To End", L"HalvenorEndToEnd");
    ASSERT_TRUE(deviceClass.Created());

    const std::wstring cameraId = L"USB\\VID_2E1A&PID_" + tag;
    const std::wstring cameraCompatible = L"HALVENOR\\CAMERA_FAMILY_" + tag;
    TestDeviceSetup camera;
    camera.classGuid = deviceClass.Guid();
    camera.hardwareIds = {cameraId};
    camera.compatibleIds = {cameraCompatible};
    camera.friendlyName = L"Halvenor End To End Camera";
    camera.withDriverKey = true;
    camera.driverTexts = {{L"DriverVersion", L"1.0.0.5"}, {L"ProviderName", L"Camera Maker"}};
    camera.driverDateData = FileTimeOfDate(2018, 4, 2);
    TestDevice cameraDevice(camera);
    ASSERT_TRUE(cameraDevice.Created());

    const std::wstring readerId = L"PCI\\VEN_1217&DEV_8621&" + tag;
    TestDeviceSetup reader;
    reader.classGuid = deviceClass.Guid();
    reader.hardwareIds = {readerId};
    reader.friendlyName = L"Halvenor End To End Card Reader";
    TestDevice readerDevice(reader);
    ASSERT_TRUE(readerDevice.Created());

    // The scan.
    ScanOperation app;
    app.InitializeOperation();
    CDriverScanUpdate engine(&app);
    ASSERT_EQ(EngineCode::kFinished, engine.RunEngineScan());
    const int cameraIndex = IndexOfDevice(engine, cameraId);
    const int readerIndex = IndexOfDevice(engine, readerId);
    ASSERT_GE(cameraIndex, 0) << engine.DeviceCount() << " devices found";
    ASSERT_GE(readerIndex, 0) << engine.DeviceCount() << " devices found";

    // The request.
    const ProgramIdentity program = CurrentProgramIdentity();
    CMarkup request;
    BuildScanRequestXml(request, engine.Devices(), engine.DeviceCount(), engine, true);

    // The service.
    HttpStandInServer server;
    ASSERT_TRUE(server.Start());
    UpdateServiceStandIn service(server);
    service.SetDatabaseVersion(L"2026.12");
    service.AddDriver({cameraId, {{L"ver", L"2.4.0.1"}, {L"infd", L"2024-05-06"}, {L"sig", L"Camera Maker"}}});
    ServiceAddresses addresses;
    addresses.updateFirst = server.Url("/driverupdateservicenew/updateservice.asmx");
    addresses.updateSecond = addresses.updateFirst;
    addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    CUpdateServiceHelper helper(addresses, nullptr);

    std::wstring answer;
    ASSERT_TRUE(helper.RequestDriverUpdatesData(request.GetDoc(), L"scan-key", L"MACHINE-1", program.productParamsName,
                                                WriteRequestKindName(program.productParamsName, 1), GetOsIdCode(),
                                                answer));
    {
        // The matcher stores its driver-age status among the settings.
        ScopedRegistryRoots roots;
        ASSERT_TRUE(roots.Active());
        ParseScanResponse(engine.markup, engine, answer);
    }

    // What the service saw: both devices under their positions in the engine's
    // array, each with its identifiers.
    const std::vector<ServiceCall> calls = service.Calls();
    ASSERT_EQ(1u, calls.size());
    const ServiceCall& call = calls[0];
    EXPECT_EQ(L"GetDriverUpdatesData1", call.operation);
    EXPECT_EQ(L"brennavikhvnhalvenornewparamsScanXml-dt", call.fields.at(L"saveXmlFileName"));
    EXPECT_NE(std::wstring::npos,
              call.fields.at(L"input").find(L"<dbinitials>brennavikhvnhalvenornewparams</dbinitials>"));
    auto sentIds = [&call](int index) {
        for (const auto& [id, identifiers] : call.devices) {
            if (id == std::to_wstring(index)) return identifiers;
        }
        return std::vector<std::wstring>{};
    };
    // Should the devices go missing, the request itself tells whether the engine left
    // them out or the stand-in did not read them.
    SCOPED_TRACE(testing::Message() << call.devices.size() << " devices read from the request; its first part: "
                                    << call.fields.at(L"input").substr(0, 1500));
    EXPECT_EQ((std::vector<std::wstring>{cameraId, cameraCompatible}), sentIds(cameraIndex));
    EXPECT_EQ(std::vector<std::wstring>{readerId}, sentIds(readerIndex));
    EXPECT_NE(std::wstring::npos, call.fields.at(L"input").find(L"<dt>2018-04-02</dt>"));
    EXPECT_NE(std::wstring::npos, call.fields.at(L"input").find(L"<dn>Halvenor End To End Camera</dn>"));
    const std::wstring appVersion = L"<app_ver>" + program.appVersion + L"</app_ver>";
    EXPECT_NE(std::wstring::npos, call.fields.at(L"input").find(appVersion));

    // What the engine now holds: the answer, the offer under the camera's index, and
    // the camera as a device with an update.
    EXPECT_EQ(answer, engine.answerText);
    EXPECT_NE(std::wstring::npos, engine.answerText.find(L"<id>" + std::to_wstring(cameraIndex) + L"</id>"));
    EXPECT_EQ(std::wstring::npos, engine.answerText.find(readerId));
    EXPECT_EQ(L"2026.12", engine.databaseVersionText);
    EXPECT_EQ((std::set<int>{cameraIndex}), engine.matcher.answerDeviceIndexes);
    const auto offers = engine.matcher.offeredDriverMap.equal_range(cameraIndex);
    ASSERT_NE(offers.first, offers.second);
    EXPECT_EQ(L"2.4.0.1", offers.first->second.version);
    EXPECT_EQ(cameraId, offers.first->second.hardwareIdentifier);
    EXPECT_EQ((std::set<int>{cameraIndex}), engine.matcher.devicesWithUpdate);
    EXPECT_EQ(1, engine.updateCount);
    ASSERT_NE(nullptr, engine.OfferedDrivers());
    EXPECT_EQ(L"2.4.0.1", (*engine.OfferedDrivers())[static_cast<size_t>(cameraIndex)].driverVersion);
}

}  // namespace
