#include "foundation/language_strings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "foundation/ini_file_cache.h"
#include "platform/archive_writer.h"
#include "foundation/product_key.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

// Language files are UTF-16 little-endian with a byte-order mark.
void WriteLanguageFile(const std::wstring& path, const std::wstring& text) {
    ASSERT_TRUE(WriteUtf16File(path, text));
}

int CountOccurrences(const std::wstring& text, const std::wstring& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

const wchar_t kFixture[] =
    L"[RESOURCESTRING]\r\n"
    L"plain=Plain text\r\n"
    L"quoted=\"Quoted text\"\r\n"
    L"halfquoted=\"Half quoted\r\n"
    L"lines=Line one\\nLine two\\tTabbed\\rBack\r\n"
    L"edgebreaks=\\nInside\\n\r\n"
    L"backslashes=Path\\\\nname and C:\\\\data\r\n"
    L"named=IDS_HV_APP_NAME by IDS_HV_COMPANY_NAME\r\n"
    L"string94=Only IDS_HV_APP_NAME\r\n"
    L"padded=   spaced out   \r\n"
    L"unicode=Gr\u00FC\u00DFe \u65E5\u672C\r\n"
    L"MixedCase=Any case\r\n"
    L"twice=First\r\n"
    L"twice=Second\r\n"
    L"single='Single quoted'\r\n"
    L"  spacedkey  =Spaced key\r\n"
    L"; a comment=not a text\r\n"
    L"[OTHER]\r\n"
    L"plain=Other section\r\n";

class LanguageStringsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        languageFile_ = appData_.Path() + L"\\fixture_hal.ini";
        WriteLanguageFile(languageFile_, kFixture);
        cache_.SetPath(languageFile_);
    }

    ScopedAppDataFolder appData_;
    std::wstring languageFile_;
    IniFileCache cache_;
};

TEST_F(LanguageStringsTest, LookupAppliesQuotesEscapesTrimAndPlaceholders) {
    struct Case {
        const wchar_t* section;
        const wchar_t* key;
        std::wstring expected;
    } cases[] = {
        {L"RESOURCESTRING", L"plain", L"Plain text"},
        {L"RESOURCESTRING", L"quoted", L"Quoted text"},
        {L"RESOURCESTRING", L"halfquoted", L"Half quoted"},
        {L"RESOURCESTRING", L"lines", L"Line one\nLine two\tTabbed\rBack"},
        {L"RESOURCESTRING", L"edgebreaks", L"Inside"},
        {L"RESOURCESTRING", L"backslashes", L"Path\\\nname and C:\\data"},
        {L"RESOURCESTRING", L"named", L"Halvenor by Brennavik"},
        {L"RESOURCESTRING", L"padded", L"spaced out"},
        {L"RESOURCESTRING", L"unicode", L"Gr\u00FC\u00DFe \u65E5\u672C"},
        {L"RESOURCESTRING", L"absent", L""},
        {L"RESOURCESTRING", L"mixedcase", L"Any case"},
        {L"RESOURCESTRING", L"twice", L"First"},
        {L"RESOURCESTRING", L"single", L"Single quoted"},
        {L"RESOURCESTRING", L"spacedkey", L"Spaced key"},
        {L"OTHER", L"plain", L"Other section"},
    };
    for (int pass = 0; pass < 2; ++pass) {  // the second pass is served from the held texts
        for (const auto& c : cases) {
            EXPECT_EQ(LookupLangString(c.section, c.key, cache_, false), c.expected) << c.key << " pass " << pass;
        }
    }
    // Texts are taken from one read of the section; each must read as a lookup of
    // the file itself would give it.
    for (const auto& c : cases) {
        EXPECT_EQ(LookupLangString(c.section, c.key, cache_, true), c.expected) << c.key << " read from the file";
    }
    const auto held = cache_.CachedTexts();
    EXPECT_EQ(held.at({L"RESOURCESTRING", L"plain"}), L"Plain text");
    EXPECT_EQ(held.at({L"OTHER", L"plain"}), L"Other section");
    EXPECT_EQ(held.at({L"RESOURCESTRING", L"absent"}), L"");
}

TEST_F(LanguageStringsTest, HeldTextsWinUntilBypassedAndMissingKeysAreReadAgain) {
    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"plain", cache_, false), L"Plain text");
    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"late", cache_, false), L"");
    WritePrivateProfileStringW(L"RESOURCESTRING", L"plain", L"Changed", languageFile_.c_str());
    WritePrivateProfileStringW(L"RESOURCESTRING", L"late", L"Arrived", languageFile_.c_str());

    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"plain", cache_, false), L"Plain text");
    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"late", cache_, false), L"Arrived");
    EXPECT_EQ(LookupLangString(L"RESOURCESTRING", L"plain", cache_, true), L"Changed");
    EXPECT_EQ(cache_.CachedTexts().at({L"RESOURCESTRING", L"plain"}), L"Plain text");
}

