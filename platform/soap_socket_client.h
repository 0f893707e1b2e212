#pragma once

#include "platform/soap_transport.h"

// HTTP/1.1 over Windows Sockets, straight to the service or through a plain HTTP
// proxy. An https address goes through WinInet instead, which does the TLS.
class CSoapSocketClientT : public SoapTransport {
public:
    void SetProxy(const std::wstring& host, unsigned short port) {
        proxyHost_ = host;
        proxyPort_ = port;
    }
    void ClearProxy() { proxyHost_.clear(), proxyPort_ = 0; }

    bool Post(const HttpAddress& address, const std::string& soapAction, const std::string& body,
              SoapHttpReply& reply) override;

private:
    std::wstring proxyHost_;
    unsigned short proxyPort_ = 0;
};

// The proxy of the user's Internet Settings ("ProxyServer" under HKEY_CURRENT_USER),
// when it reads as host and port; false otherwise.
bool ReadInternetSettingsProxy(std::wstring& host, unsigned short& port);
