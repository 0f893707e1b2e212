// The fixture first: its server header needs Winsock before windows.h.
#include "web_request_fixture.h"

#include "shell/web_requests/program_update_check.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "tests/support/child_process.h"
#include "tests/support/manual_clock.h"
#include "tests/support/message_wait.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// Whether a process of that file name runs now.
bool ProcessRuns(const std::wstring& fileName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        found = CompareStringOrdinal(entry.szExeFile, -1, fileName.c_str(), -1, TRUE) == CSTR_EQUAL;
    }
    CloseHandle(snapshot);
    return found;
}

std::string SetupProgramBytes() {
    return ReadFileBytes(WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR) + L"\\setup\\setup.exe");
}

std::string VersionFile(const std::string& version, const std::string& url, const std::string& openBrowser = "") {
    std::string text = "[Application]\r\nPROGRAM_VERSION=" + version + "\r\nPROGRAM_URL=" + url + "\r\n";
    if (!openBrowser.empty()) text += "OPEN_BROWSER=" + openBrowser + "\r\n";
    return text;
}

class ProgramUpdateCheckTest : public WebRequestTest {
protected:
    std::string SetupUrl() const {
        const std::wstring url = server.Url(ProgramSiteStandIn::kSetupPath);
        return std::string(url.begin(), url.end());
    }
    std::wstring DownloadPage() const { return server.Url(ProgramSiteStandIn::kDownloadPagePath); }

    // The site offers 6.0.0.0 with the stand-in setup, which writes each start to
    // the returned file; the user agrees to install.
    std::wstring OfferASetupThatLogsItsStarts() {
        const std::wstring fakeLog = logFolder.File(L"calls.log");
        SetEnvironmentVariableW(L"HALVENOR_FAKE_LOG", fakeLog.c_str());
        site.SetSetupProgram(SetupProgramBytes());
        site.SetVersionFile(VersionFile("6.0.0.0", SetupUrl()));
        host.answer = IDYES;
        return fakeLog;
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"HALVENOR_FAKE_LOG", nullptr);
        WebRequestTest::TearDown();
    }

    ScopedTempFolder logFolder;

    ManualClock clock{100000, ManualClock::Make(2026, 3, 9, 10, 0, 0)};
    CProgramUpdate update{host};
};

TEST(VersionNumberTest, FourSixteenBitPartsFirstHighest) {
    struct Case {
        const wchar_t* version;
        uint64_t packed;
    } cases[] = {
        {L"5.1.0.9", 0x0005000100000009ull},   {L"5.1.0.10", 0x000500010000000Aull},
        {L"5.2", 0x0005000200000000ull},       {L"5.1.0.65536", 0x0005000100000000ull},
        {L"5.1.0.65535", 0x000500010000FFFFull}, {L"1.2.3.4.5", 0x0001000200030004ull},
        {L" 7 . 8 ", 0x0007000800000000ull},   {L"", 0},
        {L"x.1", 0x0000000100000000ull},       {L"5.1.0.9b", 0x0005000100000009ull},
        {L"99999999999999999999.1", 0xFFFF000100000000ull},  // the first part modulo 65536
    };
    for (const Case& c : cases) EXPECT_EQ(PackFourPartVersion(c.version), c.packed) << c.version;
}

TEST(SetupFileNameTest, MonthDayYear) {
    EXPECT_EQ(SetupFileNameFor(ManualClock::Make(2026, 3, 9, 0, 0, 0)), L"productSetup_Setup_3_9_2026.exe");
    EXPECT_EQ(SetupFileNameFor(ManualClock::Make(2025, 12, 31, 0, 0, 0)), L"productSetup_Setup_12_31_2025.exe");
    EXPECT_EQ(SetupFileNameFor(SYSTEMTIME{}), L"productSetup_Setup_-1_-1_-1.exe");
}

