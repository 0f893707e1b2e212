#include "scan/hardware_hash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "scan/crc64.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// Fixed values in place of WMI and the adapter enumeration.
class FixedFacts : public MachineFactsSource {
public:
    std::map<std::wstring, std::map<std::wstring, std::wstring>> classes;
    std::vector<TextPair> adapters;
    std::vector<std::wstring> secondSourceAddresses;
    int queries = 0;

    int QueryWmiClass(const std::wstring& className, std::vector<TextPair>& pairs) override {
        ++queries;
        if (className == L"Win32_NetworkAdapter") {
            pairs = adapters;
            return 0;
        }
        for (auto& pair : pairs) {
            const auto& values = classes[className];
            const auto found = values.find(pair.first);
            if (found != values.end()) pair.second = found->second;
        }
        return 0;
    }
    void CollectAdapterAddresses(std::vector<std::wstring>& addresses) override {
        addresses.clear();
        for (const auto& a : secondSourceAddresses) AddUniqueAddress(addresses, a);
    }
};

std::unique_ptr<FixedFacts> SampleMachine() {
    auto facts = std::make_unique<FixedFacts>();
    facts->classes[L"Win32_BIOS"] = {{L"Name", L"  Default System BIOS "},
                                     {L"Manufacturer", L"Acme"},
                                     {L"SMBIOSBIOSVersion", L"1.2.3"},
                                     {L"SerialNumber", L""},
                                     {L"ReleaseDate", L"20200101000000.000000+000"}};
    // The same maker as the BIOS in other letter case: it enters the digest once.
    facts->classes[L"Win32_BaseBoard"] = {
        {L"Product", L"Board X"}, {L"Manufacturer", L"ACME"}, {L"SerialNumber", L"SN1"}, {L"Version", L" "}};
    facts->classes[L"Win32_ComputerSystem"] = {{L"Model", L"Model Z"}, {L"Manufacturer", L"Acme"}};
    facts->adapters = {{L"Ethernet", L"001122AAbbcc"}, {L"VMware Network Adapter VMnet8", L"005056C00008"}};
    return facts;
}

// Expected identities were worked out independently (Python: hashlib.sha1 over the
// sorted UTF-16LE values, then a bitwise CRC-64 over the lower-case digest text).
TEST(MachineHash, IdentityOfFixedValuesMatchesAnIndependentComputation) {
    CHardwareHash hash(SampleMachine());
    EXPECT_EQ(hash.ComputeIdentityText(), L"171346791459543615");
    // The excluded virtual adapter stays in the values the request lists.
    ASSERT_EQ(hash.WmiAdapterValues().size(), 2u);
    EXPECT_EQ(hash.WmiAdapterValues()[1].second, L"005056C00008");
    EXPECT_EQ(hash.BiosValues()[0], TextPair(L"Name", L"  Default System BIOS "));

    auto upper = SampleMachine();
    for (auto& [name, values] : upper->classes) {
        for (auto& [property, value] : values) {
            for (wchar_t& c : value) c = static_cast<wchar_t>(towupper(c));
        }
    }
    upper->adapters[0].second = L"001122aabbcc";
    EXPECT_EQ(CHardwareHash(std::move(upper)).ComputeIdentityText(), L"171346791459543615");
}

TEST(MachineHash, WithoutWmiAdaptersTheSecondSourceGivesTheAddresses) {
    auto facts = SampleMachine();
    facts->adapters.clear();
    facts->secondSourceAddresses = {L"0A0B0C0D0E0F", L"001122334455", L"005056c00001", L"0a0b0c0d0e0f"};
    CHardwareHash hash(std::move(facts));
    EXPECT_EQ(hash.ComputeIdentityText(), L"-4326396259478730934");
    EXPECT_EQ(hash.AddressList(), (std::vector<std::wstring>{L"0A0B0C0D0E0F", L"001122334455", L"005056c00001"}));

    // Nothing at all: the digest of no input still gives an identity.
    EXPECT_EQ(CHardwareHash(std::make_unique<FixedFacts>()).ComputeIdentityText(), L"83619874336341298");
}

TEST(MachineHash, Crc64FollowsTheCatalogueDefinition) {
    EXPECT_EQ(Crc64(9, "123456789"), 0x62EC59E3F1A4F00Aull);
    EXPECT_EQ(Crc64OfText(L""), 0xE15A528AE9B20842ull);  // the terminator's two zero bytes
    EXPECT_EQ(Crc64OfText(L"  ABC \t"), Crc64(6, "a\0b\0c\0"));
}

// When the child's variable is set, this test only writes the identity for its parent.
TEST(MachineHash, SameTextInTwoProcessesAndOnEveryCallOfOne) {
    const wchar_t* out = _wgetenv(L"HALVENOR_HASH_OUT");
    if (out && *out) {
        const std::wstring identity = ComputeMachineHash();
        WriteFileBytes(out, std::string(identity.begin(), identity.end()));
        return;
    }
    const std::wstring first = ComputeMachineHash();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(ComputeMachineHash(), first);

    ScopedTempFolder folder;
    const std::wstring file = folder.File(L"identity.txt");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ScopedEnvironmentVariable variable(L"HALVENOR_HASH_OUT", file);
    ASSERT_EQ(RunProgramAndWait(L"\"" + std::wstring(self) +
                                L"\" --gtest_filter=MachineHash.SameTextInTwoProcessesAndOnEveryCallOfOne"),
              0u);
    EXPECT_EQ(ReadFileBytes(file), std::string(first.begin(), first.end()));

    // The cache is the process's: another object with other values gets the same text.
    auto facts = SampleMachine();
    FixedFacts* seen = facts.get();
    CHardwareHash other(std::move(facts));
    EXPECT_EQ(other.ComputeMachineHash(), first);
    EXPECT_EQ(seen->queries, 0);
}

}  // namespace
