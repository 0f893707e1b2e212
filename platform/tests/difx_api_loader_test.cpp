#include "platform/difx_api_loader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DifxApiLoader, BindsTheLibraryAndReportsWhyNoCallWasMade) {
    DifxApiLoader unloaded;
    EXPECT_FALSE(unloaded.IsLoaded());
    EXPECT_EQ(unloaded.Install(L"C:\\a.inf", 0), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    DifxApiLoader loader;
    LoadDifxApi(loader);
    ASSERT_TRUE(loader.IsLoaded());
    EXPECT_NE(loader.InstallEntry(), nullptr);
    EXPECT_NE(loader.PreinstallEntry(), nullptr);
    // A path DIFx would cut is refused instead of naming some other file.
    EXPECT_EQ(loader.Install(L"C:\\" + std::wstring(300, L'a') + L".inf", 0),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

    // Loading again keeps one reference to the library, not two.
    const HMODULE module = loader.Module();
    LoadDifxApi(loader);
    EXPECT_EQ(loader.Module(), module);
}

}  // namespace
