// Runs the stand-in server by hand: serves every file below a folder at its
// relative path, e.g. http_stand_in.exe --port 8080 --folder C:\packages
// makes C:\packages\net\driver.zip available as /net/driver.zip. With
// --rate-kib N and --latency-ms N every connection behaves like one over a slow
// link (N KiB per second each, N ms before every answer).
#include "tools/http_stand_in_server.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

int ServeFolder(HttpStandInServer& server, const std::filesystem::path& folder) {
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::wstring relative = std::filesystem::relative(it->path(), folder).wstring();
        for (wchar_t& c : relative) {
            if (c == L'\\') c = L'/';
        }
        std::string urlPath = "/";
        urlPath += Utf8(relative);
        server.Files().PutFile(urlPath, std::move(bytes));
        std::printf("  %s\n", urlPath.c_str());
        ++count;
    }
    return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned short port = 8080;
    std::wstring folder = L".";
    unsigned rateKib = 0;
    unsigned latency = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--port") port = static_cast<unsigned short>(_wtoi(argv[i + 1]));
        else if (name == L"--folder") folder = argv[i + 1];
        else if (name == L"--rate-kib") rateKib = static_cast<unsigned>(_wtoi(argv[i + 1]));
        else if (name == L"--latency-ms") latency = static_cast<unsigned>(_wtoi(argv[i + 1]));
    }
    HttpStandInServer server;
    const int files = ServeFolder(server, folder);
    server.ShapeLink(rateKib * 1024, latency);
    if (!server.Start(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("serving %d files on http://127.0.0.1:%u/ (Enter stops)\n", files, server.Port());
    std::fflush(stdout);
    std::getchar();
    server.Stop();
    for (const LoggedRequest& request : server.Log()) {
        std::printf("%s %s %s\n", request.method.c_str(), request.path.c_str(), request.range.c_str());
    }
    return 0;
}
