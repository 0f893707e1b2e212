// Starts the real helper program against the stand-in install libraries and reads
// what it wrote, as the main program does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/wine_dll_overrides.h"

namespace {

enum class Libraries { Fakes, FakesWithoutDifxEntries, FakesWithoutDifx };

struct Outcome {
    std::optional<DWORD> exitCode;
    std::optional<std::wstring> success;
    std::optional<std::wstring> pnpError;
    std::optional<std::wstring> difxError;
    std::string calls;
};

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
    const auto raw = ReadRawValue(key, name);
    if (!raw || raw->type != REG_SZ || raw->bytes.size() < sizeof(wchar_t)) return std::nullopt;
    return std::wstring(reinterpret_cast<const wchar_t*>(raw->bytes.data()),
                        raw->bytes.size() / sizeof(wchar_t) - 1);
}

bool CopyInto(const std::wstring& source, const std::wstring& folder, const wchar_t* name) {
    return CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE) != FALSE;
}

class Kavelin64Run : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring fakes = WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR);
        fullFakes_ = fakes + L"\\full";
        noEntryFakes_ = fakes + L"\\noentry";
        brokenFakes_ = fakes + L"\\broken";
        ASSERT_TRUE(PreferLibrariesBesideProgram(L"Kavelin64.exe", {L"newdev", L"difxapi"}));
        ASSERT_TRUE(CopyInto(WindowsPathFromHost(HALVENOR_KAVELIN64_HOST_PATH), folder_.Path(), L"Kavelin64.exe"));
    }

    void UseLibraries(Libraries libraries) {
        ASSERT_TRUE(CopyInto(fullFakes_ + L"\\newdev.dll", folder_.Path(), L"newdev.dll"));
        if (libraries == Libraries::Fakes) {
            ASSERT_TRUE(CopyInto(fullFakes_ + L"\\difxapi.dll", folder_.Path(), L"difxapi.dll"));
        } else if (libraries == Libraries::FakesWithoutDifxEntries) {
            ASSERT_TRUE(CopyInto(noEntryFakes_ + L"\\difxapi.dll", folder_.Path(), L"difxapi.dll"));
        } else {
            ASSERT_TRUE(CopyInto(brokenFakes_ + L"\\difxapi.dll", folder_.Path(), L"difxapi.dll"));
        }
    }

    std::wstring Line(const std::wstring& modeSwitch, const std::wstring& hwdid, const std::wstring& inf,
                      const std::wstring& hkey, const std::wstring& regpath) const {
        return L"\"" + folder_.File(L"Kavelin64.exe") + L"\" " + modeSwitch + L"=\"1\"  hwdid=\"" + hwdid +
               L"\" inf=\"" + inf + L"\" hkey=\"" + hkey + L"\" regpath=\"" + regpath +
               L"\" regval=\"IsUpdateSuccessFull\" regvalupnp=\"UpdatePnPErrorCode\" regvaldifx=\"DifxErrorCode\" ";
    }

    Outcome Run(const std::wstring& line, const std::wstring& pnpAnswer = L"1,0",
                const std::wstring& installAnswer = L"0,0", const std::wstring& preinstallAnswer = L"0,0") {
        const std::wstring log = folder_.File(L"calls.log");
        DeleteFileW(log.c_str());
        ScopedEnvironmentVariable logPath(L"HALVENOR_FAKE_LOG", log);
        ScopedEnvironmentVariable pnp(L"HALVENOR_FAKE_PNP", pnpAnswer);
        ScopedEnvironmentVariable install(L"HALVENOR_FAKE_DIFX_INSTALL", installAnswer);
        ScopedEnvironmentVariable preinstall(L"HALVENOR_FAKE_DIFX_PREINSTALL", preinstallAnswer);
        Outcome outcome;
        outcome.exitCode = RunProgramAndWait(line);
        outcome.success = ReadText(results_.Handle(), L"IsUpdateSuccessFull");
        outcome.pnpError = ReadText(results_.Handle(), L"UpdatePnPErrorCode");
        outcome.difxError = ReadText(results_.Handle(), L"DifxErrorCode");
        outcome.calls = ReadFileBytes(log);
        return outcome;
    }

    ScopedTempFolder folder_;
    ScopedRegistryKey results_;
    std::wstring fullFakes_;
    std::wstring noEntryFakes_;
    std::wstring brokenFakes_;
};

