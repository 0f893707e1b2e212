#pragma once

#include "tools/file_routes.h"
#include "tools/http_message.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One line of the server's request log.
struct LoggedRequest {
    std::string method;
    std::string path;
    std::string range;  // the Range header as sent, empty when none
};

// A small HTTP/1.1 server on 127.0.0.1 that stands in for the program's web
// services and download servers. Handlers registered by method and path answer
// first; GET and HEAD of files put into Files() answer next; anything else is 404.
// Every connection runs on a thread of its own; Stop() (or the destructor) closes
// every socket and joins every thread.
class HttpStandInServer {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    HttpStandInServer();
    ~HttpStandInServer();
    HttpStandInServer(const HttpStandInServer&) = delete;
    HttpStandInServer& operator=(const HttpStandInServer&) = delete;

    // Port 0 takes a free port; Port() tells which.
    bool Start(unsigned short port = 0);
    void Stop();
    unsigned short Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::wstring Url(const std::string& path) const;

    void AddRoute(const std::string& method, const std::string& path, Handler handler);
    FileRoutes& Files() { return files_; }

    // Makes every connection behave like one over a slow link: each answer waits
    // `latencyMilliseconds` before its head, and a body goes out at no more than
    // `bytesPerSecond` per connection. 0 and 0 (the default) send at full speed.
    void ShapeLink(unsigned bytesPerSecond, unsigned latencyMilliseconds);

    std::vector<LoggedRequest> Log() const;
    // Also forgets that a response stalled.
    void ClearLog();
    // True once a response has sent its bytes before a stall and pauses, within
    // `timeoutMs`: a test acts while a transfer is held up.
    bool WaitUntilStalled(DWORD timeoutMs) const;

private:
    void AcceptLoop();
    void ServeConnection(SOCKET client);
    int Receive(SOCKET client, char* buffer, int size);
    bool SendResponse(SOCKET client, const HttpResponse& response);
    HttpResponse Dispatch(const HttpRequest& request);
    bool WaitForStop(unsigned milliseconds);
    bool SendBody(SOCKET client, const char* data, std::size_t length);

    struct Route {
        std::string method;
        std::string path;
        Handler handler;
    };

    bool wsaStarted_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE stopEvent_ = nullptr;
    HANDLE stalledEvent_ = nullptr;
    std::thread acceptThread_;
    std::atomic<unsigned> linkBytesPerSecond_{0};
    std::atomic<unsigned> linkLatencyMilliseconds_{0};

    mutable std::mutex mutex_;  // routes, log, client sockets and threads
    std::vector<Route> routes_;
    std::vector<LoggedRequest> log_;
    std::vector<SOCKET> clients_;
    std::list<std::thread> connectionThreads_;
    FileRoutes files_;
};
