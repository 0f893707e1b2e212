#include "tools/http_stand_in_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;
constexpr std::size_t kSendPiece = 1024 * 1024;

// Sends in slices with a send time-out, so a client that stops reading cannot
// hold a connection thread past Stop().
bool SendAll(SOCKET socket, const char* data, std::size_t length, HANDLE stopEvent) {
    while (length > 0) {
        const int piece = static_cast<int>(std::min(length, kSendPiece));
        const int sent = send(socket, data, piece, 0);
        if (sent < 0 && WSAGetLastError() == WSAETIMEDOUT && WaitForSingleObject(stopEvent, 0) != WAIT_OBJECT_0)
            continue;
        if (sent <= 0) return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

HttpStandInServer::HttpStandInServer() {
    WSADATA data;
    wsaStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stalledEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

HttpStandInServer::~HttpStandInServer() {
    Stop();
    if (stopEvent_) CloseHandle(stopEvent_);
    if (stalledEvent_) CloseHandle(stalledEvent_);
    if (wsaStarted_) WSACleanup();
}

bool HttpStandInServer::Start(unsigned short port) {
    if (!wsaStarted_ || listener_ != INVALID_SOCKET) return false;
    ResetEvent(stopEvent_);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void HttpStandInServer::Stop() {
    if (listener_ == INVALID_SOCKET) return;
    SetEvent(stopEvent_);
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    if (acceptThread_.joinable()) acceptThread_.join();
    std::list<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (SOCKET client : clients_) shutdown(client, SD_BOTH);
        threads.swap(connectionThreads_);
    }
    for (std::thread& thread : threads) thread.join();
}

std::wstring HttpStandInServer::Url(const std::string& path) const {
    std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port_);
    url.append(path.begin(), path.end());
    return url;
}

void HttpStandInServer::AddRoute(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_.push_back({method, path, std::move(handler)});
}

std::vector<LoggedRequest> HttpStandInServer::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void HttpStandInServer::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    ResetEvent(stalledEvent_);
}

bool HttpStandInServer::WaitUntilStalled(DWORD timeoutMs) const {
    return WaitForSingleObject(stalledEvent_, timeoutMs) == WAIT_OBJECT_0;
}

bool HttpStandInServer::WaitForStop(unsigned milliseconds) {
    return WaitForSingleObject(stopEvent_, milliseconds) == WAIT_OBJECT_0;
}

void HttpStandInServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            if (WaitForStop(0)) return;
            continue;
        }
        std::lock_guard lock(mutex_);
        if (WaitForStop(0)) {
            closesocket(client);
            return;
        }
        clients_.push_back(client);
        connectionThreads_.emplace_back([this, client] { ServeConnection(client); });
    }
}

HttpResponse HttpStandInServer::Dispatch(const HttpRequest& request) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({request.method, request.path, request.Header("Range")});
        for (const Route& route : routes_) {
            if (route.path == request.path && EqualsNoCase(route.method, request.method)) {
                handler = route.handler;
                break;
            }
        }
    }
    if (handler) {
        try {
            return handler(request);
        } catch (...) {
            return HttpResponse::Text(500, "handler failed");
        }
    }
    if (auto answer = files_.Answer(request)) return *answer;
    return HttpResponse::Text(404, "not found");
}

void HttpStandInServer::ShapeLink(unsigned bytesPerSecond, unsigned latencyMilliseconds) {
    linkBytesPerSecond_ = bytesPerSecond;
    linkLatencyMilliseconds_ = latencyMilliseconds;
}

bool HttpStandInServer::SendBody(SOCKET client, const char* data, std::size_t length) {
    const std::uint64_t rate = linkBytesPerSecond_.load();
    if (rate == 0) return SendAll(client, data, length, stopEvent_);
    // Slices of about 10 ms of the link, each sent when the rate allows it.
    const std::size_t slice = static_cast<std::size_t>(std::max<std::uint64_t>(rate / 100, 1024));
    const ULONGLONG start = GetTickCount64();
    std::uint64_t sent = 0;
    while (sent < length) {
        const ULONGLONG due = start + sent * 1000 / rate;
        const ULONGLONG now = GetTickCount64();
        if (due > now && WaitForStop(static_cast<unsigned>(due - now))) return false;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(slice, length - sent));
        if (!SendAll(client, data + sent, count, stopEvent_)) return false;
        sent += count;
    }
    return true;
}

