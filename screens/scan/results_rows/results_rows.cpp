#include "screens/scan/results_rows/results_rows.h"

#include <algorithm>
#include <map>

#include "engine/invalid_name_char.h"
#include "engine/package_file_name.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/date_text.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/markup.h"
#include "foundation/md5_checksum.h"
#include "platform/text_case.h"
#include "scan/scan_results.h"
#include "scan/update_matcher.h"
#include "shell/web_page.h"

namespace {

constexpr uint32_t kDeviceNotPresent = 13;
constexpr uint16_t kNoCategory = 0xFFFF;
constexpr int kWideStatusPixels = 260;

std::wstring Text(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

bool FileIsThere(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int& ProblemCode(ResultRow& row) { return row.reserved[0]; }
int& NoDateMark(ResultRow& row) { return row.reserved[1]; }
int& DateLow(ResultRow& row) { return row.reserved[2]; }
int& DateHigh(ResultRow& row) { return row.reserved[3]; }
int ProblemCode(const ResultRow& row) { return row.reserved[0]; }
bool WithoutDate(const ResultRow& row) { return row.reserved[1] != 0 || (row.reserved[2] == 0 && row.reserved[3] == 0); }

std::wstring DriverDateText(const DriverInfoRecord& record) {
    const FILETIME date{record.driverDateLow, record.driverDateHigh};
    if (date.dwLowDateTime == 0 && date.dwHighDateTime == 0) return Text(L"IDS_NOT_AVAILABLE");
    const std::wstring text = FileTimeToLocalDateString(date);
    return text.empty() ? Text(L"IDS_NOT_AVAILABLE") : text;
}

// The path a downloads-list value names: the text before "|" when "|" follows the
// first character, else the whole value.
std::wstring PathOfDownloadEntry(const std::wstring& value) {
    if (const auto entry = ParseDownloadedFilesEntry(value)) return entry->path;
    return value;
}

bool ParseIndex(const std::wstring& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
    }
    value = std::stoi(text);
    return true;
}

// Whether the offered package still lies in the download folder. With the digest
// check, a package that no longer hashes to the offer is forgotten too, so the row
// offers the download again.
int DownloadedState(ResultsRowsContext& context, const DriverInfoRecord& offer, bool checkDigest) {
    auto& list = context.app.DownloadsList();
    const auto found = list.find(DownloadedFilesKey(DownloadAddressOf(offer)));
    if (found == list.end()) return ResultState::kUpdateAvailable;
    const std::wstring path = PathOfDownloadEntry(found->second);
    if (checkDigest) {
        if (FileIsThere(path) && !Md5Of(offer).empty() && EqualsIgnoringCase(Md5OfFileIfExists(path), Md5Of(offer))) {
            if (context.readyPackages != nullptr) (*context.readyPackages)[Md5Of(offer)] = path;
            return ResultState::kDownloaded;
        }
    } else if (FileIsThere(path)) {
        return ResultState::kDownloaded;
    }
    list.erase(found);
    context.app.SaveItemList(1);
    return ResultState::kUpdateAvailable;
}

void RebuildRowDeviceMap(CDriverScanUpdate& engine) {
    engine.rowDeviceMap.clear();
    for (int i = 0; i < engine.updateResults.GetSize(); ++i) {
        engine.updateResults[i].rowIndex = i;
        engine.rowDeviceMap.emplace(static_cast<int32_t>(i), engine.updateResults[i].deviceIndex);
    }
}

int MeasuredWidth(ResultsRowsContext& context, const std::wstring& text) {
    if (context.statusTextWidth) return context.statusTextWidth(text);
    // Only whether it is wider than the limit matters; MeasureCaptionWidth answers
    // the limit itself for anything that fits.
    return MeasureCaptionWidth(text, nullptr, kWideStatusPixels);
}

// The field of a version up to the next ".", as a number without leading zeros and
// blanks: fields of any width compare by their value.
std::wstring VersionField(const std::wstring& version, size_t& at) {
    std::wstring digits;
    const size_t end = std::min(version.find(L'.', at), version.size());
    size_t i = at;
    while (i < end && version[i] == L' ') ++i;
    while (i < end && version[i] >= L'0' && version[i] <= L'9') digits += version[i++];
    at = end < version.size() ? end + 1 : version.size();
    const size_t firstSignificant = digits.find_first_not_of(L'0');
    return firstSignificant == std::wstring::npos ? L"0" : digits.substr(firstSignificant);
}

}  // namespace

std::atomic<int>& ShownScanStatus() {
    static std::atomic<int> status{GetAppSettings().appDriverScanStatus};
    return status;
}

bool ResetResults(CDriverScanUpdate& engine) {
    engine.rowDeviceMap.clear();
    engine.updateResults.RemoveAll();
    return engine.Devices() != nullptr && engine.OfferedDrivers() != nullptr;
}

bool HasResultForDevice(const CDriverScanUpdate& engine, int deviceIndex) {
    return std::any_of(engine.updateResults.begin(), engine.updateResults.end(),
                       [deviceIndex](const ResultRow& row) { return row.deviceIndex == deviceIndex; });
}

void AddResultUnique(CDriverScanUpdate& engine, const ResultRow& row) {
    if (!HasResultForDevice(engine, row.deviceIndex)) engine.updateResults.Add(row);
}

int CountPendingUpdates(const CMyArray<ResultRow>& results) {
    return static_cast<int>(std::count_if(results.begin(), results.end(), [](const ResultRow& row) {
        return row.state != ResultState::kInstalledRestartNeeded;
    }));
}

bool ShowCategoryResults(ResultsRowsContext& context) {
    CDriverScanUpdate& engine = context.Engine();
    if (!ResetResults(engine)) return false;
    if (engine.answerText.empty() || engine.updateCount == 0) return true;

    const DriverInfoArray& offered = *engine.OfferedDrivers();
    const int deviceCount = std::min<int>(engine.DeviceCount(), static_cast<int>(offered.size()));
    for (const std::wstring& entry : engine.displayOrder) {
        if (entry.empty() || entry[0] == L'|') continue;
        const size_t bar = entry.rfind(L'|');
        int deviceIndex = -1;
        if (!ParseIndex(bar == std::wstring::npos ? entry : entry.substr(bar + 1), deviceIndex)) continue;
        if (deviceIndex >= deviceCount) continue;
        const DriverInfoRecord& device = engine.devices[static_cast<size_t>(deviceIndex)];
        const DriverInfoRecord& offer = offered[static_cast<size_t>(deviceIndex)];
        if (DownloadAddressOf(offer).empty()) continue;

        ResultRow row;
        row.deviceIndex = deviceIndex;
        row.rowIndex = engine.updateResults.GetSize();
        row.detail = device.deviceName;
        row.title = device.category;
        row.statusText = DriverDateText(device);
        row.extraText = DriverDateText(offer);
        row.selected = 1;
        row.severity = SeverityOf(offer) == 0 ? 4 : SeverityOf(offer);
        row.progress = RiskLevelOf(offer);
        row.itemData = CategoryIdOf(offer) == kNoCategory ? -1 : CategoryIdOf(offer);
        ProblemCode(row) = static_cast<int>(device.nodeStatusResult);
        NoDateMark(row) = static_cast<int>(device.isUnknownDevice);
        DateLow(row) = static_cast<int>(device.driverDateLow);
        DateHigh(row) = static_cast<int>(device.driverDateHigh);
        row.reserved[4] = static_cast<int>(SpareRowNumberOf(device));
        row.resultCode = WithoutDate(row) ? 0 : static_cast<int>(AgeInDaysOf(offer));
        row.state = DownloadedState(context, offer, true);
        row.offeredIndex = context.app.GetDeviceClassImageIndex(device.driverKey.substr(0, 38));

        WriteLogLine(L"Scan Results: Category=%ls, Driver Name=%ls, System Date:%ls , Update Date:%ls ",
                     row.title.c_str(), row.detail.c_str(), row.statusText.c_str(), row.extraText.c_str());
        // Unplugged display, sound, network, mouse and keyboard devices get no row.
        if (!IsUpdateAllowedForDevice(engine.devices, deviceIndex)) continue;
        if (HasResultForDevice(engine, deviceIndex)) continue;
        engine.rowDeviceMap.emplace(row.rowIndex, deviceIndex);
        engine.updateResults.Add(row);
    }
    return true;
}

std::wstring CategoryIconFile(int categoryId) {
    struct Range {
        int first;
        int last;
        const wchar_t* file;
    };
    static const Range kRanges[] = {
        {1, 5, L"Bluetooth.gif"}, {186, 186, L"Bluetooth.gif"},
        {6, 8, L"Camera.gif"},
        {9, 16, L"Controller.gif"}, {139, 139, L"Controller.gif"}, {153, 153, L"Controller.gif"},
        {201, 201, L"Controller.gif"},
        {17, 19, L"Display_Adapter.gif"}, {200, 200, L"Display_Adapter.gif"},
        {20, 24, L"Hard_Drives.gif"},
        {25, 25, L"Infrared.gif"},
        {26, 33, L"Input_Device.gif"}, {149, 149, L"Input_Device.gif"}, {199, 199, L"Input_Device.gif"},
        {34, 48, L"Modems_Routers.gif"}, {141, 145, L"Modems_Routers.gif"}, {148, 148, L"Modems_Routers.gif"},
        {152, 152, L"Modems_Routers.gif"}, {155, 156, L"Modems_Routers.gif"}, {160, 160, L"Modems_Routers.gif"},
        {169, 169, L"Modems_Routers.gif"}, {171, 172, L"Modems_Routers.gif"},
        {49, 51, L"Monitor_Video_Cards.gif"}, {150, 150, L"Monitor_Video_Cards.gif"},
        {52, 52, L"Motherboard.gif"},
        {53, 56, L"Printer.gif"}, {138, 138, L"Printer.gif"}, {164, 164, L"Printer.gif"}, {190, 190, L"Printer.gif"},
        {193, 194, L"Printer.gif"},
        {57, 60, L"Scanner.gif"},
        {61, 73, L"Sound_Multimedia.gif"},
        {74, 86, L"Storage_Drivers.gif"},
        {87, 100, L"System.gif"},
        {101, 113, L"USB.gif"}, {135, 135, L"USB.gif"}, {137, 137, L"USB.gif"}, {146, 147, L"USB.gif"},
        {161, 161, L"USB.gif"}, {165, 166, L"USB.gif"}, {170, 170, L"USB.gif"}, {175, 175, L"USB.gif"},
        {192, 192, L"USB.gif"}, {196, 197, L"USB.gif"},
        {114, 134, L"Others.gif"}, {136, 136, L"Others.gif"}, {140, 140, L"Others.gif"}, {151, 151, L"Others.gif"},
        {154, 154, L"Others.gif"}, {157, 159, L"Others.gif"}, {162, 163, L"Others.gif"}, {167, 168, L"Others.gif"},
        {173, 174, L"Others.gif"}, {176, 185, L"Others.gif"}, {187, 189, L"Others.gif"}, {191, 191, L"Others.gif"},
        {195, 195, L"Others.gif"}, {198, 198, L"Others.gif"},
    };
    for (const Range& range : kRanges) {
        if (categoryId >= range.first && categoryId <= range.last) return range.file;
    }
    return std::wstring();
}

std::wstring AgeLevelText(int ageClass, std::wstring& tooltip) {
    switch (ageClass) {
        case 1:
        case 2: tooltip = Text(L"IDS_ANCIENT"); return L"6";
        case 3: tooltip = Text(L"IDS_VERY_OLD"); return L"4";
        default: tooltip = Text(L"IDS_OLD"); return L"2";
    }
}

std::wstring AgeBarLevel(int damageLevel) {
    if (damageLevel == 1 || damageLevel == 2) return L"6";
    if (damageLevel == 3) return L"4";
    return L"2";
}

std::wstring ResultStatusText(int state) {
    if (state == ResultState::kUpdateAvailable || state == ResultState::kDownloaded) return Text(L"IDS_UPDATE_DRIVER");
    if (state == ResultState::kInstalledRestartNeeded) return Text(L"IDS_RESTART_PC_TO_COMPLETE_INSTALL");
    return Text(L"IDS_DOWNLOAD");
}

std::vector<std::wstring> ResultsTableRowValues(ResultsRowsContext& context, const ResultRow& row, int rowNumber) {
    std::wstring ageText;
    const std::wstring barLevel = AgeLevelText(row.severity, ageText);
    const std::wstring statusText = ResultStatusText(row.state);
    const std::wstring lastUpdate =
        WithoutDate(row) ? Text(L"IDS_NEVER_UPDATED")
                         : ReplacePlaceholder(Text(L"IDS_LAST_UPDATED_DAYS_AGO"), L"N_OF_DAYS_DONOTTRANSLATE",
                                      std::to_wstring(row.resultCode));
    const bool wideStatus =
        row.state >= ResultState::kInstalledRestartNeeded && MeasuredWidth(context, statusText) > kWideStatusPixels;
    return {CategoryIconFile(row.itemData),
            row.detail,
            row.detail,
            ProblemCode(row) == static_cast<int>(kDeviceNotPresent) ? Text(L"string404") : std::wstring(),
            row.title,
            Text(L"IDS_INSTALLED"),
            row.statusText,
            Text(L"IDS_AVAILABLED"),
            row.extraText,
            Text(L"string95"),
            Text(L"IDS_IGNORE_TEXT"),
            Text(L"IDS_OLD"),
            Text(L"IDS_VERY_OLD"),
            Text(L"IDS_ANCIENT"),
            barLevel,
            ageText,
            statusText,
            std::to_wstring(row.state),
            std::to_wstring(rowNumber),
            std::to_wstring(row.deviceIndex),
            lastUpdate,
            std::to_wstring(row.state),
            std::to_wstring(CountPendingUpdates(context.Engine().updateResults)),
            wideStatus ? L"1" : L"0"};
}

void AddResultsTableRow(const std::vector<std::wstring>& values, CWebPage& page) {
    page.InvokeScriptArgs(L"addTableRow", values);
}

int FillScanResultsPage(ResultsRowsContext& context, CWebPage& page) {
    CDriverScanUpdate& engine = context.Engine();
    page.InvokeScript(L"clearrows");
    engine.rowDeviceMap.clear();
    const DriverInfoArray* offered = engine.OfferedDrivers();
    for (int i = 0; i < engine.updateResults.GetSize(); ++i) {
        ResultRow& row = engine.updateResults[i];
        if (row.state == ResultState::kDownloaded) {
            const bool hasOffer = offered != nullptr && row.deviceIndex >= 0 &&
                                  static_cast<size_t>(row.deviceIndex) < offered->size();
            row.state = hasOffer ? DownloadedState(context, (*offered)[static_cast<size_t>(row.deviceIndex)], false)
                                 : ResultState::kUpdateAvailable;
        }
        AddResultsTableRow(ResultsTableRowValues(context, row, i), page);
        row.rowIndex = i;
        engine.rowDeviceMap.emplace(static_cast<int32_t>(i), row.deviceIndex);
    }
    StoreScanStatistics(engine, engine.updateResults.IsEmpty() ? 2 : 1);
    return 1;
}

std::vector<std::wstring> ScanResultsPageTexts(int status, int rows) {
    const std::wstring count = std::to_wstring(rows);
    std::wstring attention;
    if (status == 0) attention = Text(L"IDS_NOSCAN");
    if (status == 1) {
        attention = ReplacePlaceholder(Text(rows == 1 ? L"varAttentionText1" : L"varAttentionText"), L"N_ERR_DONOTTRANSLATE",
                               count);
    }
    if (status == 2) attention = Text(L"string403");
    std::wstring versionHeading = Text(L"IDS_VERSION");
    versionHeading.erase(std::remove(versionHeading.begin(), versionHeading.end(), L':'), versionHeading.end());
    return {std::to_wstring(status),
            attention,
            Text(L"varUpdateAllBtnText"),
            Text(L"IDS_DRIVER_DETAILS"),
            versionHeading,
            Text(L"IDS_STATUS"),
            Text(L"IDS_VQ_ACTION_REQ"),
            Text(rows == 1 ? L"varBottomText" : L"varBottomText1"),
            count,
            std::to_wstring(status),
            Text(L"IDS_NEVER_COMPLETED_SCAN1"),
            Text(L"IDS_NEVER_COMPLETED_SCAN2"),
            Text(L"IDS_ALLUPTODATE_DRIVER"),
            Text(L"IDS_HINT_SCAN_RESULTS"),
            Text(L"String312")};
}

void SetResultStateByRow(ResultsRowsContext& context, int state, int row) {
    CDriverScanUpdate& engine = context.Engine();
    for (ResultRow& result : engine.updateResults) {
        if (result.rowIndex != row) continue;
        result.state = state;
        if (result.deviceIndex >= 0 && static_cast<size_t>(result.deviceIndex) < engine.devices.size()) {
            SavedResultStateOf(engine.devices[static_cast<size_t>(result.deviceIndex)]) = static_cast<uint16_t>(state);
        }
    }
    SaveScanSummary(context);
}

bool RemoveResultByRow(CDriverScanUpdate& engine, int row) {
    CMyArray<ResultRow> kept;
    bool removed = false;
    for (const ResultRow& result : engine.updateResults) {
        if (!removed && result.rowIndex == row) {
            removed = true;
            continue;
        }
        kept.Add(result);
    }
    if (removed) {
        engine.updateResults = kept;
        RebuildRowDeviceMap(engine);
    }
    const int count = engine.updateResults.GetSize();
    UpdateAppSettings([count](AppSettings& settings) { settings.strLastScanResults = std::to_wstring(count); });
    SaveLastScanResultCount(count);
    return removed;
}

void StoreScanStatistics(const CDriverScanUpdate& engine, int outcome) {
    const int outdated = engine.updateResults.GetSize();
    const int devices = engine.DeviceCount();
    uint32_t oldest = 0;
    for (const ResultRow& row : engine.updateResults) oldest = std::max(oldest, static_cast<uint32_t>(row.resultCode));
    UpdateAppSettings([&](AppSettings& settings) {
        settings.totalOutOfDateDrivers = outdated;
        settings.strLastScanResults = std::to_wstring(outdated);
        settings.totalScannedDrivers = devices;
        settings.totalUpToDateDrivers = devices - outdated;
        if (settings.driverAge < 1 || settings.driverAge > 4) settings.driverAge = 4;
        settings.appDriverScanStatus = outcome;
        settings.oldestDriverAgeInYears = static_cast<int>(oldest);
    });
    SaveLastScanResultCount(outdated);
    CurrentScanStatus() = outcome;
    SaveSettings();
}

int SaveScanSummary(ResultsRowsContext& context) {
    if (CurrentScanStatus().load() == 0) return 0;
    CDriverScanUpdate& engine = context.Engine();
    WriteLogLine(L"Saving Scan Summary: Total=%d, Outdated=%d", engine.DeviceCount(), engine.updateResults.GetSize());
    const CScanResults file(context.app.DataFolder());
    const int status =
        file.Save(&engine.devices, static_cast<uint32_t>(std::max(engine.DeviceCount(), 0)), engine.answerText);
    WriteLogLine(L"Saving Scan Summary Status: %d", status);
    return status;
}

int LoadLastScanResults(ResultsRowsContext& context) {
    WriteLogLine(L"Starting to Load Last Scan Results.");
    const int days = DaysSinceLastScan();
    if (days < 0 || days > 30) return 0;

    CDriverScanUpdate& engine = context.Engine();
    const CScanResults file(context.app.DataFolder());
    DriverInfoArray records;
    uint32_t count = 0;
    std::wstring answer;
    const int status = file.Load(records, count, answer);
    WriteLogLine(L"Load Last Scan Results status: %d", status);
    if (status == 0 || count < 1) {
        WriteLogLine(L"Load Last Scan Results Scan Summary Else: Total=%d", static_cast<int>(count));
        return 0;
    }
    // An answer that no longer reads would leave the loaded devices without offers
    // and the program believing that nothing is outdated.
    CMarkup probe;
    if (answer.empty() || !probe.SetDoc(answer)) {
        WriteLogLine(L"Load Last Scan Results: the stored answer does not read.");
        return 0;
    }

    engine.devices = std::move(records);
    if (engine.devices.empty() || !engine.devices[0].offeredDrivers) DriverInfoRecord::AttachOfferedDrivers(engine.devices);
    engine.devicesReported = static_cast<int32_t>(count);
    engine.scanRun.scanFinished = 1;
    ParseScanResponse(engine.markup, engine, answer);
    if (!ShowCategoryResults(context)) {
        ResetResults(engine);
        WriteLogLine(L"Load Last Scan Results: the results could not be rebuilt.");
        return 0;
    }
    const int outdated = engine.updateResults.GetSize();
    UpdateAppSettings([outdated](AppSettings& settings) { settings.strLastScanResults = std::to_wstring(outdated); });
    SaveLastScanResultCount(outdated);
    const int outcome = outdated == 0 ? 2 : 1;
    CurrentScanStatus() = outcome;
    ShownScanStatus() = outcome;
    WriteLogLine(L"Load Last Scan Results Scan Summary: Total=%d, Outdated=%d, Showing Results!",
                 static_cast<int>(count), outdated);
    return status;
}

std::wstring ReplacePlaceholder(std::wstring text, const std::wstring& word, const std::wstring& value) {
    for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, at + value.size())) {
        text.replace(at, word.size(), value);
    }
    return text;
}

