#pragma once

#include <map>
#include <string>

// Watches the process's daily log from now on: the watch starts with a marker line
// of its own and reports what was written after it.
class ProcessLogWatch {
public:
    ProcessLogWatch();

    // The log's text after the marker, or empty when the log is not open.
    std::wstring NewText() const;

private:
    std::wstring marker_;
};

// Watches the daily logs that programs started by a test write in the data folder,
// from now on: what was appended to them since the watch began. A test program's
// own lines go elsewhere (see test_program_log.cpp).
class DataFolderLogWatch {
public:
    DataFolderLogWatch();

    std::wstring NewText() const;

private:
    std::map<std::wstring, unsigned long long> startSizes_;  // file name -> bytes at the start
};
