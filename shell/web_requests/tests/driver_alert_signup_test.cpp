// The fixture first: its server header needs Winsock before windows.h.
#include "web_request_fixture.h"

#include "shell/web_requests/driver_alert_signup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/os_identity.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/system_helpers.h"
#include "shell/web_requests/web_request_addresses.h"
#include "tests/support/scoped_registry.h"

namespace {

// Addresses typed by users, as they must reach the site: UTF-8, every byte that
// could end or change the query percent-encoded.
struct AddressCase {
    const wchar_t* address;
    const wchar_t* encoded;
};
const AddressCase kAddresses[] = {
    {L"a+b@x.example", L"a%2Bb%40x.example"},
    {L"tom&jerry=1@x.example", L"tom%26jerry%3D1%40x.example"},
    {L"100%@x.example", L"100%25%40x.example"},
    {L"\"quoted name\"@x.example", L"%22quoted%20name%22%40x.example"},
    {L"j\x00fcrgen@m\x00fcller.example", L"j%C3%BCrgen%40m%C3%BCller.example"},
    {L"\x7528\x6237@\x4f8b\x5b50.example", L"%E7%94%A8%E6%88%B7%40%E4%BE%8B%E5%AD%90.example"},
    {L"o'neil#1?@x.example", L"o%27neil%231%3F%40x.example"},
};

TEST(SignupAddressTest, TheAddressIsPercentEncodedUtf8) {
    ScopedRegistryRoots roots;  // the built-in templates
    const std::wstring prefix = L"https://www.brennavik.com/halvenor/driveralerts/register?email=";
    for (const AddressCase& c : kAddresses) {
        EXPECT_EQ(BuildSignupAddress(c.address), prefix + c.encoded) << c.address;
    }
    std::wstring twice = L"<email>/<email>";
    ReplacePlaceholder(twice, L"<email>", L"<email>");
    EXPECT_EQ(twice, L"%3Cemail%3E/%3Cemail%3E");
}

TEST(SignupAddressTest, TheConfirmationCarriesEveryIdEncoded) {
    ScopedRegistryRoots roots;
    RecordingHost host;
    host.machineId = L"M&1 2";
    const std::wstring address = BuildSignupConfirmAddress(L"U-77", host);
    EXPECT_EQ(address, L"https://www.brennavik.com/halvenor/driveralerts/confirm?pid=35&uid=U-77&macid=M%261%202&osid=" +
                           PercentEncodeUtf8(GetOsIdString()) + L"&appver=" +
                           PercentEncodeUtf8(GetAppFileVersionString()));
}

TEST(SignupAnswerTest, TheUserIdIsTheLastLineThatHoldsOne) {
    struct Case {
        std::string answer;
        std::wstring id;
    } cases[] = {
        {"", L""},
        {"\r\n\r\n", L""},
        {"12345", L"12345"},
        {"Welcome\r\nsecond line\r\n{6F9619FF-8B86-D011-B42D-00C04FC964FF}\r\n\r\n",
         L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
        {"first\nu_42.x\n", L"u_42.x"},
        {"<html>\r\n<body>Error</body>\r\n</html>", L""},
        {"id with blanks", L""},
        {"abc&uid=evil", L""},
        {"caf\xC3\xA9", L""},
        {std::string(64, 'a'), std::wstring(64, L'a')},
        {std::string(65, 'a'), L""},
    };
    for (const Case& c : cases) EXPECT_EQ(UserIdFromSignupAnswer(c.answer), c.id) << c.answer;
}

class DriverAlertSignupTest : public WebRequestTest {
protected:
    DWORD RecordedSignup() {
        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        DWORD value = 0;
        if (key.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, false)) key.ReadDword(L"RegisteredForDriverAlerts", value);
        return value;
    }
};

TEST_F(DriverAlertSignupTest, ASignUpSendsTheAddressConfirmsTheIdAndRecordsIt) {
    site.SetSignupAnswer("Thank you\r\nU-77\r\n");
    for (const AddressCase& c : kAddresses) {
        SCOPED_TRACE(testing::Message() << c.encoded);
        EXPECT_EQ(RegisterForDriverAlerts(c.address, true, host), 0);
        const auto signups = site.CallsTo(ProgramSiteStandIn::kSignupPath);
        ASSERT_FALSE(signups.empty());
        EXPECT_EQ(signups.back().fields.at("email"), c.address);
        EXPECT_EQ(signups.back().fields.size(), 1u);
    }
    const auto confirmations = site.CallsTo(ProgramSiteStandIn::kConfirmPath);
    ASSERT_EQ(confirmations.size(), std::size(kAddresses));
    EXPECT_EQ(confirmations[0].fields.at("uid"), L"U-77");
    EXPECT_EQ(confirmations[0].fields.at("pid"), L"35");
    EXPECT_EQ(confirmations[0].fields.at("macid"), L"M-1");
    EXPECT_EQ(RecordedSignup(), 1u);
    EXPECT_EQ(host.deviceListsSent, static_cast<int>(std::size(kAddresses)));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(PathExists(DataFile(L"DriverAlertReg.txt")));
    EXPECT_TRUE(PathExists(DataFile(L"temp.txt")));

    EXPECT_EQ(RegisterForDriverAlerts(L"x@y.example", false, host), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].first, L"IDS_HLV_SUCCESSFUL_REGISTERED");
    EXPECT_EQ(host.messages[0].second, static_cast<UINT>(MB_ICONINFORMATION | MB_TASKMODAL));
}

