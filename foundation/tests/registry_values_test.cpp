#include "foundation/registry_values.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/product_key.h"
#include "platform/registry.h"
#include "tests/support/scoped_registry.h"

namespace {

class RegistryValuesTest : public ::testing::Test {
protected:
    ScopedRegistryKey scratch_;
};

TEST_F(RegistryValuesTest, GetUserRegistryValueReadsPresentValuesAndKeepsDefaults) {
    const DWORD number = 42;
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"text", REG_SZ, L"stored", 14));
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"number", REG_DWORD, &number, 4));

    struct Case {
        std::wstring subKey;
        const wchar_t* name;
        DWORD type;
        std::wstring text;
        DWORD number;
    } cases[] = {
        {scratch_.Path(), L"text", REG_SZ, L"stored", 7},
        {scratch_.Path(), L"number", REG_DWORD, L"keep", 42},
        {scratch_.Path(), L"missing", REG_SZ, L"keep", 7},
        {scratch_.Path() + L"\\NoSuchKey", L"text", REG_DWORD, L"keep", 7},
    };
    for (const auto& c : cases) {
        std::wstring text = L"keep";
        DWORD value = 7;
        EXPECT_EQ(GetUserRegistryValue(c.subKey, c.name, text, value, c.type), 1) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(value, c.number) << c.name;
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch_.Path() + L"\\NoSuchKey"));
}

TEST_F(RegistryValuesTest, SetUserRegistryValueWritesOnlyExistingValuesUnlessCreating) {
    const std::wstring path = scratch_.Path();
    EXPECT_EQ(SetUserRegistryValue(false, path, L"absent", L"x", 0, REG_SZ), 1);
    EXPECT_FALSE(ReadRawValue(scratch_.Handle(), L"absent").has_value());

    EXPECT_EQ(SetUserRegistryValue(true, path, L"text", L"abc", 0, REG_SZ), 1);
    EXPECT_EQ(SetUserRegistryValue(true, path, L"number", L"", 9, REG_DWORD), 1);
    EXPECT_EQ(SetUserRegistryValue(true, path, L"binary", L"abc", 9, REG_BINARY), 1);
    EXPECT_EQ(SetUserRegistryValue(false, path, L"number", L"", 10, REG_DWORD), 1);

    const auto text = ReadRawValue(scratch_.Handle(), L"text");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->bytes.size(), 8u);
    const auto number = ReadRawValue(scratch_.Handle(), L"number");
    ASSERT_TRUE(number.has_value());
    DWORD stored = 0;
    std::memcpy(&stored, number->bytes.data(), 4);
    EXPECT_EQ(stored, 10u);
    EXPECT_FALSE(ReadRawValue(scratch_.Handle(), L"binary").has_value());

    const std::wstring created = path + L"\\Created";
    EXPECT_EQ(SetUserRegistryValue(true, created, L"v", L"", 1, REG_DWORD), 1);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, created));
}

TEST_F(RegistryValuesTest, ReadRegStringDefaultFallsBackForMissingOrNonTextValues) {
    const DWORD number = 3;
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"text", REG_SZ, L"value", 12));
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"number", REG_DWORD, &number, 4));
    EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, scratch_.Path(), L"text", L"d"), L"value");
    EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, scratch_.Path(), L"number", L"d"), L"d");
    EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, scratch_.Path(), L"missing", L"d"), L"d");
    EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, scratch_.Path() + L"\\No", L"text", L"d"), L"d");
}

TEST_F(RegistryValuesTest, UserSystemTimeRoundTripsAndZeroFillsShortValues) {
    const std::wstring path = scratch_.Path();
    SYSTEMTIME untouched{};
    untouched.wYear = 1999;
    SYSTEMTIME out = untouched;
    EXPECT_FALSE(ReadUserSystemTime(path, L"missing", out));
    EXPECT_EQ(out.wYear, 1999);
    EXPECT_FALSE(ReadUserSystemTime(path + L"\\NoKey", L"t", out));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + L"\\NoKey"));

    SYSTEMTIME written{2026, 12, 4, 10, 13, 14, 15, 16};
    EXPECT_TRUE(WriteUserSystemTime(written, path + L"\\SYSRES", L"when"));
    CRegistry sysres;
    ASSERT_TRUE(sysres.Open(path + L"\\SYSRES", HKEY_CURRENT_USER, false));
    const auto raw = ReadRawValue(sysres.Key(), L"when");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw->bytes.size(), 16u);
    EXPECT_TRUE(ReadUserSystemTime(path + L"\\SYSRES", L"when", out));
    EXPECT_EQ(std::memcmp(&out, &written, sizeof(out)), 0);

    const BYTE eight[8] = {0xEA, 0x07, 12, 0, 4, 0, 10, 0};
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"short", REG_BINARY, eight, sizeof(eight)));
    out = written;
    EXPECT_TRUE(ReadUserSystemTime(path, L"short", out));
    EXPECT_EQ(out.wYear, 2026);
    EXPECT_EQ(out.wDay, 10);
    EXPECT_EQ(out.wHour, 0);
    EXPECT_EQ(out.wMilliseconds, 0);

    BYTE twenty[20];
    std::memcpy(twenty, &written, 16);
    std::memset(twenty + 16, 0xFF, 4);
    ASSERT_TRUE(SetRawValue(scratch_.Handle(), L"long", REG_BINARY, twenty, sizeof(twenty)));
    out = untouched;
    EXPECT_TRUE(ReadUserSystemTime(path, L"long", out));
    EXPECT_EQ(std::memcmp(&out, &written, sizeof(out)), 0);
}

TEST(ProductKeyValuesTest, FirstRunProbeAndMachineWideDword) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());

    EXPECT_FALSE(HasFirstRunValue());
    {
        CRegistry product;
        ASSERT_TRUE(product.Open(kProductKeyPath, HKEY_CURRENT_USER, true));
        ASSERT_TRUE(product.WriteString(L"FirstRun", L""));
    }
    EXPECT_TRUE(HasFirstRunValue());

    EXPECT_TRUE(WriteProductDword(L"Machine", 77));
    CRegistry machine;
    machine.SetAccessMask(CRegistry::kReadOnlyMask);
    ASSERT_TRUE(machine.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, false));
    DWORD value = 0;
    EXPECT_TRUE(machine.ReadDwordChecked(L"Machine", value));
    EXPECT_EQ(value, 77u);
}

}  // namespace
