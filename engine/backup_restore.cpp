#include "engine/backup_restore.h"

#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <new>

#include "platform/path_checks.h"
#include "platform/scoped_handle.h"
#include "engine/backup_folder_paths.h"
#include "engine/engine_texts.h"
#include "foundation/folders.h"
#include "foundation/string_file.h"
#include "foundation/system_helpers.h"
#include "foundation/text_helpers.h"
#include "platform/text_case.h"

namespace {

constexpr int kReportsPerDevice = 5;
constexpr wchar_t kClassKeyRoot[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr wchar_t kCatalogRoot[] = L"\\system32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\";

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

std::wstring Trimmed(std::wstring text) {
    TrimString(text);
    return text;
}

std::wstring AfterLastBackslash(const std::wstring& text) {
    const size_t slash = text.rfind(L'\\');
    return slash == std::wstring::npos ? text : text.substr(slash + 1);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The trimmed, non-empty pieces of a comma-separated list.
std::vector<std::wstring> ListItems(const std::wstring& text) {
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L',', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring item = Trimmed(text.substr(start, end - start));
        if (!item.empty()) items.push_back(std::move(item));
        start = end + 1;
    }
    return items;
}

std::vector<std::wstring> ReadLines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    CStringFile file;
    if (!file.Open(path)) return lines;
    std::wstring line;
    while (file.ReadLine(line) != 0) lines.push_back(line);
    return lines;
}

// The lines of the first section whose header line holds `header` (both compared in
// lower case); the section ends at the next line that begins with "[".
std::vector<std::wstring> SectionLines(const std::vector<std::wstring>& lines, const std::wstring& header,
                                       bool* found = nullptr) {
    const std::wstring wanted = LowerInvariant(header);
    std::vector<std::wstring> section;
    bool inside = false;
    for (const std::wstring& line : lines) {
        if (!inside) {
            inside = Contains(LowerInvariant(line), wanted);
            continue;
        }
        if (!line.empty() && line[0] == L'[') break;
        section.push_back(line);
    }
    if (found != nullptr) *found = inside;
    return section;
}

struct KeyValue {
    std::wstring key;  // lower case, trimmed
    std::wstring value;
};

KeyValue SplitKeyValue(const std::wstring& line) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return {LowerInvariant(Trimmed(line)), L""};
    return {LowerInvariant(Trimmed(line.substr(0, equals))), line.substr(equals + 1)};
}

bool IsCopyFilesKey(const std::wstring& key) { return Contains(key, L"copyfiles") || Contains(key, L"copyfile"); }

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
}

std::wstring ComputeDirIdFolder(int id) {
    switch (id) {
        case 10: return WithBackslash(WindowsFolder());
        case 11: return WithBackslash(SystemFolder());
        case 12: return SystemFolder() + L"\\drivers\\";
        case 17: return WindowsFolder() + L"\\inf\\";
        case 18: return WindowsFolder() + L"\\Help\\";
        case 20: return WithBackslash(ShellFolder(CSIDL_FONTS));
        case 24: {
            const std::wstring windows = WindowsFolder();
            return windows.size() >= 2 && windows[1] == L':' ? windows.substr(0, 2) + L"\\" : std::wstring();
        }
        case 51: return SystemFolder() + L"\\spool\\";
        case 52: return SystemFolder() + L"\\spool\\drivers\\";
        case 53: return WithBackslash(ShellFolder(CSIDL_PROFILE));
        case 16406:
        case 16407:
        case 16408:
        case 16409:
        case 16415:
        case 16419:
        case 16422:
        case 16427:
        case 16429:
        case 16430: {
            const std::wstring folder = ShellFolder(id - 16384);
            return folder.empty() ? folder : WithBackslash(folder);
        }
        default: return {};
    }
}

int ParseDirId(const std::wstring& text) { return static_cast<int>(wcstol(Trimmed(text).c_str(), nullptr, 10)); }

}  // namespace

std::wstring ResolveDirId(int id) {
    static std::mutex guard;
    static std::map<std::wstring, std::wstring> cache;
    const std::wstring key = std::to_wstring(id);
    std::lock_guard<std::mutex> lock(guard);
    if (const auto found = cache.find(key); found != cache.end()) return found->second;
    std::wstring folder = ComputeDirIdFolder(id);
    if (!folder.empty()) cache.emplace(key, folder);
    return folder;
}

