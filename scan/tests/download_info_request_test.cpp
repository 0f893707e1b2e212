// The stand-in brings winsock2.h, which must come before windows.h.
#include "tools/update_service_stand_in.h"

#include "scan/download_info_request.h"

#include <gtest/gtest.h>

#include "foundation/md5_checksum.h"
#include "scan/update_service_helper.h"

#include <initializer_list>

namespace {

ScanRequestFacts Facts() {
    ScanRequestFacts facts;
    facts.productParamsName = L"halvenornewparams";
    facts.languageId = L"1033", facts.languageCode = L"en", facts.languageStringsFile = L"English.ini";
    facts.languageLocale = L"en-US", facts.languageServiceId = L"1";
    facts.appVersion = L"1.0.0.7";
    facts.machineHash = L"-4326396259478730934";
    return facts;
}

std::wstring Lines(std::initializer_list<const wchar_t*> lines) {
    std::wstring text;
    for (const wchar_t* line : lines) text += std::wstring(line) + L"\r\n";
    return text;
}

}  // namespace

// Written out by hand from the element tables of the request.
TEST(DownloadInfoRequest, DocumentNamesTheDriverThenTheCommonElements) {
    std::wstring text = L"left alone on failure only";
    ASSERT_EQ(BuildDownloadInfoRequest(text, L"PCI\\VEN_8086&DEV_1502", L"61", L"4000000001", Facts()), 1);
    EXPECT_EQ(text, Lines({
                        L"<newdataset>",
                        L"<device>",
                        L"<hardwareid>PCI\\VEN_8086&amp;DEV_1502</hardwareid>",
                        L"<osid>61</osid>",
                        L"<did>4000000001</did>",
                        L"</device>",
                        L"<saveXmlFileName>",
                        L"<file_name_initials>halvenornewparamsDownloadXml-dt</file_name_initials>",
                        L"</saveXmlFileName>",
                        L"<dbref>",
                        L"<dbinitials>halvenornewparams</dbinitials>",
                        L"</dbref>",
                        L"<app_info>",
                        L"<cur_lang_id>1033</cur_lang_id>",
                        L"<cur_lang_code>en</cur_lang_code>",
                        L"<cur_lang_relpath>English.ini</cur_lang_relpath>",
                        L"<cur_lang_locale>en-US</cur_lang_locale>",
                        L"<cur_lang_vslangid>1</cur_lang_vslangid>",
                        L"<app_ver>1.0.0.7</app_ver>",
                        L"<productid>35</productid>",
                        L"</app_info>",
                        L"<user_hash>",
                        L"<user_hash_data>-4326396259478730934</user_hash_data>",
                        L"</user_hash>",
                        L"</newdataset>",
                    }));
}

TEST(DownloadInfoRequest, DriverIdKeepsAllSixtyFourBits) {
    const struct {
        std::uint64_t id;
        const wchar_t* text;
    } cases[] = {
        {0, L""},
        {1, L"1"},
        {2147483647, L"2147483647"},                      // below 2^31: what a 32-bit "%d" wrote
        {2147483648ull, L"2147483648"},                   // "%d" made this negative
        {4294967296ull + 5, L"4294967301"},               // "%d" kept only the 5
        {18446744073709551615ull, L"18446744073709551615"},
    };
    for (const auto& c : cases) EXPECT_EQ(DriverIdText(c.id), c.text) << c.id;

    std::wstring text;
    ASSERT_EQ(BuildDownloadInfoRequest(text, L"X", L"61", DriverIdText(0), Facts()), 1);
    EXPECT_NE(text.find(L"\r\n<did/>\r\n"), std::wstring::npos);
}

