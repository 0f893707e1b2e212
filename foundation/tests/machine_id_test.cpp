#include "foundation/machine_id.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "platform/registry.h"
#include "tests/support/scoped_registry.h"

namespace {

class MachineIdTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(roots_.Active()); }

    static HKEY ProductKey(HKEY root) {
        HKEY key = nullptr;
        RegCreateKeyExW(root, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    static void SetExisting(HKEY root, const std::wstring& text) {
        HKEY key = ProductKey(root);
        SetRawValue(key, L"ExistingUniqueMachineId", REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    static void SetRawId(HKEY root, const std::wstring& text) {
        HKEY key = ProductKey(root);
        SetRawValue(key, L"RawId", REG_BINARY, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    static std::optional<RawValue> Read(HKEY root, const wchar_t* name) {
        HKEY key = ProductKey(root);
        auto value = ReadRawValue(key, name);
        RegCloseKey(key);
        return value;
    }
    static std::vector<BYTE> Bytes(const std::wstring& text) {
        const BYTE* data = reinterpret_cast<const BYTE*>(text.data());
        return std::vector<BYTE>(data, data + text.size() * sizeof(wchar_t));
    }

    ScopedRegistryRoots roots_;
};

TEST_F(MachineIdTest, TakesOverTheOldInstallationsIdentifier) {
    const struct {
        const wchar_t* user;
        const wchar_t* machine;
        const wchar_t* expected;
    } cases[] = {{L"user-id", nullptr, L"user-id"}, {L"user-id", L"machine-id", L"machine-id"},
                 {nullptr, L"machine-id", L"machine-id"}};
    for (const auto& c : cases) {
        if (c.user) SetExisting(HKEY_CURRENT_USER, c.user);
        if (c.machine) SetExisting(HKEY_LOCAL_MACHINE, c.machine);
        SetRawId(HKEY_LOCAL_MACHINE, L"stored-before");

        std::wstring cached;
        EXPECT_EQ(ResolveMachineId(cached, L"hash"), c.expected);
        EXPECT_EQ(cached, c.expected);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            EXPECT_FALSE(Read(root, L"ExistingUniqueMachineId").has_value()) << c.expected;
            const auto raw = Read(root, L"RawId");
            ASSERT_TRUE(raw.has_value());
            EXPECT_EQ(raw->type, static_cast<DWORD>(REG_BINARY));
            EXPECT_EQ(raw->bytes, Bytes(c.expected));
        }
    }
}

TEST_F(MachineIdTest, StoredIdentifierOfTheMachineWins) {
    SetRawId(HKEY_LOCAL_MACHINE, L"machine-raw");
    SetRawId(HKEY_CURRENT_USER, L"user-raw");
    std::wstring cached;
    EXPECT_EQ(ResolveMachineId(cached, L"hash"), L"machine-raw");

    // Without the machine's copy (no rights there, say) the user's is read.
    HKEY key = ProductKey(HKEY_LOCAL_MACHINE);
    RegDeleteValueW(key, L"RawId");
    RegCloseKey(key);
    EXPECT_EQ(ResolveMachineId(cached, L"hash"), L"user-raw");

    // A stored id with a NUL inside ends there.
    SetRawId(HKEY_LOCAL_MACHINE, std::wstring(L"abc\0def", 7));
    EXPECT_EQ(ResolveMachineId(cached, L"hash"), L"abc");
}

TEST_F(MachineIdTest, AdoptsTheHashWhenNothingIsStored) {
    std::wstring cached;
    // Before any scan request there is no hash yet: two zero bytes are stored ...
    EXPECT_EQ(ResolveMachineId(cached, L""), L"");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, L"RawId")->bytes, (std::vector<BYTE>{0, 0}));
    // ... which are too short to count, so the next call adopts the hash.
    EXPECT_EQ(ResolveMachineId(cached, L"3F2504E04F8911D39A0C0305E82C3301"), L"3F2504E04F8911D39A0C0305E82C3301");
    EXPECT_EQ(ResolveMachineId(cached, L"other"), L"3F2504E04F8911D39A0C0305E82C3301") << "stays once stored";
}

TEST_F(MachineIdTest, StoresTheIdentifierTrimmed) {
    StoreMachineId(L"  abcd \t");
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        EXPECT_EQ(Read(root, L"RawId")->bytes, Bytes(L"abcd"));
    }
    std::wstring read;
    EXPECT_TRUE(ReadMachineId(read));
    EXPECT_EQ(read, L"abcd");

    // A value of another type is not an identifier.
    HKEY key = ProductKey(HKEY_LOCAL_MACHINE);
    SetRawValue(key, L"RawId", REG_SZ, L"text", 10);
    RegCloseKey(key);
    key = ProductKey(HKEY_CURRENT_USER);
    RegDeleteValueW(key, L"RawId");
    RegCloseKey(key);
    read.clear();
    EXPECT_FALSE(ReadMachineId(read));
}

}  // namespace

