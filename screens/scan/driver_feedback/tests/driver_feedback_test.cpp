// The feedback document read back element by element, and the form's upload to the
// stand-in misc service, which gets the enciphered document.
#include "tools/update_service_stand_in.h"

#include "screens/scan/driver_feedback/dlg_nag_driver_feedback.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/markup.h"
#include "foundation/text_codec.h"
#include "scan/update_service_helper.h"
#include "screens/scan/driver_feedback/driver_feedback_ids.h"
#include "tests/support/page_test_support.h"

namespace {

std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

// Elements by path ("sf_feedback/feedback/email"), every occurrence in order.
std::multimap<std::wstring, std::wstring> Flatten(const std::wstring& text) {
    std::multimap<std::wstring, std::wstring> values;
    CMarkup document;
    if (!document.SetDoc(text) || !document.FindElem()) return values;
    std::vector<std::wstring> path{document.GetTagName()};
    const std::function<void()> walk = [&] {
        while (document.FindChildElem()) {
            document.IntoElem();
            path.push_back(document.GetTagName());
            std::wstring joined;
            for (const auto& part : path) joined += (joined.empty() ? L"" : L"/") + part;
            values.emplace(joined, document.GetData());
            walk();
            path.pop_back();
            document.OutOfElem();
        }
    };
    walk();
    return values;
}

std::wstring One(const std::multimap<std::wstring, std::wstring>& values, const std::wstring& path) {
    const auto found = values.find(path);
    return found == values.end() ? L"<missing>" : found->second;
}

FeedbackSources Sources() {
    FeedbackSources sources;
    sources.facts.productParamsName = L"halvenornewparams";
    sources.facts.appVersion = L"1.0.0.7";
    sources.facts.machineHash = L"-42";
    sources.lastScanRequest =
        L"<newdataset><device><driverid>7</driverid><date>2020-01-02</date><version>1.2</version>"
        L"<matchingid>PCI\\VEN_1</matchingid></device><other>x</other>"
        L"<device><driverid>9</driverid><date>2021-03-04</date><version>3.4</version><matchingid/></device>"
        L"</newdataset>";
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    sources.programPath = self;
    return sources;
}

TEST(FeedbackDocument, AddressChecks) {
    const struct {
        std::wstring email;
        int result;
    } cases[] = {
        {L"", -1},
        {L"user@example.com", 1},
        {L"@example.com", -5},
        {L"user@", -5},
        {L"user.example.com", -5},
        {L"\x0416@example.com", -5},  // no such letter in the ANSI code page: a lossy conversion
        {std::wstring(250, L'a') + L"@example.com", -5},  // longer than the check takes
    };
    for (const auto& c : cases) EXPECT_EQ(CheckFeedbackEmail(c.email), c.result) << c.email.size();
}

TEST(FeedbackDocument, ReadsBackWithFieldsSystemFactsAndTheLastScansDevices) {
    FeedbackFields fields{L"user@example.com", 2, L"Problem <downloading> & more", L"  It stalls at 40%.  \r\n"};
    std::wstring text;
    ASSERT_EQ(BuildFeedbackDocumentText(fields, Sources(), text), 1);
    const auto values = Flatten(text);
    EXPECT_EQ(One(values, L"sf_feedback/feedback/email"), L"user@example.com");
    EXPECT_EQ(One(values, L"sf_feedback/feedback/feedback_type"), L"Problem <downloading> & more");
    EXPECT_EQ(One(values, L"sf_feedback/feedback/content"), L"It stalls at 40%.");
    EXPECT_NE(One(values, L"sf_feedback/sys_info/os_major_version"), L"<missing>");
    EXPECT_EQ(One(values, L"sf_feedback/sys_info/os_architecture_type"), L"9");
    EXPECT_NE(One(values, L"sf_feedback/sys_info/memory_info/total_phy"), L"0");
    EXPECT_EQ(One(values, L"sf_feedback/sys_info/system_driver").size(), 2u);
    // Wine's C: is a fixed drive with volume information.
    EXPECT_GE(values.count(L"sf_feedback/sys_info/drive_info/drive_name"), 1u);
    EXPECT_EQ(One(values, L"sf_feedback/sys_info/drive_info/drive_name").substr(1), L":\\");
    EXPECT_EQ(One(values, L"sf_feedback/dbref/dbinitials"), L"halvenornewparams");
    EXPECT_EQ(One(values, L"sf_feedback/user_hash/user_hash_data"), L"-42");
    EXPECT_EQ(values.count(L"sf_feedback/device"), 2u);
    EXPECT_EQ(values.count(L"sf_feedback/device/matchingid"), 1u) << "an empty matching id is left out";
    EXPECT_EQ(One(values, L"sf_feedback/device/matchingid"), L"PCI\\VEN_1");
    auto ids = values.equal_range(L"sf_feedback/device/driverid");
    std::vector<std::wstring> driverIds;
    for (auto it = ids.first; it != ids.second; ++it) driverIds.push_back(it->second);
    EXPECT_EQ(driverIds, (std::vector<std::wstring>{L"7", L"9"}));

    // The request as the scan sends it, with its short names, lists the same devices.
    FeedbackSources scanned = Sources();
    scanned.lastScanRequest =
        L"<newdataset><dev><id>7</id><dt>2020-01-02</dt><ver>1.2</ver><mid>PCI\\VEN_1</mid><dn>Card</dn></dev>"
        L"<dev><id>9</id><dt>2021-03-04</dt><ver>3.4</ver><mid/></dev></newdataset>";
    std::wstring fromScan;
    ASSERT_EQ(BuildFeedbackDocumentText(fields, scanned, fromScan), 1);
    const auto scannedValues = Flatten(fromScan);
    for (const wchar_t* path : {L"sf_feedback/device", L"sf_feedback/device/driverid", L"sf_feedback/device/date",
                                L"sf_feedback/device/version", L"sf_feedback/device/matchingid"}) {
        const auto want = values.equal_range(path);
        const auto got = scannedValues.equal_range(path);
        EXPECT_TRUE(std::equal(want.first, want.second, got.first, got.second)) << std::wstring(path).size();
    }

    const struct {
        FeedbackFields fields;
        int result;
    } refused[] = {
        {{L"", 2, L"x", L"text"}, -1},
        {{L"a@", 2, L"x", L"text"}, -5},
        {{L"user@example.com", 0, L"x", L"text"}, -2},
        {{L"user@example.com", 3, L"x", L" \r\n\t "}, 0},
    };
    for (const auto& c : refused) {
        std::wstring out = L"old";
        EXPECT_EQ(BuildFeedbackDocumentText(c.fields, Sources(), out), c.result);
        EXPECT_EQ(out, L"");
    }
}

TEST(FeedbackForm, SubmitUploadsTheEncipheredDocumentAndCloses) {
    LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HttpStandInServer server;
    ASSERT_TRUE(server.Start());
    UpdateServiceStandIn service(server);
    ServiceAddresses addresses;
    addresses.updateFirst = addresses.updateSecond = server.Url("/driverupdateservicenew/updateservice.asmx");
    addresses.miscFirst = addresses.miscSecond = server.Url("/miscservice/miscservice.asmx");
    addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    CUpdateServiceHelper helper(addresses, nullptr);

    std::mutex guard;
    std::vector<std::wstring> messages;
    FeedbackServices services;
    services.service = &helper;
    services.sources = Sources;
    services.showMessage = [&](HWND, const std::wstring& text, UINT) {
        std::lock_guard<std::mutex> lock(guard);
        messages.push_back(text);
        return IDOK;
    };
    CDlgNagDriverFeedback form(services);
    ASSERT_TRUE(form.Create(nullptr));
    form.Show(SW_SHOW);
    PumpWaitingMessages();
    EXPECT_TRUE(IsFeedbackFormVisible());

    // Refused input stays on the form with its message.
    form.OnSubmit();
    EXPECT_EQ(messages, std::vector<std::wstring>{Key(L"IDS_IDEMAIL_NOTEMPTY")});
    SetDlgItemTextW(form.Handle(), IDC_FEEDBACK_EMAIL, L"user@example.com");
    SendDlgItemMessageW(form.Handle(), IDC_FEEDBACK_TYPE, CB_SETCURSEL, 6, 0);
    SetDlgItemTextW(form.Handle(), IDC_FEEDBACK_TEXT, L"The new network driver works well.");
    PumpMessagesUntilQuiet();
    if (GetFileAttributesW(L"Z:\\usr\\bin\\import") != INVALID_FILE_ATTRIBUTES) {
        const std::string folder = HALVENOR_SCREENSHOT_DIR;
        CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
        std::system(("start /wait /unix /usr/bin/import -window root " + folder + "/driver_feedback.png").c_str());
    }

    messages.clear();
    form.OnSubmit();
    ASSERT_TRUE(PumpMessagesUntil([&] { return !form.IsVisible(); }, 60000));
    form.WaitForUpload();
    EXPECT_EQ(messages, std::vector<std::wstring>{Key(L"IDS_THANK_FEEDBACK")});
    EXPECT_EQ(form.StatusText(), Key(L"IDS_FEEBACK_UPLOAD_SUCCESS"));
    EXPECT_FALSE(IsFeedbackFormVisible());

    const auto calls = service.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, L"MS_UploadFeedback");
    std::wstring uploaded = calls[0].fields.at(L"input");
    ASSERT_TRUE(DecodeScrambledString(uploaded));
    std::wstring sent = form.DocumentText();
    const auto first = sent.find_first_not_of(L" \t\r\n");
    sent = sent.substr(first, sent.find_last_not_of(L" \t\r\n") - first + 1);
    EXPECT_EQ(uploaded, sent);
    EXPECT_EQ(One(Flatten(uploaded), L"sf_feedback/feedback/feedback_type"), Key(L"IDS_GENERAL_FEEDBACK"));
    EXPECT_NE(calls[0].fields.at(L"filename").find(L"-Feedback"), std::wstring::npos);
}

}  // namespace
