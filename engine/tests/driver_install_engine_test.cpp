// Under Wine the 32-bit test runs as on 64-bit Windows, so INF packages are installed
// through the real 64-bit helper for a root test device; stand-in libraries beside
// the helper give the failures Wine's own never report.
#include "engine/driver_install_engine.h"

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "scan/driver_scan_update.h"
#include "engine/driver_scanner_app.h"
#include "tests/support/cabinet_writer.h"
#include "tests/support/child_process.h"
#include "tests/support/message_wait.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/wine_dll_overrides.h"
#include "tests/support/zip_writer.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The install progress window: keeps the percent of every 0x402 it is sent.
class ProgressWindow {
public:
    ProgressWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &ProgressWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"HalvenorInstallProgressRecorder";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, this);
    }
    ~ProgressWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    std::vector<int> percents;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == CDriverScanUpdate::kProgressMessage && lParam == 0) {
            self->percents.push_back(static_cast<int>(wParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

// Hands the install's percent to a window as the progress message, the way the
// download window shows it on its bar.
class BarProgress : public EngineProgress {
public:
    explicit BarProgress(HWND bar) : bar_(bar) {}
    void ShowPercent(int percent) override {
        SendMessageW(bar_, CDriverScanUpdate::kProgressMessage, static_cast<WPARAM>(percent), 0);
    }
    void ShowDevice(const std::wstring&, const std::wstring&, int, int) override {}
    void ShowStatus(const std::wstring&) override {}

private:
    HWND bar_;
};

class DriverInstallEngine : public ::testing::Test {
protected:
    void SetUp() override {
        scanner_.Initialize();
        ASSERT_TRUE(scanner_.IsWow64()) << "the 32-bit tests expect Wine's 64-bit prefix";
        ASSERT_TRUE(device_.Created());
        build_ = WindowsPathFromHost(HALVENOR_HELPER64_HOST_DIR);
        ASSERT_TRUE(CopyFileW((build_ + L"\\installhelper64\\Kavelin64.exe").c_str(),
                              helperFolder_.File(L"Kavelin64.exe").c_str(), FALSE));
        scanner_.InstalledDrivers().Open(dataFolder_.Path());
        scanUpdate_.installProgress = &progressShown_;
        session_.helperFolder = helperFolder_.Path();
        session_.programFolder = helperFolder_.Path();
        session_.workFolder = workFolder_.Path();
        session_.downloadsList = &downloads_;
        session_.helperResults.regpath = results_.Path();
        session_.pause = [this](DWORD milliseconds) {
            pauses_.push_back(milliseconds);
            if (onPause_) onPause_(milliseconds);
        };
        session_.languageText = [this](const wchar_t* key) {
            texts_.push_back(key);
            return std::wstring(key);
        };
        request_.hardwareId = device_.HardwareId();
        request_.infPath = L"halvenor_engine.inf";
        request_.category = L"System devices";
        request_.md5 = L"0123456789abcdef0123456789abcdef";
    }

    void UseStandInLibraries() {
        ASSERT_TRUE(PreferLibrariesBesideProgram(L"Kavelin64.exe", {L"newdev", L"difxapi"}));
        for (const wchar_t* name : {L"newdev.dll", L"difxapi.dll"}) {
            ASSERT_TRUE(CopyFileW((build_ + L"\\fake_dlls\\full\\" + name).c_str(), helperFolder_.File(name).c_str(),
                                  FALSE));
        }
    }

    std::string Inf() const { return NullDriverInf(device_.HardwareId(), "2.0.0.7"); }
    std::wstring SetupProgram() const { return WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR) + L"\\setup\\setup.exe"; }

    int Install(const std::wstring& packagePath) {
        request_.packagePath = packagePath;
        return InstallDownloadedPackage(session_, request_, launched_);
    }

    std::wstring ExcXml() const {
        const std::string bytes = ReadFileBytes(dataFolder_.File(L"exc.xml"));
        return std::wstring(bytes.begin(), bytes.end());
    }

    CDriverScannerApp scanner_;
    CDriverScanUpdate scanUpdate_{&scanner_};
    RootTestDevice device_;
    std::wstring build_;
    ScopedTempFolder helperFolder_;
    ScopedTempFolder packageFolder_;
    ScopedTempFolder workFolder_;
    ScopedTempFolder dataFolder_;
    ScopedRegistryKey results_;
    ProgressWindow progress_;
    BarProgress progressShown_{progress_.Handle()};
    std::map<std::wstring, std::wstring> downloads_;
    DriverInstallSession session_{scanUpdate_, scanner_};
    PackageInstallRequest request_;
    bool launched_ = false;
    std::vector<DWORD> pauses_;
    std::vector<std::wstring> texts_;
    std::function<void(DWORD)> onPause_;
    std::wstring log_ = helperFolder_.File(L"calls.log");
    ScopedEnvironmentVariable logPath_{L"HALVENOR_FAKE_LOG", log_};
};

TEST_F(DriverInstallEngine, ZipAndCabinetPackagesInstallTheirInfForTheDevice) {
    struct Case {
        const wchar_t* file;
        bool cabinet;
        std::vector<DWORD> pauses;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {L"pkg_zip.zip", false, {2000, 3000, 1000, 1000}, {0, 15, 30, 65, 100}},
        {L"pkg_cab1.cab", true, {1000, 1000}, {0, 25, 65, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        pauses_.clear();
        progress_.percents.clear();
        const std::wstring package = packageFolder_.File(c.file);
        const std::vector<CabinetMember> members = {{"halvenor_engine.inf", Inf()}, {"readme.txt", "driver"}};
        if (c.cabinet) {
            std::wstring base = c.file;
            base.erase(base.size() - 5);  // "1.cab" is added by the writer
            ASSERT_EQ(WriteCabinetSet(Narrow(packageFolder_.Path()), Narrow(base), members).size(), 1u);
        } else {
            ASSERT_TRUE(WriteZip(package, members));
        }
        ASSERT_TRUE(PathExists(package));

        EXPECT_EQ(Install(package), InstallResult::kInstalled);
        EXPECT_EQ(device_.DriverValue(L"InfSection"), L"NullInstall");
        EXPECT_EQ(pauses_, c.pauses);
        EXPECT_EQ(progress_.percents, c.percents);
        EXPECT_FALSE(launched_);
        // The unpacked files are gone, the package stays for the caller.
        EXPECT_FALSE(PathExists(package.substr(0, package.size() - 4)));
        EXPECT_TRUE(PathExists(package));
        EXPECT_NE(ExcXml().find(L"<HardwareIdentifier>" + device_.HardwareId() + L"</HardwareIdentifier>"),
                  std::wstring::npos);
        EXPECT_NE(ExcXml().find(L"<InfPath>"), std::wstring::npos);
    }
    EXPECT_TRUE(texts_.empty());
}

TEST_F(DriverInstallEngine, FailedHelperInstallIsRecordedAndReportedAsFailure) {
    UseStandInLibraries();
    const std::wstring package = packageFolder_.File(L"failing.zip");
    ASSERT_TRUE(WriteZip(package, {{"halvenor_engine.inf", Inf()}}));
    ScopedEnvironmentVariable pnp(L"HALVENOR_FAKE_PNP", L"0,5");
    ScopedEnvironmentVariable difx(L"HALVENOR_FAKE_DIFX_INSTALL", L"2,2");

    EXPECT_EQ(Install(package), InstallResult::kFailed);
    EXPECT_EQ(texts_, std::vector<std::wstring>{L"IDS_STRING_INSTALL_FAILED"});
    EXPECT_EQ(progress_.percents.back(), 65);
    // The failed attempt stays on record with the helper's Plug and Play error.
    EXPECT_NE(ExcXml().find(L"<InstallErrorCode>5</InstallErrorCode>"), std::wstring::npos);
    // The normal install, then the forced one, both through the helper.
    const std::string calls = ReadFileBytes(log_);
    EXPECT_NE(calls.find("|0\n"), std::string::npos);
    EXPECT_NE(calls.find("|1\n"), std::string::npos);
    // The helper's results are not left behind.
    EXPECT_FALSE(ReadRawValue(results_.Handle(), L"IsUpdateSuccessFull").has_value());
    EXPECT_TRUE(device_.DriverValue(L"InfSection").empty());
}

TEST_F(DriverInstallEngine, DamagedOrCraftedArchivesAreRefused) {
    struct Case {
        const wchar_t* file;
        std::vector<CabinetMember> members;  // empty: not an archive at all
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"damaged.zip", {}, L"IDS_STRING_INSTALL_FILE_CORRUPT"},
        {L"crafted.zip", {{"..\\outside.inf", "x"}, {"halvenor_engine.inf", "y"}}, L"IDS_STRING_INSTALL_FILE_CORRUPT"},
        {L"damaged.cab", {}, L"IDS_STRING_INSTALL_CAB_FILE_CORRUPT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        texts_.clear();
        const std::wstring package = packageFolder_.File(c.file);
        if (c.members.empty()) {
            ASSERT_TRUE(WriteFileBytes(package, "PK\x03\x04 not really an archive"));
        } else {
            ASSERT_TRUE(WriteZip(package, c.members));
        }
        EXPECT_EQ(Install(package), InstallResult::kFailed);
        EXPECT_EQ(texts_, std::vector<std::wstring>{c.text});
    }
    EXPECT_FALSE(PathExists(packageFolder_.File(L"outside.inf")));
    EXPECT_FALSE(PathExists(dataFolder_.File(L"exc.xml")));
    EXPECT_TRUE(device_.DriverValue(L"InfSection").empty());
}

TEST_F(DriverInstallEngine, PackagesTheEngineDoesNotInstallEndEarly) {
    const std::wstring package = packageFolder_.File(L"ports.zip");
    ASSERT_TRUE(WriteZip(package, {{"halvenor_engine.inf", Inf()}}));

    request_.category = L"Ports";
    EXPECT_EQ(Install(package), InstallResult::kFailed);
    EXPECT_EQ(texts_, std::vector<std::wstring>{L"IDS_STRING_INSTALL_FILE_CATEGORY"});

    texts_.clear();
    request_.category = L"System devices";
    EXPECT_EQ(Install(packageFolder_.File(L"gone.zip")), InstallResult::kMissingInput);
    EXPECT_EQ(texts_, std::vector<std::wstring>{L"IDS_STRING_UNKWN_FILE_PATH"});

    request_.hardwareId.clear();
    EXPECT_EQ(Install(package), InstallResult::kMissingInput);
    EXPECT_TRUE(device_.DriverValue(L"InfSection").empty());
}

TEST_F(DriverInstallEngine, CancelIsHonouredAtTheNextCheck) {
    const std::wstring package = packageFolder_.File(L"cancel.zip");
    ASSERT_TRUE(WriteZip(package, {{"halvenor_engine.inf", Inf()}}));
    onPause_ = [this](DWORD milliseconds) {
        if (milliseconds == 3000) scanner_.SetStatusCode(EngineCode::kInstallStopRequest);
    };
    scanner_.BeginOperation();

    EXPECT_EQ(Install(package), InstallResult::kCancelled);
    EXPECT_EQ(scanner_.StatusCode(), EngineCode::kIdle);
    EXPECT_EQ(WaitForSingleObject(scanner_.OperationEvent(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(device_.DriverValue(L"InfSection").empty());
}

TEST_F(DriverInstallEngine, SetupProgramsKeepWhatTheyMayStillUse) {
    // A setup program inside a zip, run and waited for: one that ends leaves nothing,
    // one still at work after the wait keeps its folder.
    std::string setupBytes = ReadFileBytes(SetupProgram());
    ASSERT_FALSE(setupBytes.empty());
    session_.setupWait = {300, 300};
    request_.runMode = 2;
    request_.setupProgram = L"setup.exe";
    request_.setupParameters = L"/quiet";
    struct Case {
        const wchar_t* workMs;
        bool folderKept;
    };
    for (const Case& c : {Case{L"0", false}, Case{L"2000", true}}) {
        SCOPED_TRACE(Narrow(c.workMs));
        ScopedEnvironmentVariable work(L"HALVENOR_FAKE_SETUP_MS", c.workMs);
        const std::wstring package = packageFolder_.File(std::wstring(L"runsetup") + c.workMs + L".zip");
        ASSERT_TRUE(WriteZip(package, {{"setup.exe", setupBytes}}));
        EXPECT_EQ(Install(package), InstallResult::kInstalled);
        EXPECT_EQ(PathExists(package.substr(0, package.size() - 4)), c.folderKept);
        EXPECT_EQ(launched_, c.folderKept);
    }
    EXPECT_NE(ReadFileBytes(log_).find("setup|/quiet"), std::string::npos);
    EXPECT_TRUE(device_.DriverValue(L"InfSection").empty());
}

TEST_F(DriverInstallEngine, SevenZipFailureEndsWithoutAText) {
    ASSERT_TRUE(CreateDirectoryW(helperFolder_.File(L"extract").c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR) + L"\\7z\\7z.exe").c_str(),
                          helperFolder_.File(L"extract\\7z.exe").c_str(), FALSE));
    const std::wstring package = packageFolder_.File(L"selfextract.exe");
    ASSERT_TRUE(WriteFileBytes(package, "MZ not a zip"));
    request_.useSevenZip = true;
    ScopedEnvironmentVariable exitCode(L"HALVENOR_FAKE_7Z_EXIT", L"2");

    EXPECT_EQ(Install(package), InstallResult::kFailed);
    EXPECT_TRUE(texts_.empty());
    EXPECT_FALSE(launched_);
}

TEST_F(DriverInstallEngine, AFolderThatWasThereBeforeIsNotDeleted) {
    const std::wstring package = packageFolder_.File(L"mine.zip");
    ASSERT_TRUE(WriteZip(package, {{"halvenor_engine.inf", Inf()}}));
    ASSERT_TRUE(CreateDirectoryW(packageFolder_.File(L"mine").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(packageFolder_.File(L"mine\\keep.txt"), "the user's"));

    EXPECT_EQ(Install(package), InstallResult::kInstalled);
    EXPECT_EQ(ReadFileBytes(packageFolder_.File(L"mine\\keep.txt")), "the user's");
}

TEST_F(DriverInstallEngine, DownloadedSetupProgramIsStartedAndLeftInPlace) {
    // The screen's entry: the downloads list gives the file, which is copied to the
    // work folder and started there; the copy stays while the program may run.
    scanUpdate_.ResetDeviceArrays(4);
    scanUpdate_.devices[2].hardwareId = device_.HardwareId();
    scanUpdate_.devices[2].category = L"System devices";
    DownloadAddressOf((*scanUpdate_.OfferedDrivers())[2]) = L"http://127.0.0.1/Drivers/Setup_1.exe";
    const std::wstring downloaded = packageFolder_.File(L"Setup_1.exe");
    ASSERT_TRUE(CopyFileW(SetupProgram().c_str(), downloaded.c_str(), FALSE));

    EXPECT_EQ(InstallExtractedPackage(session_, 2), InstallResult::kNotDownloaded);

    downloads_[L"http:127.0.0.1driverssetup_1.exe"] = packageFolder_.File(L"missing.exe") + L"|abc";
    EXPECT_EQ(InstallExtractedPackage(session_, 2), InstallResult::kDownloadMissing);

    downloads_[L"http:127.0.0.1driverssetup_1.exe"] = downloaded + L"|0123";
    EXPECT_EQ(InstallExtractedPackage(session_, 2), InstallResult::kInstalled);
    EXPECT_EQ(session_.result, InstallResult::kInstalled);
    EXPECT_TRUE(PathExists(workFolder_.File(L"Setup_1.exe")));
    PumpMessagesUntil([&] { return ReadFileBytes(log_).find("setup") != std::string::npos; });
    EXPECT_EQ(ReadFileBytes(log_), "setup\n");
}

TEST(ExtractionFolder, IsANamedSubFolderOfThePackage) {
    struct Case {
        const wchar_t* package;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"C:\\temp\\pkg.zip", L"C:\\temp\\pkg\\"},
        {L"C:\\temp\\pkg.v2.cab", L"C:\\temp\\pkg.v2\\"},
        {L"C:\\temp\\pkg", L"C:\\temp\\pkg\\"},
        {L"C:\\temp\\.zip", L""},
        {L"C:\\temp\\..zip", L""},
        {L"pkg.zip", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExtractionFolderOf(c.package), c.folder) << Narrow(c.package);
}

TEST(DriverDates, DifferOnlyWhenBothReadAsDifferentDays) {
    struct Case {
        const wchar_t* offered;
        const wchar_t* installed;
        bool differs;
    };
    const Case cases[] = {
        {L"2021-03-04", L"03-04-2021", false},
        {L"2021-03-04T10:00:00", L"3-4-2021", false},
        {L"2021-03-04", L"03-05-2021", true},
        {L"2020-12-31", L"01-01-2021", true},
        {L"2020-02-28", L"03-01-2020", true},  // a leap year: two days
        {L"", L"03-05-2021", false},
        {L"2021-03-04", L"", false},
        {L"March 4", L"03-05-2021", false},
        {L"2021-13-04", L"03-05-2021", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriverDateDifferenceDays(c.offered, c.installed) != 0, c.differs)
            << Narrow(c.offered) << " / " << Narrow(c.installed);
    }
    EXPECT_EQ(DriverDateDifferenceDays(L"2020-02-28", L"03-01-2020"), 2);
}

TEST(OsFamily, FirstMatchingRuleChoosesTheText) {
    struct Case {
        int id, major, productType, architecture;
        const wchar_t* text;
    };
    const Case cases[] = {
        {18, 6, 1, 6, L"ia64"},    {7, 5, 1, 9, L"amd64"},    {12, 6, 1, 9, L"win7amd64"},
        {12, 6, 1, 0, L"win7i386"}, {16, 6, 3, 9, L"amd64"},    {11, 6, 3, 0, L"Vista"},
        {26, 10, 1, 9, L"Vista"},  {4, 5, 1, 0, L"xp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OsFamilyText(c.id, c.major, c.productType, c.architecture), c.text) << c.id;
    }
}

}  // namespace
