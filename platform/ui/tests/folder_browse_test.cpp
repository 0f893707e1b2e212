#include "platform/ui/folder_browse.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_temp_folder.h"

namespace {

TEST(FolderBrowseTest, FoldersThatTheDialogAccepts) {
    ScopedTempFolder folder;
    EXPECT_TRUE(IsFolderSelectable(folder.Path()));
    EXPECT_TRUE(IsFolderSelectable(L"C:\\"));
    for (const wchar_t* refused : {L"C:\\$Recycle.Bin\\S-1-5-21", L"C:\\RECYCLER\\x", L"C:\\System Volume Information",
                                   L"\\\\server\\share\\folder", L"", L"Q"}) {
        EXPECT_FALSE(IsFolderSelectable(refused)) << refused;
    }
    SetBrowseInitialFolder(L"C:\\start");
    EXPECT_EQ(GetBrowseInitialFolder(), L"C:\\start");
}

}  // namespace
