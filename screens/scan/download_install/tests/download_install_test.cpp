// The download-and-install window under Wine against the stand-in service: real
// downloads over loopback, the real backup, and the real install engine with the
// 64-bit helper for devices created in the prefix. Only the restore point, the
// restart prompt and message boxes are seams.
#include "tools/update_service_stand_in.h"

#include "screens/scan/download_install/dlg_nag_download_and_install.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/download_pacing.h"
#include "engine/driver_install_engine.h"
#include "engine/driver_scanner_app.h"
#include "engine/package_file_name.h"
#include "engine/wininet_entry_points.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/md5_checksum.h"
#include "scan/download_info_request.h"
#include "scan/scan_results.h"
#include "scan/driver_scan_update.h"
#include "scan/update_service_helper.h"
#include "screens/scan/download_install/download_install_host.h"
#include "shell/driver_optimizer_app.h"
#include "tests/support/child_process.h"
#include "tests/support/host_frame.h"
#include "tests/support/page_test_support.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/zip_writer.h"

namespace {

BOOL WINAPI AlwaysOnline(LPDWORD flags, DWORD) {
    if (flags != nullptr) *flags = INTERNET_CONNECTION_LAN;
    return TRUE;
}

std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

class TestHost : public DownloadInstallHost {
public:
    TestHost(CDriverScanUpdate& engine, CDriverScannerApp& scanner) : engine_(engine), scanner_(scanner) {}

    HWND MainWindow() override { return main.Handle(); }
    void EnableNavigation(bool enable) override { navigationEnabled = enable; }
    void SetBusy(bool value) override { busy = value; }
    CDriverScanUpdate& ScanUpdate() override { return engine_; }
    CDriverScannerApp& ScannerApp() override { return scanner_; }
    std::map<std::wstring, std::wstring>& DownloadedFiles() override { return downloads; }
    bool SaveDownloadedFiles() override {
        ++downloadSaves;
        return true;
    }
    std::wstring DownloadFolder() override { return downloadFolder; }
    std::wstring DataFolder() override { return dataFolder; }
    ScanRequestFacts RequestFacts() override {
        ScanRequestFacts facts;
        facts.productParamsName = L"halvenornewparams";
        facts.appVersion = L"1.0.0.7";
        return facts;
    }
    bool RequestDownloadInformation(std::wstring& request, std::wstring& answer) override {
        if (serviceDown || service == nullptr) return false;
        return service->RequestDriverDownloadInformation(request, answer);
    }
    int ShowMessage(HWND, const std::wstring& text, UINT) override {
        const std::lock_guard<std::mutex> lock(guard_);
        messages.push_back(text);
        return IDNO;
    }
    bool CreateRestorePoint(const std::wstring&) override {
        restorePointBeforeInstall = installed == 0;
        ++restorePoints;
        return true;
    }
    std::wstring BackupFolder() override { return backupFolder; }
    BackupList& Backups() override { return backups; }
    bool SaveBackups() override { return true; }
    void PrepareInstallSession(DriverInstallSession& session) override {
        session.helperFolder = helperFolder;
        session.programFolder = helperFolder;
        session.workFolder = workFolder;
        session.helperResults.regpath = resultsKey;
        session.pause = [this](DWORD) { ++installed; };
    }
    int ShowRestartPrompt() override { return ++restartPrompts, 0; }
    void ResultsChanged() override { ++resultsChanges; }
    void ShowInstallStep() override {
        installStepOnMainThread = GetCurrentThreadId() == GetWindowThreadProcessId(main.Handle(), nullptr);
        ++installSteps;
    }

    std::vector<std::wstring> Messages() {
        const std::lock_guard<std::mutex> lock(guard_);
        return messages;
    }

