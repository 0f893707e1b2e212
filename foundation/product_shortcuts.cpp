#include "foundation/product_shortcuts.h"

#include "foundation/folders.h"
#include "foundation/language_strings.h"

std::wstring GetDataFolder() { return GetUserDataFolderPath(); }

std::wstring GetProductTitle() { return GetAppTitle(); }
