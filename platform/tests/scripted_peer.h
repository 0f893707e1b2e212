#pragma once

// A loopback peer for transport tests: accepts one connection at a time, keeps what
// the client sent (head and body, framed by Content-Length) and answers with the
// bytes it was given, or not at all.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
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
        stop_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }

    unsigned short Port() const { return port_; }
    std::string Received() const {
        while (!done_) Sleep(5);
        return received_;
    }

private:
    void Serve() {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            done_ = true;
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
        done_ = true;
        if (hang_) {
            while (!stop_) Sleep(10);
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
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::string received_;
};
