// The floor of this platform for bench/run_download_bench: the plainest WinInet
// download there is, a ranged GET per connection read straight into the file at
// its offset, no pauses, no progress, no resume record. The length comes from a
// HEAD request: a GET closed unread would have WinInet drain the whole body first.
// Run: wine wininet_floor_bench.exe <url> <target path> <connections> [read bytes]
//   read bytes: what each read asks for, 524288 unless given (the downloader's block).

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Range {
    long long first = 0;
    long long length = 0;
};

bool FetchRange(HINTERNET internet, const std::wstring& url, HANDLE file, Range range, std::size_t bufferBytes) {
    wchar_t header[96];
    std::swprintf(header, 96, L"Range: bytes=%lld-%lld\r\n", range.first, range.first + range.length - 1);
    HINTERNET request = InternetOpenUrlW(internet, url.c_str(), header, static_cast<DWORD>(-1L),
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request) return false;
    std::vector<char> buffer(bufferBytes);
    long long offset = range.first, end = range.first + range.length;
    bool ok = true;
    while (ok && offset < end) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<long long>(static_cast<long long>(buffer.size()), end - offset));
        if (!InternetReadFile(request, buffer.data(), wanted, &read) || read == 0) {
            ok = false;
            break;
        }
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        ok = WriteFile(file, buffer.data(), read, &written, &at) && written == read;
        offset += read;
    }
    InternetCloseHandle(request);
    return ok;
}

long long ContentLength(HINTERNET internet, const std::wstring& url) {
    wchar_t host[256] = {}, path[2048] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return -1;
    HINTERNET connection =
        InternetConnectW(internet, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) return -1;
    long long length = -1;
    HINTERNET request = HttpOpenRequestW(connection, L"HEAD", path, nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
    if (request && HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
        wchar_t text[32] = {};
        DWORD size = sizeof(text);
        if (HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) length = _wtoi64(text);
    }
    if (request) InternetCloseHandle(request);
    InternetCloseHandle(connection);
    return length;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: wininet_floor_bench <url> <target path> <connections> [read bytes]\n");
        return 2;
    }
    const std::wstring url = argv[1];
    const int connections = std::max(1, _wtoi(argv[3]));
    const std::size_t readBytes = argc == 5 ? static_cast<std::size_t>(std::max(4096, _wtoi(argv[4]))) : 524288;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    HINTERNET internet = InternetOpenW(L"floor", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    const long long length = internet ? ContentLength(internet, url) : -1;
    HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = length > 0 && file != INVALID_HANDLE_VALUE;
    if (ok) {
        std::vector<std::thread> threads;
        std::vector<char> results(static_cast<std::size_t>(connections), 0);
        const long long each = length / connections;
        for (int i = 0; i < connections; ++i) {
            Range range{each * i, i == connections - 1 ? length - each * i : each};
            threads.emplace_back([&, i, range] { results[i] = FetchRange(internet, url, file, range, readBytes); });
        }
        for (auto& thread : threads) thread.join();
        for (char result : results) ok = ok && result;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (internet) InternetCloseHandle(internet);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("result=%d seconds=%.3f bytes=%lld\n", ok ? 1 : 0, seconds, ok ? length : 0LL);
    return ok ? 0 : 1;
}
