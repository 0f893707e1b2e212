// The stand-in brings winsock2.h, which must come before windows.h.
#include "tools/update_service_stand_in.h"

#include <gtest/gtest.h>

#include "scan/update_service_helper.h"

#include <atomic>
#include <mutex>

#include "foundation/language_strings.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scoped_registry.h"

namespace {

// Ticks move only when the client pauses or a test says a call took long.
class FakeServiceClock : public Clock {
public:
    DWORD TickCount() const override { return static_cast<DWORD>(now_.load()); }
    ULONGLONG TickCount64() const override { return now_.load(); }
    void Sleep(DWORD milliseconds) const override {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(milliseconds);
        now_ += milliseconds;
    }
    SYSTEMTIME LocalTime() const override { return localTime; }
    // What the helper calls to answer messages around its pause.
    std::function<void()> Pump() {
        return [this] { ++pumps_; };
    }

    void Advance(ULONGLONG ms) { now_ += ms; }
    std::vector<DWORD> Sleeps() {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    int Pumps() const { return pumps_; }

    SYSTEMTIME localTime{2024, 3, 0, 5, 14, 7, 9, 0};

private:
    mutable std::atomic<ULONGLONG> now_{1000000};
    std::atomic<int> pumps_{0};
    mutable std::mutex mutex_;
    mutable std::vector<DWORD> sleeps_;
};

std::wstring UpdateUrl(const HttpStandInServer& server) {
    return server.Url("/driverupdateservicenew/updateservice.asmx");
}
std::wstring MiscUrl(const HttpStandInServer& server) { return server.Url("/miscservice/miscservice.asmx"); }

// A port nothing listens on: connections to it are refused at once.
std::wstring RefusedUrl(const char* path) {
    HttpStandInServer gone;
    gone.Start();
    const std::wstring url = gone.Url(path);
    gone.Stop();
    return url;
}

class UpdateServiceHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        ASSERT_TRUE(first_.Start());
        ASSERT_TRUE(second_.Start());
        firstService_.AddDriver({L"PCI\\VEN_1234&DEV_0001", {{L"ver", L"2.0.0.1"}, {L"sig", L"Acme <Signer>"}}});
        secondService_.AddDriver({L"PCI\\VEN_1234&DEV_0001", {{L"ver", L"9.9"}, {L"sig", L"Second"}}});
        addresses_.updateFirst = UpdateUrl(first_);
        addresses_.updateSecond = UpdateUrl(second_);
        addresses_.miscFirst = MiscUrl(first_);
        addresses_.miscSecond = MiscUrl(second_);
        addresses_.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    }

    // Sets the user's Internet Settings proxy to `proxy`.
    void UseProxy(const HttpStandInServer& proxy) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::wstring value = L"127.0.0.1:" + std::to_wstring(proxy.Port());
        SetRawValue(key, L"ProxyServer", REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
        RegCloseKey(key);
    }

    bool Scan(CUpdateServiceHelper& helper, std::wstring& answer) {
        return helper.RequestDriverUpdatesData(
            L"<nd><dev><id>4</id><mid>PCI\\VEN_1234&amp;DEV_0001</mid></dev></nd>", L"key-1", L"MACHINE-ID",
            L"halvenornewparams", L"halvenornewparamsScanXml-dt", 61, answer);
    }

    ScopedRegistryRoots roots_;
    HttpStandInServer first_, second_;
    UpdateServiceStandIn firstService_{first_}, secondService_{second_};
    ServiceAddresses addresses_;
    FakeServiceClock clock_;
};

TEST_F(UpdateServiceHelperTest, ScanRequestSucceedsOnTheFirstAddressAndStillPauses) {
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring answer;
    ASSERT_TRUE(Scan(helper, answer));
    // The answer is itself a document: its own escapes come through as they were sent.
    EXPECT_EQ(answer, L"<nd><dbv>1</dbv><dev><id>4</id><mid>PCI\\VEN_1234&amp;DEV_0001</mid><ver>2.0.0.1</ver>"
                      L"<sig>Acme &lt;Signer&gt;</sig></dev></nd>");

    const auto calls = firstService_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, L"GetDriverUpdatesData1");
    EXPECT_EQ(calls[0].soapAction, "\"http://services.brennavik.com/GetDriverUpdatesData1\"");
    const std::map<std::wstring, std::wstring> expectedFields = {
        {L"input", L"<nd><dev><id>4</id><mid>PCI\\VEN_1234&amp;DEV_0001</mid></dev></nd>"},
        {L"key", L"key-1"},
        {L"macId", L"MACHINE-ID"},
        {L"dbInitials", L"halvenornewparams"},
        {L"saveXmlFileName", L"halvenornewparamsScanXml-dt"},
        {L"nOSId", L"61"}};
    EXPECT_EQ(calls[0].fields, expectedFields);
    EXPECT_TRUE(secondService_.Calls().empty());
    EXPECT_EQ(clock_.Sleeps(), std::vector<DWORD>{1024});
    EXPECT_EQ(clock_.Pumps(), 2);
}