// The program runs version 5.1.0.9; the user asks for the check from the menu.
TEST_F(ProgramUpdateCheckTest, VersionFileRowsDecideWhatTheUserIsAsked) {
    const std::wstring page = L"https://www.example.com/new-version";
    struct Case {
        const char* what;
        std::string versionFile;  // empty: the site has none
        int answer;
        std::vector<std::wstring> messages;
        std::vector<std::wstring> opened;
        size_t setupRequests;
    } cases[] = {
        {"equal versions", VersionFile("5.1.0.9", SetupUrl()), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"older", VersionFile("5.0.99.99", SetupUrl()), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"newer, declined", VersionFile("5.1.0.10", SetupUrl()), IDNO, {L"IDS_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"fewer parts, newer", VersionFile("5.2", SetupUrl()), IDNO, {L"IDS_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"fewer parts, older", VersionFile("5.1", SetupUrl()), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"65536 wraps to 0", VersionFile("5.1.0.65536", SetupUrl()), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"65545 wraps to 9", VersionFile("5.1.0.65545", SetupUrl()), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"open browser with blanks", VersionFile("6.0.0.0", std::string(page.begin(), page.end()), " 1 "), IDYES,
         {L"IDS_NEW_UPDATE_ABLBLE_BROWSER"}, {page}, 0},
        {"open browser, declined", VersionFile("6.0.0.0", std::string(page.begin(), page.end()), "1"), IDNO,
         {L"IDS_NEW_UPDATE_ABLBLE_BROWSER"}, {}, 0},
        {"open browser on a file address", VersionFile("6.0.0.0", "file:///C:/windows/system32/calc.exe", "1"),
         IDYES, {L"IDS_NEW_UPDATE_ABLBLE_BROWSER"}, {DownloadPage()}, 0},
        {"empty address", VersionFile("6.0.0.0", ""), IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"setup at a file address", VersionFile("6.0.0.0", "file:///C:/windows/notepad.exe"), IDYES,
         {L"IDS_NEW_UPDATE_ABLBLE"}, {}, 0},
        {"no version file", "", IDYES, {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        site.SetVersionFile(c.versionFile);
        host.answer = c.answer;
        host.messages.clear();
        host.opened.clear();
        const size_t setupBefore = server.Log().size();

        EXPECT_EQ(update.CheckProgramUpdate(false, false, false), 0);
        EXPECT_EQ(host.MessageTexts(), c.messages);
        EXPECT_EQ(host.opened, c.opened);
        if (!c.opened.empty()) {
            EXPECT_EQ(host.lastShowCommand, SW_SHOWMAXIMIZED);
        }
        size_t setupRequests = 0;
        const auto log = server.Log();
        for (size_t i = setupBefore; i < log.size(); ++i) setupRequests += log[i].path == ProgramSiteStandIn::kSetupPath;
        EXPECT_EQ(setupRequests, c.setupRequests);
        EXPECT_TRUE(host.endedWith.empty());
        EXPECT_FALSE(PathExists(DataFile(L"productSetup_Setup_3_9_2026.exe")));
    }
}

TEST_F(ProgramUpdateCheckTest, AsksTheSiteWithTheProgramVersionAndProductValue) {
    const std::wstring product = L"pro & co+\x00e9";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kProductKeyPath, L"prd", REG_SZ, product.c_str(),
                              static_cast<DWORD>((product.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    site.SetVersionFile(VersionFile("5.1.0.9", SetupUrl()));
    update.CheckProgramUpdate(true, false, false);
    const auto calls = site.CallsTo(ProgramSiteStandIn::kVersionFilePath);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, std::string(ProgramSiteStandIn::kVersionFilePath) + "?ver=5.1.0.9&prd=pro%20%26%20co%2B%C3%A9");
    EXPECT_EQ(calls[0].fields.at("prd"), product);
    EXPECT_TRUE(PathExists(DataFile(L"update.ini")));
}

// Automatic checks keep quiet unless there is news, which is asked about anyway.
TEST_F(ProgramUpdateCheckTest, SilentCheckShowsOnlyTheQuestion) {
    struct Case {
        const char* what;
        bool connected;
        std::string versionFile;
        std::vector<std::wstring> loud;
        std::vector<std::wstring> silent;
    } cases[] = {
        {"no connection", false, VersionFile("6.0.0.0", SetupUrl()), {L"IDS_CANNOT_CONNECT"}, {}},
        {"no news", true, VersionFile("5.1.0.9", SetupUrl()), {L"IDS_NO_NEW_UPDATE_ABLBLE"}, {}},
        {"news", true, VersionFile("6.0.0.0", SetupUrl()), {L"IDS_NEW_UPDATE_ABLBLE"}, {L"IDS_NEW_UPDATE_ABLBLE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.connected = c.connected;
        site.SetVersionFile(c.versionFile);
        for (const bool silent : {false, true}) {
            host.messages.clear();
            EXPECT_EQ(update.CheckProgramUpdate(silent, false, false), 0);
            EXPECT_EQ(host.MessageTexts(), silent ? c.silent : c.loud);
        }
    }
}

// The setup from the stand-in is unsigned and came over http: it is not started,
// not kept, and the user goes to the download page.
TEST_F(ProgramUpdateCheckTest, AnUntrustedSetupIsNotStarted) {
    const std::wstring fakeLog = OfferASetupThatLogsItsStarts();

    EXPECT_EQ(update.CheckProgramUpdate(false, false, false), 0);
    ASSERT_EQ(host.trustSources.size(), 1u);
    EXPECT_EQ(host.trustSources[0], server.Url(ProgramSiteStandIn::kSetupPath));
    EXPECT_EQ(host.opened, std::vector<std::wstring>{DownloadPage()});
    EXPECT_TRUE(host.endedWith.empty());
    EXPECT_FALSE(PathExists(DataFile(L"productSetup_Setup_3_9_2026.exe")));
    EXPECT_FALSE(PathExists(DataFile(L"proupdate.tmp")));
    // A setup started before the check returned would still run or have logged.
    EXPECT_FALSE(ProcessRuns(L"productSetup_Setup_3_9_2026.exe"));
    EXPECT_FALSE(PathExists(fakeLog));
}

TEST_F(ProgramUpdateCheckTest, UnsignedFilesFailTheSignatureCheckWhereverTheyCameFrom) {
    ScopedTempFolder folder;
    const std::wstring setup = folder.File(L"unsigned.exe");
    ASSERT_TRUE(WriteFileBytes(setup, SetupProgramBytes()));
    EXPECT_FALSE(HasValidAuthenticodeSignature(setup));
    EXPECT_FALSE(HasValidAuthenticodeSignature(folder.File(L"missing.exe")));
    WebRequestHost system;
    for (const wchar_t* source : {L"https://update.example.com/setup.exe", L"http://update.example.com/setup.exe",
                                  L"file:///C:/setup.exe", L""}) {
        EXPECT_FALSE(system.IsSetupTrusted(setup, source)) << source;
    }
}

// With a setup the host trusts, the setup runs with "/verysilent" and only then
// does the program end.
TEST_F(ProgramUpdateCheckTest, ATrustedSetupStartsAndOnlyThenTheProgramEnds) {
    const std::wstring fakeLog = OfferASetupThatLogsItsStarts();
    host.trustEverySetup = true;

    EXPECT_EQ(update.CheckProgramUpdate(false, false, false), 1);
    EXPECT_EQ(update.SetupPath(), DataFile(L"productSetup_Setup_3_9_2026.exe"));
    EXPECT_EQ(host.endedWith, std::vector<UINT>{0});
    std::string calls;
    PumpMessagesUntil([&] { return !(calls = ReadFileBytes(fakeLog)).empty(); }, 10000);
    EXPECT_EQ(calls, "setup|/verysilent\n");

    // A setup that does not start leaves the program running.
    host.endedWith.clear();
    EXPECT_TRUE(PumpMessagesUntil([] { return !ProcessRuns(L"productSetup_Setup_3_9_2026.exe"); }, 10000));
    ASSERT_TRUE(DeleteFileW(update.SetupPath().c_str()));
    ASSERT_TRUE(WriteFileBytes(update.SetupPath(), "not a program"));
    EXPECT_FALSE(update.RunSetupAndExit());
    EXPECT_TRUE(host.endedWith.empty());
}

// While one check waits for the site, a second returns at once without a request.
TEST_F(ProgramUpdateCheckTest, ASecondCheckWhileOneRunsReturnsAtOnce) {
    site.SetVersionFile(VersionFile("5.1.0.9", SetupUrl()));
    site.HoldVersionFile(true);
    UniqueHandle first = CCheckUpdateThread::Start(update, host, false);
    ASSERT_TRUE(first.Valid());
    PumpMessagesUntil([&] { return !site.CallsTo(ProgramSiteStandIn::kVersionFilePath).empty(); }, 4000);
    ASSERT_EQ(site.CallsTo(ProgramSiteStandIn::kVersionFilePath).size(), 1u);

    const DWORD start = GetTickCount();
    EXPECT_EQ(update.CheckProgramUpdate(false, false, false), 0);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(host.MessageTexts().empty());

    site.HoldVersionFile(false);
    ASSERT_EQ(WaitForSingleObject(first.Get(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kVersionFilePath).size(), 1u);
    EXPECT_EQ(host.MessageTexts(), std::vector<std::wstring>{L"IDS_NO_NEW_UPDATE_ABLBLE"});

    // Done, the next check runs again.
    update.CheckProgramUpdate(true, false, false);
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kVersionFilePath).size(), 2u);
}

// A start with "updatecheck" fetches and compares, asks nothing, and ends the
// process with exit code 0.
TEST_F(ProgramUpdateCheckTest, AnUpdateCheckStartAsksNothingAndEndsTheProcess) {
    site.SetVersionFile(VersionFile("6.0.0.0", SetupUrl()));
    host.answer = IDYES;
    update.SetAutomaticMode(false);
    UniqueHandle thread = CCheckUpdateThread::Start(update, host, true);
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeThread(thread.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(host.MessageTexts().empty());
    EXPECT_EQ(host.endedWith, std::vector<UINT>{0});
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kVersionFilePath).size(), 1u);
    for (const LoggedRequest& request : server.Log()) EXPECT_NE(request.path, ProgramSiteStandIn::kSetupPath);
    EXPECT_EQ(update.ProgramUrl(), server.Url(ProgramSiteStandIn::kSetupPath));
}

}  // namespace
