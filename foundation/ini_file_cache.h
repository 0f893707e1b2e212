#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A reader of one UTF-16 INI file that remembers what it looked up. Shared by
// threads: every lookup, save and load holds the object's lock from start to end.
// For the language file the remembered texts can also be kept in a cache file
// between runs (see SaveLangCache / LoadLangCache).
class IniFileCache {
public:
    IniFileCache() = default;
    IniFileCache(const IniFileCache&) = delete;
    IniFileCache& operator=(const IniFileCache&) = delete;

    void SetPath(const std::wstring& path);
    std::wstring Path() const;
    void EnableCacheFile(bool enabled);
    bool CacheFileEnabled() const;
    void ClearCache();

    // Held texts by (section, key); for tests and for the cache file.
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> CachedTexts() const;

    // The cache file of a language file: in the data folder, the file's name
    // without folder and extension, with ".dat".
    static std::wstring CacheFilePathFor(const std::wstring& iniPath);

private:
    friend std::wstring LookupLangString(const std::wstring& section, const std::wstring& key,
                                         IniFileCache& cache, bool bypassCache);
    friend std::vector<std::wstring> ReadIniSectionNames(IniFileCache& cache);
    friend void SaveLangCache(IniFileCache& cache);
    friend void LoadLangCache(IniFileCache& cache);

    // The texts of the file's RESOURCESTRING section as the file holds them, by key
    // in lower case, read in one go; taken again when the file changes.
    struct SectionCopy {
        bool read = false;
        std::uint64_t size = 0;
        std::uint64_t written = 0;
        std::map<std::wstring, std::wstring> texts;
    };
    bool FindInSectionCopy(const std::wstring& key, std::wstring& raw);

    mutable std::mutex lock_;
    SectionCopy resourceStrings_;
    bool cacheFileEnabled_ = false;
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> cache_;
    std::vector<std::wstring> sectionNames_;
    std::wstring path_;
};

// The text of `key` in `section`: read from the file (at most 4095 characters), a
// leading double quote turned into a blank, the escapes \n \t \r \\ applied in
// that order, trimmed, and the product and maker placeholders filled in. A set
// `bypassCache` reads the file and leaves the held texts alone.
std::wstring LookupLangString(const std::wstring& section, const std::wstring& key, IniFileCache& cache,
                              bool bypassCache);

// Names of all sections of the file, empty names skipped.
std::vector<std::wstring> ReadIniSectionNames(IniFileCache& cache);

// Cache file of the texts of section "RESOURCESTRING", stamped with the language
// file's path, size and modification time. Saving and loading only happen for a
// cache with its cache file enabled; any failure skips them silently.
void SaveLangCache(IniFileCache& cache);
// Loads only a cache file whose stamp matches the language file as it is now; a
// damaged one stops at the damage, keeping the entries read whole before it.
void LoadLangCache(IniFileCache& cache);

inline constexpr wchar_t kResourceStringSection[] = L"RESOURCESTRING";
