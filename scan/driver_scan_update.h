#pragma once

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/markup.h"
#include "platform/my_array.h"
#include "scan/device_inventory.h"
#include "scan/driver_info_record.h"
#include "scan/engine_progress.h"
#include "scan/scan_operation.h"
#include "scan/update_entry.h"

// The one scan-and-update engine object of the program. It owns the device array of
// the last scan with its parallel array of offered drivers, what the matcher makes
// of the service's answer, the ignore map, the progress receivers of the running
// operations and the status flags of the last scan. The screens read it directly; it
// has no lock because they start one operation at a time.
class CDriverScanUpdate {
public:
    static constexpr size_t kDeviceCapacity = 1024;
    // The message a screen's progress bar takes its percent by (wParam).
    static constexpr UINT kProgressMessage = WM_USER + 2;

    enum OperationKind : int32_t { kNoOperation = 0, kScanOperation = 1, kBackupOperation = 2, kRestoreOperation = 3 };

    // The update result of one shown device; the results screens fill it.
    struct tagUpdateResultsStruct {
        static constexpr int32_t kNotPending = 2;

        tagUpdateResultsStruct() { Reset(); }
        void Reset();

        int32_t deviceIndex;
        int32_t offeredIndex;
        int32_t rowIndex;
        std::wstring title;
        std::wstring detail;
        uint8_t selected;
        uint8_t visible;
        int32_t state;  // kNotPending: nothing left to install for this device
        std::wstring statusText;
        std::wstring extraText;
        int32_t severity;
        int32_t progress;
        int32_t itemData;
        int32_t resultCode;
        std::array<int32_t, 5> reserved;
    };

    // One device category with its worst severity and its number of updates.
    struct tagCategoryUpdateInfo {
        std::wstring name;
        int32_t severity = 4;
        int32_t count = 0;
    };

    // The four operating-system numbers the requests carry, and "major.minor.build".
    struct OsVersion {
        DWORD major = 0;
        DWORD minor = 0;
        DWORD build = 0;
        int productType = 0;
        int processorArchitecture = 0;
        std::wstring text;
    };

    using TextMap = std::map<std::wstring, std::wstring>;
    using IndexMap = std::map<int32_t, int32_t>;

    // What the matcher works with while it reads one service answer and picks the
    // updates; the screens read only what it leaves in the results below.
    struct MatcherWork {
        UpdateEntry workingOfferedDriver;
        OfferedDriverMap offeredDriverMap;  // device index -> offered drivers, in answer order
        std::set<int> answerDeviceIndexes;  // device indexes that occur in the answer
        std::set<int> devicesWithUpdate;
        std::set<std::wstring> displayKeys;
        std::wstring devicesWithUpdateText;  // device indexes joined by "|"
    };

    // The selections and outcomes of the backup and restore runs
    // (engine/backup_restore_runs.h), which the wizards read when a run ends.
    struct BackupRestoreRun {
        DriverInfoArray backupSelection;
        DriverInfoArray restoreSelection;
        int32_t backupCounter = 0;
        int32_t restoreCounter = 0;
        int32_t checkedCount = 0;
        int32_t backupSelectedCount = 0;
        int32_t restoreSelectedCount = 0;
        int32_t restoreFailureCount = 0;
        uint32_t restartNeeded = 0;
        uint32_t backupDone = 0;
        uint32_t backupSuccess = 0;
        uint32_t backupCancelled = 0;
        uint32_t restoreSuccess = 0;
        int32_t devicesNotBackedUp = 0;  // selected devices of which nothing could be copied
        std::wstring backupFolder;       // what the last backup filled
        std::wstring restoreFolder;      // the unpacked backup to restore; set by the restore wizard
        // Tree item text, "|", item index in decimal -> the device's hardware id "|" category.
        TextMap restoreSelectionMap;
    };

    // How the last device scan went, and the progress it holds back.
    struct ScanRun {
        std::wstring scanPath;  // handed to the device scan
        int32_t lastResultCode = 0;
        uint32_t scanFinished = 0;
        uint32_t connectionProblem = 0;
        uint8_t progressHeld = 0;
        int32_t heldProgress = 0;
    };

    // `app` runs the device scans and must outlive the engine; null leaves the engine
    // without scans (RunEngineScan fails), which is all the record-keeping users need.
    explicit CDriverScanUpdate(ScanOperation* app = nullptr);
    ~CDriverScanUpdate();
    CDriverScanUpdate(const CDriverScanUpdate&) = delete;
    CDriverScanUpdate& operator=(const CDriverScanUpdate&) = delete;

    // One device scan into the device array; the engine application object's result
    // code (32 finished, 18 stopped, 33 failed), -1 when the scan could not run.
    int RunEngineScan();

