#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The version-information block of one file and its first translation (language in
// the high half, code page in the low half).
class FileVersionInfo {
public:
    // False (and nothing held) when the file has no block or no translation.
    bool Load(const std::wstring& path);
    // "FileVersion" of the first translation; empty without a block.
    std::wstring GetFileVersionString() const;
    // The fixed file version as "major,minor,build,revision"; empty without a block.
    std::wstring GetFixedVersion() const;
    void Release();

    bool IsLoaded() const { return !block_.empty(); }
    DWORD Translation() const { return translation_; }

private:
    std::vector<BYTE> block_;
    DWORD translation_ = 0;
};

// A file's version block with its fixed information and first translation.
struct FILE_DETAILS {
    std::wstring path;
    std::vector<BYTE> block;
    WORD language = 0;
    WORD codePage = 0;
    VS_FIXEDFILEINFO fixed{};
};

// Fills the record for a path; false (record cleared) when the block, its fixed
// information or its translation is missing.
bool GetFileVersionTranslation(const std::wstring& path, FILE_DETAILS& details);
// "CompanyName" of the record's translation; empty without a block.
std::wstring GetFileVersionString(const FILE_DETAILS& details);
// Whether the value with this index exists: 0 "CompanyName" ... 11 "SpecialBuild".
bool GetFileVersionField(const FILE_DETAILS& details, int index);