    HostFrame main;
    CUpdateServiceHelper* service = nullptr;
    std::map<std::wstring, std::wstring> downloads;
    BackupList backups;
    std::wstring downloadFolder, dataFolder, backupFolder, helperFolder, workFolder, resultsKey;
    std::atomic<bool> serviceDown{false};
    std::atomic<bool> navigationEnabled{true};
    std::atomic<bool> busy{false};
    std::atomic<int> downloadSaves{0};
    std::atomic<int> restorePoints{0};
    std::atomic<bool> restorePointBeforeInstall{false};
    std::atomic<int> installed{0};
    std::atomic<int> restartPrompts{0};
    std::atomic<int> resultsChanges{0};
    std::atomic<int> installSteps{0};
    std::atomic<bool> installStepOnMainThread{false};

private:
    CDriverScanUpdate& engine_;
    CDriverScannerApp& scanner_;
    std::mutex guard_;
    std::vector<std::wstring> messages;
};

class DownloadInstallWindow : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        SetConnectedStateProbe(&AlwaysOnline);
        DownloadPacing pacing;
        pacing.sleep = [](DWORD) {};
        pacing.requestTimeoutMilliseconds = 3000;
        SetDownloadPacing(pacing);
        ASSERT_TRUE(server_.Start());
        ServiceAddresses addresses;
        addresses.updateFirst = addresses.updateSecond = server_.Url("/driverupdateservicenew/updateservice.asmx");
        addresses.miscFirst = addresses.miscSecond = server_.Url("/miscservice/miscservice.asmx");
        addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
        helper_ = std::make_unique<CUpdateServiceHelper>(addresses, nullptr);
        host_.service = helper_.get();
        service_.SetDatabaseVersion(L"1.0.0.1");
        ASSERT_EQ(scanner_.Initialize(), 1);
        scanner_.InstalledDrivers().Open(dataFolder_.Path());
        engine_.ResetDeviceArrays(8);
        engine_.databaseVersionText = L"1.0.0.1";
        engine_.temporaryWorkFolder = backupWork_.File(L"work");
        host_.downloadFolder = downloadFolder_.File(L"Drivers");
        host_.dataFolder = dataFolder_.Path();
        // A scan was made, so its summary is kept on disk.
        CurrentScanStatus() = 1;
        host_.backupFolder = backupFolder_.Path();
        host_.helperFolder = helperFolder_.Path();
        host_.workFolder = installWork_.Path();
        host_.resultsKey = results_.Path();

