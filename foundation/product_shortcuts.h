#pragma once

#include <string>

// Shortcuts that many screens use by these names.

// The per-user data folder (GetUserDataFolderPath), created when missing.
std::wstring GetDataFolder();
// The product's title in the current language (GetAppTitle).
std::wstring GetProductTitle();
