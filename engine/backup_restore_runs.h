#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDriverScanUpdate;
class CDriverScannerApp;

// The devices a backup run takes: every present device with a driver (a full
// backup), or the inventory indexes the user checked.
struct BackupChoice {
    bool everyDevice = false;
    std::vector<int> deviceIndexes;
};

// One device the user checked in a loaded backup archive: the name it is shown
// under and the index of its record in the archive's index. Together they are the
// key of the record's restore map.
struct RestoreChoice {
    std::wstring deviceName;
    long long memberIndex = 0;
};

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
// the engine record: the wizards hand them what the user chose, the backup before
// an update takes the record's update lists, and each leaves its outcome in the
// record's fields, which the wizards read when the worker ends.
class DriverBackupRuns {
public:
    DriverBackupRuns(CDriverScanUpdate& record, CDriverScannerApp& engine) : record_(record), engine_(engine) {}

    void BackupSelectedDrivers(const BackupChoice& choice);
    void BackupDriversBeforeUpdate();
    int RestoreDriversFromArchive(const std::vector<RestoreChoice>& choice);

    // False when the index or the slot lies outside its array (nothing copied).
    bool CopyDeviceToBackupList(int deviceIndex, int slot);
    // Fills the restore selection with the chosen members the restore map knows.
    void CollectRestoreChoice(const std::vector<RestoreChoice>& choice);

private:
    CDriverScanUpdate& record_;
    CDriverScannerApp& engine_;
};
