#pragma once

#include <string>

// The language texts the backup and restore engine stores or shows.

// Follows an absent device's name in a backup index: "name (text) ".
std::wstring AbsentDeviceText();
// Told when a restore finds none of the chosen devices in the backup.
std::wstring CorruptBackupText();
