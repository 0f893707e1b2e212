#pragma once

#include <string>

// Watches the process's daily log from now on. Other test processes append to the
// same day's file, so the watch starts with a marker line of its own and reports
// what was written after it.
class ProcessLogWatch {
public:
    ProcessLogWatch();

    // The log's text after the marker, or empty when the log is not open.
    std::wstring NewText() const;

private:
    std::wstring marker_;
};