        ASSERT_TRUE(host_.main.Open(L"Download and install"));
        window_ = std::make_unique<CDlgNagDownloadAndInstall>(host_);
        ASSERT_TRUE(window_->Create(host_.main.Handle()));
        const RECT client = host_.main.Client();
        window_->MoveTo(0, 0, client.right, client.bottom);
        window_->Show(SW_SHOW);
        host_.main.Show(SW_SHOW);
        window_->Run().pauseBetweenDownloadsMs = 10;
        window_->Run().pauseAfterInstallMs = 10;
        PumpWaitingMessages();
    }

    void TearDown() override {
        if (window_) window_->WaitForThreads();
        window_.reset();
        SetConnectedStateProbe(nullptr);
        SetDownloadPacing(DownloadPacing());
    }

    void UseInstallHelper() {
        const std::wstring build = WindowsPathFromHost(HALVENOR_HELPER64_HOST_DIR);
        ASSERT_TRUE(CopyFileW((build + L"\\installhelper64\\Kavelin64.exe").c_str(),
                              helperFolder_.File(L"Kavelin64.exe").c_str(), FALSE));
    }

    // A device of the last scan with a driver offered for it, its results row and
    // its package on the server.
    std::wstring AddDriver(int index, const std::wstring& name, const std::wstring& hardwareId,
                           const std::string& urlPath, const std::string& bytes, std::wstring digest = L"") {
        DriverInfoRecord& device = engine_.devices[static_cast<size_t>(index)];
        device.deviceName = name;
        device.hardwareId = hardwareId;
        device.category = L"System devices";
        DriverInfoRecord& offer = (*engine_.OfferedDrivers())[static_cast<size_t>(index)];
        offer.hardwareId = hardwareId;
        InfPathOf(offer) = L"halvenor_engine.inf";
        DriverIdOf(offer) = 4294967296ull + static_cast<unsigned>(index);
        engine_.devicesReported = std::max(engine_.devicesReported, index + 1);
        CDriverScanUpdate::tagUpdateResultsStruct row;
        row.deviceIndex = index;
        row.rowIndex = index;
        row.detail = name;
        row.selected = 1;
        row.state = 0;
        engine_.updateResults.Add(row);
        server_.Files().PutFile(urlPath, bytes);
        const std::wstring md5 = Md5OfString(bytes.data(), bytes.size());
        service_.AddDownloadPackage(DriverIdText(DriverIdOf(offer)), server_.Url(urlPath), digest.empty() ? md5 : digest);
        return md5;
    }

    std::string ZipPackage(const std::wstring& hardwareId, size_t padding, unsigned seed) {
        const std::wstring path = zipFolder_.File(L"pkg" + std::to_wstring(seed) + L".zip");
        const std::vector<CabinetMember> members = {{"halvenor_engine.inf", NullDriverInf(hardwareId, "2.0.0.7")},
                                                    {"payload.bin", Noise(padding, seed)}};
        EXPECT_TRUE(WriteZip(path, members));
        return ReadFileBytes(path);
    }

    // The saved state of a device as "results.du" holds it (-9 when it does not read).
    int StoredResultState(int deviceIndex) {
        DriverInfoArray records;
        uint32_t count = 0;
        std::wstring summary;
        if (CScanResults(host_.dataFolder).Load(records, count, summary) == 0) return -9;
        if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= records.size()) return -9;
        return SavedResultStateOf(records[static_cast<size_t>(deviceIndex)]);
    }

    int ResultState(int deviceIndex) {
        for (const auto& row : engine_.updateResults) {
            if (row.deviceIndex == deviceIndex) return row.state;
        }
        return -9;
    }

    bool WaitUntilEnded(DWORD timeoutMs = 120000) {
        return PumpMessagesUntil(
            [this] { return !window_->StageRunning() && window_->ShowsFinished() && !host_.busy; }, timeoutMs);
    }

    bool HasRowStartingWith(const wchar_t* key) {
        const std::wstring text = Key(key);
        for (const auto& row : window_->StatusRows()) {
            if (row.compare(0, text.size(), text) == 0) return true;
        }
        return false;
    }

    int GetCount(const std::string& path) {
        int count = 0;
        for (const auto& request : server_.Log()) count += request.method == "GET" && request.path == path;
        return count;
    }

    void TakeScreenshot(const std::string& name) {
        PumpMessagesUntilQuiet();
        if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) return;
        const std::string folder = HALVENOR_SCREENSHOT_DIR;
        CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
        const std::string command = "start /wait /unix /usr/bin/import -window root " + folder + "/" + name + ".png";
        std::system(command.c_str());
    }

    HttpStandInServer server_;
    UpdateServiceStandIn service_{server_};
    std::unique_ptr<CUpdateServiceHelper> helper_;
    CDriverScannerApp scanner_;
    CDriverScanUpdate engine_{&scanner_};
    TestHost host_{engine_, scanner_};
    ScopedTempFolder downloadFolder_, backupFolder_, backupWork_, helperFolder_, installWork_, dataFolder_, zipFolder_;
    ScopedRegistryKey results_;
    std::unique_ptr<CDlgNagDownloadAndInstall> window_;
};

