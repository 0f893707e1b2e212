#pragma once

#include <string>

// The language texts the backup and restore engine shows or stores.

// Follows an absent device's name in a backup index: "name (text) ".
std::wstring AbsentDeviceText();
// Told when a restore finds none of the chosen devices in the backup.
std::wstring CorruptBackupText();
// The program's title, for a restore point description and message captions.
std::wstring EngineAppTitle();
