#include "engine/chunk_state_file.h"

#include "platform/scoped_handle.h"
#include "foundation/ini_file_cache.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

namespace {

bool ParseInt32(const std::wstring& text, std::int32_t& out) {
    if (text.empty() || text.size() > 11) return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == L'-') {
        negative = true;
        i = 1;
    }
    if (i == text.size()) return false;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        value = value * 10 + (text[i] - L'0');
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::wstring FormatChunkFileName(const std::wstring& fileName) { return fileName + L"_chunks.txt"; }

std::wstring FormatThreadSection(int index, std::int32_t position, std::int32_t remaining) {
    wchar_t text[160];
    std::swprintf(text, 160, L"[Thread %0.2d]\r\nStartPos=%d\r\nChunkLength=%d\r\n\r\n", index, position, remaining);
    return text;
}

std::wstring FormatGlobalSection(std::int32_t totalDownloaded, const std::wstring& setupHash) {
    return L"[Global]\r\nTotalDownloaded=" + std::to_wstring(totalDownloaded) + L"\r\nSetupHash=" + setupHash +
           L"\r\n\r\n";
}

bool AppendChunkText(const std::wstring& path, const std::wstring& text, bool mustExist) {
    UniqueHandle owned(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   mustExist ? OPEN_EXISTING : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!owned) return false;
    const HANDLE file = owned.Get();
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && size.QuadPart == 0) {
        const unsigned char mark[2] = {0xFF, 0xFE};
        DWORD written = 0;
        ok = WriteFile(file, mark, 2, &written, nullptr) && written == 2;
    }
    if (ok) {
        LARGE_INTEGER zero = {};
        const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD written = 0;
        ok = SetFilePointerEx(file, zero, nullptr, FILE_END) && WriteFile(file, text.data(), bytes, &written, nullptr) &&
             written == bytes;
    }
    // The last writes can still fail at the close.
    return owned.Close() && ok;
}

bool ReadChunkStateFile(const std::wstring& path, int maxConnections, ChunkState& out) {
    out = ChunkState();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

    // A reader of its own: the values of an earlier resume file must not linger.
    IniFileCache reader;
    reader.SetPath(path);
    const auto value = [&reader](const std::wstring& section, const wchar_t* key) {
        return LookupLangString(section, key, reader, false);
    };
    std::vector<std::wstring> names = ReadIniSectionNames(reader);
    const auto threadCount =
        std::count_if(names.begin(), names.end(), [](const std::wstring& n) { return StartsWith(n, L"Thread "); });
    if (threadCount > maxConnections) return false;
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    for (const std::wstring& name : names) {
        if (StartsWith(name, L"Thread ")) {
            ChunkRange range;
            if (!ParseInt32(value(name, L"StartPos"), range.start) ||
                !ParseInt32(value(name, L"ChunkLength"), range.length))
                return false;
            out.ranges.push_back(range);
        } else if (name == L"Global") {
            if (!ParseInt32(value(name, L"TotalDownloaded"), out.totalDownloaded)) return false;
            out.setupHash = value(name, L"SetupHash");
        }
    }
    return !out.ranges.empty();
}
