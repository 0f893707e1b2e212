#include "platform/worker_thread.h"

#include <objbase.h>

ComApartmentScope::ComApartmentScope(DWORD model) {
    initialised_ = SUCCEEDED(CoInitializeEx(nullptr, model));
}

ComApartmentScope::~ComApartmentScope() {
    if (initialised_) CoUninitialize();
}

bool WorkerThread::Start(std::function<void()> body) {
    if (IsRunning() || !body) return false;
    Wait(INFINITE);  // a finished thread's handle
    body_ = std::move(body);
    // Suspended until the owner's record is complete, so the body sees its own id.
    thread_.Reset(CreateThread(nullptr, 0, &WorkerThread::ThreadMain, this, CREATE_SUSPENDED, &threadId_));
    if (!thread_) {
        threadId_ = 0;
        body_ = nullptr;
        return false;
    }
    ResumeThread(thread_.Get());
    return true;
}

bool WorkerThread::IsRunning() const {
    return thread_ && WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT;
}

bool WorkerThread::Wait(DWORD milliseconds) {
    if (!thread_) return true;
    if (GetCurrentThreadId() == threadId_) return false;  // a body cannot wait for itself
    if (WaitForSingleObject(thread_.Get(), milliseconds) != WAIT_OBJECT_0) return false;
    thread_.Reset();
    threadId_ = 0;
    return true;
}

DWORD WINAPI WorkerThread::ThreadMain(void* self) {
    auto* worker = static_cast<WorkerThread*>(self);
    ComApartmentScope com;
    worker->body_();
    return 0;
}
