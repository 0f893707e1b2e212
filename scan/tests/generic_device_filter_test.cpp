#include "scan/generic_device_filter.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

struct FilterCase {
    const wchar_t* classKey;
    const wchar_t* hardwareId;
    bool generic;
};

const FilterCase kCases[] = {
    // The legacy-driver class is generic whatever the id, even none; case is ignored.
    {L"{8ecc055d-047f-11d1-a537-0000f8753ed1}", L"", true},
    {L"{8ECC055D-047F-11D1-A537-0000F8753ED1}", L"PCI\\VEN_8086&DEV_2829", true},
    // No id and an ordinary class: not generic, so an empty matching id passes.
    {L"{4d36e972-e325-11ce-bfc1-08002be10318}", L"", false},
    {L"", L"", false},
    // Generic fragments anywhere in the id.
    {L"", L"ROOT\\LEGACY_BEEP", true},
    {L"", L"ACPI_HAL\\PNP0C08", true},
    {L"", L"USB\\Class_03&SubClass_01", true},
    {L"", L"SWD\\MS_KSTREAM", true},
    {L"", L"STORAGE\\Volume", true},
    // A leading star is generic; one further on is not by itself.
    {L"", L"*PNP0501", true},
    {L"", L"ACPI\\VEN_PNP&DEV_0*01", false},
    // PCI and audio-codec ids without a device part.
    {L"", L"PCI\\VEN_8086", true},
    {L"", L"PCI\\VEN_8086&DEV_2829", false},
    {L"", L"HDAUDIO\\FUNC_01&VEN_10EC", true},
    {L"", L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888", false},
    // Whole ids of the table, compared without regard to case.
    {L"", L"USB\\ROOT_HUB20", true},
    {L"", L"usbstor\\disk", true},
    {L"", L"Intel-2829", true},
    {L"", L"HDAUDIO\\FUNC_02", true},
    {L"", L"landesk_mirror_driver", true},
    {L"", L"[~]ramdisk[~]", true},
    // Only whole ids count; a table id inside a longer id does not.
    {L"", L"USB\\ROOT_HUB30", false},
    {L"", L"ACPI\\PNP0303", false},
};

TEST(GenericDeviceFilterTest, DecidesEachCaseOfTheTable) {
    GenericDeviceSets sets;
    sets.Load();
    for (const FilterCase& c : kCases) {
        EXPECT_EQ(c.generic, sets.IsGenericDevice(c.classKey, c.hardwareId))
            << "class " << testing::PrintToString(std::wstring(c.classKey)) << " id "
            << testing::PrintToString(std::wstring(c.hardwareId));
    }
}

TEST(GenericDeviceFilterTest, LoadsEveryBuiltInKeyOnceAndNoIncludes) {
    GenericDeviceSets sets;
    sets.Load();
    sets.Load();  // a reload starts from empty sets
    EXPECT_EQ(1u, sets.category.size());
    EXPECT_EQ(8u, sets.genericIdentifiers.size());
    EXPECT_TRUE(sets.includes.empty());
    // 404 distinct entries, 396 once case is folded.
    EXPECT_EQ(396u, sets.hardwareIds.size());

    std::set<std::wstring> set;
    GenericDeviceFilter(L"hardwareIDS", set);
    EXPECT_EQ(396u, set.size());
    std::set<std::wstring> other;
    GenericDeviceFilter(L"Unknown", other);
    GenericDeviceFilter(L"Includes", other);
    EXPECT_TRUE(other.empty());
}

TEST(GenericDeviceFilterTest, AnIncludedIdIsNeverGeneric) {
    GenericDeviceSets sets;
    sets.Load();
    sets.includes.insert(L"root\\keepme");
    EXPECT_FALSE(sets.IsGenericDevice(L"", L"ROOT\\KEEPME"));
    EXPECT_TRUE(sets.IsGenericDevice(L"", L"ROOT\\OTHER"));
}

TEST(GenericDeviceFilterTest, CaseFoldingDoesNotFollowTheCLocale) {
    // A Turkish C locale lower-cases "I" to a dotless i in the C runtime.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_ALL, "Turkish");
    GenericDeviceSets sets;
    sets.Load();
    EXPECT_TRUE(sets.IsGenericDevice(L"", L"INTEL-2829"));
    EXPECT_TRUE(sets.IsGenericDevice(L"", L"PCIIDE\\IDECHANNEL"));
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
