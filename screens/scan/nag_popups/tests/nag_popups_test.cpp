// The stand-in site's server first: its header needs Winsock before windows.h.
#include "shell/web_requests/tests/web_request_fixture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/html/recording_page_host.h"
#include "platform/html/script_page_host.h"
#include "platform/ui/message_pump.h"
#include "resources/toolkit/toolkit_ids.h"
#include "screens/scan/nag_popups/driver_alert_nag.h"
#include "screens/scan/nag_popups/taskbar_nag.h"
#include "shell/toolkit/taskbar_notifier.h"
#include "tests/support/message_wait.h"
#include "tests/support/page_languages.h"
#include "tests/support/page_test_support.h"

namespace {

std::unique_ptr<PageHost> MakeScriptHost() { return std::make_unique<ScriptPageHost>(); }
std::unique_ptr<PageHost> MakeRecordingHost() { return std::make_unique<RecordingPageHost>(); }

// A view that opens but never brings its document, as the browser control does on
// a system without a document engine.
class SilentPageHost final : public PageHost {
public:
    bool Open(HWND, HMODULE, UINT, PageHostEvents&) override { return true; }
    void Close() override {}
    void SetHostFlags(DWORD) override {}
    void RefuseDrops() override {}
    void Resize(const RECT&) override {}
    ComPtr<IHTMLDocument> Document() override { return {}; }
    bool SetElementText(const std::wstring&, const std::wstring&) override { return false; }
    bool TranslateKey(MSG&) override { return false; }
};
std::unique_ptr<PageHost> MakeSilentHost() { return std::make_unique<SilentPageHost>(); }


// Texts that are their own keys, the ones that carry a number with it, so a test
// reads which text was chosen and with what.
void UseKeyTexts(const std::wstring& folder) {
    const std::wstring path = folder + L"\\keys.ini";
    std::string texts = "[RESOURCESTRING]\r\n";
    for (const char* key : {"IDS_HLV_SYS_TR_MSG", "IDS_HLV_SYS_TR_MSGDESC", "IDS_HLV_BTN", "IDS_HLV_APP_NAME",
                            "IDS_HLV_TEXT", "IDS_HLV_EMAIL", "IDS_HLV_EMAIL_TEXT", "IDS_HLV_EMAIL_NOT_VAL",
                            "IDS_HLV_SUBSCRIBE", "IDS_HLV_BTN_SIGNUP", "IDS_GETTING_RESULTS", "string326",
                            "IDS_HLV_SIGNUP_FAILED", "IDS_HLV_SUCCESSFUL_REGISTERED"}) {
        texts += std::string(key) + "=" + key + "\r\n";
    }
    for (const char* key : {"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH", "IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS",
                            "IDS_HLV_SYS_TR_MSG_LASTSCAN_YEAR", "IDS_HLV_SYS_TR_MSG_LASTSCAN_YEARS"}) {
        texts += std::string(key) + "=" + key + " %d\r\n";
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, texts.data(), static_cast<DWORD>(texts.size()), &written, nullptr);
    CloseHandle(file);
    LanguageFileCache().SetPath(path);
    LanguageFileCache().ClearCache();
}

// The English texts the program carries, for the pictures of the pages.
void UseEnglishTexts() {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"eng_hal.ini";
    LanguageFileCache().SetPath(path);
    LanguageFileCache().ClearCache();
}

PageContract ContractOf(const RecordingPageHost& host, const wchar_t* page, const wchar_t* state) {
    PageContract contract{page, state, {}, {}};
    for (const auto& call : host.Calls()) contract.calls.push_back({call.function, call.arguments});
    return contract;
}

// The contract as the page would get it in `language`: the recorded calls name the
// language of the test's own settings.
PageContract InLanguage(PageContract contract, const PageLanguage& language) {
    for (auto& [function, arguments] : contract.calls) {
        if (function == L"setlanguage") arguments = {language.code};
    }
    return contract;
}

class NagPopupsTest : public WebRequestTest {
protected:
    void SetUp() override {
        WebRequestTest::SetUp();
        UseKeyTexts(appData.Path());
        host.connected = true;
    }
    ScopedComApartment apartment;
};

// ---------------------------------------------------------------- the reminder

class Reminder {
public:
    explicit Reminder(bool waitForPage = true) : window_(330, 200) {
        nag.onScanNow = [this] { ++scans; };
        nag.onClose = [this] { ++closes; };
        nag.daysSinceLastScan = [this] { return days; };
        created = nag.Create(window_.Handle());
        if (created) {
            nag.MoveTo(0, 0, 320, 172);
            nag.Show(SW_SHOW);
        }
        if (waitForPage) PumpMessagesUntil([this] { return nag.Loaded(); }, 5000);
    }
    ScriptPageHost* Page() const { return dynamic_cast<ScriptPageHost*>(nag.Host()); }

