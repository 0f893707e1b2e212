#pragma once

// A root device gets a small driver (INF, catalog, driver file) through the 64-bit
// helper, as on 64-bit Windows; the backup and restore tests work on it. Included
// by the test programs that need it; the helper's host folder comes from their
// build definitions.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <string>

#include "engine/backup_restore.h"
#include "engine/driver_restore.h"
#include "engine/driver_scanner_app.h"
#include "engine/install_helper_launch.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/scoped_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

namespace installed_test_driver {

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

inline std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

inline std::string PackageInf(const std::wstring& hardwareId, const std::string& base) {
    const std::string models = "%Dev%=Drv_Install," + Narrow(hardwareId) + "\r\n";
    return "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nClass=System\r\n"
           "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\nProvider=%Prov%\r\n"
           "DriverVer=01/02/2020,1.2.3.4\r\nCatalogFile=" + base + ".cat\r\n\r\n"
           "[DestinationDirs]\r\nDefaultDestDir = 12\r\n\r\n"
           "[SourceDisksNames]\r\n1 = %Disk%,,,\r\n\r\n[SourceDisksFiles]\r\n" + base + ".sys = 1\r\n\r\n"
           "[Manufacturer]\r\n%Prov%=Models,NTx86,NTamd64\r\n\r\n"
           "[Models]\r\n" + models + "\r\n[Models.NTx86]\r\n" + models + "\r\n[Models.NTamd64]\r\n" + models +
           "\r\n[Drv_Install]\r\nCopyFiles=Drv_Copy\r\n\r\n[Drv_Copy]\r\n" + base + ".sys\r\n\r\n"
           "[Drv_Install.Services]\r\nAddService=,2\r\n\r\n"
           "[Strings]\r\nProv=\"Halvenor Tests\"\r\nDev=\"Halvenor Backup Device\"\r\nDisk=\"Halvenor Disk\"\r\n";
}

// The last-backup value is the user's own; a test that backs up puts back what
// was there. There is one such value for every test process of the prefix, so the
// tests that back up take turns for as long as the object lives.
class SavedLastBackupTime {
public:
    SavedLastBackupTime() : turn_(CreateMutexW(nullptr, FALSE, L"HalvenorTestsLastBackupTime")) {
        if (turn_) owned_ = WaitForSingleObject(turn_.Get(), kTurnWaitMs) != WAIT_TIMEOUT;
        had_ = ReadUserSystemTime(kProductKeyPath, kValue, saved_);
    }
    ~SavedLastBackupTime() {
        if (had_) {
            WriteUserSystemTime(saved_, kProductKeyPath, kValue);
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, kValue);
        }
        if (owned_) ReleaseMutex(turn_.Get());
    }
    SavedLastBackupTime(const SavedLastBackupTime&) = delete;
    SavedLastBackupTime& operator=(const SavedLastBackupTime&) = delete;

    static constexpr const wchar_t* kValue = L"LastBackupTime";

private:
    static constexpr DWORD kTurnWaitMs = 5 * 60 * 1000;
    UniqueHandle turn_;
    bool owned_ = false;
    SYSTEMTIME saved_{};
    bool had_ = false;
};

class InstalledDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(engine_.Initialize(), 1);
        const std::string hostDir = HALVENOR_HELPER64_HOST_DIR;
        ASSERT_FALSE(hostDir.empty()) << "configure with -DHALVENOR_HELPER64_BUILD_DIR=<64-bit build tree>";
        ASSERT_TRUE(CopyFileW((WindowsPathFromHost(hostDir) + L"\\installhelper64\\Kavelin64.exe").c_str(),
                              helperFolder_.File(L"Kavelin64.exe").c_str(), FALSE));
        ASSERT_TRUE(device_.Created());
        base_ = "hvbk" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount() % 100000);
        const std::wstring wideBase(base_.begin(), base_.end());
        infName_ = wideBase + L".inf";
        driverFile_ = WindowsFolder() + L"\\system32\\drivers\\" + wideBase + L".sys";
        catalogFile_ = WindowsFolder() + L"\\system32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\" +
                       wideBase + L".cat";
        ASSERT_TRUE(WriteFileBytes(packageFolder_.File(infName_), PackageInf(device_.HardwareId(), base_)));
        ASSERT_TRUE(WriteFileBytes(packageFolder_.File(wideBase + L".sys"), "driver image"));
        ASSERT_TRUE(WriteFileBytes(packageFolder_.File(wideBase + L".cat"), "catalog"));

        InstallHelperArguments arguments;
        arguments.hwdid = device_.HardwareId();
        arguments.inf = packageFolder_.File(infName_);
        arguments.regpath = results_.Path();
        DWORD pnpError = 0;
        DWORD difxError = 0;
        ASSERT_EQ(RunInstallHelper64(1, helperFolder_.Path(), arguments, pnpError, difxError), 1);
        // Windows keeps the installed INF in its inf folder and names it in the driver
        // key; this system's installer does neither, so the test does what it would.
        wchar_t storedInf[MAX_PATH] = {};
        wchar_t* storedName = nullptr;
        ASSERT_TRUE(SetupCopyOEMInfW(packageFolder_.File(infName_).c_str(), nullptr, SPOST_PATH, 0, storedInf,
                                     MAX_PATH, nullptr, &storedName));
        storedInfName_ = storedName;
        HKEY driverKey = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                (L"SYSTEM\\CurrentControlSet\\Control\\Class\\" + device_.DriverKeyName()).c_str(), 0,
                                KEY_SET_VALUE, &driverKey),
                  ERROR_SUCCESS);
        ASSERT_TRUE(SetRawValue(driverKey, L"InfPath", REG_SZ, storedInfName_.c_str(),
                                static_cast<DWORD>((storedInfName_.size() + 1) * sizeof(wchar_t))));
        RegCloseKey(driverKey);
        // The system's folders as the 64-bit side sees them.
        const CDriverScannerApp::FsRedirectionOff redirection(engine_);
        ASSERT_EQ(ReadFileBytes(driverFile_), "driver image");
        CreateDirectoryW((WindowsFolder() + L"\\system32\\CatRoot").c_str(), nullptr);
        CreateDirectoryW((WindowsFolder() + L"\\system32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}").c_str(),
                         nullptr);
        ASSERT_TRUE(WriteFileBytes(catalogFile_, "catalog"));
    }

    void TearDown() override {
        const CDriverScannerApp::FsRedirectionOff redirection(engine_);
        DeleteFileW(driverFile_.c_str());
        DeleteFileW(catalogFile_.c_str());
        if (storedInfName_.size() > 4) {
            for (const wchar_t* ext : {L".inf", L".pnf"}) {
                const std::wstring stem = storedInfName_.substr(0, storedInfName_.size() - 4);
                DeleteFileW((WindowsFolder() + L"\\inf\\" + stem + ext).c_str());
            }
        }
    }

    DriverInfoRecord DeviceRecord() const {
        DriverInfoRecord record;
        record.deviceName = L"Halvenor: Backup/Device";
        record.infPath = storedInfName_;
        record.driverVersion = L"1.2.3.4";
        record.category = L"System";
        record.provider = L"Halvenor Tests";
        record.hardwareId = device_.HardwareId();
        record.driverKey = device_.DriverKeyName();
        record.driverDate = L"01-02-2020";
        return record;
    }

    CDriverScannerApp engine_;
    RootTestDevice device_;
    ScopedTempFolder helperFolder_;
    ScopedTempFolder packageFolder_;
    ScopedTempFolder backupFolder_;
    ScopedRegistryKey results_;
    std::string base_;
    std::wstring infName_;
    std::wstring storedInfName_;
    std::wstring driverFile_;
    std::wstring catalogFile_;
};

}  // namespace installed_test_driver
