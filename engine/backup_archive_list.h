#pragma once

#include <string>
#include <vector>

#include "engine/backup_archive.h"
#include "scan/driver_info_record.h"

// The restore side's view of the backup list: which archives there are, in which
// order, and what the restore tree shows of a device.

// A date and time as an automation date (days since 30 December 1899) with its
// validity.
struct ArchiveTime {
    double value = 0;
    bool valid = false;
};

struct BackupArchiveRow {
    std::wstring name;     // the backup list key, shown in the list
    std::wstring path;     // the archive file
    std::wstring sortKey;  // "YYYYMMDD_HHMMSS"
    ArchiveTime time;
};

// A backup list value: the archive path, and the time text after the first "|"
// when that "|" is not the value's first character.
struct BackupListValue {
    std::wstring path;
    std::wstring timeText;
};
BackupListValue SplitBackupListValue(const std::wstring& value);

// The sort key of an archive name made by MakeBackupArchiveName ("...,09-Dec-2026_
// H09-M34-S31.zip" gives "20261209_093431"); date and time are read with the user's
// locale, and a part that cannot be read stays empty. `time` is set only when both
// parts are read.
std::wstring BackupArchiveSortKey(const std::wstring& name, ArchiveTime& time);

// Reads a backup list time text "2026-12-09_09-34-31". False when the text does not
// split into a date and a time of three numbers each; the numbers themselves may
// still make an invalid time.
bool ParseStoredBackupTime(const std::wstring& text, ArchiveTime& time);

// Oldest first. Rows of which either time is invalid compare by sort key, ignoring
// case.
void SortArchiveRows(std::vector<BackupArchiveRow>& rows);

// One row per backup list entry whose archive exists and holds at least one entry,
// newest first. A row's time comes from its time text, else from its name, else it
// is `now`.
std::vector<BackupArchiveRow> ListBackupArchives(const BackupList& backupList, const ArchiveTime& now);
ArchiveTime CurrentArchiveTime();

// What the restore tree shows about a device: its category, then the date, provider,
// version, hardware id and signer that it has, separated by "|". Empty for a
// category item (no record).
std::wstring GetDeviceDetailsText(const DriverInfoRecord* record);

// The key of a restore tree item in the engine's restore map. The separator keeps
// "Dev1" with index 1 apart from "Dev" with index 11.
std::wstring RestoreSelectionKey(const std::wstring& deviceName, long long index);
