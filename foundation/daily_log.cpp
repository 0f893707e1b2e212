#include "foundation/daily_log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <utility>

#include "platform/scoped_handle.h"
#include "foundation/clock.h"
#include "foundation/folders.h"
#include "foundation/system_helpers.h"

namespace {

constexpr wchar_t kClosingText[] = L"Closing Log\r\n\r\n";

bool IsAbsolutePath(const std::wstring& path) {
    const bool drivePath = path.size() >= 2 && path[1] == L':';
    const bool networkPath = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    return drivePath || networkPath;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

long long LocalSeconds(const FILETIME& utc) {
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    ULARGE_INTEGER ticks{};
    ticks.LowPart = local.dwLowDateTime;
    ticks.HighPart = local.dwHighDateTime;
    return static_cast<long long>(ticks.QuadPart / 10000000ULL);
}

// Storage for an object that outlives every static destructor.
template <class T>
class NeverDestroyed {
public:
    template <class... Args>
    explicit NeverDestroyed(Args&&... args) {
        new (storage_) T(std::forward<Args>(args)...);
    }
    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

void CloseProcessLogAtExit() { ProcessLog().CloseLogFile(); }

}  // namespace

AppLogFile::AppLogFile(FolderSource folder) : folder_(std::move(folder)) {}

AppLogFile::~AppLogFile() {
    std::lock_guard<std::mutex> guard(lock_);
    CloseLocked();
}

void AppLogFile::OpenDailyLog(const std::wstring& text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!named_) {
            const std::wstring folder = folder_ ? folder_() : std::wstring();
            CKeepNumberofLogsLimited retention;
            if (!folder.empty()) retention.Run(folder);

            const SYSTEMTIME now = AppClock().LocalTime();
            wchar_t name[64] = {};
            _snwprintf(name, 63, L"\\log_%02i-%02i-%02i.log", now.wMonth, now.wDay, now.wYear);
            const std::wstring path = folder + name;
            if (path != path_) {
                CloseLocked();
                lineCounter_ = 1;
                OpenLocked(path);
            }
            named_ = true;
        }
    }
    WriteLogText(text);
}

bool AppLogFile::OpenLogFile(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(lock_);
    return OpenLocked(path);
}

bool AppLogFile::OpenLocked(const std::wstring& path) {
    const std::wstring resolved = ResolveLogFilePath(path, GetModulePath());
    const bool networkPath = resolved.size() >= 2 && resolved[0] == L'\\' && resolved[1] == L'\\';
    if (!networkPath && GetFileAttributesW(resolved.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Without changing the process's current folder, which other threads rely on.
        const std::wstring folder = FolderOf(resolved);
        if (!folder.empty()) CreateFolderTree(folder);
    }
    // Append-only access: every write lands at the current end of the file, so two
    // instances writing the same day's log cannot overwrite each other's lines.
    HANDLE file = CreateFileW(resolved.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    CloseLocked();
    path_ = path;
    file_ = file;
    open_ = file != INVALID_HANDLE_VALUE;
    return open_;
}

void AppLogFile::WriteLogText(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(lock_);
    WriteLocked(text);
}

void AppLogFile::WriteLocked(const std::wstring& text) {
    if (!open_ || text.empty()) return;
    const SYSTEMTIME now = AppClock().LocalTime();
    wchar_t prefix[64] = {};
    _snwprintf(prefix, 63, L"%d   %02d:%02d:%02d   |  ", lineCounter_, now.wHour, now.wMinute, now.wSecond);
    ++lineCounter_;
    std::wstring line = prefix;
    line += text;
    line += L"\r\n";
    // UTF-16LE is the machine's own order; a failed write loses this line only.
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
}

void AppLogFile::CloseLogFile() {
    std::lock_guard<std::mutex> guard(lock_);
    CloseLocked();
}

void AppLogFile::CloseLocked() {
    if (!open_) return;
    WriteLocked(kClosingText);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    open_ = false;
}

bool AppLogFile::IsOpen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return open_;
}

std::wstring AppLogFile::Path() const {
    std::lock_guard<std::mutex> guard(lock_);
    return path_;
}

std::wstring ResolveLogFilePath(const std::wstring& path, const std::wstring& programPath) {
    if (path.size() <= 3 || IsAbsolutePath(path)) return path;
    const size_t slash = programPath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return path;
    return programPath.substr(0, slash + 1) + path;
}

namespace {

AppLogFile::FolderSource& ProcessLogFolder() {
    static AppLogFile::FolderSource folder = GetUserDataFolderPath;
    return folder;
}

}  // namespace

void SetProcessLogFolder(AppLogFile::FolderSource folder) { ProcessLogFolder() = std::move(folder); }

AppLogFile& ProcessLog() {
    static NeverDestroyed<AppLogFile> log{AppLogFile::FolderSource([] { return ProcessLogFolder()(); })};
    static const bool exitStepRegistered = (std::atexit(CloseProcessLogAtExit), true);
    (void)exitStepRegistered;
    return log.Get();
}

void WriteLogLine(const wchar_t* format, ...) {
    if (format == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = _vscwprintf(format, measuring);
    va_end(measuring);
    if (length <= 0) {
        va_end(arguments);
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int written = _vsnwprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    if (written < 0) return;
    text.resize(static_cast<size_t>(written));
    OpenDailyLog(text);
}

void OpenDailyLog(const std::wstring& text) { ProcessLog().OpenDailyLog(text); }

void CloseLogFile() { ProcessLog().CloseLogFile(); }

void LogExceptionMessage(const std::exception* exception) {
    if (exception == nullptr) return;
    std::string message = exception->what() != nullptr ? exception->what() : "";
    if (message.size() > 255) message.resize(255);
    WriteLogLine(L"%hs", message.c_str());
}

bool CKeepNumberofLogsLimited::Run(const std::wstring& folder) {
    files_.clear();
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW((folder + L"\\*.log").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
            files_.push_back({name, LocalSeconds(found.ftLastWriteTime)});
        } while (FindNextFileW(search.Get(), &found));
    }
    if (files_.size() >= kKeptLogs) {
        SortByTime();
        for (size_t index = kKeptLogs; index < files_.size(); ++index) {
            std::wstring path = folder;
            PathAppendString(path, files_[index].name);
            DeleteFileW(path.c_str());
        }
    }
    return true;
}

bool CKeepNumberofLogsLimited::SortByTime() {
    if (files_.size() < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::sort(files_.begin(), files_.end(),
              [](const ScanResultFile& a, const ScanResultFile& b) { return a.time > b.time; });
    return true;
}
