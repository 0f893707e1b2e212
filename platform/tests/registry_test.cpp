#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "tests/support/scoped_registry.h"

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void Put(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_TRUE(SetRawValue(scratch_.Handle(), name, type, data, bytes));
    }
    void PutText(const wchar_t* name, DWORD type, const std::wstring& text, bool withTerminator) {
        Put(name, type, text.c_str(),
            static_cast<DWORD>((text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t)));
    }
    void OpenScratch(CRegistry& key, REGSAM mask = CRegistry::kReadWriteMask) {
        key.SetAccessMask(mask);
        ASSERT_TRUE(key.Open(scratch_.Path(), HKEY_CURRENT_USER, false));
    }

    ScopedRegistryKey scratch_;
};

TEST_F(RegistryTest, OpenCreatesMissingKeysOnlyWhenAllowedToWrite) {
    const std::wstring missing = scratch_.Path() + L"\\Missing";

    CRegistry reader;
    reader.SetAccessMask(CRegistry::kReadOnlyMask);
    EXPECT_FALSE(reader.Open(missing, HKEY_CURRENT_USER, true));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, missing));

    CRegistry writerWithoutCreate;
    EXPECT_FALSE(writerWithoutCreate.Open(missing, HKEY_CURRENT_USER, false));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, missing));

    {
        CRegistry writer;
        EXPECT_TRUE(writer.Open(missing, HKEY_CURRENT_USER, true));
        EXPECT_EQ(writer.SubKeyPath(), missing);
        EXPECT_TRUE(writer.WriteDword(L"v", 7));
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, missing));

    CRegistry again;
    again.SetAccessMask(CRegistry::kReadOnlyMask);
    EXPECT_TRUE(again.Open(missing, HKEY_CURRENT_USER, false));
    DWORD value = 0;
    EXPECT_TRUE(again.ReadDwordChecked(L"v", value));
    EXPECT_EQ(value, 7u);
    again.Close();
    EXPECT_EQ(again.Key(), nullptr);
    EXPECT_FALSE(again.ValueExists(L"v"));
}

