#include "platform/html/hal_browser_control_site.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kModule = L"C:\\Halvenor\\halvenor.exe";

ComPtr<IInternetSecurityManager> SecurityManagerOf(CHalBrowserControlSite& site) {
    ComPtr<IInternetSecurityManager> manager;
    EXPECT_EQ(site.QueryService(IID_IInternetSecurityManager, IID_IInternetSecurityManager,
                                reinterpret_cast<void**>(manager.Put())),
              S_OK);
    return manager;
}

TEST(BrowserControlSite, SecurityManagerTrustsOwnPagesAndDefersEverythingElse) {
    auto site = MakeComObject<CHalBrowserControlSite>(nullptr, kModule);
    auto manager = SecurityManagerOf(*site.Get());
    ASSERT_TRUE(manager);

    struct Case {
        const wchar_t* address;
        HRESULT answer;
    };
    const Case cases[] = {
        {L"res://C:\\Halvenor\\halvenor.exe/429", S_OK},
        {L"about:blank", S_OK},
        {L"http://example.com/", INET_E_DEFAULT_ACTION},
        {L"https://example.com/", INET_E_DEFAULT_ACTION},
        {L"file:///C:/Windows/win.ini", INET_E_DEFAULT_ACTION},
        {L"res://C:\\Windows\\system32\\ieframe.dll/navcancl.htm", INET_E_DEFAULT_ACTION},
    };
    for (const Case& c : cases) {
        DWORD zone = 99;
        EXPECT_EQ(manager->MapUrlToZone(c.address, &zone, 0), c.answer) << c.address;
        EXPECT_EQ(zone, c.answer == S_OK ? static_cast<DWORD>(URLZONE_TRUSTED) : 99u) << c.address;

        DWORD policy = 99;
        EXPECT_EQ(manager->ProcessUrlAction(c.address, URLACTION_SCRIPT_RUN, reinterpret_cast<BYTE*>(&policy),
                                            sizeof(policy), nullptr, 0, 0, 0),
                  c.answer)
            << c.address;
        EXPECT_EQ(policy, c.answer == S_OK ? static_cast<DWORD>(URLPOLICY_ALLOW) : 99u) << c.address;
    }
}

TEST(BrowserControlSite, SecurityManagerLeavesIncompleteRequestsToTheSystem) {
    auto site = MakeComObject<CHalBrowserControlSite>(nullptr, kModule);
    auto manager = SecurityManagerOf(*site.Get());
    const wchar_t* own = L"res://C:\\Halvenor\\halvenor.exe/429";
    EXPECT_EQ(manager->MapUrlToZone(own, nullptr, 0), INET_E_DEFAULT_ACTION);
    BYTE shortPolicy[2] = {9, 9};
    EXPECT_EQ(manager->ProcessUrlAction(own, URLACTION_SCRIPT_RUN, shortPolicy, sizeof(shortPolicy), nullptr, 0, 0,
                                        0),
              INET_E_DEFAULT_ACTION);
    EXPECT_EQ(shortPolicy[0], 9);
    EXPECT_EQ(manager->SetSecuritySite(nullptr), INET_E_DEFAULT_ACTION);
    EXPECT_EQ(manager->GetSecurityId(own, nullptr, nullptr, 0), INET_E_DEFAULT_ACTION);
    EXPECT_EQ(manager->SetZoneMapping(URLZONE_TRUSTED, own, 0), INET_E_DEFAULT_ACTION);
}

TEST(BrowserControlSite, ServiceProviderHandsOutOnlyTheSecurityManager) {
    auto site = MakeComObject<CHalBrowserControlSite>(nullptr, kModule);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(site->QueryService(IID_IInternetSecurityManager, IID_IUnknown, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    other = reinterpret_cast<void*>(1);
    EXPECT_EQ(site->QueryService(IID_IOleClientSite, IID_IInternetSecurityManager, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    // One object behind the site and its security manager.
    auto manager = SecurityManagerOf(*site.Get());
    auto back = manager.As<IServiceProvider>(IID_IServiceProvider);
    EXPECT_EQ(static_cast<IServiceProvider*>(site.Get()), back.Get());
}

TEST(BrowserControlSite, PageHasNoContextMenuNoDropTargetAndTheWindowsHostFlags) {
    auto site = MakeComObject<CHalBrowserControlSite>(nullptr, kModule);
    site->SetHostFlags(0x2D);
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_EQ(site->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x2Du);
    POINT where{10, 10};
    EXPECT_EQ(site->ShowContextMenu(0, &where, nullptr, nullptr), S_OK);
    IDropTarget* target = reinterpret_cast<IDropTarget*>(1);
    EXPECT_EQ(site->GetDropTarget(nullptr, &target), S_OK);
    EXPECT_EQ(target, nullptr);
}

}  // namespace