CBackupRestore::CBackupRestore(CDriverScannerApp& engine) : engine_(engine) {
    windowsFolder = ShellFolder(CSIDL_WINDOWS);
    systemFolder_ = SystemFolder();
}

CBackupRestore::CBackupRestore(CDriverScannerApp& engine, WithoutWindowsFolder) : engine_(engine) {
    systemFolder_ = SystemFolder();
}

CBackupRestore::~CBackupRestore() { classKey.Close(); }

void CBackupRestore::CheckCancel() {
    if (!engine_.StopRequested(EngineCode::kBackupStopRequest)) return;
    engine_.SetStatusCode(EngineCode::kIdle);
    const HANDLE event = engine_.OperationEvent();
    const bool signalled = event != nullptr && SetEvent(event) != FALSE;
    throw Cancelled{signalled ? EngineCode::kBackupStopRequest : EngineCode::kFailed};
}

void CBackupRestore::Report() {
    ++progressSteps_;
    if (progress_ && progressTotal_ > 0) progress_(progressSteps_ * 100 / progressTotal_);
}

int CBackupRestore::IsFileListed(const std::wstring& text) const {
    return std::any_of(fileList.begin(), fileList.end(),
                       [&](const std::wstring& entry) { return Contains(entry, text); })
               ? 1
               : 0;
}

int CBackupRestore::SearchFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW((folder + L"*.*").c_str(), &found));
    if (search) {
        int result = 0;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (engine_.StopRequested(EngineCode::kBackupStopRequest)) {
                result = EngineCode::kBackupStopRequest;
                break;
            }
            const std::wstring path = folder + name;
            if (useDriverStore != 0) driverStoreList.push_back(path);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                result = SearchFolder(path + L"\\");
                if (result != 0) break;
            }
        } while (FindNextFileW(search.Get(), &found));
        if (result != 0) return result;
    }
    // Without a name the folder itself would count as found and end a listing early.
    if (!searchName.empty() && PathExists(folder + searchName)) {
        foundPath = folder + searchName;
        return 1;
    }
    return 0;
}

void CBackupRestore::ReadCopyFilesItems(const std::wstring& infPath, const std::wstring& sectionHeader) {
    for (const std::wstring& line : SectionLines(ReadLines(infPath), sectionHeader)) {
        const KeyValue pair = SplitKeyValue(line);
        if (!IsCopyFilesKey(pair.key)) continue;
        for (std::wstring& item : ListItems(pair.value)) coInstallerSections.push_back(std::move(item));
    }
}

std::wstring CBackupRestore::GetDestinationDir(const std::wstring& infPath, const std::wstring& item) {
    const std::wstring wanted = LowerInvariant(item);
    std::wstring defaultValue;
    for (const std::wstring& line : SectionLines(ReadLines(infPath), L"[destinationdirs]")) {
        const KeyValue pair = SplitKeyValue(line);
        if (Contains(pair.key, L"defaultdestdir")) {
            defaultValue = Trimmed(pair.value);
            continue;
        }
        if (wanted.empty() || !Contains(LowerInvariant(line), wanted)) continue;
        const size_t comma = pair.value.find(L',');
        if (comma == std::wstring::npos) return ResolveDirId(ParseDirId(pair.value));
        const std::wstring base = ResolveDirId(ParseDirId(pair.value.substr(0, comma)));
        return base.empty() ? base : base + Trimmed(pair.value.substr(comma + 1)) + L"\\";
    }
    return defaultValue.empty() ? std::wstring() : ResolveDirId(ParseDirId(defaultValue));
}

int CBackupRestore::AddSectionFiles(const std::wstring& infPath, const std::wstring& header,
                                    const std::wstring& dir) {
    bool found = false;
    const std::vector<std::wstring> lines = SectionLines(ReadLines(infPath), header, &found);
    for (std::wstring line : lines) {
        if (const size_t comment = line.find(L';'); comment != std::wstring::npos) line.resize(comment);
        TrimString(line);
        if (line.empty() || IsFileListed(line) != 0) continue;
        fileList.push_back(dir + line);
    }
    return found ? 1 : 0;
}

