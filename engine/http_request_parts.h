#pragma once

#include "engine/wininet_entry_points.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The small pieces of an HTTP exchange through the bound WinInet entry points.

struct CrackedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring object;  // path and extra part
};

bool CrackUrl(const WinInetEntryPoints& inet, const std::wstring& url, CrackedUrl& out);

// Closes WinInet handles through the bound entry point.
class InternetHandle {
public:
    InternetHandle(const WinInetEntryPoints& inet, HINTERNET handle) : inet_(inet), handle_(handle) {}
    ~InternetHandle() {
        if (handle_ && inet_.InternetCloseHandle) inet_.InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    const WinInetEntryPoints& inet_;
    HINTERNET handle_;
};

bool QueryStatus(const WinInetEntryPoints& inet, HINTERNET request, DWORD& status);
bool QueryText(const WinInetEntryPoints& inet, HINTERNET request, DWORD info, std::wstring& out);
// Decimal digits only, at most 18 of them.
bool ParseUnsigned(const std::wstring& text, std::int64_t& out);
// "bytes first-last/total": the first byte and, when stated, the total length (else -1).
bool ParseContentRange(const std::wstring& text, std::int64_t& first, std::int64_t& total);
