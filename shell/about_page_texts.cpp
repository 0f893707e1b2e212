#include "shell/about_page_texts.h"

#include <windows.h>

#include "foundation/file_version_info.h"
#include "foundation/language_strings.h"
#include "platform/html/page_address_policy.h"

const wchar_t kProductWebAddress[] = L"https://www.brennavik.com/halvenor/";

std::wstring ProgramVersionText() {
    FileVersionInfo info;
    if (!info.Load(ModulePath(nullptr))) return std::wstring();
    std::wstring version = info.GetFixedVersion();
    for (wchar_t& c : version) {
        if (c == L',') c = L'.';
    }
    return version;
}

std::vector<ElementText> AboutPageTexts(bool backupMode) {
    const auto text = [](const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); };
    const std::wstring title = (backupMode ? GetAppTitle() : text(L"IDS_HV_APP_NAME_1")) + L" ";
    return {
        {L"EditionVersion", text(L"IDS_RETAIL")},
        {L"version", ProgramVersionText()},
        {L"Span1", title},
        {L"Span2", title},
        {L"rights", text(L"IDS_ABOUT_RIGHTS")},
        {L"trademark", text(L"IDS_ABOUT_TRADEMARK")},
        {L"Warning", text(L"IDS_ABOUT_WARNING")},
        {L"producturl", kProductWebAddress},
    };
}