TEST(DownloadInfoAnswer, FieldsAreReadByNameInAnyCaseAndEmptyOnesKeepTheirValue) {
    const struct {
        const char* name;
        const wchar_t* answer;
        const wchar_t* url;
        const wchar_t* digest;
        const wchar_t* version;
    } cases[] = {
        {"plain", L"<nd><url>http://h/p.exe</url><hashstring>ABC</hashstring><dbv>1.2.3.4</dbv></nd>",
         L"http://h/p.exe", L"ABC", L"1.2.3.4"},
        {"capitals", L"<nd><URL>http://h/q.zip</URL><HashString>d41d</HashString></nd>", L"http://h/q.zip", L"d41d",
         L"old"},
        {"empty digest and version", L"<nd><url>u</url><hashstring/><dbv></dbv></nd>", L"u", L"old", L"old"},
        {"empty url replaces", L"<nd><url/></nd>", L"", L"old", L"old"},
        {"later wins", L"<nd><url>a</url><other>x</other><url>b</url></nd>", L"b", L"old", L"old"},
        {"entities", L"<nd><url>http://h/p?a=1&amp;b=2</url></nd>", L"http://h/p?a=1&b=2", L"old", L"old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring url = L"old", digest = L"old", version = L"old";
        EXPECT_NE(ParseDownloadInfoAnswer(c.answer, url, digest, version), 0);
        EXPECT_EQ(url, c.url);
        EXPECT_EQ(digest, c.digest);
        EXPECT_EQ(version, c.version);
    }
    std::wstring url, digest, version;
    EXPECT_EQ(ParseDownloadInfoAnswer(L"<nd><url>broken", url, digest, version), 0);
    EXPECT_EQ(ParseDownloadInfoAnswer(L"", url, digest, version), 0);
}

TEST(DownloadInfoAnswer, DatabaseVersionsDecideWhetherTheScanIsOutOfDate) {
    const struct {
        const wchar_t* answer;
        const wchar_t* scan;
        bool outOfDate;
    } cases[] = {
        {L"1.2.3.4", L"1.2.3.4", false},
        {L"1,2,3,4", L"1.2.3.4", false},  // a comma is a dot
        {L"1.2", L"1.2.0.0", false},
        {L"01.2.3.4", L"1.2.3.4", false},  // numbers, not texts
        {L"1.2.3.5", L"1.2.3.4", true},
        {L"1.2.3.4", L"1.2.4.4", true},
        {L"1.2.3.4", L"", true},  // only the answer has one
        {L"", L"", true},         // neither has one
        {L"", L"1.2.3.4", false},  // only the scan has one: go ahead
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsScanOutOfDate(c.answer, c.scan), c.outOfDate) << "answer '" << c.answer << "' scan '" << c.scan
                                                                  << "'";
    }
}

// Against the stand-in: the service finds the package by the request's whole
// 64-bit driver id, never by its low 32 bits.
TEST(DownloadInfoService, AnswerNamesThePackageOfTheRequestedDriver) {
    HttpStandInServer server;
    ASSERT_TRUE(server.Start());
    UpdateServiceStandIn service(server);
    service.SetDatabaseVersion(L"3.1.0.7");
    std::string package(1536 * 1024, '\0');
    for (std::size_t i = 0; i < package.size(); ++i) package[i] = static_cast<char>(i * 7 + i / 4096);
    server.Files().PutFile("/drivers/Net%20Setup.exe", package);
    const std::wstring md5 = Md5OfString(package.data(), package.size());
    const std::uint64_t driverId = 4294967296ull + 5;
    service.AddDownloadPackage(DriverIdText(driverId), server.Url("/drivers/Net%20Setup.exe"), md5);

    ServiceAddresses addresses;
    addresses.updateFirst = addresses.updateSecond = server.Url("/driverupdateservicenew/updateservice.asmx");
    addresses.miscFirst = addresses.miscSecond = server.Url("/miscservice/miscservice.asmx");
    addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
    CUpdateServiceHelper helper(addresses, nullptr);

    struct Case {
        const char* name;
        std::uint64_t id;
        bool known;
    } cases[] = {{"known driver", driverId, true}, {"only its low 32 bits", 5, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring request, answer, url, digest, version;
        ASSERT_EQ(BuildDownloadInfoRequest(request, L"PCI\\VEN_8086", L"61", DriverIdText(c.id), Facts()), 1);
        ASSERT_TRUE(helper.RequestDriverDownloadInformation(request, answer));
        ASSERT_NE(ParseDownloadInfoAnswer(answer, url, digest, version), 0);
        EXPECT_EQ(version, L"3.1.0.7");
        EXPECT_FALSE(IsScanOutOfDate(version, L"3.1.0.7"));
        if (!c.known) {
            EXPECT_EQ(url, L"");
            continue;
        }
        EXPECT_EQ(url, server.Url("/drivers/Net%20Setup.exe"));
        EXPECT_EQ(digest, md5);
    }
}
