#include "platform/html/dispatch_sink.h"

#include <ocidl.h>

bool EventConnection::Connect(IUnknown* source, const IID& events, IUnknown* sink) {
    Disconnect();
    if (source == nullptr || sink == nullptr) return false;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Put())))) {
        return false;
    }
    if (FAILED(container->FindConnectionPoint(events, point_.Put()))) return false;
    if (FAILED(point_->Advise(sink, &cookie_))) {
        point_.Reset();
        return false;
    }
    return true;
}

void EventConnection::Disconnect() {
    if (point_) point_->Unadvise(cookie_);
    point_.Reset();
    cookie_ = 0;
}
