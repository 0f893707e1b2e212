#include "screens/scan/results_rows/results_pages.h"

#include "foundation/app_settings.h"
#include "foundation/date_text.h"
#include "foundation/language_strings.h"
#include "foundation/system_helpers.h"
#include "platform/checked_format.h"
#include "shell/exclusions/exclusion_list.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

const DriverInfoRecord* RecordAt(const DriverInfoArray* records, int index, int count) {
    if (records == nullptr || index < 0 || index >= count || static_cast<size_t>(index) >= records->size()) {
        return nullptr;
    }
    return &(*records)[static_cast<size_t>(index)];
}

}  // namespace

std::optional<ClickedRow> ResolveClickedRow(const CDriverScanUpdate& engine, int row) {
    const auto mapped = engine.rowDeviceMap.find(row);
    if (mapped == engine.rowDeviceMap.end()) return std::nullopt;
    for (const ResultRow& result : engine.updateResults) {
        if (result.rowIndex != row) continue;
        if (result.deviceIndex != mapped->second) return std::nullopt;
        if (result.deviceIndex < 0 || result.deviceIndex >= engine.DeviceCount()) return std::nullopt;
        return ClickedRow{row, result.deviceIndex, result.state};
    }
    return std::nullopt;
}

bool ExcludeResultRow(CDriverScanUpdate& engine, ExclusionList& list, int row) {
    const auto mapped = engine.rowDeviceMap.find(row);
    if (mapped == engine.rowDeviceMap.end()) return false;
    const DriverInfoRecord* device = RecordAt(&engine.devices, mapped->second, engine.DeviceCount());
    if (device == nullptr) return false;
    AddDriverToExclusionList(list, device->deviceName, device->hardwareId, device->driverKey, L"");
    return true;
}

RowRequest DownloadResultRow(CDriverScanUpdate& engine, const ClickedRow& clicked) {
    RowRequest request;
    switch (clicked.state) {
        case ResultState::kUpdateAvailable:
            request = {RowAction::Download, 1, 108};
            break;
        case ResultState::kDownloaded:
            request = {RowAction::Install, 4, 112};
            break;
        case ResultState::kInstalledRestartNeeded:
            return {RowAction::RestartPrompt, 0, 0};
        default:
            return request;
    }
    engine.resultSelection.assign(1, clicked.row);
    FillUpdateListFromSelection(engine);
    return request;
}

void FillUpdateListFromSelection(CDriverScanUpdate& engine) {
    engine.integerArray.clear();
    engine.updateList.clear();
    for (const int32_t row : engine.resultSelection) {
        const auto mapped = engine.rowDeviceMap.find(row);
        if (mapped == engine.rowDeviceMap.end()) continue;
        const int32_t entry = static_cast<int32_t>(engine.integerArray.size());
        engine.updateList[entry] = mapped->second;
        engine.integerArray.push_back(entry);
    }
}

UpdateAllOutcome UpdateAllSelected(CDriverScanUpdate& engine) {
    if (engine.updateResults.IsEmpty()) return UpdateAllOutcome::NoRows;
    engine.resultSelection.clear();
    bool pending = false;
    for (const ResultRow& row : engine.updateResults) {
        if (row.state == ResultState::kWithdrawn) continue;
        const bool open = row.state == ResultState::kUpdateAvailable || row.state == ResultState::kDownloaded;
        pending = pending || open;
        if (row.selected != 0 && open) engine.resultSelection.push_back(row.rowIndex);
    }
    FillUpdateListFromSelection(engine);
    if (!engine.resultSelection.empty()) return UpdateAllOutcome::Started;
    return pending ? UpdateAllOutcome::NoneChosen : UpdateAllOutcome::AllDone;
}

const wchar_t* UpdateAllMessageKey(UpdateAllOutcome outcome) {
    switch (outcome) {
        case UpdateAllOutcome::NoRows: return L"IDS_NODRIVER_FOUND_UPDATE";
        case UpdateAllOutcome::NoneChosen: return L"IDS_NOSELC_DRIVER_TOUPDATE";
        case UpdateAllOutcome::AllDone: return L"IDS_ALLDRIVER_UPDATE";
        default: return L"";
    }
}

std::wstring DriverDetailsDate(const DriverInfoRecord& record) {
    const FILETIME date{record.driverDateLow, record.driverDateHigh};
    std::wstring text = FileTimeToLocalDateString(date);
    if (!text.empty()) return text;
    if (const auto stored = ParseStoredDriverDate(record.driverDate)) return FormatSystemTime(L"%Y-%m-%d", *stored);
    return Text(L"IDS_NOT_AVAILABLE");
}

std::vector<std::wstring> DriverDetailsTexts(const CDriverScanUpdate& engine, int deviceIndex) {
    const DriverInfoRecord* installed = RecordAt(&engine.devices, deviceIndex, engine.DeviceCount());
    const DriverInfoArray* offeredArray =
        engine.devices.empty() ? nullptr : engine.devices[0].offeredDrivers.get();
    const DriverInfoRecord* offered = RecordAt(offeredArray, deviceIndex, engine.DeviceCount());
    static const DriverInfoRecord kNone;
    const DriverInfoRecord& old = installed != nullptr ? *installed : kNone;
    const DriverInfoRecord& offer = offered != nullptr ? *offered : kNone;
    const auto date = [](const DriverInfoRecord* record) {
        return record != nullptr ? DriverDetailsDate(*record) : std::wstring();
    };
    return {Text(L"varDlgHeading"),
            old.category,
            old.deviceName,
            Text(L"varDetailsText"),
            Text(L"varOldDriverOutdatedText"),
            Text(L"varNewDriverText"),
            Text(L"varAvailableText"),
            Text(L"IDS_VERSION"),
            old.driverVersion,
            offer.driverVersion,
            Text(L"IDS_COL_DATE"),
            date(installed),
            date(offered),
            Text(L"SCANTAB3PUBLISHER"),
            old.provider,
            offer.provider,
            Text(L"IDS_CLOSE")};
}

