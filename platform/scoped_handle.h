#pragma once

#include <windows.h>

#include <utility>

// Owner of one handle of the system, closed through `Traits::Close` when the
// owner ends. `Traits::Invalid()` is the value of an empty owner and
// `Traits::Holds(handle)` says whether a value is a handle at all.
template <typename Handle, typename Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }

    Handle Get() const { return handle_; }
    // For calls that hand a new handle back through a pointer: closes what is held.
    Handle* Receive() {
        Reset();
        return &handle_;
    }
    bool Valid() const { return Traits::Holds(handle_); }
    explicit operator bool() const { return Valid(); }

    void Reset(Handle handle = Traits::Invalid()) {
        if (Valid()) Traits::Close(handle_);
        handle_ = handle;
    }
    // Closes now and tells whether the system accepted it, for callers to whom a
    // failed close means lost data (a file's last writes). An empty owner is closed.
    bool Close() {
        const bool closed = !Valid() || Traits::Close(handle_);
        handle_ = Traits::Invalid();
        return closed;
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Kernel objects and files. CreateFile answers INVALID_HANDLE_VALUE and most
// other calls null, so neither is closed.
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool Holds(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return CloseHandle(handle) != FALSE; }
};

struct ModuleHandleTraits {
    static HMODULE Invalid() { return nullptr; }
    static bool Holds(HMODULE module) { return module != nullptr; }
    static bool Close(HMODULE module) { return FreeLibrary(module) != FALSE; }
};

struct RegistryKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool Holds(HKEY key) { return key != nullptr; }
    static bool Close(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

// A FindFirstFile search.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Holds(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return FindClose(handle) != FALSE; }
};

struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return nullptr; }
    static bool Holds(SC_HANDLE handle) { return handle != nullptr; }
    static bool Close(SC_HANDLE handle) { return CloseServiceHandle(handle) != FALSE; }
};

struct CryptContextTraits {
    static HCRYPTPROV Invalid() { return 0; }
    static bool Holds(HCRYPTPROV handle) { return handle != 0; }
    static bool Close(HCRYPTPROV handle) { return CryptReleaseContext(handle, 0) != FALSE; }
};

using UniqueHandle = ScopedHandle<HANDLE, KernelHandleTraits>;
using ScopedFind = ScopedHandle<HANDLE, FindHandleTraits>;
using ScopedServiceHandle = ScopedHandle<SC_HANDLE, ServiceHandleTraits>;
using ScopedCryptContext = ScopedHandle<HCRYPTPROV, CryptContextTraits>;
using ScopedModule = ScopedHandle<HMODULE, ModuleHandleTraits>;
using ScopedRegKey = ScopedHandle<HKEY, RegistryKeyTraits>;
