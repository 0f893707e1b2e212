#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/zip_archive_handle.h"

// Reads a zip archive (a zipped driver package, a self-extracting program that is a
// zip archive, or a driver backup) and extracts its members below a target folder.
class ZipPackageReader {
public:
    // False when the file is not a readable zip archive.
    bool Open(const std::wstring& archivePath);
    // Walks the member list without extracting: false when a member's name would
    // leave the target folder, or the sizes the members declare add up to more than
    // `sizeLimit`. `memberCount` and `totalSize` receive what was seen.
    bool CheckMembers(uint64_t sizeLimit, uint64_t& memberCount, uint64_t& totalSize);
    // Extracts every member; folders are created as needed. Members whose names
    // would leave the target folder are refused and never written. False when any
    // member was refused or could not be read or written.
    bool ExtractAll(const std::wstring& targetFolder);
    void Close() { archive_.Close(); }

private:
    // Visits each member with its name and declared size; stops (false) when `visit`
    // says so or the member list cannot be read.
    bool ForEachMember(const std::function<bool(const std::wstring& name, uint64_t size)>& visit);

    ZipReadHandle archive_;
};
