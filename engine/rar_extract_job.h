#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One member of a listed RAR archive.
struct RarEntry {
    std::wstring name;
    uint64_t packedSize = 0;
    uint64_t unpackedSize = 0;
};

// Lists and extracts a RAR archive through "unrar.dll", loaded by name.
class RarExtractJob {
public:
    static constexpr wchar_t kLoadErrorText[] = L"Load Error: unrar.dll could not be loaded";
    static constexpr wchar_t kOpenErrorText[] = L"Open Error: Failed to open RAR file";

    // Loads the library.
    RarExtractJob();
    ~RarExtractJob();
    RarExtractJob(const RarExtractJob&) = delete;
    RarExtractJob& operator=(const RarExtractJob&) = delete;

    // Loads "unrar.dll" unless it is loaded; false with the load error text.
    bool LoadUnrarLibrary();
    void FreeUnrarLibrary();

    // Lists the archive into Entries(); false when the library is missing or the
    // archive does not open.
    bool Extract(const std::wstring& archivePath);
    void SetTargetFolder(const std::wstring& folder) { targetFolder_ = folder; }
    // Extracts every member below the target folder. Members whose names would
    // leave it are skipped; false when one was skipped or failed.
    bool ExtractAll();

    const std::wstring& ErrorText() const { return errorText_; }
    const std::vector<RarEntry>& Entries() const { return entries_; }

private:
    HANDLE OpenArchive(unsigned mode);

    std::wstring errorText_;
    std::wstring targetFolder_;
    std::wstring archivePath_;
    HMODULE library_ = nullptr;
    std::vector<RarEntry> entries_;
};
