// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/html/script_page_host.h"
#include "program/screen_pages.h"
#include "scan/scan_results.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"
#include "shell/html_dialog/child_html_dialog.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/test_devices.h"

namespace {

constexpr DWORD kRunLimitMs = 180000;

BOOL WINAPI AcceptingShell(DWORD, PNOTIFYICONDATAW) { return TRUE; }
bool ModernShell() { return true; }

class RecordingBoxes final : public AppSystem {
public:
    std::vector<std::wstring> boxes;
    bool IsAdmin() override { return true; }
    unsigned WindowsMajorVersion() override { return 6; }
    void Sleep(DWORD) override {}
    bool LaunchThroughShell(HWND, const std::wstring&, const std::wstring&, const std::wstring&,
                            const std::wstring&) override {
        return true;
    }
    void EndProcess(UINT) override { ADD_FAILURE() << "the process must not end"; }
    int ShowMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        boxes.push_back(text);
        return IDOK;
    }
};

std::string FileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void TakeScreenshot(const char* name) {
    const char* folder = getenv("SETTINGS_PICTURES");
    if (folder == nullptr) return;
    const std::string command = std::string("start /wait /unix /usr/bin/import -window root ") + folder + "/" + name;
    std::system(command.c_str());
}

// The program's main window with the screens' pages, its HTML pages run by the
// script host, the stand-in update service and a device made in the prefix.
class ScanFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        ASSERT_TRUE(deviceClass_.Created());
        cameraId_ = L"USB\\VID_2E1A&PID_" + UniqueTestTag();
        camera_ = std::make_unique<TestDevice>(OutdatedCameraSetup(deviceClass_.Guid(), cameraId_, L"Scan Flow Camera"));
        ASSERT_TRUE(camera_->Created());

        ASSERT_TRUE(server_.Start());
        service_.AddDriver({cameraId_,
                            {{L"ver", L"2.4.0.1"},
                             {L"infd", L"2024-05-06"},
                             {L"lu", L"http://127.0.0.1/Drivers/Camera.exe"},
                             {L"md5", L"0123456789abcdef0123456789abcdef"},
                             {L"sev", L"2"},
                             {L"cid", L"6"},
                             {L"age", L"800"},
                             {L"sig", L"Camera Maker"}}});
        const std::wstring address = server_.Url("/driverupdateservicenew/updateservice.asmx");
        for (const wchar_t* name : {L"UpdateServiceAddress1", L"UpdateServiceAddress2"}) {
            SetUserRegistryValue(true, kProductKeyPath, name, address, 0, REG_SZ);
        }
        SetUserRegistryValue(true, kProductKeyPath, L"ServiceNamespace", UpdateServiceStandIn::kDefaultNamespace, 0,
                             REG_SZ);
        SetUserRegistryValue(true, kProductKeyPath, L"LastScan", L"never", 0, REG_SZ);
        AppBusy().scanRunning = false;
        AppBusy().operationRunning = false;

        // The application object reads the service's addresses when it is made.
        app_ = std::make_unique<CHvApp>();
        app_->ScannerApp().InitializeOperation();
        window_ = std::make_unique<CHvAppDlg>(*app_, pages_, TrayShell{AcceptingShell, ModernShell});
        window_->internetCheck = [] { return true; };
        window_->startupTimerDelayMs = 50;
        window_->releaseFallbackMs = 300;
        ASSERT_NE(window_->Create(), nullptr);
        window_->OnHomePageFailed();
        PumpMessagesUntil([] { return false; }, 600);
    }
    void TearDown() override {
        PumpMessagesUntil([] { return !AppBusy().scanRunning.load(); }, kRunLimitMs);
        window_.reset();
        PumpMessagesUntil([] { return false; }, 50);
    }

    ScriptPageHost* ResultsPage() {
        MainPage* page = window_->Page(MainPageId::Results);
        auto* dialog = page != nullptr ? dynamic_cast<CChildHtmlDialog*>(ui::Window::FromHandle(page->Window())) : nullptr;
        return dialog != nullptr ? dynamic_cast<ScriptPageHost*>(dialog->Host()) : nullptr;
    }
    CDriverScanUpdate& Engine() { return app_->ScanUpdate(); }
    std::wstring ResultsFile() const { return CScanResults(app_->DataFolder()).Path(); }

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    ScopedPageHostFactory scripted_{[] { return std::make_unique<ScriptPageHost>(); }};
    RecordingBoxes boxes_;
    ScopedAppSystem boxesInForce_{boxes_};
    TestDeviceClass deviceClass_{L"Halvenor Scan Flow Test", L"HalvenorScanFlowTest"};
    std::wstring cameraId_;
    std::unique_ptr<TestDevice> camera_;
    HttpStandInServer server_;
    UpdateServiceStandIn service_{server_};
    ScreenPageFactory pages_;
    std::unique_ptr<CHvApp> app_;
    std::unique_ptr<CHvAppDlg> window_;
};