LastScanPage BuildLastScanPage(LastScanInputs in, const std::function<LastScanInputs()>& reload) {
    LastScanPage page;
    if (in.days < 0 || in.days > 30) in.days = -1;
    std::wstring dayText;
    if (in.days == -1) {
        dayText = Text(L"IDS_NOSCAN");
        page.hasRecentScan = false;
    } else if (in.days == 0) {
        dayText = Text(L"IDS_TODAY");
    } else if (in.days == 1) {
        dayText = Text(L"IDS_YESTERDAY");
    } else {
        dayText = FormatChecked(Text(L"IDS_DAYSAGO"), {in.days});
    }

    if (in.count < 1 && in.shownStatus == 1 && reload) {
        const LastScanInputs stored = reload();
        in.shownStatus = stored.shownStatus;
        in.count = stored.count;
        // Outdated drivers reported but none left: everything is up to date now.
        if (in.count < 1) in.shownStatus = 2;
    }
    page.shownStatus = in.shownStatus;
    std::wstring countText = FormatChecked(Text(in.count == 1 ? L"IDS_DRIVER_COUNT" : L"IDS_DRIVERS_COUNT"), {in.count});

    const int years = in.oldestDays / 365;
    std::wstring ageText =
        ReplacePlaceholder(Text(years == 1 ? L"string406" : L"string354"), L"N_ERR_DONOTTRANSLATE", std::to_wstring(years));
    if (in.shownStatus == 0) {
        ageText = Text(L"IDS_NOSCAN");
        countText = ageText;
    }
    page.driverAge = in.driverAge < 1 || in.driverAge > 4 ? 4 : in.driverAge;

    page.values = {std::to_wstring(in.shownStatus),
                   Text(L"string1"),
                   Text(L"string352"),
                   dayText,
                   Text(L"string353"),
                   ageText,
                   Text(L"string35"),
                   countText,
                   Text(L"string355"),
                   std::to_wstring(in.count),
                   Text(L"string356"),
                   Text(in.count == 1 ? L"string405" : L"string357"),
                   Text(L"string103"),
                   Text(L"string358")};
    for (const wchar_t* key : {L"SCANTAB2DISKDRIVE", L"SCANTAB2DISPLAY", L"SCANTAB2DVD_CDROM",
                               L"SCANTAB2IDE_ATA_ATAPI", L"SCANTAB2MONITOR", L"SCANTAB2NETWORK", L"SCANTAB2PROCESSOR",
                               L"SCANTAB2OTHER_DEVICE", L"SCANTAB2SOUND", L"SCANTAB2SYSTEM_DEVICE",
                               L"SCANTAB2SCSI_RAID", L"SCANTAB2USB"}) {
        page.values.push_back(Text(key));
    }
    const std::vector<std::wstring> rest = {Text(L"string359"),
                                            Text(L"string400"),
                                            Text(L"IDS_SET_SAVE_START_SCAN"),
                                            Text(L"string359"),
                                            Text(L"string401"),
                                            Text(L"IDS_SET_SAVE_START_SCAN"),
                                            Text(L"string403"),
                                            Text(L"IDS_ALLUPTODATE_DRIVER"),
                                            Text(L"string97"),
                                            std::to_wstring(in.days),
                                            std::to_wstring(in.osMajor),
                                            Text(L"IDS_DRIVER_AGE"),
                                            Text(L"string165"),
                                            Text(L"string166"),
                                            Text(L"string167"),
                                            AgeBarLevel(page.driverAge),
                                            Text(L"IDS_NOSCAN")};
    page.values.insert(page.values.end(), rest.begin(), rest.end());
    return page;
}

LastScanPage FillLastScanPage() {
    const auto stored = [] {
        const AppSettings settings = GetAppSettings();
        LastScanInputs in;
        in.days = DaysSinceLastScan();
        in.count = GetLastScanResultCount();
        in.oldestDays = settings.oldestDriverAgeInYears;
        in.driverAge = settings.driverAge;
        in.osMajor = static_cast<int>(GetWindowsMajorVersion());
        return in;
    };
    LastScanInputs in = stored();
    in.shownStatus = ShownScanStatus().load();
    const LastScanPage page = BuildLastScanPage(in, [&stored] {
        LoadSettings();
        LastScanInputs again = stored();
        again.shownStatus = GetAppSettings().appDriverScanStatus;
        return again;
    });
    const int oldStatus = in.shownStatus;
    ShownScanStatus() = page.shownStatus;
    const bool statusTurned = page.shownStatus == 2 && oldStatus == 1;
    if (statusTurned || page.driverAge != in.driverAge) {
        UpdateAppSettings([&page, statusTurned](AppSettings& settings) {
            settings.driverAge = page.driverAge;
            if (statusTurned) settings.appDriverScanStatus = 2;
        });
        SaveSettings();
    }
    return page;
}