TEST_F(LanguageStringsTest, MissingKeyIsRecordedOnceAndTheDefaultReturned) {
    LanguageFileCache().SetPath(languageFile_);
    LanguageFileCache().ClearCache();
    const std::wstring missingFile = appData_.ProductDataFolder() + L"\\ininotfound0.ini";

    EXPECT_EQ(GetLangString(L"plain", L"RESOURCESTRING", L"fallback"), L"Plain text");
    EXPECT_FALSE(PathExists(missingFile));
    EXPECT_EQ(GetLangString(L"IDS_NOT_THERE", L"RESOURCESTRING", L"fallback"), L"fallback");
    EXPECT_EQ(GetLangString(L"IDS_NOT_THERE", L"RESOURCESTRING", L"fallback"), L"fallback");
    EXPECT_EQ(GetLangStringA("IDS_ALSO_NOT_THERE"), L"");

    ASSERT_TRUE(PathExists(missingFile));
    EXPECT_EQ(ReadFileBytes(missingFile).substr(0, 2), std::string("\xFF\xFE", 2));
    const std::wstring recorded = ReadUtf16File(missingFile);
    EXPECT_EQ(CountOccurrences(recorded, L"[RESOURCESTRING]"), 1);
    EXPECT_EQ(CountOccurrences(recorded, L"IDS_NOT_THERE="), 1);
    EXPECT_EQ(CountOccurrences(recorded, L"IDS_ALSO_NOT_THERE="), 1);

    std::vector<std::wstring> texts = {L"plain", L"named", L"nothing"};
    EXPECT_EQ(GetLangStrings(texts), 3);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Plain text", L"Halvenor by Brennavik", L""}));
}

TEST_F(LanguageStringsTest, BackupModeRenamesTheProductExceptInItsOwnKeys) {
    ManualClock clock;
    const auto setBackupMode = [&](DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        SetRawValue(key, L"IsDriverBackupModeEnabled", REG_DWORD, &value, sizeof(value));
        RegCloseKey(key);
        clock.AdvanceTick(8192);  // past the setting's own re-read interval
    };
    const std::pair<std::wstring, std::wstring> named{L"RESOURCESTRING", L"named"};
    const std::pair<std::wstring, std::wstring> ownKey{L"RESOURCESTRING", L"string94"};

    setBackupMode(1);
    EXPECT_EQ(LookupLangString(named.first, named.second, cache_, false), L"Driver Backup by Brennavik");
    EXPECT_EQ(LookupLangString(ownKey.first, ownKey.second, cache_, false), L"Only Halvenor");
    EXPECT_EQ(cache_.CachedTexts().count(ownKey), 0u);  // read afresh while the mode is on

    setBackupMode(0);
    EXPECT_EQ(LookupLangString(ownKey.first, ownKey.second, cache_, false), L"Only Halvenor");
    EXPECT_EQ(cache_.CachedTexts().count(ownKey), 1u);
    EXPECT_EQ(LookupLangString(named.first, named.second, cache_, true), L"Halvenor by Brennavik");
}

TEST_F(LanguageStringsTest, SectionNamesAreListed) {
    EXPECT_EQ(ReadIniSectionNames(cache_), (std::vector<std::wstring>{L"RESOURCESTRING", L"OTHER"}));
}

TEST_F(LanguageStringsTest, TitleFallsBackToTheProgramNameAndFormsTheParameterName) {
    LanguageFileCache().SetPath(languageFile_);
    LanguageFileCache().ClearCache();
    EXPECT_EQ(GetAppTitle(), L"Halvenor");  // the fixture has no title
    EXPECT_EQ(GetAppTitleNoSpaces(), L"Halvenor");

    WritePrivateProfileStringW(L"RESOURCESTRING", L"AFX_IDS_APP_TITLE", L"  Hal Ve Nor  ", languageFile_.c_str());
    LanguageFileCache().ClearCache();
    EXPECT_EQ(GetAppTitle(), L"Hal Ve Nor");
    EXPECT_EQ(GetAppTitleNoSpaces(), L"HalVeNor");
    EXPECT_EQ(BuildProductParamsName(), L"brennavikhvnhalvenornewparams");
}

