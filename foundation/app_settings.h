#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The user's options and the scan statistics, mirrored from the product key. One
// record for the process; the UI and worker threads reach it only through
// GetAppSettings / UpdateAppSettings, which copy under a lock, so a load or save on
// one thread never tears a text that another thread reads.
struct AppSettings {
    int startWhenWinBoots = 1;
    int goToSystemTrayOnClose = 1;
    int setChkRemovableMedia = 1;
    int setChkSkipEmptyKeys = 1;
    int improvementProgram = 1;
    std::wstring strLastOptimizeTime;
    int confirmBkUps = 1;
    int startScan = 0;
    int startMinimized = 0;
    int autoRepair = 0;
    std::wstring strLastScan;
    std::wstring strLastScanResults = L"0";
    std::wstring strLatestRegDefrag;
    std::wstring strLatestRestorePoint;
    std::wstring strLastStartupOpt;
    int regErrFoundTillDate = 0;
    int regErrsFixedTillDate = 0;
    int regErrsFixedLast = 0;
    std::wstring scheduledTime;
    int scheduleKind = -1;  // "m_rBtnEvery": -1 nothing stored, 0 once, 1 daily, 2 weekly, 3 none
    int numTimesHalRunned = 0;
    int totalScannedDrivers = 0;
    int totalOutOfDateDrivers = 0;
    int totalUpToDateDrivers = 0;
    int driverAge = 4;
    int oldestDriverAgeInYears = 0;
    int appDriverScanStatus = 0;
    std::wstring installedPath;
    int isTelNoEnabled = 0;
    int isDriverAlertsEnabled = 1;
};

// A copy of the record as it stands.
AppSettings GetAppSettings();
// Changes fields of the record under its lock; saving is a separate step.
void UpdateAppSettings(const std::function<void(AppSettings&)>& change);

// Puts every field back to its default and marks the record initialised.
void InitDefaultSettings();
// Reads the stored values over the record; it writes nothing but the product key
// when that is missing. Whether a default scan task is due is a start-up decision
// of the program, made after this read.
void LoadSettings();
void SaveSettings();
void SaveScheduledTime();
// Takes a stored "ScheduledTime" into the record, after something other than the
// settings store wrote it.
void ReloadScheduledTime();

int GetLastScanResultCount();
void SaveLastScanResultCount(int count);

// Whole days since "CurrentScanTime"; -1 when it is absent or not a valid time.
int DaysSinceLastScan();

bool ReadStartAutoScanFlag();
bool ResetStartAutoScanFlag();

// The machine-wide "IsDriverBackupModeEnabled" is 1; read from the registry at most
// once every 8192 ms.
bool IsDriverBackupModeEnabled();
