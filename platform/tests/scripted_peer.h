#pragma once

// A loopback peer for transport tests: accepts one connection at a time, keeps what
// the client sent (head and body, framed by Content-Length) and answers with the
// bytes it was given, or not at all.
#include <winsock2.h>
#include <windows.h>

#include "platform/scoped_handle.h"

#include <string>
#include <thread>

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::string answer, bool hang = false) : answer_(std::move(answer)), hang_(hang) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int length = sizeof(addr);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length);
        port_ = ntohs(addr.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedPeer() {
        SetEvent(stop_.Get());
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }

    unsigned short Port() const { return port_; }
    // What the client sent; empty when it sent nothing within the bound.
    std::string Received() const {
        if (WaitForSingleObject(done_.Get(), kReceiveWaitMs) != WAIT_OBJECT_0) return std::string();
        return received_;
    }

private:
    void Serve() {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            SetEvent(done_.Get());
            return;
        }
        std::string data;
        char buffer[8192];
        size_t needed = std::string::npos;
        while (data.size() < needed) {
            const int n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            data.append(buffer, n);
            const size_t headEnd = data.find("\r\n\r\n");
            if (headEnd != std::string::npos && needed == std::string::npos) {
                const size_t at = data.find("Content-Length: ");
                const size_t length = at == std::string::npos ? 0 : std::stoul(data.substr(at + 16));
                needed = headEnd + 4 + length;
            }
        }
        received_ = data;
        SetEvent(done_.Get());
        if (hang_) {
            // Silent until the test is over.
            WaitForSingleObject(stop_.Get(), INFINITE);
        } else {
            send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
        }
        shutdown(client, SD_BOTH);
        closesocket(client);
    }

    std::string answer_;
    bool hang_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    static constexpr DWORD kReceiveWaitMs = 30000;
    UniqueHandle stop_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle done_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::string received_;
};
