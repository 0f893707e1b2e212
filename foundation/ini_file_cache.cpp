#include "foundation/ini_file_cache.h"

#include <windows.h>

#include <cstdint>

#include "platform/path_checks.h"
#include "foundation/app_settings.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "platform/archive_reader.h"
#include "platform/archive_writer.h"
#include "platform/trim_blanks.h"

namespace {

constexpr DWORD kValueBufferChars = 4096;
constexpr DWORD kSectionNamesBufferChars = 2000;

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    std::size_t position = 0;
    while ((position = text.find(from, position)) != std::wstring::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
}

// Keys whose texts name the product even while the program runs as the driver
// backup tool; they are read afresh so a change of mode shows at once.
bool IsProductNamedKey(const std::wstring& key) {
    static const wchar_t* const kKeys[] = {L"IDS_ALREADY_HAVE_SUBHEAD_1", L"string94", L"string69",
                                           L"IDS_DLGCLOSE_PARA1",          L"string89", L"string94_1"};
    for (const wchar_t* name : kKeys) {
        if (key == name) return true;
    }
    return false;
}

struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t modifiedSeconds = 0;
};

bool ReadFileStamp(const std::wstring& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::uint64_t ticks = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime;
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ull;
    stamp.modifiedSeconds = ticks >= kTicksTo1970 ? (ticks - kTicksTo1970) / 10000000ull : 0;
    return true;
}

std::wstring LowerCase(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The whole section as "key=value" entries, each ending in a zero; false when the
// file cannot be read.
bool ReadSectionEntries(const std::wstring& path, const wchar_t* section, std::wstring& entries) {
    DWORD chars = 65536;
    for (;;) {
        entries.assign(chars, L'\0');
        const DWORD length = GetPrivateProfileSectionW(section, entries.data(), chars, path.c_str());
        // A full buffer reads as its size less two: the section did not fit.
        if (length + 2 < chars) {
            entries.resize(length);
            return true;
        }
        if (chars >= (1u << 24)) return false;
        chars *= 4;
    }
}

}  // namespace

bool IniFileCache::FindInSectionCopy(const std::wstring& key, std::wstring& raw) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) return false;
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::uint64_t written = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                  data.ftLastWriteTime.dwLowDateTime;
    SectionCopy& copy = resourceStrings_;
    if (!copy.read || copy.size != size || copy.written != written) {
        copy = SectionCopy();
        std::wstring entries;
        if (!ReadSectionEntries(path_, kResourceStringSection, entries)) return false;
        for (std::size_t start = 0; start < entries.size();) {
            std::size_t end = entries.find(L'\0', start);
            if (end == std::wstring::npos) end = entries.size();
            const std::wstring entry = entries.substr(start, end - start);
            start = end + 1;
            const std::size_t equals = entry.find(L'=');
            if (equals == std::wstring::npos || equals == 0) continue;
            // The first of two equal keys is the one a single lookup finds.
            copy.texts.emplace(LowerCase(TrimBlanks(entry.substr(0, equals))), entry.substr(equals + 1));
        }
        copy.read = true;
        copy.size = size;
        copy.written = written;
    }
    const auto found = copy.texts.find(LowerCase(key));
    raw = found == copy.texts.end() ? std::wstring() : found->second;
    // A single lookup drops the quotes around a whole value and is cut at its buffer.
    if (raw.size() >= 2 && (raw.front() == L'"' || raw.front() == L'\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    if (raw.size() > kValueBufferChars - 1) raw.resize(kValueBufferChars - 1);
    return true;
}

void IniFileCache::SetPath(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(lock_);
    path_ = path;
    resourceStrings_ = SectionCopy();
}

std::wstring IniFileCache::Path() const {
    std::lock_guard<std::mutex> guard(lock_);
    return path_;
}

void IniFileCache::EnableCacheFile(bool enabled) {
    std::lock_guard<std::mutex> guard(lock_);
    cacheFileEnabled_ = enabled;
}

bool IniFileCache::CacheFileEnabled() const {
    std::lock_guard<std::mutex> guard(lock_);
    return cacheFileEnabled_;
}

void IniFileCache::ClearCache() {
    std::lock_guard<std::mutex> guard(lock_);
    cache_.clear();
    resourceStrings_ = SectionCopy();
}

std::map<std::pair<std::wstring, std::wstring>, std::wstring> IniFileCache::CachedTexts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return cache_;
}