bool HttpStandInServer::SendResponse(SOCKET client, const HttpResponse& response) {
    if (const unsigned latency = linkLatencyMilliseconds_; latency > 0 && WaitForStop(latency)) return false;
    const std::string head = FormatResponseHead(response);
    if (!SendAll(client, head.data(), head.size(), stopEvent_)) return false;
    if (!response.sendBody || !response.content) return true;

    const char* body = response.content->data() + response.bodyOffset;
    std::size_t length = response.bodyLength;
    std::size_t sent = 0;
    auto sendPart = [&](std::size_t upTo) {
        const std::size_t count = std::min(upTo, length) - sent;
        if (count == 0) return true;
        if (response.chunked) {
            char size[32];
            std::snprintf(size, sizeof(size), "%zx\r\n", count);
            if (!SendAll(client, size, std::strlen(size), stopEvent_)) return false;
        }
        if (!SendBody(client, body + sent, count)) return false;
        if (response.chunked && !SendAll(client, "\r\n", 2, stopEvent_)) return false;
        sent += count;
        return true;
    };
    if (response.stallAfterBodyBytes) {
        if (!sendPart(*response.stallAfterBodyBytes)) return false;
        SetEvent(stalledEvent_);
        if (WaitForStop(response.stallMilliseconds)) return false;
    }
    if (response.closeAfterBodyBytes) {
        sendPart(*response.closeAfterBodyBytes);
        return false;  // the caller closes the connection
    }
    if (!sendPart(length)) return false;
    if (response.chunked && !SendAll(client, "0\r\n\r\n", 5, stopEvent_)) return false;
    return true;
}

int HttpStandInServer::Receive(SOCKET client, char* buffer, int size) {
    // A blocked recv does not notice Stop() everywhere, so wait in short slices.
    for (;;) {
        const int received = recv(client, buffer, size, 0);
        if (received >= 0) return received;
        if (WSAGetLastError() != WSAETIMEDOUT || WaitForStop(0)) return -1;
    }
}

void HttpStandInServer::ServeConnection(SOCKET client) {
    const DWORD slice = 200;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&slice), sizeof(slice));
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&slice), sizeof(slice));
    std::string buffer;
    char piece[16 * 1024];
    for (;;) {
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kMaxHeadBytes) goto done;
            const int received = Receive(client, piece, sizeof(piece));
            if (received <= 0) goto done;
            buffer.append(piece, static_cast<std::size_t>(received));
        }
        {
            std::optional<HttpRequest> request = ParseRequestHead(buffer.substr(0, headEnd));
            buffer.erase(0, headEnd + 4);
            if (!request) {
                HttpResponse bad = HttpResponse::Text(400, "bad request");
                bad.closeConnection = true;
                SendResponse(client, bad);
                goto done;
            }
            const std::string lengthText = request->Header("Content-Length");
            std::size_t bodyLength = 0;
            if (!lengthText.empty()) {
                char* end = nullptr;
                const unsigned long long value = std::strtoull(lengthText.c_str(), &end, 10);
                if (*end != '\0' || value > kMaxBodyBytes) goto done;
                bodyLength = static_cast<std::size_t>(value);
            }
            while (buffer.size() < bodyLength) {
                const int received = Receive(client, piece, sizeof(piece));
                if (received <= 0) goto done;
                buffer.append(piece, static_cast<std::size_t>(received));
            }
            request->body = buffer.substr(0, bodyLength);
            buffer.erase(0, bodyLength);

            HttpResponse response = Dispatch(*request);
            if (request->method == "HEAD") response.sendBody = false;
            if (EqualsNoCase(request->Header("Connection"), "close")) response.closeConnection = true;
            if (!SendResponse(client, response) || response.closeConnection) goto done;
        }
    }
done:
    {
        std::lock_guard lock(mutex_);
        clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}
