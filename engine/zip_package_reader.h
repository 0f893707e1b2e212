#pragma once

#include <string>

// Reads a zip archive (a zipped driver package, or a self-extracting program that is
// a zip archive) and extracts its members below a target folder.
class ZipPackageReader {
public:
    ZipPackageReader() = default;
    ~ZipPackageReader();
    ZipPackageReader(const ZipPackageReader&) = delete;
    ZipPackageReader& operator=(const ZipPackageReader&) = delete;

    // False when the file is not a readable zip archive.
    bool Open(const std::wstring& archivePath);
    // Extracts every member; folders are created as needed. Members whose names
    // would leave the target folder are refused and never written. False when any
    // member was refused or could not be read or written.
    bool ExtractAll(const std::wstring& targetFolder);
    void Close();

private:
    void* archive_ = nullptr;
};
