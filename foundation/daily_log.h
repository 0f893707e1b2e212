#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The daily log: numbered, time-stamped UTF-16LE lines (no byte-order mark) in
// "log_MM-DD-YYYY.log" of the data folder. The file is named on the first line of a
// run and kept for the whole run, even past midnight.
class AppLogFile {
public:
    using FolderSource = std::function<std::wstring()>;

    // The process's log uses the per-user data folder; tests give a folder of their own.
    explicit AppLogFile(FolderSource folder);
    ~AppLogFile();
    AppLogFile(const AppLogFile&) = delete;
    AppLogFile& operator=(const AppLogFile&) = delete;

    // Names and opens the day's file on the first call, then appends the text.
    void OpenDailyLog(const std::wstring& text);
    bool OpenLogFile(const std::wstring& path);
    // Appends one line; an empty text writes nothing and keeps the count.
    void WriteLogText(const std::wstring& text);
    // Writes "Closing Log" and closes; anything written afterwards is dropped.
    void CloseLogFile();

    bool IsOpen() const;
    std::wstring Path() const;

private:
    bool OpenLocked(const std::wstring& path);
    void CloseLocked();
    void WriteLocked(const std::wstring& text);

    FolderSource folder_;
    mutable std::mutex lock_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool open_ = false;
    int lineCounter_ = 1;
    std::wstring path_;
    bool named_ = false;
};

// A log path that is not absolute (a drive path or a network path) lies in the
// program's folder.
std::wstring ResolveLogFilePath(const std::wstring& path, const std::wstring& programPath);

// The process's log. Built on first use and never destroyed, so a worker thread that
// writes while the process ends finds a closed log rather than a dead one.
AppLogFile& ProcessLog();
// Where the process's log is named: the per-user data folder unless set before the
// first line is written. A test program logs apart from the programs it starts, so
// that a test reading a started program's log sees that program's lines only.
void SetProcessLogFolder(AppLogFile::FolderSource folder);

// printf-style (wide) front end of the process's log. The caller's format is a
// literal of the program; outside text goes in as an argument ("%ls").
void WriteLogLine(const wchar_t* format, ...);
void OpenDailyLog(const std::wstring& text);
void CloseLogFile();
void LogExceptionMessage(const std::exception* exception);

// Keeps only the five newest "*.log" files of a folder.
class CKeepNumberofLogsLimited {
public:
    struct ScanResultFile {
        std::wstring name;
        long long time = 0;  // last write, local time, whole seconds
    };

    static constexpr size_t kKeptLogs = 5;

    // Always true; failed deletions are ignored.
    bool Run(const std::wstring& folder);
    // Newest first. False (and ERROR_INVALID_PARAMETER) with fewer than two entries.
    bool SortByTime();

    const std::vector<ScanResultFile>& Files() const { return files_; }

private:
    std::vector<ScanResultFile> files_;
};
