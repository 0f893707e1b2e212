#pragma once

#include <string>

// An http or https address split into what a connection needs.
struct HttpAddress {
    bool secure = false;
    std::wstring host;
    unsigned short port = 0;
    std::wstring pathAndQuery;  // starts with "/"
};

// Accepts "http://host[:port][/path]" and "https://..." (scheme without regard to
// case); no user information, no IPv6 literals. False for anything else.
bool ParseHttpAddress(const std::wstring& text, HttpAddress& out);

// "host:port" as the Internet Settings value "ProxyServer" holds it for a plain
// HTTP proxy; false when the text does not read that way.
bool ParseProxyHostPort(const std::wstring& text, std::wstring& host, unsigned short& port);