void CBackupRestore::AddItemFiles(const std::wstring& infPath, const std::wstring& item, bool bracketsMeanNoFile) {
    const std::wstring dir = GetDestinationDir(infPath, item);
    if (AddSectionFiles(infPath, L"[" + item + L"]", dir) != 0) return;
    if (bracketsMeanNoFile && (Contains(item, L"[") || Contains(item, L"]"))) return;
    fileList.push_back(dir + item);
}

void CBackupRestore::ReadInstallSection(const std::wstring& infPath, const std::wstring& header) {
    const std::vector<std::wstring> section = SectionLines(ReadLines(infPath), header);
    std::wstring infFolder = infPath;
    if (const size_t slash = infFolder.rfind(L'\\'); slash != std::wstring::npos) infFolder.resize(slash);
    for (size_t i = 0; i < section.size(); ++i) {
        const KeyValue pair = SplitKeyValue(section[i]);
        if (Contains(pair.key, L"include")) {
            includedInfs.clear();
            for (const std::wstring& name : ListItems(pair.value)) {
                const std::wstring path = infFolder + L"\\" + name;
                fileList.push_back(path);
                includedInfs.push_back(path);
            }
        } else if (Contains(pair.key, L"needs")) {
            if (!includedInfs.empty()) neededSections = ListItems(pair.value);
        } else if (IsCopyFilesKey(pair.key)) {
            for (std::wstring& item : ListItems(pair.value)) copySections.push_back(std::move(item));
            // One continuation line, written without "=", carries on the list.
            if (i + 1 < section.size() && !Contains(section[i + 1], L"=")) {
                ++i;
                for (std::wstring& item : ListItems(section[i])) copySections.push_back(std::move(item));
            }
        }
    }
    if (!includedInfs.empty() && !neededSections.empty()) ReadNeededSections();
}

void CBackupRestore::ReadNeededSections() {
    for (const std::wstring& included : includedInfs) {
        const std::vector<std::wstring> lines = ReadLines(included);
        for (const std::wstring& needed : neededSections) {
            neededCopySections.clear();
            for (const std::wstring& line : SectionLines(lines, L"[" + needed + L"]")) {
                const KeyValue pair = SplitKeyValue(line);
                if (!IsCopyFilesKey(pair.key)) continue;
                for (std::wstring& item : ListItems(pair.value)) neededCopySections.push_back(std::move(item));
            }
            for (const std::wstring& item : neededCopySections) AddItemFiles(included, item, false);
        }
    }
    includedInfs.clear();
    neededSections.clear();
}

void CBackupRestore::AddCatalogFiles(const std::wstring& infPath) {
    for (const std::wstring& line : ReadLines(infPath)) {
        if (!Contains(LowerInvariant(line), L"catalogfile")) continue;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) continue;
        const std::wstring name = Trimmed(line.substr(equals + 1));
        if (!name.empty()) fileList.push_back(windowsFolder + kCatalogRoot + name);
    }
}

void CBackupRestore::AddSourceDiskFiles(const std::wstring& infPath) {
    bool inside = false;
    for (const std::wstring& line : ReadLines(infPath)) {
        if (Contains(LowerInvariant(line), L"sourcedisksfiles")) {
            inside = true;
            continue;
        }
        if (!line.empty() && line[0] == L'[') inside = false;
        if (!inside) continue;
        std::wstring name = line.substr(0, line.find(L';'));
        name = Trimmed(name.substr(0, name.find(L'=')));
        if (name.empty()) continue;
        const bool listed = std::any_of(fileList.begin(), fileList.end(), [&](const std::wstring& entry) {
            return Contains(AfterLastBackslash(entry), name);
        });
        if (listed) continue;
        std::wstring candidate = Contains(LowerInvariant(name), L".sys") ? systemFolder_ + L"\\drivers\\" + name
                                                                          : systemFolder_ + L"\\" + name;
        if (!PathExists(candidate)) {
            const auto stored = std::find_if(driverStoreList.begin(), driverStoreList.end(),
                                             [&](const std::wstring& entry) { return Contains(entry, name); });
            if (stored != driverStoreList.end()) candidate = *stored;
        }
        if (PathExists(candidate)) fileList.push_back(candidate);
    }
}

