#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// Set by the backup wizard for a full backup: the next backup run takes every
// present device instead of the checked tree items, and clears it.
extern std::atomic<bool> BackupAllDevicesFlag;

// The main window keeps the number of devices of the last backup run for the
// wizard's result page. Until a window takes the number over it stays here.
void SetMainWindowBackupCountReceiver(std::function<void(int32_t)> receiver);
void StoreMainWindowBackupCount(int32_t count);
int32_t MainWindowBackupCount();

// How a run tells the user something that needs no answer; a message box unless a
// window or a test puts something else in.
void SetRunMessageSink(std::function<void(const std::wstring&)> sink);
void ShowRunMessage(const std::wstring& text);
