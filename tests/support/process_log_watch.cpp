#include "tests/support/process_log_watch.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "foundation/daily_log.h"
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
