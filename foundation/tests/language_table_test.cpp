#include "foundation/language_table.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <optional>
#include <set>

#include "foundation/product_key.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

const std::wstring kLangPath = std::wstring(kProductKeyPath) + L"\\LANG";

struct StoredId {
    DWORD type;
    DWORD number;
    const wchar_t* text;
};

void StoreLanguageId(HKEY root, const std::optional<StoredId>& id) {
    if (!id) return;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, kLangPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (id->type == REG_DWORD) {
        SetRawValue(key, L"LangID", REG_DWORD, &id->number, sizeof(DWORD));
    } else {
        SetRawValue(key, L"LangID", id->type, id->text,
                    static_cast<DWORD>((std::wcslen(id->text) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

StoredId Dword(DWORD number) { return {REG_DWORD, number, nullptr}; }

TEST(LanguageTableTest, SelectsUserOverMachineAndRefusesUnavailableOrOutOfRangeIds) {
    struct Case {
        const char* name;
        std::optional<StoredId> machine;
        std::optional<StoredId> user;
        unsigned expected;
    } cases[] = {
        {"nothing stored", {}, {}, 0},
        {"machine only", Dword(4), {}, 4},
        {"user wins", Dword(4), Dword(19), 19},
        {"user unavailable row", Dword(4), Dword(13), 0},
        {"user past the table", Dword(4), Dword(20), 0},
        {"user all bits set", Dword(4), Dword(0xFFFFFFFFu), 0},
        {"user text is ignored", Dword(5), StoredId{REG_SZ, 0, L"4"}, 5},
        {"machine unavailable row", Dword(1), {}, 0},
        {"machine past the table", Dword(77), Dword(3), 3},
    };
    for (const auto& c : cases) {
        ScopedRegistryRoots roots;
        ASSERT_TRUE(roots.Active());
        StoreLanguageId(HKEY_LOCAL_MACHINE, c.machine);
        StoreLanguageId(HKEY_CURRENT_USER, c.user);
        EXPECT_EQ(GetLanguageId(), c.expected) << c.name;
    }
}

TEST(LanguageTableTest, DefaultsToEnglishWhenNothingIsStored) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    EXPECT_EQ(GetLanguageCode(), L"en");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kLangPath));

    const std::wstring path = GetLanguageIniPath();
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module);
    folder.erase(folder.rfind(L'\\') + 1);
    EXPECT_EQ(path, folder + L"eng_hal.ini");

    LOGFONTW font;
    std::memset(&font, 0x5A, sizeof(font));
    FillLanguageFont(font);
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfCharSet, 1);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_EQ(font.lfQuality, 5);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
}

TEST(LanguageTableTest, StoredLanguageChoosesFileFontAndCode) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    StoreLanguageId(HKEY_CURRENT_USER, Dword(14));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kLangPath.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    SetRawValue(key, L"LangCode", REG_SZ, L"ru", 6);
    RegCloseKey(key);

    EXPECT_EQ(GetLanguageCode(), L"ru");
    const std::wstring path = GetLanguageIniPath();
    EXPECT_EQ(path.substr(path.rfind(L'\\') + 1), L"russian_hal_ru.ini");
    LOGFONTW font;
    FillLanguageFont(font);
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_EQ(font.lfCharSet, 204);
}

TEST(LanguageTableTest, EveryRowNamesAShippedLanguageFile) {
    std::set<std::wstring> files;
    for (const auto& row : LanguageTable) {
        EXPECT_STREQ(row.fontFace, L"Arial");
        files.insert(row.stringsFile);
        const std::wstring shipped = std::wstring(HALVENOR_SOURCE_DIR L"/resources/") + row.stringsFile;
        EXPECT_TRUE(PathExists(shipped)) << row.code;
    }
    EXPECT_EQ(files.size(), kLanguageCount);
    EXPECT_EQ(LanguageTable[1].characterSet, LanguageTable[19].characterSet);
}

TEST(LanguageTableTest, LanguageLocaleLeavesTheDecimalSeparatorAlone) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    StoreLanguageId(HKEY_CURRENT_USER, Dword(5));  // German writes "1,5" in its own locale
    ApplyLanguageLocale();
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f", 1.5);
    EXPECT_STREQ(text, L"1.5");
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ".");
    std::setlocale(LC_ALL, "C");
}

TEST(LanguageTableTest, CaptionWidthGrowsOnlyForTextThatDoesNotFit) {
    if (GetDC(nullptr) == nullptr) GTEST_SKIP() << "no display";
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    EXPECT_EQ(MeasureCaptionWidth(L"OK", nullptr, 200), 200);
    const int grown = MeasureCaptionWidth(L"A caption much wider than twenty pixels", nullptr, 20);
    EXPECT_GT(grown, 29);
    // The margin: the text's own width plus nine.
    EXPECT_EQ(MeasureCaptionWidth(L"A caption much wider than twenty pixels", nullptr, grown - 9 + 5), grown);
}

}  // namespace
