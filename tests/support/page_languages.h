#pragma once

#include <string>

// The languages the page pictures and the fit of their texts are checked in:
// English, German for its long words and Japanese for its script.
struct PageLanguage {
    const wchar_t* code;  // what the page's setlanguage gets
    const wchar_t* file;  // the language file in resources/
};
inline constexpr PageLanguage kPageLanguages[] = {
    {L"en", L"eng_hal.ini"}, {L"de", L"German_hal.ini"}, {L"ja", L"Japanese_hal.ini"}};

// Makes the program's own language file of `language` the current one.
void UsePageLanguage(const PageLanguage& language);
