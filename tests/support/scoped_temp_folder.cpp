#include "tests/support/scoped_temp_folder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

std::wstring TempRoot() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring root(buffer, length);
    while (!root.empty() && root.back() == L'\\') root.pop_back();
    return root;
}

}  // namespace

ScopedTempFolder::ScopedTempFolder() {
    static std::atomic<unsigned> counter{0};
    const std::wstring base = TempRoot() + L"\\halvenor-test-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(GetTickCount());
    do {
        path_ = base + L"-" + std::to_wstring(counter++);
    } while (!CreateDirectoryW(path_.c_str(), nullptr));
}

ScopedTempFolder::~ScopedTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<char>(ch & 0xFF));
        bytes.push_back(static_cast<char>(ch >> 8));
    }
    return WriteFileBytes(path, bytes);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
