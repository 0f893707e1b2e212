#pragma once

#include <string>

// A path split into drive ("C:"), folder (with its trailing separator), file name
// and extension (with its dot), by the runtime's rules. Held in growable strings so
// that no part of a long path is cut.
class CSplitPath {
public:
    explicit CSplitPath(const std::wstring& path);
    virtual ~CSplitPath();

    const std::wstring& GetDrive() const { return drive_; }
    const std::wstring& GetDirectory() const { return directory_; }
    const std::wstring& GetFileName() const { return fileName_; }
    const std::wstring& GetExtension() const { return extension_; }

private:
    std::wstring drive_;
    std::wstring directory_;
    std::wstring fileName_;
    std::wstring extension_;
};