TEST_F(UpdateServiceHelperTest, WithoutAClockOfItsOwnThePausesPassOnTheProgramsClock) {
    ManualClock programClock;
    const ULONGLONG before = programClock.TickCount64();
    CUpdateServiceHelper helper(addresses_, nullptr);
    std::wstring answer;
    ASSERT_TRUE(Scan(helper, answer));
    EXPECT_EQ(programClock.TickCount64() - before, 1024u);
}

TEST_F(UpdateServiceHelperTest, ScanRequestMovesToTheSecondAddressWhenTheFirstIsRefused) {
    addresses_.updateFirst = RefusedUrl("/driverupdateservicenew/updateservice.asmx");
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring answer;
    ASSERT_TRUE(Scan(helper, answer));
    EXPECT_NE(answer.find(L"<ver>9.9</ver>"), std::wstring::npos);
    // Once more on the first address without proxy, the pause, then the second address.
    EXPECT_EQ(clock_.Sleeps(), (std::vector<DWORD>{1024, 1024}));
    EXPECT_EQ(secondService_.Calls().size(), 1u);
}

TEST_F(UpdateServiceHelperTest, ScanRequestFailsOnFaultsOfBothAddressesAfterTwoTriesEach) {
    firstService_.SetFailure(L"GetDriverUpdatesData1", UpdateServiceStandIn::Failure::Fault);
    secondService_.SetFailure(L"GetDriverUpdatesData1", UpdateServiceStandIn::Failure::Malformed);
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring answer = L"untouched";
    EXPECT_FALSE(Scan(helper, answer));
    EXPECT_EQ(answer, L"untouched");
    EXPECT_EQ(firstService_.Calls().size(), 2u);
    EXPECT_EQ(secondService_.Calls().size(), 2u);
    EXPECT_EQ(clock_.Sleeps(), (std::vector<DWORD>{1024, 1024, 1024}));
}

TEST_F(UpdateServiceHelperTest, ScanRequestStopsAfterFiftyFourSecondsOrEightMinutes) {
    // A first address that takes the whole time-out on each call: two calls use up
    // far more than 54 seconds, so the second address is never asked.
    firstService_.SetFailure(L"GetDriverUpdatesData1", UpdateServiceStandIn::Failure::Fault);
    firstService_.SetCallHook([this](const ServiceCall&) { clock_.Advance(120000); });
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring answer;
    EXPECT_FALSE(Scan(helper, answer));
    EXPECT_EQ(firstService_.Calls().size(), 2u);
    EXPECT_TRUE(secondService_.Calls().empty());
    EXPECT_EQ(clock_.Sleeps(), std::vector<DWORD>{1024});

    // A call that takes more than 480 seconds is not retried on that address.
    FakeServiceClock slowClock;
    firstService_.SetCallHook([&slowClock](const ServiceCall&) { slowClock.Advance(481000); });
    CUpdateServiceHelper slowHelper(addresses_, &slowClock, slowClock.Pump());
    EXPECT_FALSE(Scan(slowHelper, answer));
    EXPECT_EQ(firstService_.Calls().size(), 3u);
    EXPECT_TRUE(slowClock.Sleeps().empty());
}

TEST_F(UpdateServiceHelperTest, ScanRequestGoesThroughTheProxyOfTheInternetSettingsFirst) {
    HttpStandInServer proxy;
    ASSERT_TRUE(proxy.Start());
    // The proxy takes absolute targets for the first address and answers for it.
    const std::string authority = "http://127.0.0.1:" + std::to_string(first_.Port());
    UpdateServiceStandIn proxied(proxy, authority);
    proxied.AddDriver({L"PCI\\VEN_1234&DEV_0001", {{L"ver", L"via proxy"}, {L"sig", L"P"}}});
    UseProxy(proxy);

    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring answer;
    ASSERT_TRUE(Scan(helper, answer));
    EXPECT_NE(answer.find(L"<ver>via proxy</ver>"), std::wstring::npos);
    ASSERT_EQ(proxied.Calls().size(), 1u);
    EXPECT_EQ(proxied.Calls()[0].target, authority + "/driverupdateservicenew/updateservice.asmx");
    EXPECT_TRUE(firstService_.Calls().empty());
}