TEST_F(DriverAlertSignupTest, FailuresRecordNothingAndShowNothing) {
    struct Case {
        const char* what;
        std::wstring address;
        bool connected;
        const char* answer;  // null: the site has no sign-up answer
        int confirmStatus;
        size_t signups;
        size_t confirmations;
    } cases[] = {
        {"empty address", L"", true, "U-1", 200, 0, 0},
        {"blank address", L"   ", true, "U-1", 200, 0, 0},
        {"no connection", L"a@b.example", false, "U-1", 200, 0, 0},
        {"sign-up not found", L"a@b.example", true, nullptr, 200, 1, 0},
        {"empty answer", L"a@b.example", true, "", 200, 1, 0},
        {"error page as answer", L"a@b.example", true, "<html><body>Service unavailable</body></html>", 200, 1, 0},
        {"confirmation fails", L"a@b.example", true, "U-1", 500, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        site.Reset();
        host.connected = c.connected;
        if (c.answer != nullptr) site.SetSignupAnswer(c.answer);
        site.SetConfirmStatus(c.confirmStatus);
        EXPECT_EQ(RegisterForDriverAlerts(c.address, false, host), -1);
        EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kSignupPath).size(), c.signups);
        EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kConfirmPath).size(), c.confirmations);
        EXPECT_EQ(RecordedSignup(), 0u);
        EXPECT_EQ(host.deviceListsSent, 0);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(DriverAlertSignupTest, SwitchedOffAlertsDoNothing) {
    site.SetSignupAnswer("U-1");
    UpdateAppSettings([](AppSettings& s) { s.isDriverAlertsEnabled = 0; });
    EXPECT_EQ(RegisterForDriverAlerts(L"a@b.example", false, host), 0);
    UpdateAppSettings([](AppSettings& s) { s.isDriverAlertsEnabled = 1; });
    EXPECT_TRUE(site.Calls().empty());
    EXPECT_EQ(RecordedSignup(), 0u);
}

// The popup hands the worker only its window; the result comes back as a message.
TEST_F(DriverAlertSignupTest, TheWorkerPostsTheResultToThePopupWindow) {
    constexpr UINT kDone = WM_APP + 17;
    HWND popup = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    // The worker posts its result as the last thing it does.
    auto waitForResult = [&](HANDLE thread) -> int {
        MSG message;
        if (WaitForSingleObject(thread, 20000) != WAIT_OBJECT_0 ||
            !PeekMessageW(&message, popup, kDone, kDone, PM_REMOVE)) {
            return 99;
        }
        return static_cast<int>(static_cast<INT_PTR>(message.wParam));
    };
    site.SetSignupAnswer("U-5\r\n");
    UniqueHandle worker = StartDriverAlertSignupWorker(popup, kDone, L"a@b.example", true, host);
    ASSERT_TRUE(worker.Valid());
    EXPECT_EQ(waitForResult(worker.Get()), 0);

    site.SetSignupAnswer("");
    worker = StartDriverAlertSignupWorker(popup, kDone, L"a@b.example", true, host);
    EXPECT_EQ(waitForResult(worker.Get()), -1);
    DestroyWindow(popup);
}

}  // namespace