TEST_F(Kavelin64Run, ReportsEachModeThroughTheThreeValues) {
    const std::wstring inf = L"c:\\drivers\\pkg\\test.inf";
    const std::wstring longInf = L"c:\\" + std::wstring(300, L'a') + L".inf";
    struct Case {
        const char* what;
        Libraries libraries;
        const wchar_t* modeSwitch;
        std::wstring inf;
        const wchar_t* pnpAnswer;
        const wchar_t* installAnswer;
        const wchar_t* preinstallAnswer;
        DWORD exitCode;
        const wchar_t* success;
        const wchar_t* pnpError;
        const wchar_t* difxError;
        std::string calls;
    };
    const std::string pnp0 = "pnp|root\\halvenor_dev|" + std::string(inf.begin(), inf.end()) + "|0\n";
    const std::string pnp1 = "pnp|root\\halvenor_dev|" + std::string(inf.begin(), inf.end()) + "|1\n";
    const std::string install = "install|" + std::string(inf.begin(), inf.end()) + "|0|callback\n";
    const std::string preinstall = "preinstall|" + std::string(inf.begin(), inf.end()) + "|0\n";
    const Case cases[] = {
        {"update through Plug and Play", Libraries::Fakes, L"updatesystemdrivers", inf, L"1,0", L"0,0", L"0,0", 1,
         L"1", L"0", L"0", pnp0},
        {"Plug and Play fails in WOW64, DIFx installs", Libraries::Fakes, L"updatesystemdrivers", inf,
         L"0,0xE0000235", L"0,5", L"0,0", 1, L"1", L"-536870347", L"0", pnp0 + install},
        {"both fail: the DIFx code is the call's result, not its last error", Libraries::Fakes,
         L"updatesystemdrivers", inf, L"0,2", L"0xE000020B,0", L"0,0", 0, L"0", L"2", L"-536870389", pnp0 + install},
        {"difxapi.dll does not load", Libraries::FakesWithoutDifx, L"updatesystemdrivers", inf, L"0,2", L"0,0", L"0,0",
         0, L"0", L"2", L"126", pnp0},
        {"DIFx entry point missing", Libraries::FakesWithoutDifxEntries, L"updatesystemdrivers", inf, L"0,2",
         L"0,0", L"0,0", 0, L"0", L"2", L"127", pnp0},
        {"forced reinstall fails, no fallback", Libraries::Fakes, L"restore", inf, L"0,5", L"0,0", L"0,0", 0, L"0",
         L"5", L"0", pnp1},
        {"forced reinstall", Libraries::Fakes, L"restore", inf, L"1,0", L"0,0", L"0,0", 1, L"1", L"0", L"0", pnp1},
        {"pre-install succeeds", Libraries::Fakes, L"difxpreinstall", inf, L"0,0", L"0,0", L"0,7", 1, L"1", L"0",
         L"0", preinstall},
        {"pre-install fails", Libraries::Fakes, L"difxpreinstall", inf, L"0,0", L"0,0", L"2,0", 0, L"0", L"0", L"2",
         preinstall},
        {"pre-install of a path too long for DIFx is refused, not cut", Libraries::Fakes, L"difxpreinstall", longInf,
         L"0,0", L"0,0", L"0,0", 0, L"0", L"0", L"206", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibraries(c.libraries);
        const std::wstring hwdid = std::wstring(c.modeSwitch) == L"difxpreinstall" ? L"" : L"ROOT\\HALVENOR_DEV";
        const Outcome outcome = Run(Line(c.modeSwitch, hwdid, c.inf, L"HKEY_CURRENT_USER", results_.Path()),
                                    c.pnpAnswer, c.installAnswer, c.preinstallAnswer);
        EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(c.exitCode));
        EXPECT_EQ(outcome.success, std::optional<std::wstring>(c.success));
        EXPECT_EQ(outcome.pnpError, std::optional<std::wstring>(c.pnpError));
        EXPECT_EQ(outcome.difxError, std::optional<std::wstring>(c.difxError));
        EXPECT_EQ(outcome.calls, c.calls);
        DeleteFileW(folder_.File(L"difxapi.dll").c_str());
    }
}