    CDlgTaskbarNag nag;
    int days = 62;
    int scans = 0;
    int closes = 0;
    bool created = false;

private:
    TestHostWindow window_;
};

TEST_F(NagPopupsTest, TheReminderSaysHowLongAgoByItsMonthsAndYears) {
    ScopedPageHostFactory factory(MakeScriptHost);
    Reminder reminder;
    ASSERT_TRUE(reminder.created);
    ASSERT_TRUE(reminder.nag.Loaded());
    ScriptPageHost* page = reminder.Page();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->ScriptErrors(), std::vector<std::wstring>{});
    const struct {
        int days;
        const wchar_t* age;  // empty: nothing is sent
    } cases[] = {
        {30, L""},
        {31, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH 1"},
        {32, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH 1"},
        {61, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH 1"},
        {62, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS 2"},
        {371, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS 11"},
        {372, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEAR 1"},
        {713, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEARS 1"},
        {744, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEARS 2"},
        {-1, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        for (const wchar_t* id : {L"string1", L"string2", L"string3", L"btnStartScanNow"}) {
            reminder.nag.SetElementText(id, L"");
        }
        reminder.days = c.days;
        reminder.nag.RefreshTexts();
        EXPECT_EQ(page->ElementText(L"string2"), c.age);
        const bool sent = c.age[0] != L'\0';
        EXPECT_EQ(page->ElementText(L"string1"), sent ? L"IDS_HLV_SYS_TR_MSG" : L"");
        EXPECT_EQ(page->ElementText(L"string3"), sent ? L"IDS_HLV_SYS_TR_MSGDESC" : L"");
        EXPECT_EQ(page->ElementText(L"btnStartScanNow"), sent ? L"IDS_HLV_BTN" : L"");
    }
    EXPECT_EQ(page->ElementAttribute(L"idtitle_image", L"src"), L"nag_title.png");
    EXPECT_EQ(reminder.nag.m_webPage.ErrorText(), L"");
}

TEST_F(NagPopupsTest, EveryPartOfTheGreenButtonScansAndTheCrossOnlyCloses) {
    ScopedPageHostFactory factory(MakeScriptHost);
    const struct {
        const wchar_t* element;
        int scans;
        int closes;
    } cases[] = {
        {L"btnStartScanNow", 1, 0},
        {L"idGreenStartScanNowBtnLeftDiv", 1, 0},
        {L"idGreenStartScanNowBtnMiddleDiv", 1, 0},
        {L"idGreenStartScanNowBtnRightDiv", 1, 0},
        {L"btnCloseme", 0, 1},
        {L"string3", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.element)));
        Reminder reminder;
        ASSERT_TRUE(reminder.nag.Loaded());
        reminder.Page()->Click(c.element);
        EXPECT_EQ(reminder.scans, c.scans);
        EXPECT_EQ(reminder.closes, c.closes);
        EXPECT_EQ(reminder.nag.Result(), 0);
        EXPECT_EQ(reminder.nag.IsVisible(), c.scans + c.closes == 0);
    }
}

TEST_F(NagPopupsTest, WithoutAPageTheReminderStillSaysItAndStillScans) {
    // No view at all, then a view whose document never comes.
    const struct {
        int button;
        PageHostFactory host;
    } cases[] = {
        {CDlgTaskbarNag::kPlainScanButton, [] { return std::unique_ptr<PageHost>(); }},
        {CDlgTaskbarNag::kPlainCloseButton, MakeSilentHost},
    };
    for (const auto& c : cases) {
        const int button = c.button;
        ScopedPageHostFactory factory(c.host);
        Reminder reminder;
        ASSERT_TRUE(reminder.created);
        EXPECT_TRUE(reminder.nag.Pageless());
        wchar_t age[128] = {};
        GetDlgItemTextW(reminder.nag.Handle(), 1004, age, 128);
        EXPECT_STREQ(age, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS 2");
        reminder.days = 400;
        reminder.nag.RefreshTexts();
        GetDlgItemTextW(reminder.nag.Handle(), 1004, age, 128);
        EXPECT_STREQ(age, L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEAR 1");
        SendMessageW(reminder.nag.Handle(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(reminder.nag.Handle(), button)));
        EXPECT_EQ(reminder.scans, button == CDlgTaskbarNag::kPlainScanButton ? 1 : 0);
        EXPECT_EQ(reminder.closes, button == CDlgTaskbarNag::kPlainCloseButton ? 1 : 0);
    }
}

TEST_F(NagPopupsTest, TheNotifierCarriesTheReminderAndRefreshesItEachTimeItShows) {
    ScopedPageHostFactory factory(MakeScriptHost);
    CDlgTaskbarNag nag;
    int days = 40;
    nag.daysSinceLastScan = [&] { return days; };
    CTaskbarNotifier notifier;
    ASSERT_TRUE(notifier.Create(nullptr, &nag));
    ASSERT_TRUE(notifier.SetSkin(IDB_NOTIFIER_SKIN));
    notifier.display = [] { return NotifierDisplay{{0, 0, 1024, 728}, {1024, 768}}; };
    ASSERT_TRUE(PumpMessagesUntil([&] { return nag.Loaded(); }, 5000));
    EXPECT_EQ(GetParent(nag.Handle()), notifier.Handle());
    auto* page = dynamic_cast<ScriptPageHost*>(nag.Host());
    ASSERT_NE(page, nullptr);
    days = 100;
    ASSERT_TRUE(notifier.Show());
    EXPECT_EQ(page->ElementText(L"string2"), L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS 3");
    RECT covered{};
    GetWindowRect(nag.Handle(), &covered);
    EXPECT_EQ(covered.right - covered.left, notifier.Size().cx);
    EXPECT_EQ(covered.bottom - covered.top, notifier.Size().cy);
    EXPECT_TRUE(nag.IsVisible());
    notifier.Hide();
}

TEST_F(NagPopupsTest, TheReminderPageStatesForTheBrowser) {
    ScopedPageHostFactory factory(MakeRecordingHost);
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        for (const int days : {45, 800}) {
            Reminder reminder(false);
            reminder.days = days;
            auto* page = dynamic_cast<RecordingPageHost*>(reminder.nag.Host());
            ASSERT_NE(page, nullptr);
            page->CompleteDocument();
            ASSERT_EQ(page->CallsOf(L"settext").size(), 1u);
            const std::wstring state = days == 45 ? L"one-month" : L"two-years";
            const PageContract contract = ContractOf(*page, L"taskbar_nag.htm", state.c_str());
            if (language.code == std::wstring(L"en")) EXPECT_TRUE(WritePageContract(contract));
            EXPECT_TRUE(WritePageContract(InLanguage(contract, language), language.code));
        }
    }
}

// ---------------------------------------------------------------- the sign-up

class SignupPopup {
public:
    explicit SignupPopup(WebRequestHost& host, bool waitForPage = true) : popup(host) {
        created = popup.Create(nullptr);
        if (created) popup.Show(SW_SHOW);
        if (waitForPage) PumpMessagesUntil([this] { return Page() != nullptr && !Page()->ElementText(L"btnOK").empty(); }, 5000);
    }
    ScriptPageHost* Page() const { return dynamic_cast<ScriptPageHost*>(popup.Host()); }
    // Types the address and presses the button; waits for the sign-up to end.
    void Submit(const std::wstring& typed) {
        Page()->SetElementValue(L"EmailAddress", typed);
        Page()->Click(L"btnOK");
        PumpMessagesUntil([this] { return !popup.SignupRunning(); }, 20000);
        PumpMessagesUntilQuiet();
    }

    CDlgDriverAlertNag popup;
    bool created = false;
};

TEST_F(NagPopupsTest, TheSignupPopupChecksTheAddressBeforeAnythingIsSent) {
    ScopedPageHostFactory factory(MakeScriptHost);
    site.SetSignupAnswer("OK\r\nU-42\r\n");
    const std::wstring tooLong = std::wstring(250, L'a') + L"@x.example";
    const struct {
        const char* name;
        std::wstring typed;
        bool valid;
        std::wstring sent;  // the address that reached the site
    } cases[] = {
        {"no at sign", L"someone.x.example", false, L""},
        {"empty", L"   ", false, L""},
        {"no dot in the domain", L"someone@localhost", false, L""},
        {"longer than the check reads", tooLong, false, L""},
        {"not in the ANSI code page", L"\x7528\x6237@x.example", false, L""},
        {"blanks around it", L"  someone@x.example \t", true, L"someone@x.example"},
        {"plus and ampersand", L"a+b&c@x.example", true, L"a+b&c@x.example"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        site.Reset();
        site.SetSignupAnswer("OK\r\nU-42\r\n");
        SignupPopup signup(host);
        ASSERT_TRUE(signup.created);
        ScriptPageHost* page = signup.Page();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->ScriptErrors(), std::vector<std::wstring>{});
        EXPECT_FALSE(page->IsElementVisible(L"lblValidate"));
        signup.Submit(c.typed);
        EXPECT_EQ(page->IsElementVisible(L"lblValidate"), !c.valid);
        const auto calls = site.CallsTo(ProgramSiteStandIn::kSignupPath);
        if (c.valid) {
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].fields.at("email"), c.sent);
            EXPECT_EQ(signup.popup.EmailAddress(), c.sent);
            EXPECT_EQ(signup.popup.Result(), CDlgDriverAlertNag::kClosedResult);
            EXPECT_FALSE(signup.popup.IsVisible());
        } else {
            EXPECT_TRUE(calls.empty());
            EXPECT_EQ(signup.popup.Result(), 0);
            EXPECT_TRUE(signup.popup.IsVisible());
            EXPECT_TRUE(signup.popup.IsEnabled());
        }
        EXPECT_FALSE(page->IsElementVisible(L"idProcessing"));
    }
}

TEST_F(NagPopupsTest, AFailedSignupKeepsThePopupOpenWithItsNoteAndAnotherTryWorks) {
    ScopedPageHostFactory factory(MakeScriptHost);
    site.Reset();  // no answer: the site says 404
    SignupPopup signup(host);
    ASSERT_TRUE(signup.created);
    ScriptPageHost* page = signup.Page();
    signup.Submit(L"someone@x.example");
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kSignupPath).size(), 1u);
    EXPECT_TRUE(signup.popup.IsVisible());
    EXPECT_TRUE(signup.popup.IsEnabled());
    EXPECT_EQ(signup.popup.Result(), 0);
    EXPECT_TRUE(page->IsElementVisible(L"lblFailed"));
    EXPECT_EQ(page->ElementText(L"lblFailed"), L"IDS_HLV_SIGNUP_FAILED");
    EXPECT_FALSE(page->IsElementVisible(L"idProcessing"));
    EXPECT_EQ(page->ElementValue(L"EmailAddress"), L"someone@x.example");

    site.SetSignupAnswer("U-7\r\n");
    signup.Submit(L"someone@x.example");
    EXPECT_FALSE(page->IsElementVisible(L"lblFailed"));
    EXPECT_EQ(signup.popup.Result(), CDlgDriverAlertNag::kClosedResult);
    EXPECT_FALSE(signup.popup.IsVisible());
    EXPECT_EQ(host.deviceListsSent, 1);
}

TEST_F(NagPopupsTest, TheCrossClosesWithSixAndTheTextsGoWhereThePageShowsThem) {
    ScopedPageHostFactory factory(MakeScriptHost);
    SignupPopup signup(host);
    ASSERT_TRUE(signup.created);
    ScriptPageHost* page = signup.Page();
    const struct {
        const wchar_t* element;
        const wchar_t* text;
    } texts[] = {
        {L"string1", L"IDS_HLV_APP_NAME"},      {L"string2", L"IDS_HLV_TEXT"},
        {L"string3", L"IDS_HLV_EMAIL"},         {L"string4", L"IDS_HLV_EMAIL_TEXT"},
        {L"lblValidate", L"IDS_HLV_EMAIL_NOT_VAL"}, {L"string5", L"IDS_HLV_SUBSCRIBE"},
        {L"btnOK", L"IDS_HLV_BTN_SIGNUP"},      {L"idProcessing", L"IDS_GETTING_RESULTS"},
        {L"string326", L"string326"},
    };
    for (const auto& t : texts) EXPECT_EQ(page->ElementText(t.element), t.text) << t.element;
    RECT placed{};
    GetWindowRect(signup.popup.Handle(), &placed);
    EXPECT_EQ(placed.right - placed.left, CDlgDriverAlertNag::kWidth);
    EXPECT_EQ(placed.bottom - placed.top, CDlgDriverAlertNag::kHeight);
    page->Click(L"btnCloseme");
    EXPECT_EQ(signup.popup.Result(), CDlgDriverAlertNag::kClosedResult);
    EXPECT_FALSE(signup.popup.IsVisible());
    EXPECT_TRUE(site.Calls().empty());
}

TEST_F(NagPopupsTest, WithoutAPageTheSignupStillTakesAnAddressAndCloses) {
    ScopedPageHostFactory factory([] { return std::unique_ptr<PageHost>(); });
    site.SetSignupAnswer("U-9\r\n");
    SignupPopup signup(host, false);
    ASSERT_TRUE(signup.created);
    ASSERT_TRUE(signup.popup.Pageless());
    const HWND window = signup.popup.Handle();
    const auto press = [&](int id) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    };
    const auto note = [&] {
        wchar_t text[256] = {};
        GetDlgItemTextW(window, CDlgDriverAlertNag::kPlainNote, text, 256);
        return std::wstring(text);
    };
    SetDlgItemTextW(window, CDlgDriverAlertNag::kPlainEdit, L"nobody");
    press(CDlgDriverAlertNag::kPlainSignUp);
    EXPECT_EQ(note(), L"IDS_HLV_EMAIL_NOT_VAL");
    EXPECT_TRUE(site.Calls().empty());
    SetDlgItemTextW(window, CDlgDriverAlertNag::kPlainEdit, L" someone@x.example ");
    press(CDlgDriverAlertNag::kPlainSignUp);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !signup.popup.SignupRunning(); }, 20000));
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kSignupPath).size(), 1u);
    EXPECT_EQ(signup.popup.Result(), CDlgDriverAlertNag::kClosedResult);
    EXPECT_FALSE(signup.popup.IsVisible());

    ScopedPageHostFactory blankView(MakeSilentHost);
    SignupPopup another(host, false);
    ASSERT_FALSE(another.popup.Pageless());
    ASSERT_TRUE(PumpMessagesUntil([&] { return another.popup.Pageless(); }, 5000));
    SendMessageW(another.popup.Handle(), WM_COMMAND, MAKEWPARAM(CDlgDriverAlertNag::kPlainClose, BN_CLICKED), 0);
    EXPECT_EQ(another.popup.Result(), CDlgDriverAlertNag::kClosedResult);
    EXPECT_FALSE(another.popup.IsVisible());
}