TEST_F(DownloadInstallWindow, OneDriverIsDownloadedVerifiedBackedUpInstalledAndRecorded) {
    UseInstallHelper();
    RootTestDevice device;
    ASSERT_TRUE(device.Created());
    // Over one mebibyte, so the downloader opens several connections.
    const std::string package = ZipPackage(device.HardwareId(), 3 * 1024 * 1024, 1);
    const std::wstring md5 = AddDriver(0, L"Halvenor Test Device", device.HardwareId(), "/drivers/net%20pack.zip",
                                       package);

    window_->StartDownloads({0}, false);
    ASSERT_TRUE(PumpMessagesUntil([this] { return StoredResultState(0) >= 1; }, 120000))
        << "the downloaded state is kept on disk before the install";
    ASSERT_TRUE(PumpMessagesUntil([this] { return host_.restartPrompts > 0; }, 120000)) << host_.Messages().size();
    TakeScreenshot("download_install_done");
    // A program started again before Windows restarts reads the installed state back
    // (the matcher skips a device in that state).
    EXPECT_EQ(StoredResultState(0), 2);

    std::set<std::string> ranges;
    for (const auto& request : server_.Log()) {
        if (request.method == "GET" && request.path == "/drivers/net%20pack.zip") ranges.insert(request.range);
    }
    EXPECT_GE(ranges.size(), 2u) << "several connections";
    const std::wstring key = DownloadedFilesKey(server_.Url("/drivers/net%20pack.zip"));
    ASSERT_EQ(host_.downloads.count(key), 1u);
    const auto entry = ParseDownloadedFilesEntry(host_.downloads[key]);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->path, host_.downloadFolder + L"\\net pack.zip");
    EXPECT_EQ(entry->md5, md5);
    EXPECT_EQ(ReadFileBytes(entry->path), package);
    EXPECT_EQ(ResultState(0), 2);
    EXPECT_EQ(device.DriverValue(L"InfSection"), L"NullInstall");
    EXPECT_TRUE(HasRowStartingWith(L"IDS_DRIVER_INSCOMPL"));
    EXPECT_EQ(host_.restorePoints, 1);
    EXPECT_TRUE(host_.restorePointBeforeInstall);
    EXPECT_EQ(host_.installSteps, 1);
    EXPECT_TRUE(host_.installStepOnMainThread);
    EXPECT_TRUE(window_->ShowsFinished());
    // The device had no driver to back up: no archive, and no success shown.
    EXPECT_EQ(window_->Run().LastBackupArchive(), L"");
    EXPECT_FALSE(window_->Run().BackupShownAsDone());
    EXPECT_TRUE(host_.backups.empty());
    EXPECT_TRUE(host_.Messages().empty());

    // Asked again, the package on disk with its digest counts as ready: nothing is
    // fetched, the driver is installed from it.
    const int fetched = GetCount("/drivers/net%20pack.zip");
    for (auto& row : engine_.updateResults) row.state = 0;
    host_.restartPrompts = 0;
    window_->StartDownloads({0}, false);
    ASSERT_TRUE(PumpMessagesUntil([this] { return host_.restartPrompts > 0; }, 120000));
    EXPECT_EQ(GetCount("/drivers/net%20pack.zip"), fetched);
    EXPECT_EQ(ResultState(0), 2);
    EXPECT_EQ(host_.downloads.size(), 1u);
}

