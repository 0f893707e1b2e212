#pragma once

#include <optional>
#include <string>
#include <vector>

#include "screens/scan/results_rows/results_rows.h"

class ExclusionList;

// What the results, last-scan and driver-details pages are sent and what their
// clicks decide, apart from their windows.

// The row a click on the results page names, with its device and state as the
// program holds them: the page only says which row. Nothing for a row number that
// is not shown now (a stale or forged click).
struct ClickedRow {
    int row = -1;
    int deviceIndex = -1;
    int state = 0;
};
std::optional<ClickedRow> ResolveClickedRow(const CDriverScanUpdate& engine, int row);

// Adds the row's device to the user's exclusion list; false when the row has no
// device or the engine holds no devices.
bool ExcludeResultRow(CDriverScanUpdate& engine, ExclusionList& list, int row);

// What a click on a row's download action asks of the download-and-install window.
enum class RowAction { None, Download, Install, RestartPrompt };
struct RowRequest {
    RowAction action = RowAction::None;
    int mode = 0;         // 1 download one, 4 install one
    UINT windowTimer = 0;  // 108 or 112 on the download-and-install window
};
// Fills the selection with the clicked row for a download or an install.
RowRequest DownloadResultRow(CDriverScanUpdate& engine, const ClickedRow& clicked);

// The update list and index map that the pre-update backup reads, for the rows of
// the selection: entry k -> the device of the k-th selected row.
void FillUpdateListFromSelection(CDriverScanUpdate& engine);

// Update-all: the selection holds every chosen row still to download or install.
enum class UpdateAllOutcome { NoRows, Started, NoneChosen, AllDone };
UpdateAllOutcome UpdateAllSelected(CDriverScanUpdate& engine);
// The message of an outcome that shows one ("" for Started).
const wchar_t* UpdateAllMessageKey(UpdateAllOutcome outcome);

// The 17 texts of the driver-details popup for one device; the device fields stay
// empty when the engine has no such device.
std::vector<std::wstring> DriverDetailsTexts(const CDriverScanUpdate& engine, int deviceIndex);
// A record's driver date for the popup: its file time as a local date, else its
// stored date text (offered: before "T") as "yyyy-mm-dd", else "IDS_NOT_AVAILABLE".
std::wstring DriverDetailsDate(const DriverInfoRecord& record);

// The last-scan page.
struct LastScanInputs {
    int days = -1;           // DaysSinceLastScan
    int count = 0;           // "StrLastScanResults"
    int shownStatus = 0;     // the shown scan status
    int oldestDays = 0;      // "OldestDriverAgeInYears" (holds days)
    int driverAge = 4;       // "DriverAge"
    int osMajor = 6;
};
struct LastScanPage {
    std::vector<std::wstring> values;  // the 43 values of "settext"
    bool hasRecentScan = true;
    int shownStatus = 0;
    int driverAge = 4;                 // as it must be stored
};
// `reload` reads the stored status and count again when outdated drivers were
// reported but no results are left; it is called at most once.
LastScanPage BuildLastScanPage(LastScanInputs inputs, const std::function<LastScanInputs()>& reload = {});
// The page's inputs as the registry and the settings hold them now, after which
// the corrections of BuildLastScanPage are stored back.
LastScanPage FillLastScanPage();
