// The peer brings winsock2.h, which must come before windows.h.
#include "platform/tests/scripted_peer.h"

#include <gtest/gtest.h>

#include "platform/soap_call.h"
#include "platform/soap_socket_client.h"
#include "platform/soap_wininet_client.h"
#include "tests/support/scoped_registry.h"

namespace {

const std::wstring kNamespace = L"http://example.test/services/";

std::string HttpAnswer(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string ResultBody(const std::string& text) {
    return "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<soap:Body><MS_UploadFeedbackResponse xmlns=\"http://example.test/services/\"><MS_UploadFeedbackResult>" +
           text + "</MS_UploadFeedbackResult></MS_UploadFeedbackResponse></soap:Body></soap:Envelope>";
}

const std::string kFaultBody =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><soap:Fault>"
    "<faultcode>soap:Server</faultcode><faultstring>broken</faultstring></soap:Fault></soap:Body></soap:Envelope>";

std::wstring Url(unsigned short port) {
    return L"http://127.0.0.1:" + std::to_wstring(port) + L"/miscservice/miscservice.asmx";
}

HRESULT Upload(SoapTransport& transport, const std::wstring& url, std::wstring& result) {
    return InvokeSoapOperation(transport, url, kNamespace, L"MS_UploadFeedback",
                               {SoapField::Text(L"input", L"<doc>\x00E9</doc>"), SoapField::Text(L"filename", L"f.xml")},
                               result);
}

TEST(SoapSocketClient, PostsTheRequestAndReadsTheResult) {
    ScriptedPeer peer(HttpAnswer("200 OK", ResultBody("done &amp; dusted")));
    CSoapSocketClientT client;
    std::wstring result;
    ASSERT_EQ(Upload(client, Url(peer.Port()), result), S_OK);
    EXPECT_EQ(result, L"done & dusted");

    const std::string sent = peer.Received();
    const std::string body = BuildSoapEnvelope(
        kNamespace, L"MS_UploadFeedback",
        {SoapField::Text(L"input", L"<doc>\x00E9</doc>"), SoapField::Text(L"filename", L"f.xml")});
    const std::string expected = "POST /miscservice/miscservice.asmx HTTP/1.1\r\n"
                                 "Host: 127.0.0.1:" + std::to_string(peer.Port()) + "\r\n"
                                 "Content-Type: text/xml; charset=utf-8\r\n"
                                 "Content-Length: " + std::to_string(body.size()) + "\r\n"
                                 "SOAPAction: \"http://example.test/services/MS_UploadFeedback\"\r\n"
                                 "Connection: close\r\n\r\n" + body;
    EXPECT_EQ(sent, expected);
    EXPECT_NE(body.find("&lt;doc&gt;\xC3\xA9&lt;/doc&gt;"), std::string::npos);
}

TEST(SoapSocketClient, ThroughAProxyAsksForTheAbsoluteAddress) {
    ScriptedPeer proxy(HttpAnswer("200 OK", ResultBody("via proxy")));
    CSoapSocketClientT client;
    client.SetProxy(L"127.0.0.1", proxy.Port());
    std::wstring result;
    // The service host does not exist: only the proxy can answer.
    ASSERT_EQ(Upload(client, L"http://service.invalid:8080/miscservice/miscservice.asmx", result), S_OK);
    EXPECT_EQ(result, L"via proxy");
    const std::string sent = proxy.Received();
    EXPECT_EQ(sent.rfind("POST http://service.invalid:8080/miscservice/miscservice.asmx HTTP/1.1\r\n"
                         "Host: service.invalid:8080\r\n", 0), 0u)
        << sent.substr(0, 120);
}

TEST(SoapSocketClient, CountsOnlyAnHttp200WithoutFaultAsSuccess) {
    struct Case {
        const char* name;
        std::string answer;
        HRESULT expected;
    } cases[] = {
        {"fault with 500", HttpAnswer("500 Internal Server Error", kFaultBody), kSoapFault},
        {"fault with 200", HttpAnswer("200 OK", kFaultBody), kSoapFault},
        {"result with 404", HttpAnswer("404 Not Found", ResultBody("x")), kSoapHttpError},
        {"malformed body", HttpAnswer("200 OK", "<html>busy</html>"), kSoapMalformedAnswer},
        {"oversized body", HttpAnswer("200 OK", ResultBody(std::string(5000, 'x'))), kSoapNoAnswer},
        {"closed without answer", "", kSoapNoAnswer},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer(c.answer);
        CSoapSocketClientT client;
        client.SetMaxAnswerBytes(4096);
        std::wstring result = L"stale";
        EXPECT_EQ(Upload(client, Url(peer.Port()), result), c.expected) << c.name;
        EXPECT_TRUE(result.empty()) << c.name;
    }
}

TEST(SoapSocketClient, GivesUpOnAHangingPeerAtItsTimeoutAndOnARefusedPort) {
    ScriptedPeer peer("", /*hang=*/true);
    CSoapSocketClientT client;
    client.SetTimeout(300);
    std::wstring result;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Upload(client, Url(peer.Port()), result), kSoapNoAnswer);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 250u);
    EXPECT_LT(elapsed, 5000u);

    unsigned short closedPort;
    {
        ScriptedPeer gone("");
        closedPort = gone.Port();
    }
    EXPECT_EQ(Upload(client, Url(closedPort), result), kSoapNoAnswer);
    EXPECT_EQ(Upload(client, L"not an address", result), kSoapBadAddress);
}

TEST(SoapWininetClient, PostsTheSameRequestAndReadsTheResult) {
    ScriptedPeer peer(HttpAnswer("200 OK", ResultBody("through WinInet")));
    CSoapWininetClient client;
    std::wstring result;
    ASSERT_EQ(Upload(client, Url(peer.Port()), result), S_OK);
    EXPECT_EQ(result, L"through WinInet");
    const std::string sent = peer.Received();
    EXPECT_EQ(sent.rfind("POST /miscservice/miscservice.asmx HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(sent.find("SOAPAction: \"http://example.test/services/MS_UploadFeedback\"\r\n"), std::string::npos);
    EXPECT_NE(sent.find("</MS_UploadFeedback></soap:Body></soap:Envelope>"), std::string::npos);

    ScriptedPeer faulty(HttpAnswer("500 Internal Server Error", kFaultBody));
    EXPECT_EQ(Upload(client, Url(faulty.Port()), result), kSoapFault);
}

TEST(InternetSettingsProxy, ReadsHostAndPortOfTheUser) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    std::wstring host;
    unsigned short port = 0;
    EXPECT_FALSE(ReadInternetSettingsProxy(host, port));

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t good[] = L"proxy.lan:3128";
    ASSERT_TRUE(SetRawValue(key, L"ProxyServer", REG_SZ, good, sizeof(good)));
    EXPECT_TRUE(ReadInternetSettingsProxy(host, port));
    EXPECT_EQ(host, L"proxy.lan");
    EXPECT_EQ(port, 3128);
    const wchar_t bad[] = L"proxy.lan";
    ASSERT_TRUE(SetRawValue(key, L"ProxyServer", REG_SZ, bad, sizeof(bad)));
    EXPECT_FALSE(ReadInternetSettingsProxy(host, port));
    RegCloseKey(key);
}

}  // namespace
