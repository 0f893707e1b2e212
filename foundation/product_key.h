#pragma once

// The product's key, under HKEY_CURRENT_USER for settings and statistics and under
// HKEY_LOCAL_MACHINE for the few machine-wide values.
inline constexpr wchar_t kProductKeyPath[] = L"Software\\Brennavik\\Halvenor";
