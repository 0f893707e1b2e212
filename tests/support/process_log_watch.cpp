#include "tests/support/process_log_watch.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::atomic<unsigned> watchNumber{0};

}  // namespace

ProcessLogWatch::ProcessLogWatch() {
    marker_ = L"log watch " + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++watchNumber);
    WriteLogLine(L"%ls", marker_.c_str());
}

std::wstring ProcessLogWatch::NewText() const {
    const std::string bytes = ReadFileBytes(ProcessLog().Path());
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    const size_t marker = text.rfind(L"|  " + marker_ + L"\r\n");
    if (marker == std::wstring::npos) return {};
    return text.substr(marker + marker_.size() + 5);
}

namespace {

// The data folder's daily logs and their sizes now.
std::map<std::wstring, unsigned long long> DataFolderLogSizes(const std::wstring& folder) {
    std::map<std::wstring, unsigned long long> sizes;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\log_*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return sizes;
    do {
        sizes[found.cFileName] = static_cast<unsigned long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return sizes;
}

}  // namespace

DataFolderLogWatch::DataFolderLogWatch() : startSizes_(DataFolderLogSizes(GetUserDataFolderPath())) {}

std::wstring DataFolderLogWatch::NewText() const {
    const std::wstring folder = GetUserDataFolderPath();
    std::wstring text;
    for (const auto& [name, size] : DataFolderLogSizes(folder)) {
        const std::string bytes = ReadFileBytes(folder + L"\\" + name);
        const auto start = startSizes_.find(name);
        const size_t from = start == startSizes_.end() ? 0 : static_cast<size_t>(start->second);
        if (bytes.size() <= from) continue;
        std::wstring added((bytes.size() - from) / sizeof(wchar_t), L'\0');
        if (!added.empty()) std::memcpy(added.data(), bytes.data() + from, added.size() * sizeof(wchar_t));
        text += added;
    }
    return text;
}