std::wstring IniFileCache::CacheFilePathFor(const std::wstring& iniPath) {
    const std::wstring dataFolder = GetUserDataFolderPath();
    if (dataFolder.empty()) return std::wstring();
    std::wstring name = iniPath.substr(iniPath.find_last_of(L"\\/") == std::wstring::npos
                                           ? 0
                                           : iniPath.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return dataFolder + L"\\" + name + L".dat";
}

std::wstring LookupLangString(const std::wstring& section, const std::wstring& key, IniFileCache& cache,
                              bool bypassCache) {
    std::lock_guard<std::mutex> guard(cache.lock_);
    const bool productNamedKey = IsProductNamedKey(key);
    const bool uncached = bypassCache || (productNamedKey && IsDriverBackupModeEnabled());
    const auto cacheKey = std::make_pair(section, key);

    if (!uncached) {
        const auto held = cache.cache_.find(cacheKey);
        if (held != cache.cache_.end() && !held->second.empty()) return held->second;
    }

    // Without a file the system would read a default one of its own. The texts the
    // program asks for are read from the file once, not opened again for each.
    std::wstring value;
    if (!cache.path_.empty() &&
        (bypassCache || section != kResourceStringSection || !cache.FindInSectionCopy(key, value))) {
        value.assign(kValueBufferChars, L'\0');
        value.resize(GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", value.data(), kValueBufferChars,
                                              cache.path_.c_str()));
    }

    if (!value.empty() && value[0] == L'"') value[0] = L' ';
    if (!value.empty()) {
        ReplaceAll(value, L"\\n", L"\n");
        ReplaceAll(value, L"\\t", L"\t");
        ReplaceAll(value, L"\\r", L"\r");
        ReplaceAll(value, L"\\\\", L"\\");
    }
    value = TrimBlanks(value);

    if (value.find(L"IDS_HV_APP_NAME") != std::wstring::npos) {
        const bool backupTitle = !productNamedKey && IsDriverBackupModeEnabled();
        ReplaceAll(value, L"IDS_HV_APP_NAME", backupTitle ? std::wstring(L"Driver Backup") : LoadAppTitleResource());
    }
    ReplaceAll(value, L"IDS_HV_COMPANY_NAME", L"Brennavik");

    if (!uncached) cache.cache_[cacheKey] = value;
    return value;
}

std::vector<std::wstring> ReadIniSectionNames(IniFileCache& cache) {
    std::lock_guard<std::mutex> guard(cache.lock_);
    cache.sectionNames_.clear();
    std::wstring buffer(kSectionNamesBufferChars, L'\0');
    const DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), kSectionNamesBufferChars, cache.path_.c_str());
    std::size_t start = 0;
    while (start < length) {
        const std::size_t end = buffer.find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos || end > length ? length : end;
        if (stop > start) cache.sectionNames_.push_back(buffer.substr(start, stop - start));
        start = stop + 1;
    }
    return cache.sectionNames_;
}

void SaveLangCache(IniFileCache& cache) {
    std::lock_guard<std::mutex> guard(cache.lock_);
    if (!cache.cacheFileEnabled_) return;
    FileStamp stamp;
    if (!ReadFileStamp(cache.path_, stamp)) return;
    const std::wstring dataFolder = GetUserDataFolderPath();
    if (dataFolder.empty() || !FolderExists(dataFolder)) return;

    std::uint32_t count = 0;
    for (const auto& entry : cache.cache_) {
        if (entry.first.first == kResourceStringSection) ++count;
    }
    ArchiveWriter writer;
    writer.WriteString(cache.path_);
    writer.WriteUInt64(stamp.size);
    writer.WriteUInt64(stamp.modifiedSeconds);
    writer.WriteCount(count);
    for (const auto& entry : cache.cache_) {
        if (entry.first.first != kResourceStringSection) continue;
        writer.WriteString(entry.first.second);
        writer.WriteString(entry.second);
    }
    writer.SaveToFile(IniFileCache::CacheFilePathFor(cache.path_));
}

void LoadLangCache(IniFileCache& cache) {
    std::lock_guard<std::mutex> guard(cache.lock_);
    if (!cache.cacheFileEnabled_) return;
    FileStamp stamp;
    if (!ReadFileStamp(cache.path_, stamp)) return;
    const std::wstring dataFolder = GetUserDataFolderPath();
    if (dataFolder.empty() || !FolderExists(dataFolder)) return;

    std::string bytes;
    if (!ArchiveReader::LoadFile(IniFileCache::CacheFilePathFor(cache.path_), bytes)) return;
    ArchiveReader reader(std::move(bytes));
    std::wstring storedPath;
    std::uint64_t storedSize = 0;
    std::uint64_t storedTime = 0;
    if (!reader.ReadString(storedPath) || !reader.ReadUInt64(storedSize) || !reader.ReadUInt64(storedTime)) return;
    if (CompareStringOrdinal(storedPath.c_str(), static_cast<int>(storedPath.size()), cache.path_.c_str(),
                             static_cast<int>(cache.path_.size()), TRUE) != CSTR_EQUAL ||
        storedSize != stamp.size || storedTime != stamp.modifiedSeconds) {
        return;
    }
    std::uint32_t count = 0;
    if (!reader.ReadCount(count)) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::wstring key;
        std::wstring text;
        if (!reader.ReadString(key) || !reader.ReadString(text)) return;
        cache.cache_[std::make_pair(std::wstring(kResourceStringSection), key)] = text;
    }
}
