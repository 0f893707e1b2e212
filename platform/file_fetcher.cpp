#include "platform/file_fetcher.h"

#include <windows.h>
#include <wininet.h>

#include <cwchar>
#include <cwctype>
#include <optional>
#include <vector>

#include "platform/file_replace.h"
#include "platform/http_address.h"
#include "platform/internet_handle.h"

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = std::wcslen(prefix);
    return text.size() >= length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

std::wstring QueryText(HINTERNET request, DWORD what) {
    std::vector<wchar_t> buffer(64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD index = 0;
        if (HttpQueryInfoW(request, what, buffer.data(), &bytes, &index)) {
            return std::wstring(buffer.data(), bytes / sizeof(wchar_t));
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        buffer.resize(bytes / sizeof(wchar_t) + 1);
    }
    return {};
}

// The announced body length; nothing when the server sent none (chunked) or one
// that does not read as a number.
std::optional<unsigned long long> AnnouncedLength(HINTERNET request) {
    const std::wstring text = QueryText(request, HTTP_QUERY_CONTENT_LENGTH);
    if (text.empty()) return std::nullopt;
    unsigned long long value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > (~0ull - 9) / 10) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

std::wstring FinalAddress(HINTERNET request, const std::wstring& asked) {
    DWORD bytes = 0;
    InternetQueryOptionW(request, INTERNET_OPTION_URL, nullptr, &bytes);
    if (bytes == 0) return asked;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!InternetQueryOptionW(request, INTERNET_OPTION_URL, buffer.data(), &bytes)) return asked;
    return std::wstring(buffer.data());
}

// Reads the whole body into the open file; false on a read error, a failed write,
// or a body shorter or longer than announced.
bool CopyBody(HINTERNET request, HANDLE file, std::optional<unsigned long long> announced) {
    std::vector<char> buffer(64 * 1024);
    unsigned long long received = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) return false;
        if (got == 0) break;
        received += got;
        if (announced && received > *announced) return false;
        DWORD written = 0;
        if (!WriteFile(file, buffer.data(), got, &written, nullptr) || written != got) return false;
    }
    return !announced || received == *announced;
}

// Fetches one file into its temporary name and moves it into place.
bool FetchOne(HINTERNET session, FileFetcher::Outcome& file) {
    HttpAddress address;
    if (!ParseHttpAddress(file.address, address) || file.localPath.empty()) return false;
    InternetHandle connection(InternetConnectW(session, address.host.c_str(), address.port, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    if (address.secure) flags |= INTERNET_FLAG_SECURE;
    InternetHandle request(HttpOpenRequestW(connection.Get(), L"GET", address.pathAndQuery.c_str(), nullptr, nullptr,
                                            nullptr, flags, 0));
    if (!request) return false;
    SetInternetTimeouts(request.Get(), FileFetcher::kTimeoutMilliseconds);
    // Each file stands alone: no idle connection is left in the pool.
    static constexpr wchar_t kHeaders[] = L"Connection: close\r\n";
    if (!HttpSendRequestW(request.Get(), kHeaders, static_cast<DWORD>(std::wcslen(kHeaders)), nullptr, 0)) {
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    DWORD index = 0;
    if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index) ||
        status != HTTP_STATUS_OK) {
        return false;
    }
    const std::wstring finalAddress = FinalAddress(request.Get(), file.address);
    const std::wstring temporary = TemporaryNameBeside(file.localPath);
    UniqueHandle output(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) return false;
    const bool complete =
        CopyBody(request.Get(), output.Get(), AnnouncedLength(request.Get())) && FlushFileBuffers(output.Get());
    if (!output.Close() || !complete) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveIntoPlace(temporary, file.localPath)) return false;
    file.finalAddress = finalAddress;
    return true;
}

}  // namespace

bool IsWebAddress(const std::wstring& address) {
    return StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://");
}

bool IsSecureWebAddress(const std::wstring& address) { return StartsWithNoCase(address, L"https://"); }

bool FileFetcher::IsConnected() {
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) return false;
    return (flags & INTERNET_CONNECTION_OFFLINE) == 0;
}

void FileFetcher::ClearFiles() { files_.clear(); }

void FileFetcher::AddFile(const std::wstring& address, const std::wstring& localPath) {
    Outcome file;
    file.address = address;
    file.localPath = localPath;
    files_.push_back(std::move(file));
}

bool FileFetcher::SetOption(const std::wstring& name, const std::wstring& value) {
    if (_wcsicmp(name.c_str(), L"hidden") == 0) {
        hidden_ = value == L"1";
        return true;
    }
    if (_wcsicmp(name.c_str(), L"language") == 0) {
        languageFile_ = value;
        return true;
    }
    return false;
}

bool FileFetcher::DownloadFiles() {
    for (Outcome& file : files_) {
        file.arrived = false;
        file.finalAddress.clear();
    }
    if (files_.empty()) return true;
    InternetHandle session(InternetOpenW(L"Halvenor", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    SetInternetTimeouts(session.Get(), kTimeoutMilliseconds);
    for (Outcome& file : files_) {
        file.arrived = FetchOne(session.Get(), file);
        if (!file.arrived) return false;
    }
    return true;
}
