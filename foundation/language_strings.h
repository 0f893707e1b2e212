#pragma once

#include <string>
#include <vector>

class IniFileCache;

// The one reader of the current language file, shared by every screen and worker.
IniFileCache& LanguageFileCache();

// The text of `key` from the current language file; an empty text is recorded as
// missing (file "ininotfound0.ini" in the data folder) and `defaultText` returned.
// Callers pass the section "RESOURCESTRING".
std::wstring GetLangString(const std::wstring& key, const std::wstring& section,
                           const std::wstring& defaultText = std::wstring());
std::wstring GetLangStringA(const char* key);
// Replaces every element by its text; returns the number of elements.
int GetLangStrings(std::vector<std::wstring>& texts);

// The program's title from its string table (id 57344), loaded once; "Halvenor"
// when the program carries no such string.
std::wstring LoadAppTitleResource();
// The same, loaded afresh on every call.
std::wstring LoadAppTitleString();

// "AFX_IDS_APP_TITLE" of the language file; without it, the title from the
// program's string table, so the title is never empty.
std::wstring GetAppTitle();
std::wstring GetAppTitleNoSpaces();
// The product's parameter name that the web-service requests carry.
std::wstring BuildProductParamsName();

// Life cycle of the language file's cache, for the application object: its
// construction and start-up open it, the main window's end saves it, and the exit
// step closes it (saving, or deleting the cache file when marked stale).
void OpenLanguageCache(const std::wstring& languageFilePath);
void MarkLanguageCacheStale();
void CloseLanguageCache();
void DeleteLangCacheFile();
