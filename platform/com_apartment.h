#pragma once

#include <objbase.h>

// Joins COM on the calling thread for the length of a scope: a new apartment of the
// asked kind, or the one the thread already has (a thread of the other kind keeps
// its own, RPC_E_CHANGED_MODE). Only a scope that joined leaves again.
class ComApartment {
public:
    explicit ComApartment(DWORD concurrency = COINIT_MULTITHREADED)
        : result_(CoInitializeEx(nullptr, concurrency)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // True when COM can be used on this thread now, in whichever apartment.
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

// The process-wide COM security the program asks for; true when it is in place,
// also when an earlier call already set it (RPC_E_TOO_LATE).
inline bool InitializeComSecurity(DWORD authenticationLevel) {
    const HRESULT result = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authenticationLevel,
                                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    return SUCCEEDED(result) || result == RPC_E_TOO_LATE;
}
