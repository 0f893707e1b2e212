#include "platform/soap_answer.h"

#include <gtest/gtest.h>

namespace {

std::string Envelope(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>" +
           inner + "</soap:Body></soap:Envelope>";
}

std::string Response(const std::string& result) {
    return Envelope("<GetDriverUpdatesData1Response xmlns=\"http://example.test/\">" + result +
                    "</GetDriverUpdatesData1Response>");
}

TEST(SoapAnswer, DecodesTheResultTextFully) {
    struct Case {
        const char* name;
        std::string body;
        std::wstring result;
    } cases[] = {
        {"entities", Response("<GetDriverUpdatesData1Result>&lt;nd&gt;a &amp; b &quot;c&quot; &apos;d&apos;&lt;/nd&gt;"
                              "</GetDriverUpdatesData1Result>"),
         L"<nd>a & b \"c\" 'd'</nd>"},
        {"numeric references", Response("<GetDriverUpdatesData1Result>&#65;&#x42;&#x1F600;&#13;"
                                         "</GetDriverUpdatesData1Result>"),
         L"AB\xD83D\xDE00\r"},
        {"CDATA next to text", Response("<GetDriverUpdatesData1Result>x<![CDATA[<dev>&amp;</dev>]]>y"
                                        "</GetDriverUpdatesData1Result>"),
         L"x<dev>&amp;</dev>y"},
        {"UTF-8 and line ends", Response("<GetDriverUpdatesData1Result>Ger\xC3\xA4t\r\nzwei</GetDriverUpdatesData1Result>"),
         L"Ger\x00E4t\nzwei"},
        {"empty result", Response("<GetDriverUpdatesData1Result />"), L""},
        {"no result element", Response(""), L""},
        {"byte order mark and comments",
         "\xEF\xBB\xBF<!-- before -->" + Response("<!-- in --><GetDriverUpdatesData1Result>ok</GetDriverUpdatesData1Result>"),
         L"ok"},
    };
    for (const auto& c : cases) {
        const SoapAnswer answer = ReadSoapAnswer(c.body, L"GetDriverUpdatesData1");
        ASSERT_EQ(answer.outcome, SoapAnswer::Outcome::Result) << c.name << ": " << answer.error;
        EXPECT_EQ(answer.result, c.result) << c.name;
    }
}

TEST(SoapAnswer, ReportsAFaultWithItsText) {
    const SoapAnswer answer = ReadSoapAnswer(
        Envelope("<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Server was unable &amp; sorry"
                 "</faultstring><detail /></soap:Fault>"),
        L"GetDriverUpdatesData1");
    EXPECT_EQ(answer.outcome, SoapAnswer::Outcome::Fault);
    EXPECT_EQ(answer.faultString, L"Server was unable & sorry");
}

TEST(SoapAnswer, RefusesUntrustedOrBrokenBodies) {
    struct Case {
        const char* name;
        std::string body;
    } cases[] = {
        {"document type", "<!DOCTYPE x [<!ENTITY e \"boom\">]>" + Response("<GetDriverUpdatesData1Result>&e;"
                                                                         "</GetDriverUpdatesData1Result>")},
        {"unknown entity", Response("<GetDriverUpdatesData1Result>&nbsp;</GetDriverUpdatesData1Result>")},
        {"reference to NUL", Response("<GetDriverUpdatesData1Result>&#0;</GetDriverUpdatesData1Result>")},
        {"reference to a surrogate", Response("<GetDriverUpdatesData1Result>&#xD800;</GetDriverUpdatesData1Result>")},
        {"markup in the result", Response("<GetDriverUpdatesData1Result><nd/></GetDriverUpdatesData1Result>")},
        {"crossed tags", Response("<GetDriverUpdatesData1Result>x</GetDriverUpdatesData1Response>")},
        {"truncated", Response("<GetDriverUpdatesData1Result>x</GetDriverUpdatesData1Result>").substr(0, 150)},
        {"not UTF-8", Response("<GetDriverUpdatesData1Result>\xE4</GetDriverUpdatesData1Result>")},
        {"control character", Response("<GetDriverUpdatesData1Result>\x01</GetDriverUpdatesData1Result>")},
        {"other operation", Envelope("<OtherResponse><OtherResult>x</OtherResult></OtherResponse>")},
        {"not an envelope", "<html><body>Service unavailable</body></html>"},
        {"empty", ""},
        {"two roots", Response("") + "<x/>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadSoapAnswer(c.body, L"GetDriverUpdatesData1").outcome, SoapAnswer::Outcome::Malformed) << c.name;
    }
}

}  // namespace
