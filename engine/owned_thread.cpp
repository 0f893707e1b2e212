#include "engine/owned_thread.h"

#include "engine/download_pacing.h"

OwnedThread::~OwnedThread() { Join(); }

bool OwnedThread::Start(std::function<void()> body) {
    Join();
    body_ = std::move(body);
    handle_ = CreateThread(nullptr, 0, &OwnedThread::Entry, this, 0, &id_);
    return handle_ != nullptr;
}

DWORD WINAPI OwnedThread::Entry(LPVOID parameter) {
    static_cast<OwnedThread*>(parameter)->body_();
    return 0;
}

void OwnedThread::Join() {
    if (!handle_ || IsCurrentThread()) return;
    WaitPumpingSentMessages(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
    id_ = 0;
}