TEST_F(Kavelin64Run, WritesNothingWithoutTheRequiredParameters) {
    UseLibraries(Libraries::Fakes);
    const std::wstring program = L"\"" + folder_.File(L"Kavelin64.exe") + L"\"";
    const std::wstring rest = L" hkey=\"HKEY_CURRENT_USER\" regpath=\"" + results_.Path() +
                              L"\" regval=\"IsUpdateSuccessFull\" regvalupnp=\"UpdatePnPErrorCode\" "
                              L"regvaldifx=\"DifxErrorCode\"";
    struct Case {
        const char* what;
        std::wstring line;
        std::string calls;
    };
    const Case cases[] = {
        {"no hardware id for an update", program + L" updatesystemdrivers=\"1\" inf=\"c:\\a.inf\"" + rest, ""},
        {"no INF", program + L" restore=\"1\" hwdid=\"root\\x\"" + rest, ""},
        {"fewer than five arguments", program + L" hwdid=\"root\\x\" inf=\"c:\\a.inf\" regval=\"v\"", ""},
        {"no result value name: installs, writes nothing",
         program + L" updatesystemdrivers=\"1\" hwdid=\"root\\x\" inf=\"c:\\a.inf\" hkey=\"HKEY_CURRENT_USER\" "
                   L"regpath=\"" + results_.Path() + L"\" regvalupnp=\"UpdatePnPErrorCode\"",
         "pnp|root\\x|c:\\a.inf|0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = Run(c.line);
        EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(0));
        EXPECT_FALSE(outcome.success);
        EXPECT_FALSE(outcome.pnpError);
        EXPECT_FALSE(outcome.difxError);
        EXPECT_EQ(outcome.calls, c.calls);
    }
}

TEST_F(Kavelin64Run, ChoosesTheRootByNameAndFailsWhenTheKeyCannotBeWritten) {
    UseLibraries(Libraries::Fakes);
    // Only the exact machine root name selects it; anything else is the current user.
    ScopedRegistryKey userKey;
    const std::wstring machinePath = L"Software\\HalvenorTests\\helper-" + std::to_wstring(GetCurrentProcessId());
    const Outcome machine = Run(Line(L"updatesystemdrivers", L"root\\x", L"c:\\a.inf", L"hkey_local_machine",
                                     machinePath));
    EXPECT_EQ(machine.exitCode, std::optional<DWORD>(1));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ReadText(key, L"IsUpdateSuccessFull"), std::optional<std::wstring>(L"1"));
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, machinePath.c_str());

    const Outcome shortName = Run(Line(L"updatesystemdrivers", L"root\\x", L"c:\\a.inf", L"HKLM", userKey.Path()));
    EXPECT_EQ(shortName.exitCode, std::optional<DWORD>(1));
    key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, userKey.Path().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ReadText(key, L"IsUpdateSuccessFull"), std::optional<std::wstring>(L"1"));
    RegCloseKey(key);

    // A key name longer than the registry allows cannot be created: the install ran,
    // but an unwritten result is no success.
    const std::wstring badPath = results_.Path() + L"\\" + std::wstring(300, L'k');
    const Outcome unwritable = Run(Line(L"updatesystemdrivers", L"root\\x", L"c:\\a.inf", L"HKEY_CURRENT_USER",
                                        badPath));
    EXPECT_EQ(unwritable.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(unwritable.calls, "pnp|root\\x|c:\\a.inf|0\n");
}

}  // namespace
