#include "foundation/os_identity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/scoped_temp_folder.h"

namespace {

constexpr int kX86 = 0;
constexpr int kX64 = 9;
constexpr int kItanium = 6;
constexpr int kWorkstation = 1;
constexpr int kServer = 3;

TEST(OsIdentityTest, EveryRowOfTheOsIdTable) {
    struct Case {
        DWORD platform;
        DWORD major;
        DWORD minor;
        int productType;
        int architecture;
        DWORD suiteMask;
        int expected;
    } cases[] = {
        {1, 4, 10, kWorkstation, kX86, 0, 1},
        {1, 4, 90, kWorkstation, kX86, 0, 2},
        {1, 4, 0, kWorkstation, kX86, 0, -1},
        {1, 5, 1, kWorkstation, kX86, 0x8000, -1},
        {2, 4, 0, kServer, kX86, 0, 10},
        {2, 5, 0, kServer, kItanium, 0, 17},
        {2, 5, 0, kWorkstation, kX64, 0, 3},
        {2, 5, 1, kWorkstation, kX64, 0, 4},
        {2, 5, 2, kWorkstation, kX64, 0, 7},
        {2, 5, 2, kWorkstation, kItanium, 0, 18},
        {2, 5, 2, kServer, kX64, 0, 8},
        {2, 5, 2, kServer, kItanium, 0, 19},
        {2, 5, 2, kServer, kX86, 0, 5},
        {2, 5, 2, kWorkstation, kX86, 0, 5},
        {2, 6, 0, kWorkstation, kX64, 0, 9},
        {2, 6, 0, kWorkstation, kItanium, 0, 6},
        {2, 6, 0, kWorkstation, kX86, 0, 6},
        {2, 6, 0, kServer, kX64, 0, 16},
        {2, 6, 0, kServer, kItanium, 0, 20},
        {2, 6, 0, kServer, kX86, 0, 11},
        {2, 6, 1, kWorkstation, kX64, 0, 21},
        {2, 6, 1, kWorkstation, kX86, 0, 12},
        {2, 6, 1, kWorkstation, kItanium, 0, 12},
        {2, 6, 1, kServer, kX86, 0, 28},
        {2, 6, 1, kServer, kItanium, 0, 28},
        {2, 6, 1, kServer, kX64, 0, 29},
        {2, 6, 2, kWorkstation, kX86, 0, 22},
        {2, 6, 2, kWorkstation, kX64, 0, 23},
        {2, 6, 2, kServer, kX86, 0, 30},
        {2, 6, 2, kServer, kX64, 0, 31},
        {2, 6, 3, kWorkstation, kX86, 0, 24},
        {2, 6, 3, kWorkstation, kX64, 0, 25},
        {2, 6, 3, kServer, kItanium, 0, 32},
        {2, 6, 3, kServer, kX64, 0, 33},
        {2, 10, 0, kWorkstation, kX86, 0, 26},
        {2, 10, 0, kWorkstation, kX64, 0, 27},
        {2, 10, 0, kServer, kX86, 0, 34},
        {2, 10, 0, kServer, kX64, 0, 35},
        {2, 6, 4, kWorkstation, kX64, 0x8000, 14},
        {2, 10, 1, kServer, kX86, 0x8010, 14},
        {2, 6, 4, kWorkstation, kX64, 0x0400, -1},
        {2, 10, 1, kWorkstation, kX64, 0, -1},
        {3, 10, 0, kWorkstation, kX64, 0x8000, -1},
        {0, 6, 1, kWorkstation, kX64, 0, -1},
    };
    for (const auto& c : cases) {
        OsVersionFacts facts;
        facts.platformId = c.platform;
        facts.major = c.major;
        facts.minor = c.minor;
        facts.productType = c.productType;
        facts.processorArchitecture = c.architecture;
        facts.suiteMask = c.suiteMask;
        EXPECT_EQ(OsIdFromFacts(facts), c.expected)
            << "platform " << c.platform << " " << c.major << "." << c.minor << " type " << c.productType
            << " arch " << c.architecture;
    }
}

TEST(OsIdentityTest, LiveRunAgreesWithTheTableAndKeepsTheRawNumbers) {
    int productType = -7;
    int major = -7;
    int minor = -7;
    int architecture = -7;
    const int id = GetOsId(productType, major, minor, architecture);
    const OsVersionFacts facts = ReadOsVersionFacts();
    EXPECT_EQ(id, OsIdFromFacts(facts));
    EXPECT_NE(id, -1);
    EXPECT_EQ(major, static_cast<int>(facts.major));
    EXPECT_GE(major, 5);

    EXPECT_EQ(GetOsIdString(), std::to_wstring(id));
    EXPECT_EQ(GetOsIdCode(), id);
    EXPECT_EQ(GetOsIdCachedValue(0), std::to_wstring(major));
    EXPECT_EQ(GetOsIdCachedValue(1), std::to_wstring(minor));
    EXPECT_EQ(GetOsIdCachedValue(2), std::to_wstring(productType));
    EXPECT_EQ(GetOsIdCachedValue(3), std::to_wstring(architecture));
    EXPECT_EQ(GetOsIdCachedValue(4), L"");
    EXPECT_EQ(GetOsIdCachedValue(-1), L"");

    DWORD build = 0;
    DWORD versionMajor = 0;
    DWORD versionMinor = 0;
    GetOsVersionInfo(build, versionMajor, versionMinor, productType, architecture);
    EXPECT_EQ(versionMajor, facts.major);
    EXPECT_GT(build, 0u);

    wchar_t expectedName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(expectedName, &size));
    EXPECT_EQ(GetComputerNameString(), expectedName);
    EXPECT_FALSE(GetComputerNameString().empty());
}

// The copy of this program started by the test below reports what it was told.
TEST(OsIdentityTest, ReportForManifestCheck) {
    const char* out = std::getenv("HALVENOR_OS_REPORT");
    if (out == nullptr) GTEST_SKIP() << "only run as the child of the manifest check";
    const OsVersionFacts facts = ReadOsVersionFacts();
    std::ofstream(out) << facts.major << "." << facts.minor << " " << OsIdFromFacts(facts);
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Without the manifest's compatibility entries Windows 10 tells a program it is
// Windows 8 (6.2). Wine does the same, and can be told per program to act as
// Windows 10, which lets this check run here.
TEST(OsIdentityTest, ManifestLetsWindows10ReportItsTrueVersion) {
    if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's per-program version setting";
    ScopedTempFolder folder;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copyName = L"osid-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring copy = folder.File(copyName);
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));

    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\" + copyName;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, appDefaults.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"win10"), 12);
    RegCloseKey(key);

    const std::wstring report = folder.File(L"report.txt");
    SetEnvironmentVariableW(L"HALVENOR_OS_REPORT", report.c_str());
    std::wstring commandLine = L"\"" + copy + L"\" --gtest_filter=OsIdentityTest.ReportForManifestCheck";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"HALVENOR_OS_REPORT", nullptr);
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());
    ASSERT_TRUE(started);

    std::ifstream in(report.c_str());
    std::string version;
    int id = 0;
    in >> version >> id;
    EXPECT_EQ(version, "10.0");
    EXPECT_TRUE(id == 26 || id == 27) << id;
}

}  // namespace