void CBackupRestore::CollectInfFiles(std::wstring infSectionExt, std::wstring infSection,
                                     std::wstring decoratedSection, std::wstring infName) {
    decoratedSection = infSection + infSectionExt;
    copySections.clear();
    fileList.clear();
    coInstallerSections.clear();
    const std::wstring infPath = windowsFolder + L"\\inf\\" + infName;
    ReadInstallSection(infPath, L"[" + decoratedSection + L"]");
    for (const std::wstring& item : copySections) AddItemFiles(infPath, item, true);
    AddCatalogFiles(infPath);
    ReadCopyFilesItems(infPath, L"[" + decoratedSection + L".CoInstallers]");
    for (const std::wstring& item : coInstallerSections) AddItemFiles(infPath, item, false);
    fileList.push_back(infPath);
    if (GetWindowsMajorVersion() >= 6) AddSourceDiskFiles(infPath);
}

void CBackupRestore::CollectFromDriverStore(const std::wstring& infFullPath, std::wstring infName) {
    fileList.clear();
    const std::wstring marker = L"\\" + infName;
    for (const std::wstring& entry : driverStoreList) {
        if (Contains(entry, marker)) fileList.push_back(entry);
    }
    CheckCancel();
    if (!fileList.empty()) return;

    infName = LowerInvariant(infName);
    if (Contains(infName, L"oem")) {
        // The setup log names the store folder a renamed "oemN.inf" came from.
        const std::wstring wanted = LowerInvariant(infFullPath);
        setupLogLines.clear();
        for (const std::wstring& raw : ReadLines(windowsFolder + L"\\inf\\setupapi.dev.log")) {
            const std::wstring line = LowerInvariant(Trimmed(raw));
            if (Contains(line, L"idb:") && Contains(line, wanted)) setupLogLines.push_back(line);
        }
        if (!setupLogLines.empty()) {
            std::wstring package = setupLogLines.back();
            const size_t quote = package.find(L'\'');
            package = quote == std::wstring::npos ? std::wstring() : package.substr(quote + 1);
            package = package.substr(0, package.find(L'\\'));
            // An empty name would take the whole store.
            if (!package.empty()) {
                for (const std::wstring& entry : driverStoreList) {
                    if (Contains(entry, package) && !IsFolder(entry)) fileList.push_back(entry);
                }
            }
        }
    }
    if (!fileList.empty()) {
        fileList.push_back(infFullPath);
    } else {
        useDriverStore = 0;
    }
}

bool CBackupRestore::CopyListedFiles(const std::wstring& driverFolder) {
    bool copiedAny = false;
    for (const std::wstring& entry : fileList) {
        CheckCancel();
        std::wstring source = entry;
        std::wstring extraName;
        if (const size_t comma = entry.find(L','); comma != std::wstring::npos) {
            const size_t next = entry.find(L',', comma + 1);
            extraName = entry.substr(comma + 1, next == std::wstring::npos ? std::wstring::npos : next - comma - 1);
            source = entry.substr(0, comma);
        }
        source.erase(std::remove(source.begin(), source.end(), L'@'), source.end());
        if (useDriverStore == 0 && !PathExists(source)) {
            scratchName = AfterLastBackslash(source);
            searchName = Trimmed(scratchName);
            int found = SearchFolder(systemFolder_ + L"\\ReinstallBackups\\");
            CheckCancel();
            if (found != 1) {
                found = SearchFolder(WithBackslash(windowsFolder));
                CheckCancel();
            }
            if (found == 1) source = foundPath;
        }
        const std::wstring destination = driverFolder + AfterLastBackslash(source);
        if (CopyFileW(source.c_str(), destination.c_str(), FALSE)) copiedAny = true;
        // The second name comes from an INF line; it names a file of this folder only.
        if (!extraName.empty() && extraName.find_first_of(L"\\/:") == std::wstring::npos) {
            CopyFileW(source.c_str(), (driverFolder + extraName).c_str(), FALSE);
        }
    }
    return copiedAny;
}

