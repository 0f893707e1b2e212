#pragma once

#include <windows.h>

#include <functional>

#include "platform/scoped_handle.h"

// A worker thread whose body runs with COM initialised for that thread (a
// single-threaded apartment, as the shell and WMI objects the workers use expect).
// The owner waits for the thread when it ends, so a body never outlives what it
// was given.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { Wait(INFINITE); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // False when a body is still running or the system refused the thread.
    bool Start(std::function<void()> body);
    bool IsRunning() const;
    // True when no thread runs any more (or none was started).
    bool Wait(DWORD milliseconds);
    DWORD ThreadId() const { return threadId_; }

private:
    static DWORD WINAPI ThreadMain(void* self);

    std::function<void()> body_;
    UniqueHandle thread_;
    DWORD threadId_ = 0;
};

// Initialises COM for the calling thread while it lives; a thread that already has
// another apartment keeps it.
class ComApartmentScope {
public:
    explicit ComApartmentScope(DWORD model = COINIT_APARTMENTTHREADED);
    ~ComApartmentScope();
    ComApartmentScope(const ComApartmentScope&) = delete;
    ComApartmentScope& operator=(const ComApartmentScope&) = delete;
    bool Initialised() const { return initialised_; }

private:
    bool initialised_ = false;
};
