#include <gtest/gtest.h>

#include "platform/http_address.h"
#include "platform/soap_envelope.h"
#include "platform/xml_text.h"

namespace {

TEST(SoapEnvelope, WritesWrappedDocumentLiteralBodyWithEscapedFields) {
    const std::string body = BuildSoapEnvelope(
        L"http://example.test/services/", L"GetDriverDownloadInformation",
        {SoapField::Text(L"input", L"<a b=\"1\">x & 'y'</a>\r\n"), SoapField::Boolean(L"b_isInputEncrypted", false),
         SoapField::Int(L"nOSId", -7), SoapField::NullText(L"key")});
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<soap:Body><GetDriverDownloadInformation xmlns=\"http://example.test/services/\">"
        "<input>&lt;a b=&quot;1&quot;&gt;x &amp; &apos;y&apos;&lt;/a&gt;&#13;\n</input>"
        "<b_isInputEncrypted>false</b_isInputEncrypted>"
        "<nOSId>-7</nOSId>"
        "<key xsi:nil=\"true\" />"
        "</GetDriverDownloadInformation></soap:Body></soap:Envelope>";
    EXPECT_EQ(body, expected);
    EXPECT_EQ(SoapActionHeaderValue(L"http://example.test/services/", L"MS_UploadFeedback"),
              "\"http://example.test/services/MS_UploadFeedback\"");
}

TEST(XmlText, DropsWhatXmlCannotCarryAndKeepsTheRestAsUtf8) {
    struct Case {
        std::wstring input;
        std::string utf8OfEscaped;
    } cases[] = {
        {L"SN\x01\x02" L"123\x1F\x7F", "SN123\x7F"},                  // BIOS serial with control bytes
        {L"caf\x00E9 \x20AC", "caf\xC3\xA9 \xE2\x82\xAC"},             // two- and three-byte forms
        {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},                         // a surrogate pair
        {L"a\xD800" L"b\xFFFE" L"c", "abc"},                           // lone surrogate and non-character
        {L"tab\tline\n", "tab\tline\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8FromWide(EscapeXmlText(c.input)), c.utf8OfEscaped);
    }
}

TEST(XmlText, Utf8DecodingRefusesMalformedBytes) {
    std::wstring out;
    EXPECT_TRUE(WideFromUtf8("\xF0\x9F\x98\x80-\xC3\xA9", out));
    EXPECT_EQ(out, L"\xD83D\xDE00-\x00E9");
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xC3", "\xFF", "\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(WideFromUtf8(bad, out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST(HttpAddress, ParsesServiceAndProxyAddresses) {
    struct Case {
        const wchar_t* text;
        bool ok;
        bool secure;
        const wchar_t* host;
        unsigned short port;
        const wchar_t* path;
    } cases[] = {
        {L"http://127.0.0.1:8080/driverupdateservicenew/updateservice.asmx", true, false, L"127.0.0.1", 8080,
         L"/driverupdateservicenew/updateservice.asmx"},
        {L"HTTPS://updates.example.test/miscservice/miscservice.asmx", true, true, L"updates.example.test", 443,
         L"/miscservice/miscservice.asmx"},
        {L"http://host", true, false, L"host", 80, L"/"},
        {L"http://host?x=1", true, false, L"host", 80, L"/?x=1"},
        {L"ftp://host/", false, false, L"", 0, L""},
        {L"http://:80/", false, false, L"", 0, L""},
        {L"http://host:0/", false, false, L"", 0, L""},
        {L"http://host:65536/", false, false, L"", 0, L""},
        {L"http://user@host/", false, false, L"", 0, L""},
        {L"http://host/a b", false, false, L"", 0, L""},
        {L"host/path", false, false, L"", 0, L""},
    };
    for (const auto& c : cases) {
        HttpAddress a;
        ASSERT_EQ(ParseHttpAddress(c.text, a), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(a.secure, c.secure) << c.text;
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
        EXPECT_EQ(a.pathAndQuery, c.path) << c.text;
    }

    struct ProxyCase {
        const wchar_t* text;
        bool ok;
        const wchar_t* host;
        unsigned short port;
    } proxies[] = {
        {L"proxy.lan:3128", true, L"proxy.lan", 3128},
        {L" 127.0.0.1:8888 ", true, L"127.0.0.1", 8888},
        {L"proxy.lan", false, L"", 0},
        {L"http=proxy:80;https=proxy:443", false, L"", 0},
        {L":80", false, L"", 0},
    };
    for (const auto& c : proxies) {
        std::wstring host;
        unsigned short port = 0;
        ASSERT_EQ(ParseProxyHostPort(c.text, host, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

}  // namespace
