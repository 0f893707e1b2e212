#pragma once

// CDriverOptimizerApp: the state screens share. Start-up: CHvApp; message loop: ui::App; engine: CDriverScannerApp.

#include <windows.h>
#include <setupapi.h>

#include <array>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "foundation/os_identity.h"
#include "scan/driver_scan_update.h"
#include "engine/driver_scanner_app.h"
#include "scan/update_service_helper.h"

// The current scan status shared by the screens: 0 no scan, 1 outdated drivers
// found, 2 all up to date. Taken from the settings at start-up.
std::atomic<int>& CurrentScanStatus();

// The application state: the program's working folders, its two persistent lists
// and the engine objects. Built once with the application object, before start-up,
// and kept until the process ends.
class CDriverOptimizerApp {
public:
    using StringMap = std::map<std::wstring, std::wstring>;
    enum class ListKind { Backups = 0, Downloads = 1 };

    CDriverOptimizerApp();
    virtual ~CDriverOptimizerApp();
    CDriverOptimizerApp(const CDriverOptimizerApp&) = delete;
    CDriverOptimizerApp& operator=(const CDriverOptimizerApp&) = delete;

    // Loads the settings and makes the start-up decisions that depend on them (the
    // default scan task when no schedule was ever chosen).
    static void LoadStartupSettings();

    // The start-up step, after the settings are loaded: the temporary work folder,
    // the engine, the command-line switches, COM security and the lists. Returns 0.
    virtual int ParseStartupSwitches();
    // The switch handling of the step above for the given arguments (without the
    // program's own path): "feedback", "firstinstall" and "schedule".
    void ApplyStartupArguments(const std::vector<std::wstring>& arguments);

    // Saves the downloads list (which != 0) or the backups list; a failed attempt
    // is tried once more with the file's attributes cleared.
    bool SaveItemList(int which);
    bool SaveListFile(bool clearAttributesFirst, int which);
    // A file that cannot be opened gives an empty list; a damaged one is deleted,
    // keeping the entries read whole before the damage.
    void LoadListFile(int which);
    // Drops downloads-list entries whose file no longer exists and saves the list.
    void PruneDownloadList();

    int GetDeviceClassImageIndex(const std::wstring& classGuid);
    bool BrowseForFolder(HWND owner, std::wstring& path);
    static bool PathExistsNonEmpty(const std::wstring& path);

    // Deletes and creates again the temporary work folder, but only when it lies
    // strictly inside the user's temporary folder; false otherwise.
    bool RecreateTemporaryFolder();

    std::wstring ListFilePath(int which) const;
    StringMap& List(int which) { return which != 0 ? downloadsList_ : backupsList_; }
    StringMap& DownloadsList() { return downloadsList_; }
    StringMap& BackupsList() { return backupsList_; }
    // Filled by the screens that need a third text map.
    StringMap& AuxiliaryList() { return auxiliaryList_; }

    // The machine identifier for the web services (taken over, stored, or adopted
    // from the fallback), cached in the state.
    std::wstring GetMachineId();
    // The scan request stores the machine hash here when it computes it.
    void SetMachineIdFallback(const std::wstring& hash) { machineIdFallback_ = hash; }

    CDriverScanUpdate& ScanUpdate() { return scanUpdate_; }
    CUpdateServiceHelper& ServiceHelper() { return serviceHelper_; }
    CDriverScannerApp& ScannerApp() { return scannerApp_; }
    SystemInfoStrings& SystemInfo() { return systemInfo_; }

    const std::wstring& DownloadFolder() const { return downloadFolder_; }
    void SetDownloadFolder(const std::wstring& folder) { downloadFolder_ = folder; }
    const std::wstring& TemporaryFolder() const { return temporaryFolder_; }
    const std::wstring& BackupFolder() const { return backupFolder_; }
    void SetBackupFolder(const std::wstring& folder) { backupFolder_ = folder; }
    const std::wstring& DataFolder() const { return dataFolder_; }
    const std::wstring& DataFolderWithSeparator() const { return dataFolderWithSeparator_; }
    const std::wstring& DefaultDownloadFolder() const { return defaultDownloadFolder_; }
    const std::wstring& DefaultBackupFolder() const { return defaultBackupFolder_; }
    const std::wstring& UpdaterFolder() const { return updaterFolder_; }
    // xp, amd64, amd64 (again), ia64, Vista, win7i386, win7amd64, amd64Helper.
    const std::array<std::wstring, 8>& HelperFolders() const { return helperFolders_; }

    bool FeedbackRequested() const { return feedbackRequested_ != 0; }
    bool ShowFeedbackForm() const { return showFeedbackForm_ != 0; }
    bool FirstInstall() const { return firstInstall_ != 0; }

    int currentItemIndex = -1;

private:
    // The engine object comes first; it only keeps the pointer to the engine
    // application object built further down.
    CDriverScanUpdate scanUpdate_{&scannerApp_};
    CUpdateServiceHelper serviceHelper_;
    std::wstring machineId_;
    std::wstring machineIdFallback_;
    BYTE feedbackRequested_ = 0;
    BYTE showFeedbackForm_ = 0;
    BYTE firstInstall_ = 0;

    CDriverScannerApp scannerApp_;
    SystemInfoStrings systemInfo_;

    std::wstring downloadFolder_;
    std::wstring temporaryFolder_;
    std::wstring backupFolder_;
    std::wstring dataFolder_;
    std::wstring dataFolderWithSeparator_;
    std::wstring defaultDownloadFolder_;
    std::wstring defaultBackupFolder_;
    std::wstring updaterFolder_;
    std::array<std::wstring, 8> helperFolders_;

    SP_CLASSIMAGELIST_DATA classImageList_{};
    bool classImageListLoaded_ = false;

    StringMap downloadsList_;
    StringMap backupsList_;
    StringMap auxiliaryList_;
};

// The name of the temporary work folder: the title without blanks, cleaned of
// characters a folder name cannot hold, and never empty, "." or "..".
std::wstring TemporaryFolderName(const std::wstring& titleWithoutSpaces);

// True when `path` names something strictly below `folder` (not `folder` itself).
bool IsStrictlyInsideFolder(const std::wstring& path, const std::wstring& folder);