TEST_F(RegistryTest, ReadStringAcceptsOnlyTextTypesAndKeepsDefaultsOtherwise) {
    const DWORD number = 5;
    const char oddBytes[] = {'a', 0, 'b', 0, 'c'};
    PutText(L"terminated", REG_SZ, L"hello", true);
    PutText(L"unterminated", REG_SZ, L"whole text", false);
    Put(L"odd", REG_SZ, oddBytes, sizeof(oddBytes));
    PutText(L"expandable", REG_EXPAND_SZ, L"%SystemRoot%\\x", true);
    PutText(L"empty", REG_SZ, L"", true);
    Put(L"number", REG_DWORD, &number, sizeof(number));

    struct Case {
        const wchar_t* name;
        bool result;
        const wchar_t* text;
    } cases[] = {
        {L"terminated", true, L"hello"},
        {L"unterminated", true, L"whole text"},
        {L"odd", true, L"abc"},
        {L"expandable", true, L"%SystemRoot%\\x"},
        {L"empty", true, L""},
        {L"number", false, L"default"},
        {L"missing", false, L"default"},
    };
    CRegistry key;
    OpenScratch(key, CRegistry::kReadOnlyMask);
    for (const auto& c : cases) {
        std::wstring text = L"default";
        EXPECT_EQ(key.ReadString(c.name, text), c.result) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
}

TEST_F(RegistryTest, DwordReadsKeepTheCallersValueUnlessFourBytesCameBack) {
    const DWORD stored = 0x12345678;
    const BYTE fourBytes[] = {1, 2, 3, 4};
    Put(L"dword", REG_DWORD, &stored, sizeof(stored));
    PutText(L"longText", REG_SZ, L"more than four bytes", true);
    Put(L"binary4", REG_BINARY, fourBytes, sizeof(fourBytes));

    struct Case {
        const wchar_t* name;
        bool readResult;
        DWORD readValue;
        bool checkedResult;
    } cases[] = {
        {L"dword", true, 0x12345678, true},
        {L"longText", false, 99, false},
        {L"binary4", true, 0x04030201, false},
        {L"missing", false, 99, false},
    };
    CRegistry key;
    OpenScratch(key, CRegistry::kReadOnlyMask);
    for (const auto& c : cases) {
        DWORD value = 99;
        EXPECT_EQ(key.ReadDword(c.name, value), c.readResult) << c.name;
        EXPECT_EQ(value, c.readValue) << c.name;
        DWORD checked = 0;
        EXPECT_EQ(key.ReadDwordChecked(c.name, checked), c.checkedResult) << c.name;
    }
}

TEST_F(RegistryTest, WritesStoreExactTypesAndByteCounts) {
    {
        CRegistry key;
    OpenScratch(key);
        EXPECT_TRUE(key.WriteString(L"empty", L""));
        EXPECT_TRUE(key.WriteString(L"abc", L"abc"));
        EXPECT_TRUE(key.WriteDword(L"dword", 0xA1B2C3D4));
        const DWORD viaPointer = 3;
        EXPECT_TRUE(key.WriteDwordPtr(L"pointer", &viaPointer));
    }
    struct Case {
        const wchar_t* name;
        DWORD type;
        DWORD bytes;
    } cases[] = {
        {L"empty", REG_SZ, 2},
        {L"abc", REG_SZ, 8},
        {L"dword", REG_DWORD, 4},
        {L"pointer", REG_DWORD, 4},
    };
    for (const auto& c : cases) {
        const auto raw = ReadRawValue(scratch_.Handle(), c.name);
        ASSERT_TRUE(raw.has_value()) << c.name;
        EXPECT_EQ(raw->type, c.type) << c.name;
        EXPECT_EQ(raw->bytes.size(), c.bytes) << c.name;
    }
    DWORD pointerValue = 0;
    std::memcpy(&pointerValue, ReadRawValue(scratch_.Handle(), L"pointer")->bytes.data(), 4);
    EXPECT_EQ(pointerValue, 3u);
}

TEST_F(RegistryTest, ReadBinaryRequiresBinaryTypeAndReportsStoredSize) {
    const BYTE bytes[] = {9, 8, 7};
    const DWORD number = 1;
    Put(L"bin", REG_BINARY, bytes, sizeof(bytes));
    Put(L"dword", REG_DWORD, &number, sizeof(number));
    CRegistry key;
    OpenScratch(key, CRegistry::kReadOnlyMask);

    BYTE buffer[16] = {};
    DWORD count = sizeof(buffer);
    EXPECT_TRUE(key.ReadBinary(L"bin", buffer, count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[2], 7);

    count = sizeof(buffer);
    EXPECT_FALSE(key.ReadBinary(L"dword", buffer, count));
    count = sizeof(buffer);
    EXPECT_FALSE(key.ReadBinary(L"missing", buffer, count));
}

TEST_F(RegistryTest, ReadMultiStringWalksOnlyTheReturnedData) {
    const DWORD number = 1;
    Put(L"dword", REG_DWORD, &number, sizeof(number));
    Put(L"pair", REG_MULTI_SZ, L"a\0b\0\0", 5 * sizeof(wchar_t));
    Put(L"noFinalEmpty", REG_MULTI_SZ, L"one\0two", 7 * sizeof(wchar_t));
    Put(L"stopsAtEmpty", REG_MULTI_SZ, L"x\0\0hidden\0\0", 11 * sizeof(wchar_t));
    PutText(L"expandable", REG_EXPAND_SZ, L"single", true);
    Put(L"emptyList", REG_MULTI_SZ, L"\0", sizeof(wchar_t));

    struct Case {
        const wchar_t* name;
        bool result;
        std::vector<std::wstring> texts;
    } cases[] = {
        {L"dword", false, {L"fallback"}},
        {L"pair", true, {L"a", L"b"}},
        {L"noFinalEmpty", true, {L"one", L"two"}},
        {L"stopsAtEmpty", true, {L"x"}},
        {L"expandable", true, {L"single"}},
        {L"emptyList", true, {}},
        {L"missing", false, {}},
    };
    CRegistry key;
    OpenScratch(key, CRegistry::kReadOnlyMask);
    for (const auto& c : cases) {
        std::vector<std::wstring> texts = {L"stale"};
        EXPECT_EQ(key.ReadMultiString(c.name, L"fallback", texts), c.result) << c.name;
        EXPECT_EQ(texts, c.texts) << c.name;
    }
}

}  // namespace
