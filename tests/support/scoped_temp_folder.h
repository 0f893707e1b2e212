#pragma once

#include <string>

// A fresh folder under %TEMP% with a name no other test process uses, deleted with
// everything in it at the end.
class ScopedTempFolder {
public:
    ScopedTempFolder();
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    // Without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// UTF-16 little-endian with a byte-order mark, as the language files are written.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);
std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