TEST_F(NagPopupsTest, TheSignupPageStatesForTheBrowser) {
    UseEnglishTexts();
    ScopedPageHostFactory factory(MakeRecordingHost);
    SignupPopup signup(host, false);
    auto* page = dynamic_cast<RecordingPageHost*>(signup.popup.Host());
    ASSERT_NE(page, nullptr);
    page->CompleteDocument();
    ASSERT_EQ(page->CallsOf(L"settext").size(), 1u);
    EXPECT_TRUE(WritePageContract(ContractOf(*page, L"driver_alert.htm", L"empty")));
    page->SetResult(L"getEmailAddress", 0);  // answers "0": not an address
    page->Click(L"btnOK");
    EXPECT_EQ(page->CallsOf(L"onSubmit").back().arguments, std::vector<std::wstring>{L"1"});
    EXPECT_TRUE(WritePageContract(ContractOf(*page, L"driver_alert.htm", L"invalid-address")));
    PageContract processing = ContractOf(*page, L"driver_alert.htm", L"processing");
    processing.calls.push_back({L"onSubmit", {L"0"}});
    processing.calls.push_back({L"showhideProcessingText", {L"1"}});
    EXPECT_TRUE(WritePageContract(processing));
    PageContract failed = ContractOf(*page, L"driver_alert.htm", L"failed");
    failed.calls.push_back({L"showSignupFailed", {GetLangString(L"IDS_HLV_SIGNUP_FAILED", kResourceStringSection)}});
    EXPECT_TRUE(WritePageContract(failed));
}

