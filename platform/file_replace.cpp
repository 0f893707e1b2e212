#include "platform/file_replace.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <new>

#include "platform/scoped_handle.h"

std::wstring TemporaryNameBeside(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
}

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - written, 1u << 20);
        DWORD done = 0;
        if (!WriteFile(file, bytes.data() + written, static_cast<DWORD>(chunk), &done, nullptr) || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

}  // namespace

bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& path) {
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(temporary.c_str());
    return false;
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = TemporaryNameBeside(path);
    UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    const bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) != FALSE;
    if (!file.Close() || !written) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return MoveIntoPlace(temporary, path);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > 0x7FFFFFFFull) {
        return false;
    }
    try {
        bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr)) return false;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}
