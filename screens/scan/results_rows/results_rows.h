#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scan/driver_scan_update.h"
#include "shell/driver_optimizer_app.h"

class CWebPage;

// The rows of the results page, made from the engine's matched devices, and the
// last scan kept on disk as "results.du".
//
// A result row lives in the engine's tagUpdateResultsStruct; its fields carry:
//   deviceIndex   the device record (and its offered record) of the row
//   rowIndex      the row number on the page, reassigned at every fill
//   offeredIndex  the device class's image in the system class image list
//   title         category text          detail     device name
//   selected      chosen for update-all  state      -1 withdrawn, 0 update available,
//                                                   1 downloaded, 2 installed (restart)
//   statusText    installed date text    extraText  offered date text
//   severity      age class 1..4         progress   the offer's second small number
//   itemData      category id (-1 none)  resultCode days since the installed driver's date
//   reserved      problem code, no-date mark, driver date low and high, the installed
//                 record's spare row number.
using ResultRow = CDriverScanUpdate::tagUpdateResultsStruct;

namespace ResultState {
constexpr int kWithdrawn = -1;
constexpr int kUpdateAvailable = 0;
constexpr int kDownloaded = 1;
constexpr int kInstalledRestartNeeded = 2;
}  // namespace ResultState

// The copy of the scan status that the last-scan page works with; taken from
// "AppDriverScanStatus" at first use.
std::atomic<int>& ShownScanStatus();

// What the rows need of the program besides the engine.
struct ResultsRowsContext {
    CDriverOptimizerApp& app;
    // The main window's packages that are ready to install: MD5 -> path. May be null.
    CDriverOptimizerApp::StringMap* readyPackages = nullptr;
    // Width in pixels of a status text in the main window's font; empty measures it
    // with the language font.
    std::function<int(const std::wstring&)> statusTextWidth;

    CDriverScanUpdate& Engine() const { return app.ScanUpdate(); }
};

// The rows the results page was last sent, program-wide.
std::atomic<int>& ResultsRowCounter();

// Building the results. The reset also empties the engine's text of the devices
// the rows were made from ("|"-separated indexes), which the build fills again.
bool ResetResults(CDriverScanUpdate& engine);
bool ShowCategoryResults(ResultsRowsContext& context);
bool HasResultForDevice(const CDriverScanUpdate& engine, int deviceIndex);
void AddResultUnique(CDriverScanUpdate& engine, const ResultRow& row);
int CountPendingUpdates(const CMyArray<ResultRow>& results);

// Filling the page.
std::vector<std::wstring> ResultsTableRowValues(ResultsRowsContext& context, const ResultRow& row, int rowNumber);
void AddResultsTableRow(const std::vector<std::wstring>& values, CWebPage& page);
// Clears the table, sends one row per result and stores the statistics. Always 1.
int FillScanResultsPage(ResultsRowsContext& context, CWebPage& page);
// The 15 values of the page's "settext" for scan status `status` and `rows` rows.
std::vector<std::wstring> ScanResultsPageTexts(int status, int rows);

std::wstring CategoryIconFile(int categoryId);
// The bar level ("2", "4", "6") of an age class; `tooltip` gets its text.
std::wstring AgeLevelText(int ageClass, std::wstring& tooltip);
std::wstring AgeBarLevel(int damageLevel);
std::wstring ResultStatusText(int state);

// Changing the results.
void SetResultStateByRow(ResultsRowsContext& context, int state, int row);
// The same for a caller that holds only the engine and the program's data folder,
// where "results.du" lives.
void SetResultStateByRow(CDriverScanUpdate& engine, const std::wstring& dataFolder, int state, int row);
// Removes the row's result; the shown rows keep their device through RowDeviceMap
// until the next fill renumbers them. False when no result has that row.
bool RemoveResultByRow(CDriverScanUpdate& engine, int row);

// The statistics of the last results into the settings: totals, status `outcome`,
// "DriverAge" forced into 1..4, the oldest day count; then saved.
void StoreScanStatistics(const CDriverScanUpdate& engine, int outcome);

// The last scan on disk.
int SaveScanSummary(ResultsRowsContext& context);
int SaveScanSummary(CDriverScanUpdate& engine, const std::wstring& dataFolder);
// 1 when "results.du" of the last 30 days was read, parsed and turned into results;
// 0 otherwise, when the results and both scan statuses are as they were.
int LoadLastScanResults(ResultsRowsContext& context);

// The text with every `word` (a language text's placeholder) replaced by `value`.
std::wstring ReplacePlaceholder(std::wstring text, const std::wstring& word, const std::wstring& value);

// Small helpers the download-and-install window shares.
std::wstring StripFirstInvalidNameChar(const std::wstring& text);
std::wstring Md5OfFileIfExists(const std::wstring& path);
bool VersionsDiffer(const std::wstring& first, const std::wstring& second);

// A stored driver date, "MM-dd-yyyy" or "yyyy-MM-dd" (an ISO time after "T" is
// ignored), read field by field: the user's locale plays no part.
std::optional<SYSTEMTIME> ParseStoredDriverDate(const std::wstring& text);
