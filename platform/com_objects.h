#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

// Owner of one reference to a COM interface.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes a reference of its own on `pointer`.
    explicit ComPtr(Interface* pointer) : pointer_(pointer) {
        if (pointer_ != nullptr) pointer_->AddRef();
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            ComPtr copy(other);
            std::swap(pointer_, copy.pointer_);
        }
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For calls that hand out a new reference; the one held so far is released.
    Interface** Put() {
        Reset();
        return &pointer_;
    }
    void Reset() {
        if (pointer_ != nullptr) pointer_->Release();
        pointer_ = nullptr;
    }
    // Hands the reference to a caller that releases it (an out-parameter of a COM call).
    Interface* Detach() { return std::exchange(pointer_, nullptr); }

    // The same object through another of its interfaces; empty when it has none.
    template <typename Other>
    ComPtr<Other> As(REFIID iid) const {
        ComPtr<Other> other;
        if (pointer_ != nullptr) pointer_->QueryInterface(iid, reinterpret_cast<void**>(other.Put()));
        return other;
    }

private:
    Interface* pointer_ = nullptr;
};

// A text in the form COM calls take, freed at the end.
class ScopedBstr {
public:
    explicit ScopedBstr(const std::wstring& text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~ScopedBstr() { SysFreeString(text_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return text_; }

private:
    BSTR text_;
};

// A VARIANT cleared at the end.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* Get() { return &value_; }
    const VARIANT& Value() const { return value_; }

private:
    VARIANT value_;
};

// The text of a BSTR that a COM call handed out, which is freed here.
inline std::wstring TakeBstr(BSTR text) {
    std::wstring result(text != nullptr ? text : L"", text != nullptr ? SysStringLen(text) : 0);
    SysFreeString(text);
    return result;
}
