// Under Wine the 32-bit test runs as on 64-bit Windows (WOW64), so pre-install and
// forced reinstall go through the real 64-bit helper; stand-in libraries beside it
// give the answers Wine's own cannot.
#include "engine/install_backends.h"

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include "engine/driver_scanner_app.h"
#include "tests/support/child_process.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/wine_dll_overrides.h"

namespace {

const std::wstring kSystemClassDriverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0042";

class InstallBackends : public ::testing::Test {
protected:
    void SetUp() override {
        engine_.Initialize();
        ASSERT_TRUE(engine_.IsWow64()) << "the 32-bit tests expect Wine's 64-bit prefix";
        build_ = WindowsPathFromHost(HALVENOR_HELPER64_HOST_DIR);
        ASSERT_TRUE(CopyFileW((build_ + L"\\installhelper64\\Kavelin64.exe").c_str(),
                              helperFolder_.File(L"Kavelin64.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(inf_, NullDriverInf(device_.HardwareId(), "1.0.0.1")));
        // The helper answers into a key of this test's own: the product key is shared
        // by every test process of the prefix, and a neighbour's answer there would be
        // read as this test's.
        results_.regpath = resultsKey_.Path();
    }

    void UseStandInLibraries() {
        ASSERT_TRUE(PreferLibrariesBesideProgram(L"Kavelin64.exe", {L"newdev", L"difxapi"}));
        for (const wchar_t* name : {L"newdev.dll", L"difxapi.dll"}) {
            ASSERT_TRUE(CopyFileW((build_ + L"\\fake_dlls\\full\\" + name).c_str(), helperFolder_.File(name).c_str(),
                                  FALSE));
        }
    }

    std::string Calls() const { return ReadFileBytes(log_); }

    CDriverScannerApp engine_;
    std::wstring build_;
    ScopedTempFolder helperFolder_;
    ScopedTempFolder packageFolder_;
    RootTestDevice device_;
    std::wstring inf_ = packageFolder_.File(L"halvenor_backend.inf");
    std::wstring log_ = helperFolder_.File(L"calls.log");
    ScopedEnvironmentVariable logPath_{L"HALVENOR_FAKE_LOG", log_};
    ScopedRegistryKey resultsKey_;
    InstallHelperArguments results_;
};

TEST_F(InstallBackends, PreinstallCopiesTheInfAndAsksTheHelper) {
    EXPECT_EQ(PreinstallDriverPackage(engine_, inf_, helperFolder_.Path(), results_), 1);

    UseStandInLibraries();
    const std::string preinstallCall = "preinstall|" + std::string(inf_.begin(), inf_.end()) + "|0\n";
    std::string lowered = preinstallCall;
    for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    {
        ScopedEnvironmentVariable answer(L"HALVENOR_FAKE_DIFX_PREINSTALL", L"2,0");
        EXPECT_EQ(PreinstallDriverPackage(engine_, inf_, helperFolder_.Path(), results_), 0);
    }
    EXPECT_EQ(Calls(), lowered);
    // Before Vista there is no DIFx step: the copy into the store decides.
    DeleteFileW(log_.c_str());
    EXPECT_EQ(PreinstallDriverPackageOnVersion(engine_, inf_, helperFolder_.Path(), 5, results_), 1);
    EXPECT_EQ(Calls(), "");
    // A missing INF cannot be copied, and the helper is asked nonetheless on Vista and later.
    EXPECT_EQ(PreinstallDriverPackageOnVersion(engine_, packageFolder_.File(L"missing.inf"), helperFolder_.Path(), 5,
                                               results_),
              0);
}

TEST_F(InstallBackends, ForcedReinstallGoesThroughTheHelperUnderWow64) {
    UseStandInLibraries();
    {
        ScopedEnvironmentVariable answer(L"HALVENOR_FAKE_PNP", L"0,5");
        EXPECT_FALSE(RestoreDeviceDriver(engine_, helperFolder_.Path(), L"ROOT\\X", L"c:\\p\\x.inf", results_));
        // The helper's answer is in the key it was given.
        const auto pnpError = ReadRawValue(resultsKey_.Handle(), L"UpdatePnPErrorCode");
        ASSERT_TRUE(pnpError.has_value());
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(pnpError->bytes.data())), L"5");
    }
    EXPECT_TRUE(RestoreDeviceDriver(engine_, helperFolder_.Path(), L"ROOT\\X", L"c:\\p\\x.inf", results_));
    EXPECT_EQ(Calls(), "pnp|root\\x|c:\\p\\x.inf|1\npnp|root\\x|c:\\p\\x.inf|1\n");
}

TEST_F(InstallBackends, PresentDevicesAreNotMarkedForReinstall) {
    ASSERT_TRUE(device_.Created());
    EXPECT_EQ(MarkDeviceForReinstall(engine_, inf_, helperFolder_.Path(), device_.HardwareId(), kSystemClassDriverKey),
              0);
}

TEST_F(InstallBackends, InProcessCallsInstallAndReportMissingPieces) {
    ASSERT_TRUE(device_.Created());
    BOOL needReboot = TRUE;
    EXPECT_TRUE(InstallDriverForDevice(device_.HardwareId(), inf_, needReboot));
    EXPECT_EQ(device_.DriverValue(L"InfSection"), L"NullInstall");

    EXPECT_EQ(PreinstallDriverPackageWithDifx(engine_.DifxApi(), inf_, 0), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(PreinstallDriverPackageWithDifx(engine_.DifxApi(), L"C:\\" + std::wstring(300, L'a') + L".inf", 0),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST(DriverKeyClass, IsTheGuidBeforeTheFirstBackslash) {
    EXPECT_EQ(ClassGuidTextOfDriverKey(kSystemClassDriverKey), L"4d36e97d-e325-11ce-bfc1-08002be10318");
    EXPECT_EQ(ClassGuidTextOfDriverKey(L""), L"");
}

}  // namespace
