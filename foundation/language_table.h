#pragma once

#include <windows.h>

#include <array>
#include <string>

// One language the program can speak: its files beside the program, its C-library
// locale, its owner-drawn font and its number at the update service.
struct LanguageRecord {
    const wchar_t* code;
    const wchar_t* displayName;
    const wchar_t* stringsFile;
    const char* localeName;
    const wchar_t* fontFace;
    int fontHeight;
    BYTE characterSet;
    int serviceLanguageId;
    int available;
    const wchar_t* downloadLibraryFile;
};

inline constexpr unsigned kLanguageCount = 20;

// Indexed by the language id stored under the product key's "LANG" sub-key.
extern const std::array<LanguageRecord, kLanguageCount> LanguageTable;

inline constexpr wchar_t kLanguageSubKey[] = L"\\LANG";

// The id from the registry (machine value, overridden by the user's); 0 for any id
// that is out of range or whose language may not be selected. Read afresh each call.
unsigned GetLanguageId();

// "LangCode" of the user's "LANG" key, "en" when absent; the last code read when
// the key cannot be opened.
std::wstring GetLanguageCode();

const LanguageRecord& CurrentLanguage();

// The program's folder followed by the current language's strings file.
std::wstring GetLanguageIniPath();

void FillLanguageFont(LOGFONTW& font);

// The width a button or label needs for `text`: `width` when the text fits with a
// small margin, otherwise the text's own width plus a margin. A null `font` means
// the current language font.
int MeasureCaptionWidth(const std::wstring& text, HFONT font, int width);

// Start-up step: only the character-type category follows the language, so that
// numbers written to files and requests keep "." as their decimal separator.
bool ApplyLanguageLocale();
