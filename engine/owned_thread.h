#pragma once

#include <windows.h>

#include <functional>

// A thread that its owner joins before it goes away.
class OwnedThread {
public:
    OwnedThread() = default;
    ~OwnedThread();
    OwnedThread(const OwnedThread&) = delete;
    OwnedThread& operator=(const OwnedThread&) = delete;

    bool Start(std::function<void()> body);
    bool Running() const { return handle_ != nullptr; }
    bool IsCurrentThread() const { return handle_ && GetCurrentThreadId() == id_; }
    // Waits while answering sent messages; a thread never joins itself.
    void Join();

private:
    static DWORD WINAPI Entry(LPVOID parameter);

    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
    std::function<void()> body_;
};
