#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

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

}  // namespace