TEST_F(LanguageStringsTest, ConcurrentLookupsEachGetTheirOwnText) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"plain", L"Plain text"}, {L"quoted", L"Quoted text"}, {L"padded", L"spaced out"}, {L"named", L"Halvenor by Brennavik"}};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (const auto& pair : expected) {
        threads.emplace_back([&, pair] {
            for (int i = 0; i < 200; ++i) {
                if (LookupLangString(L"RESOURCESTRING", pair.first, cache_, i % 3 == 0) != pair.second) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

class LanguageCacheFileTest : public LanguageStringsTest {
protected:
    std::wstring CacheFile() const { return appData_.ProductDataFolder() + L"\\fixture_hal.dat"; }

    void FillAndSave() {
        cache_.EnableCacheFile(true);
        for (const wchar_t* key : {L"plain", L"lines", L"named", L"unicode", L"absent"}) {
            LookupLangString(L"RESOURCESTRING", key, cache_, false);
        }
        LookupLangString(L"OTHER", L"plain", cache_, false);
        SaveLangCache(cache_);
        ASSERT_TRUE(PathExists(CacheFile()));
    }

    std::map<std::pair<std::wstring, std::wstring>, std::wstring> LoadFresh(const std::wstring& path) {
        IniFileCache fresh;
        fresh.SetPath(path);
        fresh.EnableCacheFile(true);
        LoadLangCache(fresh);
        return fresh.CachedTexts();
    }

    static std::map<std::pair<std::wstring, std::wstring>, std::wstring> OnlyResourceStrings(
        std::map<std::pair<std::wstring, std::wstring>, std::wstring> texts) {
        std::erase_if(texts, [](const auto& entry) { return entry.first.first != L"RESOURCESTRING"; });
        return texts;
    }
};

TEST_F(LanguageCacheFileTest, RoundTripKeepsTheResourceStrings) {
    FillAndSave();
    const auto loaded = LoadFresh(languageFile_);
    EXPECT_EQ(loaded, OnlyResourceStrings(cache_.CachedTexts()));
    EXPECT_EQ(loaded.size(), 5u);

    // The stamp compares the path without regard to case.
    std::wstring upper = languageFile_;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_EQ(LoadFresh(upper).size(), 5u);

    IniFileCache disabled;
    disabled.SetPath(languageFile_);
    LoadLangCache(disabled);
    EXPECT_TRUE(disabled.CachedTexts().empty());
}

TEST_F(LanguageCacheFileTest, EditedOrOtherLanguageFileIgnoresTheCache) {
    FillAndSave();

    // Same size, other time.
    const HANDLE file = CreateFileW(languageFile_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME time{};
    GetFileTime(file, nullptr, nullptr, &time);
    ULARGE_INTEGER shifted{{time.dwLowDateTime, time.dwHighDateTime}};
    shifted.QuadPart -= 3600ull * 10000000ull;
    time = FILETIME{shifted.LowPart, shifted.HighPart};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    EXPECT_TRUE(LoadFresh(languageFile_).empty());

    // Other size.
    FillAndSave();
    WritePrivateProfileStringW(L"RESOURCESTRING", L"extra", L"More", languageFile_.c_str());
    EXPECT_TRUE(LoadFresh(languageFile_).empty());

    // Another file whose name gives the same cache file.
    FillAndSave();
    ScopedTempFolder elsewhere;
    const std::wstring other = elsewhere.File(L"fixture_hal.ini");
    ASSERT_TRUE(CopyFileW(languageFile_.c_str(), other.c_str(), FALSE));
    EXPECT_TRUE(LoadFresh(other).empty());
    EXPECT_EQ(LoadFresh(languageFile_).size(), 5u);
}

TEST_F(LanguageCacheFileTest, TruncatedCacheAtEveryOffsetLoadsOnlyWholeEntries) {
    FillAndSave();
    const std::string full = ReadFileBytes(CacheFile());
    const auto complete = LoadFresh(languageFile_);
    std::size_t previous = 0;
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        ASSERT_TRUE(WriteFileBytes(CacheFile(), full.substr(0, cut)));
        const auto loaded = LoadFresh(languageFile_);
        EXPECT_LT(loaded.size(), complete.size()) << cut;
        EXPECT_GE(loaded.size(), previous) << cut;
        previous = loaded.size();
        for (const auto& entry : loaded) {
            EXPECT_EQ(complete.at(entry.first), entry.second) << cut;
        }
    }
}

TEST_F(LanguageCacheFileTest, CraftedCountCannotOverRead) {
    FillAndSave();
    ArchiveWriter writer;
    writer.WriteString(languageFile_);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(languageFile_.c_str(), GetFileExInfoStandard, &data));
    writer.WriteUInt64(data.nFileSizeLow);
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    writer.WriteUInt64((ticks - 116444736000000000ull) / 10000000ull);
    writer.WriteCount(0x7FFFFFFF);
    writer.WriteString(L"plain");
    writer.WriteString(L"From the cache");
    writer.WriteUInt16(0xFFFF);  // the start of a key that never comes
    ASSERT_TRUE(writer.SaveToFile(CacheFile()));
    const auto loaded = LoadFresh(languageFile_);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded.begin()->second, L"From the cache");
}

TEST_F(LanguageCacheFileTest, ApplicationLifeCycleSavesOrDeletesTheCache) {
    OpenLanguageCache(languageFile_);
    EXPECT_EQ(GetLangString(L"plain", L"RESOURCESTRING"), L"Plain text");
    CloseLanguageCache();
    ASSERT_TRUE(PathExists(CacheFile()));

    OpenLanguageCache(languageFile_);
    EXPECT_EQ(LanguageFileCache().CachedTexts().at({L"RESOURCESTRING", L"plain"}), L"Plain text");
    MarkLanguageCacheStale();
    CloseLanguageCache();
    EXPECT_FALSE(PathExists(CacheFile()));
}

}  // namespace