std::wstring StripFirstInvalidNameChar(const std::wstring& text) { return RemoveFirstInvalidNameChar(text); }

std::wstring Md5OfFileIfExists(const std::wstring& path) {
    if (path.empty() || !FileIsThere(path)) return std::wstring();
    return Md5OfFile(path);
}

bool VersionsDiffer(const std::wstring& first, const std::wstring& second) {
    std::wstring a;
    for (wchar_t c : first) {
        if (c == L' ' || c == L'\t') continue;
        a += c == L',' ? L'.' : c;
    }
    if (a.empty()) return false;
    size_t atA = 0;
    size_t atB = 0;
    for (int field = 0; field < 4; ++field) {
        if (VersionField(a, atA) != VersionField(second, atB)) return true;
    }
    return false;
}

std::optional<SYSTEMTIME> ParseStoredDriverDate(const std::wstring& text) {
    const std::wstring date = text.substr(0, text.find(L'T'));
    std::vector<std::wstring> parts(1);
    for (wchar_t c : date) {
        if (c == L'-' || c == L'/') {
            parts.emplace_back();
        } else if (c >= L'0' && c <= L'9' && parts.back().size() < 4) {
            parts.back() += c;
        } else {
            return std::nullopt;
        }
    }
    if (parts.size() != 3 || std::any_of(parts.begin(), parts.end(), [](const auto& p) { return p.empty(); })) {
        return std::nullopt;
    }
    SYSTEMTIME time{};
    const bool yearFirst = parts[0].size() == 4;
    if (!yearFirst && parts[2].size() != 4) return std::nullopt;
    time.wYear = static_cast<WORD>(std::stoi(yearFirst ? parts[0] : parts[2]));
    time.wMonth = static_cast<WORD>(std::stoi(yearFirst ? parts[1] : parts[0]));
    time.wDay = static_cast<WORD>(std::stoi(yearFirst ? parts[2] : parts[1]));
    FILETIME check{};
    if (!SystemTimeToFileTime(&time, &check)) return std::nullopt;
    return time;
}