TEST_F(DownloadInstallWindow, AnInstalledDriverIsBackedUpIntoAnArchiveBeforeItIsReplaced) {
    UseInstallHelper();
    RootTestDevice device;
    ASSERT_TRUE(device.Created());
    const std::string first = ZipPackage(device.HardwareId(), 4096, 21);
    AddDriver(0, L"Halvenor Test Device", device.HardwareId(), "/drivers/v1.zip", first);
    window_->StartDownloads({0}, false);
    ASSERT_TRUE(PumpMessagesUntil([this] { return host_.restartPrompts > 0; }, 120000));
    ASSERT_EQ(device.DriverValue(L"InfSection"), L"NullInstall");

    // Windows keeps the installed INF in its inf folder and names it in the driver
    // key; Wine's installer does neither, so the test does what it would.
    const std::wstring inf = zipFolder_.File(L"installed.inf");
    ASSERT_TRUE(WriteFileBytes(inf, NullDriverInf(device.HardwareId(), "2.0.0.7")));
    wchar_t stored[MAX_PATH] = {};
    wchar_t* storedName = nullptr;
    ASSERT_TRUE(SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, 0, stored, MAX_PATH, nullptr, &storedName));
    const std::wstring storedInf = storedName;
    HKEY driverKey = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            (L"SYSTEM\\CurrentControlSet\\Control\\Class\\" + device.DriverKeyName()).c_str(), 0,
                            KEY_SET_VALUE, &driverKey),
              ERROR_SUCCESS);
    RegSetValueExW(driverKey, L"InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(storedInf.c_str()),
                   static_cast<DWORD>((storedInf.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(driverKey);
    DriverInfoRecord& record = engine_.devices[0];
    record.infPath = storedInf;
    record.driverKey = device.DriverKeyName();
    record.driverVersion = L"2.0.0.7";
    record.driverDate = L"01-02-2020";
    record.provider = L"Halvenor Tests";
    record.category = L"System";

    // A newer package of the same driver.
    const std::string second = ZipPackage(device.HardwareId(), 8192, 22);
    server_.Files().PutFile("/drivers/v2.zip", second);
    const DriverInfoRecord& offer = (*engine_.OfferedDrivers())[0];
    service_.AddDownloadPackage(DriverIdText(DriverIdOf(offer)), server_.Url("/drivers/v2.zip"),
                                Md5OfString(second.data(), second.size()));
    DownloadAddressOf((*engine_.OfferedDrivers())[0]).clear();
    for (auto& row : engine_.updateResults) row.state = 0;
    host_.restartPrompts = 0;
    window_->StartDownloads({0}, false);
    ASSERT_TRUE(PumpMessagesUntil([this] { return host_.restartPrompts > 0; }, 120000));

    const std::wstring archive = window_->Run().LastBackupArchive();
    ASSERT_FALSE(archive.empty());
    EXPECT_TRUE(PathExists(archive));
    EXPECT_TRUE(window_->Run().BackupShownAsDone());
    EXPECT_EQ(archive.rfind(host_.backupFolder, 0), 0u);
    EXPECT_EQ(host_.backups.size(), 1u);
    EXPECT_EQ(ZipEntryNames(archive).count("index.dat"), 1u);
    EXPECT_EQ(ResultState(0), 2);
    DeleteFileW((WindowsFolder() + L"\\inf\\" + storedInf).c_str());
}

TEST_F(DownloadInstallWindow, UpdateAllInstallsThreeDriversAndSameNamedPackagesStayApart) {
    UseInstallHelper();
    RootTestDevice devices[3];
    const std::string paths[3] = {"/a/driver.zip", "/b/driver.zip", "/c/other.zip"};
    std::string packages[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(devices[i].Created());
        packages[i] = ZipPackage(devices[i].HardwareId(), 64 * 1024, 10 + static_cast<unsigned>(i));
        AddDriver(i, L"Device " + std::to_wstring(i), devices[i].HardwareId(), paths[i], packages[i]);
    }

    window_->StartDownloads({0, 1, 2}, true);
    ASSERT_TRUE(PumpMessagesUntil([this] { return host_.restartPrompts > 0; }, 180000));

    std::set<std::wstring> files;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto entry = ParseDownloadedFilesEntry(host_.downloads[DownloadedFilesKey(server_.Url(paths[i]))]);
        ASSERT_TRUE(entry.has_value());
        EXPECT_EQ(ReadFileBytes(entry->path), packages[i]) << "each device keeps its own package";
        files.insert(entry->path);
        EXPECT_EQ(ResultState(i), 2);
        EXPECT_EQ(devices[i].DriverValue(L"InfSection"), L"NullInstall");
    }
    EXPECT_EQ(files, (std::set<std::wstring>{host_.downloadFolder + L"\\driver.zip",
                                             host_.downloadFolder + L"\\driver (2).zip",
                                             host_.downloadFolder + L"\\other.zip"}));
    EXPECT_EQ(host_.restorePoints, 1);
}

TEST_F(DownloadInstallWindow, WrongDigestTwiceDeletesThePackageAndInstallsNothing) {
    AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0001", "/drivers/card.exe", Noise(200000, 3),
              L"00000000000000000000000000000000");
    window_->StartDownloads({0}, false);
    ASSERT_TRUE(WaitUntilEnded());
    EXPECT_EQ(GetCount("/drivers/card.exe"), 2) << "downloaded once more after the first mismatch";
    EXPECT_FALSE(PathExists(host_.downloadFolder + L"\\card.exe"));
    EXPECT_TRUE(host_.downloads.empty());
    EXPECT_EQ(ResultState(0), 0);
    EXPECT_TRUE(HasRowStartingWith(L"IDS_DOWN_DIGEST_MISMATCH"));
    EXPECT_EQ(host_.restorePoints, 0);
    EXPECT_EQ(host_.restartPrompts, 0);
    EXPECT_EQ(host_.Messages(), std::vector<std::wstring>{Key(L"IDS_DOWN_ABORT")});
    EXPECT_TRUE(host_.navigationEnabled);
}

