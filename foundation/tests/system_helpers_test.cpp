#include "foundation/system_helpers.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

TEST(SystemHelpersTest, ReportTheProcessAsWine32On64AsAdministrator) {
    // The test prefix is a 64-bit Windows 7 in which the tests run with full rights;
    // a 32-bit test program runs there under WoW64, a 64-bit one natively.
    EXPECT_EQ(IsWow64(), sizeof(void*) == 4);
    EXPECT_TRUE(IsCurrentUserAdmin());
    EXPECT_GE(GetWindowsMajorVersion(), 6u);
    EXPECT_EQ(GetWindowsMajorVersion(), GetWindowsMajorVersion());
}

TEST(SystemHelpersTest, ModulePathNamesTheRunningProgram) {
    const std::wstring path = GetModulePath();
    EXPECT_TRUE(PathExists(path));
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(_wcsicmp(path.substr(path.size() - 4).c_str(), L".exe"), 0) << path;
    EXPECT_EQ(GetAppFileVersionString(), L"0") << "the test program carries no version resource";
}

TEST(EnumRegistrySubkeysTest, ListsEverySubkeyAndFailsForNone) {
    ScopedRegistryKey scratch;
    std::vector<std::wstring> names{L"stale"};
    EXPECT_FALSE(EnumRegistrySubkeys(scratch.Handle(), names));
    EXPECT_TRUE(names.empty());

    for (const wchar_t* name : {L"alpha", L"beta", L"gamma"}) {
        HKEY child = nullptr;
        ASSERT_EQ(RegCreateKeyExW(scratch.Handle(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(child);
    }
    EXPECT_TRUE(EnumRegistrySubkeys(scratch.Handle(), names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
}

TEST(DeviceClassNamesTest, HoldsTheStorageAndPortClassesExactly) {
    StringMap classes;
    FillDeviceClassNames(classes);
    EXPECT_EQ(classes.size(), 46u);
    for (const wchar_t* name : {L"Host Controller", L"SCSI/RAID", L"Ports", L"MCADevices", L"nodriver"}) {
        EXPECT_TRUE(MapContainsKey(classes, name)) << name;
        EXPECT_TRUE(classes.at(name).empty());
    }
    EXPECT_FALSE(MapContainsKey(classes, L"ports")) << "names are compared exactly";
    EXPECT_FALSE(MapContainsKey(classes, L"Display"));
}

}  // namespace
