#include "foundation/language_strings.h"

#include <windows.h>

#include <atomic>

#include "platform/scoped_handle.h"
#include "foundation/folders.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_table.h"

namespace {

constexpr UINT kAppTitleStringId = 57344;
constexpr wchar_t kBuiltInTitle[] = L"Halvenor";

std::atomic<bool>& LanguageCacheStale() {
    static std::atomic<bool> stale{false};
    return stale;
}

std::wstring LoadTitleFromStringTable() {
    wchar_t buffer[256] = {};
    const int length = LoadStringW(GetModuleHandleW(nullptr), kAppTitleStringId, buffer, 256);
    if (length <= 0) return kBuiltInTitle;
    return std::wstring(buffer, static_cast<std::size_t>(length));
}

// Opened with CREATE_NEW so that a file another thread or process has just made
// is never truncated; only its creator writes the byte-order mark, which makes the
// system write the entries as UTF-16.
void RecordMissingKey(const std::wstring& key, const std::wstring& section) {
    const std::wstring dataFolder = GetUserDataFolderPath();
    if (dataFolder.empty()) return;
    wchar_t name[32];
    swprintf(name, 32, L"ininotfound%d.ini", 0);
    const std::wstring path = dataFolder + L"\\" + name;
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        const BYTE bom[2] = {0xFF, 0xFE};
        DWORD written = 0;
        WriteFile(file.Get(), bom, sizeof(bom), &written, nullptr);
    }
    WritePrivateProfileStringW(section.c_str(), key.c_str(), L"", path.c_str());
}

std::wstring WithoutBlanks(std::wstring text) {
    std::erase(text, L' ');
    return text;
}

}  // namespace

IniFileCache& LanguageFileCache() {
    static IniFileCache cache;
    return cache;
}

std::wstring GetLangString(const std::wstring& key, const std::wstring& section, const std::wstring& defaultText) {
    std::wstring text = LookupLangString(section, key, LanguageFileCache(), false);
    if (!text.empty()) return text;
    RecordMissingKey(key, section);
    return defaultText;
}

std::wstring GetLangStringA(const char* key) {
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, key, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wideKey(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, key, -1, wideKey.data(), length);
    wideKey.resize(static_cast<std::size_t>(length - 1));
    return GetLangString(wideKey, kResourceStringSection);
}

int GetLangStrings(std::vector<std::wstring>& texts) {
    for (std::wstring& text : texts) text = GetLangString(text, kResourceStringSection);
    return static_cast<int>(texts.size());
}

std::wstring LoadAppTitleResource() {
    static const std::wstring title = LoadTitleFromStringTable();
    return title;
}

std::wstring LoadAppTitleString() {
    return LoadTitleFromStringTable();
}

std::wstring GetAppTitle() {
    const std::wstring title = GetLangString(L"AFX_IDS_APP_TITLE", kResourceStringSection);
    return title.empty() ? LoadAppTitleResource() : title;
}

std::wstring GetAppTitleNoSpaces() {
    std::wstring title = GetAppTitle();
    const std::size_t first = title.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::wstring();
    title = title.substr(first, title.find_last_not_of(L" \t\r\n") - first + 1);
    return WithoutBlanks(title);
}

std::wstring BuildProductParamsName() {
    std::wstring name = WithoutBlanks(L"Brennavik" + std::wstring(L"HVN") + GetAppTitle() + L"NewParams");
    // Sent to the service: lower-cased the same way whatever the user's locale.
    if (!name.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, name.c_str(), static_cast<int>(name.size()), name.data(),
                     static_cast<int>(name.size()));
    }
    return name;
}

void OpenLanguageCache(const std::wstring& languageFilePath) {
    IniFileCache& cache = LanguageFileCache();
    cache.SetPath(languageFilePath);
    cache.EnableCacheFile(true);
    cache.ClearCache();
    LoadLangCache(cache);
}

void MarkLanguageCacheStale() {
    LanguageCacheStale() = true;
}

void CloseLanguageCache() {
    if (LanguageCacheStale()) {
        DeleteLangCacheFile();
    } else {
        SaveLangCache(LanguageFileCache());
    }
}

void DeleteLangCacheFile() {
    std::wstring languageFile = LanguageFileCache().Path();
    if (languageFile.empty()) languageFile = GetLanguageIniPath();
    const std::wstring cacheFile = IniFileCache::CacheFilePathFor(languageFile);
    if (cacheFile.empty()) return;
    if (GetFileAttributesW(cacheFile.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(cacheFile.c_str());
}