TEST_F(DownloadInstallWindow, AFailedSingleDownloadSaysWhy) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> arrange;
        const wchar_t* row;
        const wchar_t* message;
    } cases[] = {
        {"the package's server cannot be reached",
         [this](const std::string&) {
             // Nothing listens on port 1 of the loopback address.
             service_.AddDownloadPackage(DriverIdText(DriverIdOf((*engine_.OfferedDrivers())[0])),
                                         L"http://127.0.0.1:1/drivers/lost.exe", L"0123456789abcdef0123456789abcdef");
         },
         L"IDS_DOWNABORT_DUEINTERNET", L"IDS_DOWNABORT_NETCONNERROR"},
        {"the answer has no digest",
         [this](const std::string& path) {
             service_.AddDownloadPackage(DriverIdText(DriverIdOf((*engine_.OfferedDrivers())[0])), server_.Url(path), L"");
         },
         L"IDS_DOWN_SKIPPED", L"IDS_DOWN_SKIPPED"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_.updateResults.RemoveAll();
        const std::string path = "/drivers/fail" + std::to_string(++n) + ".exe";
        AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0005", path, Noise(300000, 9));
        c.arrange(path);
        const size_t before = host_.Messages().size();
        window_->StartDownloads({0}, false);
        // The window still shows the last run's end until this one starts.
        ASSERT_TRUE(PumpMessagesUntil(
            [&] { return host_.Messages().size() > before && !window_->StageRunning() && !host_.busy; }, 120000));
        EXPECT_TRUE(HasRowStartingWith(c.row));
        const std::vector<std::wstring> messages = host_.Messages();
        EXPECT_EQ(std::vector<std::wstring>(messages.begin() + static_cast<std::ptrdiff_t>(before), messages.end()),
                  std::vector<std::wstring>{Key(c.message)});
        EXPECT_EQ(ResultState(0), 0);
        EXPECT_EQ(host_.restorePoints, 0);
    }
}

