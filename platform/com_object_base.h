#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

#include "platform/com_objects.h"

// The reference count of a COM object of our own that implements `Interfaces`.
// The derived class answers QueryInterface; the object deletes itself when its
// last reference goes.
template <typename... Interfaces>
class ComObjectBase : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    ComObjectBase() = default;
    virtual ~ComObjectBase() = default;

    // For QueryInterface: hands out `face` with a new reference.
    template <typename Interface>
    static HRESULT HandOut(Interface* face, void** out) {
        face->AddRef();
        *out = face;
        return S_OK;
    }
    static HRESULT NoInterface(void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG references_ = 1;
};

// A COM object of ours whose IDispatch side (or that of an interface built on it)
// describes no types: callers find members by name or by a known DISPID.
template <typename Interface>
class UntypedDispatchObject : public ComObjectBase<Interface> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
};

// A new COM object of ours; the caller holds its one reference.
template <typename Object, typename... Arguments>
ComPtr<Object> MakeComObject(Arguments&&... arguments) {
    ComPtr<Object> object;
    *object.Put() = new Object(std::forward<Arguments>(arguments)...);
    return object;
}
