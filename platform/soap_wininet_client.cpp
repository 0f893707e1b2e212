#include "platform/soap_wininet_client.h"

#include <windows.h>
#include <wininet.h>

#include <cwchar>

#include "platform/internet_handle.h"
#include "platform/xml_text.h"

bool CSoapWininetClient::Post(const HttpAddress& address, const std::string& soapAction, const std::string& body,
                              SoapHttpReply& reply) {
    reply = SoapHttpReply{};
    InternetHandle session(InternetOpenW(L"Halvenor", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        reply.error = "WinInet unavailable";
        return false;
    }
    SetInternetTimeouts(session.Get(), Timeout());
    InternetHandle connection(InternetConnectW(session.Get(), address.host.c_str(), address.port, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        reply.error = "connection failed";
        return false;
    }
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;
    if (address.secure) flags |= INTERNET_FLAG_SECURE;
    InternetHandle request(HttpOpenRequestW(connection.Get(), L"POST", address.pathAndQuery.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (!request) {
        reply.error = "request could not be opened";
        return false;
    }
    SetInternetTimeouts(request.Get(), Timeout());
    const std::wstring headers = L"Content-Type: text/xml; charset=utf-8\r\nSOAPAction: " +
                                 std::wstring(soapAction.begin(), soapAction.end()) +
                                 // Each call stands alone: no idle connection is left in the pool.
                                 L"\r\nConnection: close\r\n";
    if (!HttpSendRequestW(request.Get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                          const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
        reply.error = "sending failed or timed out";
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        reply.error = "no status in the answer";
        return false;
    }
    // A declared length beyond the cap is refused before any of the body is read.
    wchar_t lengthText[32] = {};
    DWORD lengthSize = sizeof(lengthText);
    if (HttpQueryInfoW(request.Get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
        const unsigned long long declared = wcstoull(lengthText, nullptr, 10);
        if (declared > MaxAnswerBytes()) {
            reply.error = "answer too large";
            return false;
        }
    }
    std::string answer;
    char buffer[16384];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.Get(), buffer, sizeof(buffer), &read)) {
            reply.error = "reading the answer failed";
            return false;
        }
        if (read == 0) break;
        if (read > MaxAnswerBytes() - answer.size()) {
            reply.error = "answer too large";
            return false;
        }
        answer.append(buffer, read);
    }
    reply.status = static_cast<int>(status);
    reply.body = std::move(answer);
    return true;
}