TEST_F(DownloadInstallWindow, CloseTooltipAndTheRequestMadeOnTheWindowsThread) {
    wchar_t tip[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window_->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(window_->CloseButton().Handle());
    tool.lpszText = tip;
    SendMessageW(window_->CloseTooltip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tip), Key(L"DOWNLOADNAGTOOLTIP1"));

    AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0006", "/drivers/asked.exe", "abc");
    const DriverInfoRecord& offer = (*engine_.OfferedDrivers())[0];
    ASSERT_EQ(BuildDownloadInfoRequest(window_->DownloadInfoRequest(), offer.hardwareId, L"7",
                                       DriverIdText(DriverIdOf(offer)), host_.RequestFacts()),
              1);
    window_->Send(CDlgNagDownloadAndInstall::kDownloadInfoRequestMessage);
    EXPECT_EQ(WaitForSingleObject(window_->DownloadInfoEvent(), 0), WAIT_OBJECT_0);
    EXPECT_NE(window_->DownloadInfoAnswer().find(server_.Url("/drivers/asked.exe")), std::wstring::npos);
    EXPECT_EQ(window_->DownloadInfoResult(), UpdateRunResult::kDone);

    host_.serviceDown = true;
    window_->Send(CDlgNagDownloadAndInstall::kDownloadInfoRequestMessage);
    EXPECT_EQ(WaitForSingleObject(window_->DownloadInfoEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(window_->DownloadInfoResult(), UpdateRunResult::kServiceUnreachable);
    EXPECT_EQ(host_.Messages(), std::vector<std::wstring>{Key(L"IDS_CHKINTERNET_SETTFIREWALL")});
    EXPECT_TRUE(HasRowStartingWith(L"IDS_CHKINTERNET_SETTFIREWALL"));
}

TEST_F(DownloadInstallWindow, DroppedConnectionIsResumedByteExact) {
    const std::string bytes = Noise(3 * 1024 * 1024 + 777, 5);
    const std::wstring md5 = AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0002", "/drivers/big.cab", bytes);
    FileFaultRule drop = MakeFault(FileFault::DropAfter, "/drivers/big.cab", 300000);
    drop.times = 2;
    server_.Files().AddFault(drop);
    window_->StartDownloads({0}, false);
    // The install of a package no device takes fails; the download must be whole.
    ASSERT_TRUE(PumpMessagesUntil(
        [this] { return host_.restartPrompts > 0 || (!window_->StageRunning() && window_->ShowsFinished()); },
        120000));
    window_->WaitForThreads();
    const auto entry = ParseDownloadedFilesEntry(host_.downloads[DownloadedFilesKey(server_.Url("/drivers/big.cab"))]);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(ReadFileBytes(entry->path), bytes);
    EXPECT_EQ(entry->md5, md5);
    EXPECT_EQ(GetCount("/drivers/big.cab") > 1, true);
}

TEST_F(DownloadInstallWindow, StopDuringADownloadFinishesTheWindowWithoutHanging) {
    AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0003", "/drivers/slow.exe", Noise(2 * 1024 * 1024, 7));
    FileFaultRule stall = MakeFault(FileFault::Stall, "/drivers/slow.exe", 100000);
    stall.stallMilliseconds = 60000;
    stall.times = -1;
    server_.Files().AddFault(stall);
    window_->StartDownloads({0}, false);
    ASSERT_TRUE(PumpMessagesUntil([this] { return server_.WaitUntilStalled(0); }, 30000));
    TakeScreenshot("download_install_running");
    const ULONGLONG start = GetTickCount64();
    SendMessageW(window_->StopButton().Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntilEnded(30000));
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_TRUE(HasRowStartingWith(L"IDS_WAIT_STOP_MOMENT"));
    EXPECT_TRUE(HasRowStartingWith(L"IDS_DOWN_STOPEED"));
    EXPECT_TRUE(host_.downloads.empty());
    EXPECT_EQ(host_.restorePoints, 0);
    EXPECT_TRUE(host_.navigationEnabled);
    server_.Stop();
}

TEST_F(DownloadInstallWindow, AnswersThatEndTheRunEarly) {
    struct Case {
        const char* name;
        std::wstring answerVersion;
        bool serviceDown;
        const wchar_t* message;
        UINT mainTimer;
    } cases[] = {
        {"results out of date", L"9.9.9.9", false, L"IDS_SCAN_RESULTS_OLD", 105},
        {"service unreachable", L"1.0.0.1", true, L"IDS_CHKINTERNET_SETTFIREWALL",
         105},
    };
    AddDriver(0, L"Card", L"PCI\\VEN_1234&DEV_0004", "/drivers/x.exe", "abc");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.main.timers.clear();
        service_.SetDatabaseVersion(c.answerVersion);
        host_.serviceDown = c.serviceDown;
        const size_t before = host_.Messages().size();
        window_->StartDownloads({0}, false);
        ASSERT_TRUE(PumpMessagesUntil(
            [&] { return !host_.main.timers.empty() && !window_->StageRunning(); }, 60000));
        EXPECT_EQ(host_.main.timers.back(), c.mainTimer);
        ASSERT_GT(host_.Messages().size(), before);
        EXPECT_EQ(host_.Messages().back(), Key(c.message));
        EXPECT_TRUE(window_->ShowsFinished());
        EXPECT_TRUE(host_.navigationEnabled);
        EXPECT_FALSE(host_.busy);
        EXPECT_TRUE(host_.downloads.empty());
    }
}

}  // namespace