TEST_F(UpdateServiceHelperTest, DownloadInformationTriesSocketsThenWinInetInOrder) {
    HttpStandInServer proxy;
    ASSERT_TRUE(proxy.Start());
    const std::string authority = "http://127.0.0.1:" + std::to_string(first_.Port());
    UpdateServiceStandIn proxied(proxy, authority);
    proxied.SetFailure(L"GetDriverDownloadInformation", UpdateServiceStandIn::Failure::Fault);
    UseProxy(proxy);
    // Direct socket call and WinInet's first call fail; WinInet's second succeeds.
    firstService_.SetFailure(L"GetDriverDownloadInformation", UpdateServiceStandIn::Failure::Oversized, 2);
    firstService_.SetDownloadInformationAnswer(L"<dl><lu>http://x/p.zip</lu></dl>");

    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    std::wstring input = L"  <dd><id>7</id></dd>\r\n";
    std::wstring answer;
    ASSERT_TRUE(helper.RequestDriverDownloadInformation(input, answer));
    EXPECT_EQ(input, L"<dd><id>7</id></dd>");
    EXPECT_EQ(answer, L"<dl><lu>http://x/p.zip</lu></dl>");

    const auto direct = firstService_.Calls();
    ASSERT_EQ(direct.size(), 3u);
    EXPECT_EQ(direct[0].userAgent, "");          // socket, no proxy
    EXPECT_EQ(proxied.Calls().size(), 1u);       // socket through the proxy
    EXPECT_EQ(direct[1].userAgent, "Halvenor");  // WinInet
    EXPECT_EQ(direct[2].userAgent, "Halvenor");  // WinInet again
    for (const auto& call : direct) {
        EXPECT_EQ(call.fields.at(L"input"), L"<dd><id>7</id></dd>");
        EXPECT_EQ(call.fields.at(L"b_isInputEncrypted"), L"false");
        EXPECT_EQ(call.fields.at(L"b_useOutputEncrypted"), L"false");
    }
    EXPECT_EQ(clock_.Sleeps(), (std::vector<DWORD>{1024, 1024, 1024, 1024}));
    EXPECT_TRUE(secondService_.Calls().empty());
}

TEST_F(UpdateServiceHelperTest, FeedbackOverTheSizeLimitSendsNothing) {
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    const std::wstring tooLong(CUpdateServiceHelper::kMaxFeedbackCharacters + 1, L'x');
    EXPECT_EQ(helper.UploadFeedbackFile(tooLong, L"f.xml"), 0);
    EXPECT_TRUE(firstService_.Calls().empty());
    EXPECT_TRUE(secondService_.Calls().empty());
    EXPECT_EQ(clock_.Sleeps(), (std::vector<DWORD>{1024, 1024, 1024}));
}

TEST_F(UpdateServiceHelperTest, FeedbackTriesBothAddressesWithoutAndWithProxy) {
    firstService_.SetFailure(L"MS_UploadFeedback", UpdateServiceStandIn::Failure::Refuse);
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    EXPECT_EQ(helper.UploadFeedbackFile(L"<feedback>\x00E9 & more</feedback>", L"name.xml"), 1);
    EXPECT_EQ(firstService_.Calls().size(), 2u);
    const auto second = secondService_.Calls();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].fields.at(L"input"), L"<feedback>\x00E9 & more</feedback>");
    EXPECT_EQ(second[0].fields.at(L"filename"), L"name.xml");
    EXPECT_EQ(clock_.Sleeps(), (std::vector<DWORD>{1024, 1024}));
}

TEST_F(UpdateServiceHelperTest, FeedbackFileNameCarriesTheTimeOnTheTwelveHourClock) {
    struct Case {
        const wchar_t* middle;
        WORD hour;
        const wchar_t* expectedStart;
    };
    const Case cases[] = {
        {L"", 14, L"brennavikhvnhalvenornewparams-Feedback 20240305T02_0709PM "},
        {L"-Display", 0, L"brennavikhvnhalvenornewparams-Display-Feedback 20240305T12_0709AM "},
        {L"", 12, L"brennavikhvnhalvenornewparams-Feedback 20240305T12_0709PM "},
        {L"", 11, L"brennavikhvnhalvenornewparams-Feedback 20240305T11_0709AM "},
    };
    CUpdateServiceHelper helper(addresses_, &clock_, clock_.Pump());
    // Without a language file the title comes from the program's own string.
    ASSERT_EQ(L"brennavikhvnhalvenornewparams", BuildProductParamsName());
    for (const Case& c : cases) {
        clock_.localTime.wHour = c.hour;
        const std::wstring name = helper.MakeFeedbackFileName(c.middle);
        const std::wstring start = c.expectedStart;
        ASSERT_EQ(name.substr(0, start.size()), start) << name;
        // Then the random number in decimal and ".xml" right behind it.
        const std::wstring rest = name.substr(start.size());
        ASSERT_GT(rest.size(), 4u) << name;
        EXPECT_EQ(rest.substr(rest.size() - 4), L".xml");
        const std::wstring number = rest.substr(0, rest.size() - 4);
        ASSERT_FALSE(number.empty());
        EXPECT_EQ(number.find_first_not_of(L"0123456789"), std::wstring::npos) << name;
        EXPECT_LE(std::stoi(number), 32767);
    }
}

}  // namespace
