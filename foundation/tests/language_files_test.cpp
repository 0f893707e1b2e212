#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "foundation/ini_file_cache.h"
#include "foundation/language_table.h"

namespace {

std::wstring ShippedFile(const wchar_t* name) {
    return std::wstring(HALVENOR_SOURCE_DIR L"\\resources\\") + name;
}

std::map<std::wstring, std::wstring> ResourceStrings(const std::wstring& path) {
    std::wstring buffer(1 << 16, L'\0');
    const DWORD length = GetPrivateProfileSectionW(L"RESOURCESTRING", buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), path.c_str());
    std::map<std::wstring, std::wstring> entries;
    for (std::size_t start = 0; start < length;) {
        const std::wstring line(buffer.c_str() + start);
        const std::size_t equals = line.find(L'=');
        if (equals != std::wstring::npos) entries[line.substr(0, equals)] = line.substr(equals + 1);
        start += line.size() + 1;
    }
    return entries;
}

TEST(LanguageFilesTest, EveryLanguageFileHasTheEnglishKeys) {
    const auto english = ResourceStrings(ShippedFile(L"eng_hal.ini"));
    ASSERT_FALSE(english.empty());
    for (const char* key : {"AFX_IDS_APP_TITLE", "IDS_ADMIN_RIGHTS_REQD_PROG", "IDS_ALREADY_HAVE_SUBHEAD_1",
                            "string94", "string69", "IDS_DLGCLOSE_PARA1", "string89", "string94_1"}) {
        EXPECT_EQ(english.count(std::wstring(key, key + std::char_traits<char>::length(key))), 1u) << key;
    }
    for (const auto& row : LanguageTable) {
        const auto texts = ResourceStrings(ShippedFile(row.stringsFile));
        for (const auto& entry : english) {
            const auto found = texts.find(entry.first);
            EXPECT_TRUE(found != texts.end() && !found->second.empty()) << row.code;
        }
    }
}

// The program formats these texts with the wide printf family, which reads "%s"
// as an 8-bit string here; "%ls" is right with every runtime.
TEST(LanguageFilesTest, EnglishTextsReadCleanlyAndUseWideFormats) {
    IniFileCache cache;
    cache.SetPath(ShippedFile(L"eng_hal.ini"));
    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"AFX_IDS_APP_TITLE", cache, false), L"Halvenor");
    for (const auto& entry : ResourceStrings(ShippedFile(L"eng_hal.ini"))) {
        const std::wstring text = LookupLangString(L"RESOURCESTRING", entry.first, cache, false);
        EXPECT_FALSE(text.empty()) << entry.first;
        EXPECT_EQ(text.find(L"IDS_HV_"), std::wstring::npos) << entry.first;
        for (std::size_t at = text.find(L'%'); at != std::wstring::npos; at = text.find(L'%', at + 2)) {
            EXPECT_NE(text[at + 1], L's') << entry.first;
        }
    }
}

// What the program fills in or the page reads as markup: printf specifications,
// the name tokens the lookup replaces (IDS_..., ..._DONOTTRANSLATE) and HTML tags.
// A translation keeps them all, in the English order, or the program formats or
// shows the wrong thing.
std::vector<std::wstring> Placeholders(const std::wstring& text) {
    std::vector<std::wstring> found;
    const auto isWordChar = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_'; };
    for (std::size_t at = 0; at < text.size();) {
        const wchar_t c = text[at];
        if (c == L'%') {
            std::size_t end = at + 1;
            while (end < text.size() && std::wcschr(L"-+ #0123456789.lhI", text[end]) != nullptr) ++end;
            if (end < text.size()) ++end;
            found.push_back(text.substr(at, end - at));
            at = end;
        } else if (c == L'<') {
            const std::size_t end = text.find(L'>', at);
            if (end == std::wstring::npos) break;
            found.push_back(text.substr(at, end - at + 1));
            at = end + 1;
        } else if (isWordChar(c) && (at == 0 || !isWordChar(text[at - 1]))) {
            std::size_t end = at;
            while (end < text.size() && isWordChar(text[end])) ++end;
            const std::wstring word = text.substr(at, end - at);
            if (word.rfind(L"IDS_", 0) == 0 || word.find(L"_DONOTTRANSLATE") != std::wstring::npos) {
                found.push_back(word);
            }
            at = end;
        } else {
            ++at;
        }
    }
    return found;
}

TEST(LanguageFilesTest, EveryTranslationKeepsTheEnglishPlaceholdersInOrder) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"%d of %ls drivers", {L"%d", L"%ls"}},
        {L"100%% done by IDS_HV_APP_NAME", {L"%%", L"IDS_HV_APP_NAME"}},
        {L"<b>N_ERR_DONOTTRANSLATE</b> found", {L"<b>", L"N_ERR_DONOTTRANSLATE", L"</b>"}},
        {L"XIDS_NOT a token, %I64d is", {L"%I64d"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Placeholders(c.text), c.expected) << c.text;

    const auto english = ResourceStrings(ShippedFile(L"eng_hal.ini"));
    for (const auto& row : LanguageTable) {
        const auto texts = ResourceStrings(ShippedFile(row.stringsFile));
        for (const auto& [key, text] : texts) {
            const auto source = english.find(key);
            if (source == english.end()) continue;
            EXPECT_EQ(Placeholders(text), Placeholders(source->second)) << row.code << " " << key;
        }
    }
}

}  // namespace