    // Progress of scans, backups and restores, once per device; `records` null sends
    // only the progress message. Always true.
    bool ReportScanProgress(const DriverInfoRecord* records, int percent);

    // Progress of the install engine; always 7.
    int ReportInstallProgress(int percent, const wchar_t* text, int code);

    // Asks the running scan (flag set) or backup (flag clear) to stop and waits.
    void StartEngineOperationAndWait(bool scan, ScanOperation& engine);

    void ResetUpdateResults();

    static void CopyDeviceRecord(DriverInfoRecord& destination, const DriverInfoRecord& source);

    static std::wstring GetOsValueText(int index);
    static std::wstring IntegerToTextOrEmpty(int value);

    // The ignore map, keyed by the three texts lower-cased and joined by "|".
    static std::wstring MakeIgnoreKey(const std::wstring& text1, const std::wstring& text2,
                                      const std::wstring& text3);
    int SetDeviceIgnored(const std::wstring& text1, const std::wstring& text2, const std::wstring& text3,
                         bool ignore);
    bool IsDeviceIgnored(const std::wstring& text1, const std::wstring& text2, const std::wstring& text3) const;

    // True when the user's default key container holds a signature and an exchange key.
    static bool EnsureCryptoKeyContainer();

    // The generic-device filter the request builder and the matcher consult.
    bool IsGenericDevice(const std::wstring& classKey, const std::wstring& id) const {
        return deviceInventory_.IsGenericDevice(classKey, id);
    }

    // The devices of the last scan: the first DeviceCount() records are filled.
    int DeviceCount() const { return static_cast<int>(devicesReported); }
    DriverInfoRecord* Devices() { return devices.empty() ? nullptr : devices.data(); }
    const DriverInfoRecord* Devices() const { return devices.empty() ? nullptr : devices.data(); }
    // The offered-driver array linked from the first device; null before any scan.
    DriverInfoArray* OfferedDrivers() { return devices.empty() ? nullptr : devices[0].offeredDrivers.get(); }

    // Replaces the device array by `count` fresh records with a linked offered-driver
    // array of the same size.
    void ResetDeviceArrays(size_t count = kDeviceCapacity);

    // The engine application object the scans run on; null when none was given.
    ScanOperation* App() const { return app_; }

    HIMAGELIST ClassImageList() const { return classImages_.ImageList; }
    const SP_CLASSIMAGELIST_DATA& ClassImageData() const { return classImages_; }

    // Members are public: the screens, the answer reader, the matcher and the results
    // file work on them directly.
    IndexMap updateList;  // running update count -> device index
    TextMap ignoreMap;    // ignore key -> empty

    // Who shows each kind of run; null while no screen shows it. The screen that
    // sets one clears it before the receiver goes.
    EngineProgress* scanProgress = nullptr;
    EngineProgress* backupProgress = nullptr;
    EngineProgress* restoreProgress = nullptr;
    EngineProgress* installProgress = nullptr;

    // The receiver of `kind`'s run, or one that shows nothing.
    EngineProgress& ProgressOf(OperationKind kind) const;
    EngineProgress& InstallProgress() const { return installProgress != nullptr ? *installProgress : NoEngineProgress(); }

    // Zeroed by ResetUpdateResults, with the backup and restore counters.
    int32_t devicesReported = 0;  // also the number of filled device records
    int32_t updateCount = 0;

    uint32_t firstBusy = 0;
    uint32_t installDone = 0;
    CMarkup markup;  // reads the service answer
    uint32_t secondBusy = 0;
    int32_t operationKind = kNoOperation;

    DriverInfoArray devices;  // empty until the first scan or load

    ScanRun scanRun;
    MatcherWork matcher;

    std::vector<std::wstring> displayOrder;  // sorted without regard to case
    std::vector<int32_t> integerArray;

    CMyArray<tagUpdateResultsStruct> updateResults;  // one per shown device
    // The results page's row numbers -> device index; valid until the page is
    // filled again.
    IndexMap rowDeviceMap;
    // The row numbers the results page hands to the download-and-install window.
    std::vector<int32_t> resultSelection;

    OsVersion osVersion;
    int32_t worstSeverity = 0;
    std::vector<tagCategoryUpdateInfo> categoryTable;

    std::wstring answerText;           // the service answer last read
    std::wstring databaseVersionText;  // the answer's "dbv"

    BackupRestoreRun backupRestore;
    uint32_t inventoryReady = 0;  // the device list may be shown in the backup tree
    // Handed over by the application state: its temporary work folder (the backup
    // fills it and backups are unpacked into it) and the 64-bit install helper's folder.
    std::wstring temporaryWorkFolder;
    std::wstring installHelperFolder;

private:
    ScanOperation* app_;
    SP_CLASSIMAGELIST_DATA classImages_{};
    CDeviceInventory deviceInventory_;  // only its generic-device filter is used
};
