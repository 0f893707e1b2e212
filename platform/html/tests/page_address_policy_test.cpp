#include "platform/html/page_address_policy.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kModule = L"C:\\Program Files\\Halvenor\\halvenor.exe";

struct AddressCase {
    const wchar_t* address;
    bool own;
    NavigationAction navigation;
};

TEST(PageAddressPolicy, TrustsOnlyTheProgramsOwnPages) {
    const AddressCase cases[] = {
        {L"res://C:\\Program Files\\Halvenor\\halvenor.exe/429", true, NavigationAction::Allow},
        {L"res://c:\\program files\\halvenor\\HALVENOR.EXE/about.js", true, NavigationAction::Allow},
        {L"res://C:/Program%20Files/Halvenor/halvenor.exe/pages.css", true, NavigationAction::Allow},
        {L"about:blank", true, NavigationAction::Allow},
        {L"ABOUT:BLANK", true, NavigationAction::Allow},
        // Another module, or a name that only starts like ours.
        {L"res://C:\\Windows\\System32\\shdoclc.dll/navcancl.htm", false, NavigationAction::Cancel},
        {L"res://C:\\Program Files\\Halvenor\\halvenor.exe.evil/429", false, NavigationAction::Cancel},
        {L"res://C:\\Program Files\\Halvenor\\halvenor.exe", false, NavigationAction::Cancel},
        {L"about:blankx", false, NavigationAction::Cancel},
        {L"http://example.com/", false, NavigationAction::CancelAndOpenInBrowser},
        {L"HTTPS://example.com/driver", false, NavigationAction::CancelAndOpenInBrowser},
        {L"file:///C:/Windows/win.ini", false, NavigationAction::Cancel},
        {L"javascript:alert(1)", false, NavigationAction::Cancel},
        {L"", false, NavigationAction::Cancel},
    };
    for (const AddressCase& c : cases) {
        EXPECT_EQ(IsOwnPageAddress(c.address, kModule), c.own) << c.address;
        EXPECT_EQ(DecideNavigation(c.address, kModule), c.navigation) << c.address;
    }
}

TEST(PageAddressPolicy, WithoutAModulePathOnlyTheBlankPageIsOwn) {
    EXPECT_FALSE(IsOwnPageAddress(L"res:///429", L""));
    EXPECT_TRUE(IsOwnPageAddress(L"about:blank", L""));
}

TEST(PageAddressPolicy, ThePageAddressOfAResourceIsOneOfOurs) {
    const std::wstring address = PageResourceAddress(kModule, 424);
    EXPECT_EQ(address, L"res://C:\\Program Files\\Halvenor\\halvenor.exe/424");
    EXPECT_TRUE(IsOwnPageAddress(address, kModule));
    EXPECT_TRUE(IsOwnPageAddress(PageResourceAddress(ModulePath(nullptr), 1), ModulePath(nullptr)));
}

}  // namespace
