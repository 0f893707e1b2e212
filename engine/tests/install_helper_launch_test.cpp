// The 32-bit side starts the real 64-bit helper from the 64-bit build, as it does on
// 64-bit Windows, and reads its three results back.
#include "engine/install_helper_launch.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/wine_dll_overrides.h"

namespace {

std::wstring Helper64Build() {
    const std::string hostDir = HALVENOR_HELPER64_HOST_DIR;
    return hostDir.empty() ? std::wstring() : WindowsPathFromHost(hostDir);
}

void WriteText(HKEY key, const wchar_t* name, const wchar_t* text) {
    SetRawValue(key, name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

class InstallHelperLaunch : public ::testing::Test {
protected:
    void SetUp() override {
        build_ = Helper64Build();
        ASSERT_FALSE(build_.empty()) << "configure with -DHALVENOR_HELPER64_BUILD_DIR=<64-bit build tree>";
        ASSERT_TRUE(CopyFileW((build_ + L"\\installhelper64\\Kavelin64.exe").c_str(),
                              helperFolder_.File(L"Kavelin64.exe").c_str(), FALSE));
        arguments_.regpath = results_.Path();
    }

    void UseStandInLibraries() {
        ASSERT_TRUE(PreferLibrariesBesideProgram(L"Kavelin64.exe", {L"newdev", L"difxapi"}));
        for (const wchar_t* name : {L"newdev.dll", L"difxapi.dll"}) {
            ASSERT_TRUE(CopyFileW((build_ + L"\\fake_dlls\\full\\" + name).c_str(), helperFolder_.File(name).c_str(),
                                  FALSE));
        }
    }

    std::wstring build_;
    ScopedTempFolder helperFolder_;
    ScopedTempFolder packageFolder_;
    ScopedRegistryKey results_;
    InstallHelperArguments arguments_;
};

TEST(InstallHelperParameters, FollowTheHelpersOrderInEveryMode) {
    InstallHelperArguments arguments;
    arguments.hwdid = L"PCI\\VEN_1&DEV_2";
    arguments.inf = L"C:\\Drivers\\a b\\x.inf";
    const std::wstring tail =
        L" hwdid=\"PCI\\VEN_1&DEV_2\" inf=\"C:\\Drivers\\a b\\x.inf\" hkey=\"HKEY_CURRENT_USER\" "
        L"regpath=\"Software\\Brennavik\\Halvenor\" regval=\"IsUpdateSuccessFull\" "
        L"regvalupnp=\"UpdatePnPErrorCode\" regvaldifx=\"DifxErrorCode\" ";
    EXPECT_EQ(BuildInstallHelperParameters(1, arguments), L"updatesystemdrivers=\"1\" " + tail);
    EXPECT_EQ(BuildInstallHelperParameters(2, arguments), L"restore=\"1\" " + tail);
    EXPECT_EQ(BuildInstallHelperParameters(3, arguments), L"difxpreinstall=\"1\" " + tail);
    // A value that looks like a placeholder is passed as it is.
    arguments.hwdid = L"<inf>";
    EXPECT_NE(BuildInstallHelperParameters(1, arguments).find(L"hwdid=\"<inf>\""), std::wstring::npos);
}

TEST_F(InstallHelperLaunch, InstallsASmallDriverForARootDeviceThroughTheRealHelper) {
    RootTestDevice device;
    ASSERT_TRUE(device.Created());
    const std::wstring inf = packageFolder_.File(L"halvenor_test.inf");
    ASSERT_TRUE(WriteFileBytes(inf, NullDriverInf(device.HardwareId(), "4.3.2.1")));
    ASSERT_EQ(device.DriverValue(L"InfSection"), L"");
    arguments_.hwdid = device.HardwareId();
    arguments_.inf = inf;
    DWORD pnpError = 99;
    DWORD difxError = 99;
    // The folder is given with a trailing backslash here; without one elsewhere.
    EXPECT_EQ(RunInstallHelper64(1, helperFolder_.Path() + L"\\", arguments_, pnpError, difxError), 1);
    EXPECT_EQ(pnpError, 0u);
    EXPECT_EQ(difxError, 0u);
    // The device now has a driver from that INF (Wine records its section).
    EXPECT_EQ(device.DriverValue(L"InfSection"), L"NullInstall");
}

TEST_F(InstallHelperLaunch, ReadsTheHelpersFailuresBack) {
    UseStandInLibraries();
    const std::wstring log = helperFolder_.File(L"calls.log");
    ScopedEnvironmentVariable logPath(L"HALVENOR_FAKE_LOG", log);
    arguments_.hwdid = L"ROOT\\HALVENOR_NONE";
    arguments_.inf = L"C:\\pkg\\none.inf";
    struct Case {
        const char* what;
        int mode;
        const wchar_t* pnp;
        const wchar_t* install;
        const wchar_t* preinstall;
        int result;
        DWORD pnpError;
        DWORD difxError;
    };
    const Case cases[] = {
        {"update: Plug and Play and DIFx fail", 1, L"0,0xE0000235", L"0xE000020B,0", L"0,0", 0, 0xE0000235,
         0xE000020B},
        {"update: DIFx rescues", 1, L"0,2", L"0,0", L"0,0", 1, 2, 0},
        {"forced reinstall fails", 2, L"0,5", L"0,0", L"0,0", 0, 5, 0},
        {"pre-install fails", 3, L"1,0", L"0,0", L"3,0", 0, 0, 3},
        {"pre-install succeeds", 3, L"1,0", L"0,0", L"0,0", 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnvironmentVariable pnp(L"HALVENOR_FAKE_PNP", c.pnp);
        ScopedEnvironmentVariable install(L"HALVENOR_FAKE_DIFX_INSTALL", c.install);
        ScopedEnvironmentVariable preinstall(L"HALVENOR_FAKE_DIFX_PREINSTALL", c.preinstall);
        DWORD pnpError = 99;
        DWORD difxError = 99;
        EXPECT_EQ(RunInstallHelper64(c.mode, helperFolder_.Path(), arguments_, pnpError, difxError), c.result);
        EXPECT_EQ(pnpError, c.pnpError);
        EXPECT_EQ(difxError, c.difxError);
    }
    EXPECT_FALSE(ReadFileBytes(log).empty());
}

TEST_F(InstallHelperLaunch, FailsWithoutStartingTheHelperAndLeavesNoStaleResult) {
    UseStandInLibraries();
    const std::wstring log = helperFolder_.File(L"calls.log");
    ScopedEnvironmentVariable logPath(L"HALVENOR_FAKE_LOG", log);
    ScopedTempFolder emptyFolder;
    ScopedTempFolder brokenFolder;
    ASSERT_TRUE(WriteFileBytes(brokenFolder.File(L"Kavelin64.exe"), "not a program"));
    arguments_.hwdid = L"ROOT\\X";
    arguments_.inf = L"C:\\pkg\\x.inf";
    InstallHelperArguments quoted = arguments_;
    quoted.hwdid = L"ROOT\\X\" inf=\"C:\\other.inf";
    InstallHelperArguments noInf = arguments_;
    noInf.inf.clear();
    struct Case {
        const char* what;
        int mode;
        std::wstring folder;
        InstallHelperArguments arguments;
        bool clearsOldResult;
    };
    const Case cases[] = {
        {"helper missing", 1, emptyFolder.Path(), arguments_, true},
        {"helper does not start", 1, brokenFolder.Path(), arguments_, true},
        {"a value with a double quote", 1, helperFolder_.Path(), quoted, false},
        {"no INF", 1, helperFolder_.Path(), noInf, false},
        {"unknown mode", 4, helperFolder_.Path(), arguments_, false},
        {"no folder", 1, L"", arguments_, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(results_.Handle(), kHelperSuccessValue, L"1");
        DWORD pnpError = 0;
        DWORD difxError = 0;
        EXPECT_EQ(RunInstallHelper64(c.mode, c.folder, c.arguments, pnpError, difxError), 0);
        EXPECT_EQ(ReadRawValue(results_.Handle(), kHelperSuccessValue).has_value(), !c.clearsOldResult);
    }
    EXPECT_EQ(ReadFileBytes(log), "");
}

TEST(RegistryByRootName, ReadsAndDeletesOnlyUnderTheTwoKnownRoots) {
    ScopedRegistryKey key;
    WriteText(key.Handle(), L"Code", L"-536870347");
    EXPECT_EQ(ReadRegistryDecimalByRootName(L"HKEY_CURRENT_USER", key.Path(), L"Code"), 0xE0000235u);
    EXPECT_EQ(ReadRegistryDecimalByRootName(L"HKCU", key.Path(), L"Code"), 0u);
    EXPECT_EQ(ReadRegistryDecimalByRootName(L"HKEY_CURRENT_USER", key.Path(), L"Missing"), 0u);
    EXPECT_EQ(DeleteRegistryValueByRootName(L"HKCU", key.Path(), L"Code"), 1);
    EXPECT_TRUE(ReadRawValue(key.Handle(), L"Code"));
    EXPECT_EQ(DeleteRegistryValueByRootName(L"HKEY_CURRENT_USER", key.Path(), L"Code"), 1);
    EXPECT_FALSE(ReadRawValue(key.Handle(), L"Code"));
    EXPECT_EQ(DeleteRegistryValueByRootName(L"HKEY_CURRENT_USER", key.Path(), L"Code"), 1);
}

}  // namespace
