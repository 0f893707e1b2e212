#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include <windows.h>
#include <commctrl.h>

class CDriverScanUpdate;
class CDriverScannerApp;

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

// The backup and restore runs of the wizards and the backup before an update, on
// the engine record: they take their selection from the record's trees and lists
// and leave their outcome in its fields, which the wizards read when the worker
// ends.
class DriverBackupRuns {
public:
    DriverBackupRuns(CDriverScanUpdate& record, CDriverScannerApp& engine) : record_(record), engine_(engine) {}

    void BackupSelectedDrivers();
    void BackupDriversBeforeUpdate();
    int RestoreDriversFromArchive();

    // Copies each checked device item of the backup tree, from `item` on, into the
    // backup selection.
    void CollectCheckedDevices(HTREEITEM item);
    // False when the index or the slot lies outside its array (nothing copied).
    bool CopyDeviceToBackupList(int deviceIndex, int slot);
    void CollectCheckedRestoreItems(HTREEITEM item);

private:
    CDriverScanUpdate& record_;
    CDriverScannerApp& engine_;
};
