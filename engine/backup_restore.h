#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/backup_index_file.h"
#include "platform/registry.h"
#include "scan/driver_info_record.h"
#include "engine/driver_scanner_app.h"

// Percent of the running backup, 0 to 100.
using BackupProgressCallback = std::function<void(int percent)>;

// What a backup run did, device by device.
struct BackupOutcome {
    int devicesBackedUp = 0;
    // Names of devices of which not a single file could be copied; they have no entry
    // in the index, so a restore never offers them.
    std::vector<std::wstring> devicesNotBackedUp;
};

// Copies the files of the installed drivers of a list of devices into a backup
// folder, one sub-folder per device, and appends one entry per device to the
// folder's "index.dat". A driver's files come from the driver store (Vista and
// later, guided by the setup log) or else from its INF: the install section, its
// CopyFiles, Include and Needs, DestinationDirs, the catalog, the co-installers and
// SourceDisksFiles. One object serves one run.
class CBackupRestore {
public:
    // The form a backup uses: the Windows folder is looked up now.
    explicit CBackupRestore(CDriverScannerApp& engine);
    // The form that only lists folders: no Windows folder.
    struct WithoutWindowsFolder {};
    CBackupRestore(CDriverScannerApp& engine, WithoutWindowsFolder);
    virtual ~CBackupRestore();
    CBackupRestore(const CBackupRestore&) = delete;
    CBackupRestore& operator=(const CBackupRestore&) = delete;

    // 32 every device processed, 19 cancelled, 33 cancelled but the engine's event
    // could not be signalled. Throws IndexFileError from inside an opened index file.
    int BackupDriver(std::wstring backupFolder, const DriverInfoRecord* records, int count);

    void CollectInfFiles(std::wstring infSectionExt, std::wstring infSection, std::wstring decoratedSection,
                         std::wstring infName);
    // `folder` ends in "\". 1 found (in foundPath), 0 not found, 19 cancel seen.
    int SearchFolder(const std::wstring& folder);
    int IsFileListed(const std::wstring& text) const;
    void ReadCopyFilesItems(const std::wstring& infPath, const std::wstring& sectionHeader);

    void SetProgress(BackupProgressCallback progress) { progress_ = std::move(progress); }
    // The text after an absent device's name in the index.
    void SetAbsentDeviceText(std::wstring text) { absentDeviceText_ = std::move(text); }
    const BackupOutcome& Outcome() const { return outcome_; }

    CRegistry classKey;
    std::wstring windowsFolder;
    int useDriverStore = 0;
    std::wstring searchName;
    std::wstring foundPath;
    std::wstring scratchName;
    std::vector<std::wstring> fileList;
    std::vector<std::wstring> copySections;
    std::vector<std::wstring> coInstallerSections;
    std::vector<std::wstring> driverStoreList;
    std::vector<std::wstring> setupLogLines;
    std::vector<std::wstring> includedInfs;
    std::vector<std::wstring> neededSections;
    std::vector<std::wstring> neededCopySections;

private:
    struct Cancelled {
        int result;
    };

    void CheckCancel();
    void Report();
    void BackupOneDevice(const std::wstring& backupFolder, const DriverInfoRecord& record, BackupIndexWriter& index);

    void ReadInstallSection(const std::wstring& infPath, const std::wstring& header);
    void ReadNeededSections();
    void AddItemFiles(const std::wstring& infPath, const std::wstring& item, bool bracketsMeanNoFile);
    std::wstring GetDestinationDir(const std::wstring& infPath, const std::wstring& item);
    int AddSectionFiles(const std::wstring& infPath, const std::wstring& header, const std::wstring& dir);
    void AddCatalogFiles(const std::wstring& infPath);
    void AddSourceDiskFiles(const std::wstring& infPath);
    void CollectFromDriverStore(const std::wstring& infFullPath, std::wstring infName);
    bool CopyListedFiles(const std::wstring& driverFolder);

    CDriverScannerApp& engine_;
    std::wstring systemFolder_;
    BackupProgressCallback progress_;
    std::wstring absentDeviceText_;
    BackupOutcome outcome_;
    int progressSteps_ = 0;
    int progressTotal_ = 0;
};

// The folder of an INF directory id, ending in "\"; empty for an id it does not know.
std::wstring ResolveDirId(int id);

// Backs up the drivers of `count` records into `backupFolder` with file-system
// redirection off under WOW64. 32 done, 19 cancelled, 33 when the index could not be
// written or the cancel could not be acknowledged. `progress` receives percents.
int BackupOneDriver(CDriverScannerApp& engine, const std::wstring& backupFolder, const DriverInfoRecord* records,
                    int count, const BackupProgressCallback& progress = {}, BackupOutcome* outcome = nullptr);