TEST_F(NagPopupsTest, TheSignupPageIsRecordedInThePictureLanguages) {
    ScopedPageHostFactory factory(MakeRecordingHost);
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        SignupPopup signup(host, false);
        auto* page = dynamic_cast<RecordingPageHost*>(signup.popup.Host());
        ASSERT_NE(page, nullptr);
        page->CompleteDocument();
        ASSERT_EQ(page->CallsOf(L"settext").size(), 1u);
        for (const std::wstring& text : page->CallsOf(L"settext")[0].arguments) EXPECT_FALSE(text.empty());
        PageContract failed = InLanguage(ContractOf(*page, L"driver_alert.htm", L"failed"), language);
        failed.calls.push_back({L"showSignupFailed", {GetLangString(L"IDS_HLV_SIGNUP_FAILED", kResourceStringSection)}});
        EXPECT_TRUE(WritePageContract(failed, language.code));
    }
}

// Pictures for a person to look at, as the windows stand under this display: the
// reminder that has slid in, and the sign-up popup. They stay in the build folder;
// the display's own tool takes them, started outside Wine.
TEST_F(NagPopupsTest, PicturesOfTheReminderAndTheSignupPopup) {
    if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no import tool";
    UseEnglishTexts();
    ScopedPageHostFactory factory([] { return std::unique_ptr<PageHost>(); });
    const auto take = [](const std::string& path) {
        DeleteFileA(("Z:" + path).c_str());
        std::system(("start /wait /unix /usr/bin/import -window root " + path).c_str());
        // The Unix tool may still be writing when start returns.
        EXPECT_TRUE(PumpMessagesUntil([&] { return GetFileAttributesA(("Z:" + path).c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000))
            << path;
    };
    {
        CDlgTaskbarNag nag;
        nag.daysSinceLastScan = [] { return 75; };
        CTaskbarNotifier notifier;
        ASSERT_TRUE(notifier.Create(nullptr, &nag));
        ASSERT_TRUE(notifier.SetSkin(IDB_NOTIFIER_SKIN));
        ASSERT_TRUE(notifier.Show());
        ASSERT_TRUE(PumpMessagesUntil([&] { return notifier.CurrentState() == CTaskbarNotifier::kWaiting; }, 3000));
        PumpMessagesUntilQuiet();
        take(NAG_POPUPS_PICTURES "/reminder.png");
        notifier.Hide();
    }
    {
        SignupPopup signup(host, false);
        ASSERT_TRUE(signup.created);
        PumpMessagesUntilQuiet(300);
        take(NAG_POPUPS_PICTURES "/signup_popup.png");
    }
}

}  // namespace
