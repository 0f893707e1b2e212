#include <gtest/gtest.h>

#include <string>

#include "foundation/file_version_info.h"
#include "foundation/hv_bitmap.h"
#include "foundation/text_helpers.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(ResourceHelpersTest, ReadsTheVersionBlockOfAFile) {
    FileVersionInfo info;
    ASSERT_TRUE(info.Load(OwnPath()));
    EXPECT_EQ(info.Translation(), 0x040904B0u);
    EXPECT_EQ(info.GetFileVersionString(), L"1.2.3.4 fixture");
    EXPECT_EQ(info.GetFixedVersion(), L"1,2,3,4");
    info.Release();
    EXPECT_EQ(info.GetFileVersionString(), L"");
    EXPECT_EQ(info.GetFixedVersion(), L"");

    FILE_DETAILS details;
    ASSERT_TRUE(GetFileVersionTranslation(OwnPath(), details));
    EXPECT_EQ(details.language, 0x0409);
    EXPECT_EQ(details.codePage, 1200);
    EXPECT_EQ(details.fixed.dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(GetFileVersionString(details), L"Brennavik Test Works");
    const bool present[12] = {true, true, true, false, false, false, true, true, false, false, false, false};
    for (int index = 0; index < 12; ++index) EXPECT_EQ(GetFileVersionField(details, index), present[index]) << index;
    EXPECT_FALSE(GetFileVersionField(details, 12));
    EXPECT_FALSE(GetFileVersionField(details, -1));
}

TEST(ResourceHelpersTest, FilesWithoutAVersionBlockGiveNothing) {
    ScopedTempFolder folder;
    const std::wstring plain = folder.File(L"plain.txt");
    ASSERT_TRUE(WriteFileBytes(plain, "no resources here"));
    for (const std::wstring& path : {plain, folder.File(L"missing.dll")}) {
        FileVersionInfo info;
        EXPECT_FALSE(info.Load(path));
        EXPECT_FALSE(info.IsLoaded());
        EXPECT_EQ(info.GetFixedVersion(), L"");

        FILE_DETAILS details;
        details.language = 7;
        EXPECT_FALSE(GetFileVersionTranslation(path, details));
        EXPECT_EQ(details.language, 0);
        EXPECT_EQ(GetFileVersionString(details), L"");
        EXPECT_FALSE(GetFileVersionField(details, 0));
    }
}

TEST(ResourceHelpersTest, StringAndBitmapResources) {
    EXPECT_EQ(LoadResourceString(4711), L"Resource text");
    EXPECT_EQ(LoadResourceString(4712), L"");

    CHvBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap(300));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_FALSE(bitmap.LoadBitmap(301));
    EXPECT_EQ(bitmap.Handle(), nullptr);
    EXPECT_EQ(bitmap.Width(), 3) << "a failed load keeps the sizes";
}

}  // namespace
