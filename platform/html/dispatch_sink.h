#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <functional>

#include "platform/com_object_base.h"

// An event interface of the browser (a dispinterface), answered by one function.
class DispatchSink : public UntypedDispatchObject<IDispatch> {
public:
    using Handler = std::function<HRESULT(DISPID member, DISPPARAMS* parameters, VARIANT* result)>;
    DispatchSink(const IID& events, Handler handler) : events_(events), handler_(std::move(handler)) {}

    // The owner goes away before the browser lets go of the sink.
    void Disconnect() { handler_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) return HandOut(this, out);
        return NoInterface(out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        return handler_ ? handler_(member, parameters, result) : S_OK;
    }

private:
    IID events_;
    Handler handler_;
};

// Connects a sink to a connection point of `source` and disconnects it when it ends.
class EventConnection {
public:
    EventConnection() = default;
    ~EventConnection() { Disconnect(); }
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

    bool Connect(IUnknown* source, const IID& events, IUnknown* sink);
    void Disconnect();

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};
