#pragma once

#include <functional>
#include <string>

// The language text of a key of section "RESOURCESTRING", used by the download's
// progress formats. The application points it at its language file.
using DownloadTextLookup = std::function<std::wstring(const std::wstring& key)>;
void SetDownloadTextLookup(DownloadTextLookup lookup);
std::wstring DownloadLangText(const std::wstring& key);
