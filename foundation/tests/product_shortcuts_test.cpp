#include "foundation/product_shortcuts.h"

#include <gtest/gtest.h>

#include "foundation/language_strings.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

TEST(ProductShortcutsTest, DataFolderAndTitle) {
    ScopedAppDataFolder appData;
    ASSERT_TRUE(appData.Active());
    EXPECT_EQ(GetDataFolder(), appData.ProductDataFolder());
    EXPECT_EQ(GetProductTitle(), GetAppTitle());
    EXPECT_FALSE(GetProductTitle().empty());
}

}  // namespace
