// A driver installed from the results page, then the program ended and started
// again before Windows restarts: the last results it shows must not offer that
// driver again, and "results.du" must say why. The real program, its 64-bit
// install helper and the stand-in services, as on the main road.
#include "program/tests/road_fixture.h"

#include "scan/scan_results.h"

namespace {

// The saved state of the named device in "results.du"; -9 when the file or the
// device is not there.
int StoredState(const std::wstring& dataFolder, const std::wstring& deviceName) {
    DriverInfoArray records;
    uint32_t count = 0;
    std::wstring summary;
    if (CScanResults(dataFolder).Load(records, count, summary) == 0) return -9;
    for (uint32_t i = 0; i < count && i < records.size(); ++i) {
        if (records[i].deviceName == deviceName) return SavedResultStateOf(records[i]);
    }
    return -9;
}

TEST_F(MainRoad, ADriverInstalledFromTheResultsIsNotOfferedAgainAfterTheProgramStartsAgain) {
    const OfferedDriver& camera = drivers_[0];
    const OfferedDriver& scanner = drivers_[1];
    // At first the service names no digest for either package: the update of all
    // that follows the scan fetches nothing, and both rows stay on offer.
    for (size_t i = 0; i < drivers_.size(); ++i) {
        service_.AddDownloadPackage(std::to_wstring(9101 + i), server_.Url(drivers_[i].packagePath), L"");
    }

    Step("scan");
    StartProgram();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(Scan()) << "the scan did not show its results";
    ASSERT_TRUE(WaitForControl(IDC_DLI_LIST, 30000)) << "no update of all after the scan";
    CloseDownloadWindow();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(StoredState(dataFolder_, scanner.name), 0);

    Step("install-from-results");
    service_.AddDownloadPackage(L"9102", server_.Url(scanner.packagePath),
                                Md5OfString(scanner.package.data(), scanner.package.size()));
    Page results = WaitForPage(L"idTableResultDisplay", 20000);
    ASSERT_TRUE(results);
    int row = -1;
    ASSERT_TRUE(WaitFor([&] { return (row = RowOf(results, scanner.name)) >= 0; }, 10000));
    ASSERT_TRUE(results.ClickAt(L"#idTableResultDisplay a.download", row));
    Page restart = WaitForPage(L"btnRestartLater", 180000);
    ASSERT_TRUE(restart) << "no restart prompt after the install; log:\n" << testing::PrintToString(LogText());
    EXPECT_NE(LogText().find(L"Installed the driver for " + scanner.name), std::wstring::npos);
    EXPECT_EQ(DriverValueOfDevice(scanner.device->InstanceId(), L"InfSection"), L"NullInstall");
    ASSERT_TRUE(restart.Click(L"btnRestartLater"));
    CloseDownloadWindow();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(StoredState(dataFolder_, scanner.name), 2) << "the installed state is kept with the last scan";
    EXPECT_EQ(StoredState(dataFolder_, camera.name), 0);

    Step("start-again");
    EndProgram();
    // Out of reach of the service, a scan shows the last results again.
    for (const wchar_t* name : {L"UpdateServiceAddress1", L"UpdateServiceAddress2"}) {
        WriteUserText(name, L"http://127.0.0.1:1/driverupdateservicenew/updateservice.asmx");
    }
    const size_t logBefore = LogText().size();
    StartProgram();
    ASSERT_FALSE(HasFatalFailure());
    PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kScanTab, 0);
    ASSERT_TRUE(WaitFor([&] {
        AnswerQuestion(IDOK);
        return LogText().find(L"Moving to Home Page!", logBefore) != std::wstring::npos;
    }, 180000)) << "the scan did not end; log:\n" << testing::PrintToString(LogText().substr(logBefore));
    const std::wstring log = LogText().substr(logBefore);
    EXPECT_NE(log.find(L"Load Last Scan Results Scan Summary: Total="), std::wstring::npos)
        << "the last results were not read back; log:\n" << testing::PrintToString(log);
    EXPECT_NE(log.find(L"Outdated=1, Showing Results!"), std::wstring::npos) << testing::PrintToString(log);

    Step("last-results");
    PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kResults, 0);
    results = WaitForPage(L"idTableResultDisplay", 20000);
    ASSERT_TRUE(results) << "the results page did not show";
    EXPECT_TRUE(WaitFor([&] { return RowOf(results, camera.name) >= 0; }, 10000)) << "the camera is still outdated";
    EXPECT_LT(RowOf(results, scanner.name), 0) << "the installed driver is offered again";
    EXPECT_EQ(StoredState(dataFolder_, scanner.name), 2);
}

}  // namespace