TEST_F(ScanFlowTest, TheScanTabScansAndTheResultsPageShowsTheOutdatedDriverStoredOnDisk) {
    ASSERT_NE(ResultsPage(), nullptr);
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kScanTab, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Scan; }, 5000));
    ASSERT_TRUE(PumpMessagesUntil([] { return AppBusy().scanRunning.load(); }, 5000));
    EXPECT_FALSE(window_->NavigationEnabled());
    PumpMessagesUntil([] { return false; }, 400);
    TakeScreenshot("main_window_scanning.png");

    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Results; }, kRunLimitMs));
    ScriptPageHost& results = *ResultsPage();
    ASSERT_TRUE(PumpMessagesUntil([&] { return results.Count(L"#idTableResultDisplay tr") > 0; }, 5000));
    EXPECT_TRUE(results.ScriptErrors().empty());
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_TRUE(window_->NavigationEnabled());
    EXPECT_EQ(service_.Calls().size(), 1u);

    // The page shows what the engine holds: one row per result, the camera's among them.
    const int rows = Engine().updateResults.GetSize();
    ASSERT_GT(rows, 0);
    EXPECT_EQ(results.Count(L"#idTableResultDisplay tr"), rows);
    int cameraRow = -1;
    for (int row = 0; row < rows; ++row) {
        if (results.TextAt(L"#idTableResultDisplay .deviceName", row) == L"Scan Flow Camera") cameraRow = row;
    }
    ASSERT_GE(cameraRow, 0);
    EXPECT_EQ(results.AttributeAt(L"#idTableResultDisplay img.deviceIcon", cameraRow, L"src"), L"Camera.gif");
    EXPECT_EQ(results.ElementText(L"varBtmErrCount"), std::to_wstring(rows));
    EXPECT_TRUE(results.IsElementVisible(L"rowsPanel"));
    EXPECT_FALSE(results.IsElementVisible(L"noScanPanel"));

    // What the scan leaves stored.
    const AppSettings settings = GetAppSettings();
    EXPECT_EQ(settings.appDriverScanStatus, 1);
    EXPECT_EQ(settings.totalOutOfDateDrivers, rows);
    EXPECT_EQ(settings.totalScannedDrivers, Engine().DeviceCount());
    EXPECT_EQ(GetLastScanResultCount(), rows);
    EXPECT_NE(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
    EXPECT_FALSE(FileBytes(ResultsFile()).empty());

    // The camera's own "update" link: the page hands over its row, the program
    // takes the device from its results and hands the download window the request.
    ASSERT_TRUE(results.ClickAt(L"#idTableResultDisplay a.download", cameraRow));
    ASSERT_TRUE(
        PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::DownloadInstall; }, 5000));
    EXPECT_EQ(Engine().resultSelection, (std::vector<int32_t>{cameraRow}));
    const DriverInfoRecord& chosen =
        Engine().devices[static_cast<size_t>(_wtoi(Engine().updateList.at(L"0").c_str()))];
    EXPECT_EQ(chosen.hardwareId, cameraId_);
}

}  // namespace
