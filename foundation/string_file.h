#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/scoped_handle.h"

// Reads a text file line by line. A byte-order mark selects UTF-8, UTF-16LE or
// UTF-16BE and is dropped; without one each byte is a character of the thread's
// 8-bit code page. CR, LF and CR LF all end a line, empty lines and zero characters
// are skipped, and lines of any length come back whole.
class CStringFile {
public:
    CStringFile() = default;
    virtual ~CStringFile() = default;
    CStringFile(const CStringFile&) = delete;
    CStringFile& operator=(const CStringFile&) = delete;

    // Read-only, other readers allowed, no writers; false when it cannot be opened.
    bool Open(const std::wstring& path);
    void Close();

    // The next non-empty line; returns its number (from 1), or 0 with an empty line
    // at the end of the file.
    UINT ReadLine(std::wstring& line);

    ULONGLONG Length() const { return length_; }

private:
    enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };
    static constexpr DWORD kReadBufferSize = 2048;

    bool FillBuffer();
    bool NextUnit(unsigned& unit);
    void DetectEncoding();
    std::wstring Decode(const std::vector<unsigned>& units) const;

    UniqueHandle file_;
    ULONGLONG length_ = 0;
    BYTE buffer_[kReadBufferSize] = {};
    DWORD position_ = 0;
    DWORD dataEnd_ = 0;
    bool atEnd_ = false;
    bool firstRead_ = true;
    Encoding encoding_ = Encoding::Ansi;
    UINT lineCount_ = 0;
    bool pendingUnit_ = false;
    unsigned pending_ = 0;
};
