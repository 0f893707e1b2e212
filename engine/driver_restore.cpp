#include "engine/driver_restore.h"

#include <setupapi.h>

#include <algorithm>

#include "engine/backup_folder_paths.h"
#include "engine/backup_index_file.h"
#include "engine/install_backends.h"
#include "foundation/os_identity.h"
#include "platform/text_case.h"

namespace {

constexpr size_t kRecordTextLimit = 511;
constexpr size_t kRestoreTextLimit = 259;
constexpr size_t kFolderTextLimit = 255;
constexpr DWORD kDifxLegacyMode = 0x10;

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
}

unsigned WindowsMajorVersion() {
    static const unsigned major = ReadOsVersionFacts().major;
    return major;
}

// The restore's side of the stop protocol.
bool RestoreCancelled(CDriverScannerApp& engine) {
    if (!engine.StopRequested(EngineCode::kRestoreStopRequest)) return false;
    engine.AcknowledgeStop();
    return true;
}

void PutIntoDriverStore(const CDriverScannerApp& engine, const std::wstring& infPath) {
    wchar_t destination[MAX_PATH] = {};
    if (SetupCopyOEMInfW(infPath.c_str(), nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, destination, MAX_PATH, nullptr,
                         nullptr)) {
        return;
    }
    if (WindowsMajorVersion() > 5) engine.DifxApi().Preinstall(infPath, kDifxLegacyMode);
}

}  // namespace

bool IsHalHardwareId(const std::wstring& hardwareId) {
    const std::wstring id = LowerInvariant(hardwareId);
    for (const wchar_t* hal : {L"acpiapic", L"acpi_hal\\pnp0c08", L"detected\\acpi_hal", L"*pnp0c08"}) {
        if (id.find(hal) != std::wstring::npos) return true;
    }
    return false;
}

DriverInfoArray LoadBackupIndexRecords(const std::wstring& backupFolder, int& entryCount) {
    entryCount = 0;
    DriverInfoArray records;
    BackupIndexReader reader;
    if (reader.Open(WithBackslash(backupFolder) + kBackupIndexFileName) != BackupIndexReader::kOpened) return records;
    // The count only sizes the array; the file's own size has already bounded it.
    records.reserve(reader.EntryCount());
    IndexEntry entry;
    std::wstring infPath;
    while (reader.ReadEntry(entry, kRecordTextLimit, kFolderTextLimit)) {
        // An entry whose files would lie outside the folder is never offered.
        if (!ResolveBackupInfPath(backupFolder, entry.folder, entry.infPath, infPath)) continue;
        DriverInfoRecord record;
        record.deviceName = entry.deviceName;
        record.infPath = entry.infPath;
        record.driverVersion = entry.driverVersion;
        record.category = entry.category;
        record.text5 = entry.text5;
        record.provider = entry.provider;
        record.hardwareId = entry.hardwareId;
        record.driverKey = entry.driverKey;
        record.driverDate = entry.driverDate;
        record.serviceName = entry.serviceName;
        record.signer = entry.signer;
        record.number18 = entry.number18;
        records.push_back(std::move(record));
    }
    entryCount = static_cast<int>(records.size());
    return records;
}

int InstallDriverFromBackup(CDriverScannerApp& engine, const std::wstring& helperFolder,
                            const std::wstring& backupFolder, const DriverInfoRecord* selected, int selectedCount,
                            RestoreOutcome& outcome, const ScanProgressCallback& progress) {
    const std::wstring folder = WithBackslash(backupFolder);
    const std::wstring indexPath = folder + kBackupIndexFileName;
    if (GetFileAttributesW(indexPath.c_str()) == INVALID_FILE_ATTRIBUTES) return EngineCode::kMissingInput;
    if (RestoreCancelled(engine)) return EngineCode::kRestoreStopRequest;

    BackupIndexReader reader;
    const int opened = reader.Open(indexPath);
    if (opened != BackupIndexReader::kOpened) return opened;
    const uint64_t totalSteps = uint64_t{2} * std::max<uint32_t>(reader.EntryCount(), 1);
    uint64_t step = 0;
    int result = 0;
    IndexEntry entry;
    while (reader.ReadEntry(entry, kRestoreTextLimit, kFolderTextLimit)) {
        ++step;
        const DriverInfoRecord* match = nullptr;
        for (int i = 0; i < selectedCount && selected != nullptr; ++i) {
            if (selected[i].deviceName == entry.deviceName) {
                match = &selected[i];
                break;
            }
        }
        if (RestoreCancelled(engine)) return EngineCode::kRestoreStopRequest;
        if (match != nullptr) {
            if (progress) progress(match, static_cast<int>(std::min<uint64_t>(step * 100 / totalSteps, 100)));
            std::wstring infPath;
            if (!ResolveBackupInfPath(folder, entry.folder, entry.infPath, infPath)) {
                // An entry that points outside the backup is not touched.
                ++outcome.failureCount;
                result = 0;
            } else {
                const CDriverScannerApp::FsRedirectionOff redirectionOff(engine);
                PutIntoDriverStore(engine, infPath);
                if (!match->hardwareId.empty() && !IsHalHardwareId(match->hardwareId)) {
                    const bool reinstalled = RestoreDeviceDriver(engine, helperFolder, match->hardwareId, infPath);
                    result = reinstalled ? 1 : 0;
                    if (reinstalled) {
                        outcome.restartNeeded = true;
                    } else {
                        ++outcome.failureCount;
                    }
                }
            }
        }
        ++step;
    }
    return result;
}