void CBackupRestore::BackupOneDevice(const std::wstring& backupFolder, const DriverInfoRecord& record,
                                     BackupIndexWriter& index) {
    if (GetWindowsMajorVersion() >= 6) useDriverStore = 1;
    CheckCancel();
    std::wstring driverFolder = backupFolder;
    Report();
    CheckCancel();

    if (record.deviceName.empty() && record.driverKey.empty()) return;
    const std::wstring name = MakeDeviceFolderName(record.deviceName);
    driverFolder += name + L"\\";
    CreateFolderTree(driverFolder);
    const std::wstring relativeFolder = name + L"\\";

    std::wstring infPath;
    std::wstring infSection;
    std::wstring infSectionExt;
    classKey.SetAccessMask(CRegistry::kReadOnlyMask);
    if (classKey.Open(kClassKeyRoot + record.driverKey, HKEY_LOCAL_MACHINE, false)) {
        if (classKey.ValueExists(L"InfPath")) classKey.ReadString(L"InfPath", infPath);
        if (classKey.ValueExists(L"InfSection")) classKey.ReadString(L"InfSection", infSection);
        if (classKey.ValueExists(L"InfSectionExt")) classKey.ReadString(L"InfSectionExt", infSectionExt);
        classKey.Close();
    }
    if (infPath.empty()) infPath = record.infPath;
    if (useDriverStore != 0 && Contains(infPath, L"oem")) infPath = record.infPath;

    std::wstring infFullPath;
    if (PathExists(infPath)) {
        infFullPath = infPath;
    } else {
        std::wstring infName = infPath;
        if (infPath.size() > 1 && Contains(infPath, L"\\")) infName = AfterLastBackslash(infPath);
        infFullPath = windowsFolder + L"\\inf\\" + infName;
    }
    const std::wstring infName =
        PathExists(infFullPath) ? AfterLastBackslash(infFullPath) : AfterLastBackslash(record.infPath);
    CheckCancel();
    if (infName.empty()) {
        Report();
        RemoveDirectoryW(driverFolder.c_str());
        outcome_.devicesNotBackedUp.push_back(record.deviceName);
        return;
    }

    if (useDriverStore != 0) CollectFromDriverStore(infFullPath, infName);
    if (useDriverStore == 0) CollectInfFiles(infSectionExt, infSection, L"", infName);
    CheckCancel();
    Report();

    const bool copiedAny = CopyListedFiles(driverFolder);
    Report();
    CheckCancel();

    if (copiedAny) {
        if (index.Append(MakeIndexEntry(record, relativeFolder, absentDeviceText_), [this] { Report(); })) {
            ++outcome_.devicesBackedUp;
        } else {
            outcome_.devicesNotBackedUp.push_back(record.deviceName);
        }
    } else {
        // Nothing of the driver was found: the device is not in the backup, and its
        // empty folder goes again.
        Report();
        RemoveDirectoryW(driverFolder.c_str());
        outcome_.devicesNotBackedUp.push_back(record.deviceName);
    }
    CheckCancel();
    Report();
}

int CBackupRestore::BackupDriver(std::wstring backupFolder, const DriverInfoRecord* records, int count) {
    backupFolder = WithBackslash(backupFolder);
    BackupIndexWriter index(backupFolder + kBackupIndexFileName);
    progressSteps_ = 0;
    progressTotal_ = count > 0 ? kReportsPerDevice * count : 0;
    try {
        if (GetWindowsMajorVersion() >= 6) {
            useDriverStore = 1;
            if (driverStoreList.empty()) {
                const std::wstring store = systemFolder_ + L"\\DriverStore\\FileRepository\\";
                if (IsFolder(store)) {
                    searchName.clear();
                    SearchFolder(store);
                } else {
                    useDriverStore = 0;
                }
            }
        }
        CheckCancel();
        for (int i = 0; i < count && records != nullptr; ++i) {
            BackupOneDevice(backupFolder, records[i], index);
            if (i == count - 1 && progress_) progress_(100);
        }
        CheckCancel();
    } catch (const Cancelled& cancelled) {
        return cancelled.result;
    }
    return EngineCode::kFinished;
}

int BackupOneDriver(CDriverScannerApp& engine, const std::wstring& backupFolder, const DriverInfoRecord* records,
                    int count, const BackupProgressCallback& progress, BackupOutcome* outcome) {
    CDriverScannerApp::FsRedirectionOff redirection(engine);
    try {
        CBackupRestore backup(engine);
        backup.SetProgress(progress ? progress : [&engine](int percent) {
            if (engine.ScanProgress()) engine.ScanProgress()(nullptr, percent);
        });
        backup.SetAbsentDeviceText(AbsentDeviceText());
        const int result = backup.BackupDriver(backupFolder, records, count);
        if (outcome != nullptr) *outcome = backup.Outcome();
        return result;
    } catch (const IndexFileError&) {
        return EngineCode::kFailed;
    } catch (const std::bad_alloc&) {
        return EngineCode::kFailed;
    }
}
