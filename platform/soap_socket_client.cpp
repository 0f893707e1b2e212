#include "platform/soap_socket_client.h"

// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/scoped_handle.h"
#include "platform/http_response_reader.h"
#include "platform/soap_wininet_client.h"
#include "platform/xml_text.h"

namespace {

class WinsockSession {
public:
    WinsockSession() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockSession() {
        if (ok_) WSACleanup();
    }
    bool Ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

struct SocketTraits {
    static SOCKET Invalid() { return INVALID_SOCKET; }
    static bool Holds(SOCKET s) { return s != INVALID_SOCKET; }
    static bool Close(SOCKET s) { return closesocket(s) == 0; }
};
using Socket = ScopedHandle<SOCKET, SocketTraits>;

class Deadline {
public:
    explicit Deadline(unsigned long ms) : end_(GetTickCount64() + ms) {}
    // Remaining time for select(); false when it is over.
    bool Remaining(timeval& tv) const {
        const ULONGLONG now = GetTickCount64();
        if (now >= end_) return false;
        const ULONGLONG left = end_ - now;
        tv.tv_sec = static_cast<long>(left / 1000);
        tv.tv_usec = static_cast<long>((left % 1000) * 1000);
        return true;
    }

private:
    ULONGLONG end_;
};

bool WaitFor(SOCKET s, bool forWrite, const Deadline& deadline) {
    timeval tv{};
    if (!deadline.Remaining(tv)) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set errors;
    FD_ZERO(&errors);
    FD_SET(s, &errors);
    const int ready = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errors, &tv);
    return ready > 0 && FD_ISSET(s, &set);
}

bool ConnectWithin(Socket& sock, const std::wstring& host, unsigned short port, const Deadline& deadline,
                   std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string name = Utf8FromWide(host);
    const std::string service = std::to_string(port);
    if (getaddrinfo(name.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        error = "host not found";
        return false;
    }
    bool connected = false;
    for (addrinfo* a = found; a && !connected; a = a->ai_next) {
        sock.Reset(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (sock.Get() == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        ioctlsocket(sock.Get(), FIONBIO, &nonBlocking);
        if (connect(sock.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            connected = true;
            break;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) continue;
        if (!WaitFor(sock.Get(), true, deadline)) continue;
        int soError = 0;
        int length = sizeof(soError);
        getsockopt(sock.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length);
        connected = soError == 0;
    }
    freeaddrinfo(found);
    if (!connected) error = "connection refused or timed out";
    return connected;
}

bool SendAll(SOCKET s, const std::string& bytes, const Deadline& deadline) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int chunk = static_cast<int>(std::min<size_t>(bytes.size() - sent, 65536));
        const int n = send(s, bytes.data() + sent, chunk, 0);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!WaitFor(s, true, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::string HostHeader(const HttpAddress& address) {
    std::string host = Utf8FromWide(address.host);
    const unsigned short defaultPort = address.secure ? 443 : 80;
    if (address.port != defaultPort) host += ":" + std::to_string(address.port);
    return host;
}

}  // namespace

bool CSoapSocketClientT::Post(const HttpAddress& address, const std::string& soapAction, const std::string& body,
                              SoapHttpReply& reply) {
    reply = SoapHttpReply{};
    if (address.secure) {
        CSoapWininetClient secure;
        secure.SetTimeout(Timeout());
        secure.SetMaxAnswerBytes(MaxAnswerBytes());
        return secure.Post(address, soapAction, body, reply);
    }
    WinsockSession session;
    if (!session.Ok()) {
        reply.error = "Windows Sockets unavailable";
        return false;
    }
    const Deadline deadline(Timeout());
    const bool viaProxy = !proxyHost_.empty() && proxyPort_ != 0;
    Socket sock;
    if (!ConnectWithin(sock, viaProxy ? proxyHost_ : address.host, viaProxy ? proxyPort_ : address.port, deadline,
                       reply.error)) {
        return false;
    }

    const std::string host = HostHeader(address);
    const std::string target =
        viaProxy ? "http://" + host + Utf8FromWide(address.pathAndQuery) : Utf8FromWide(address.pathAndQuery);
    std::string request = "POST " + target + " HTTP/1.1\r\n";
    request += "Host: " + host + "\r\n";
    request += "Content-Type: text/xml; charset=utf-8\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "SOAPAction: " + soapAction + "\r\n";
    request += "Connection: close\r\n\r\n";
    request += body;
    if (!SendAll(sock.Get(), request, deadline)) {
        reply.error = "sending failed or timed out";
        return false;
    }

    HttpResponseReader reader(MaxAnswerBytes());
    char buffer[16384];
    while (reader.GetState() == HttpResponseReader::State::NeedMore) {
        if (!WaitFor(sock.Get(), false, deadline)) {
            reply.error = "no answer within the time-out";
            return false;
        }
        const int n = recv(sock.Get(), buffer, sizeof(buffer), 0);
        if (n > 0) {
            reader.Feed(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            reader.FinishAtClose();
        } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
            // A reset after a close-framed body still ends that body.
            reader.FinishAtClose();
        }
    }
    if (reader.GetState() != HttpResponseReader::State::Complete) {
        reply.error = reader.Error();
        return false;
    }
    reply.status = reader.StatusCode();
    reply.body = reader.Body();
    return true;
}

bool ReadInternetSettingsProxy(std::wstring& host, unsigned short& port) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t text[1024] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, L"ProxyServer", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    text[bytes / sizeof(wchar_t)] = L'\0';
    return ParseProxyHostPort(text, host, port);
}
