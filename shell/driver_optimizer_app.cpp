#include "shell/driver_optimizer_app.h"

#include "platform/path_checks.h"
#include "platform/text_case.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>

#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/machine_id.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "foundation/system_helpers.h"
#include "platform/archive_reader.h"
#include "platform/archive_writer.h"
#include "platform/com_apartment.h"
#include "platform/trim_blanks.h"
#include "platform/ui/folder_browse.h"
#include "shell/startup_schedule.h"

namespace {

constexpr wchar_t kDownloadListFile[] = L"Download.dat";
constexpr wchar_t kBackupListFile[] = L"Backup.dat";
constexpr wchar_t kBuiltInFolderName[] = L"Halvenor";

std::wstring ReadFolderSetting(const wchar_t* valueName, const std::wstring& fallback) {
    std::wstring text;
    DWORD unused = 0;
    GetUserRegistryValue(kProductKeyPath, valueName, text, unused, REG_SZ);
    return text.empty() ? fallback : text;
}

void CreateIfMissing(const std::wstring& folder) {
    if (!folder.empty() && !FolderExists(folder)) CreateFolderTree(folder);
}

std::wstring UserTempFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// A full, case-folded path without trailing separators, for comparisons only.
std::wstring ComparablePath(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    full.resize(length);
    std::replace(full.begin(), full.end(), L'/', L'\\');
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    return UpperInvariant(full);
}

std::wstring DownloadedFilePath(const std::wstring& value) {
    return value.substr(0, value.find(L'|'));
}

}  // namespace

std::atomic<int>& CurrentScanStatus() {
    static std::atomic<int> status{0};
    return status;
}

std::wstring TemporaryFolderName(const std::wstring& titleWithoutSpaces) {
    std::wstring name;
    for (wchar_t ch : titleWithoutSpaces) {
        if (ch < 32 || std::wcschr(L"\\/:*?\"<>|", ch) != nullptr) continue;
        name.push_back(ch);
    }
    // Windows drops trailing dots and blanks from folder names.
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (name.empty()) return kBuiltInFolderName;
    return name;
}

bool IsStrictlyInsideFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring inner = ComparablePath(path);
    const std::wstring outer = ComparablePath(folder);
    if (inner.empty() || outer.empty() || inner.size() <= outer.size() + 1) return false;
    return inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == L'\\';
}

CDriverOptimizerApp::CDriverOptimizerApp() {
    dataFolder_ = GetUserDataFolderPath();
    dataFolderWithSeparator_ = dataFolder_ + L"\\";
    defaultDownloadFolder_ = dataFolder_ + L"\\" + L"Download\\";
    defaultBackupFolder_ = dataFolder_ + L"\\" + L"Backup\\";
    downloadFolder_ = ReadFolderSetting(L"Download Path", defaultDownloadFolder_);
    temporaryFolder_ = UserTempFolder();
    backupFolder_ = ReadFolderSetting(L"Backup Path", defaultBackupFolder_);

    const std::wstring program = LowerInvariant(TrimBlanks(GetModulePath()));
    const std::size_t lastSeparator = program.rfind(L'\\');
    updaterFolder_ = (lastSeparator == std::wstring::npos ? std::wstring() : program.substr(0, lastSeparator + 1)) +
                     L"updater\\";
    const wchar_t* const kHelperSubfolders[] = {L"xp\\",    L"amd64\\",    L"amd64\\",     L"ia64\\",
                                                L"Vista\\", L"win7i386\\", L"win7amd64\\", L"amd64Helper\\"};
    for (std::size_t i = 0; i < helperFolders_.size(); ++i) helperFolders_[i] = updaterFolder_ + kHelperSubfolders[i];
    // The engine installs through the 64-bit helper's folder and backs up into the
    // work folder; it holds its own copies so its workers never reach back into us.
    scanUpdate_.installHelperFolder = helperFolders_[7];
    scanUpdate_.temporaryWorkFolder = temporaryFolder_;

    if (!dataFolder_.empty()) {
        CreateIfMissing(dataFolder_);
        CreateIfMissing(dataFolderWithSeparator_);
        CreateIfMissing(defaultDownloadFolder_);
        CreateIfMissing(defaultBackupFolder_);
    }
    CreateIfMissing(downloadFolder_);
    CreateIfMissing(backupFolder_);
    // The record of drivers the engine installed is loaded with the engine.
    if (!dataFolder_.empty()) scannerApp_.InstalledDrivers().Open(dataFolder_);
}

CDriverOptimizerApp::~CDriverOptimizerApp() {
    if (classImageListLoaded_) SetupDiDestroyClassImageList(&classImageList_);
}

void CDriverOptimizerApp::LoadStartupSettings() {
    LoadSettings();
    CreateDefaultScanTaskIfNoneChosen();
}

int CDriverOptimizerApp::ParseStartupSwitches() {
    const std::wstring temporaryBase = UserTempFolder();
    if (!temporaryBase.empty()) {
        temporaryFolder_ = JoinAndCreateFolder(TemporaryFolderName(GetAppTitleNoSpaces()), temporaryBase);
    }
    scanUpdate_.temporaryWorkFolder = temporaryFolder_;
    scannerApp_.Initialize();
    CurrentScanStatus() = GetAppSettings().appDriverScanStatus;
    ApplyStartupArguments(ProcessArguments());
    // The main thread stays in the multithreaded apartment for the life of the
    // process. Without COM the machine queries and the scheduler fail on their own
    // later; the log says why.
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(joined) && joined != RPC_E_CHANGED_MODE) {
        WriteLogLine(L"COM could not be started on the main thread: 0x%08lX", static_cast<unsigned long>(joined));
    } else if (!InitializeComSecurity(RPC_C_AUTHN_LEVEL_DEFAULT)) {
        WriteLogLine(L"COM security could not be set");
    }
    PruneDownloadList();
    LoadListFile(static_cast<int>(ListKind::Backups));
    return 0;
}

void CDriverOptimizerApp::ApplyStartupArguments(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        std::wstring word = TrimBlanks(argument);
        std::erase_if(word, [](wchar_t ch) { return ch == L'\\' || ch == L'/' || ch == L'-'; });
        if (CompareStringOrdinal(word.c_str(), -1, L"feedback", -1, TRUE) == CSTR_EQUAL) {
            feedbackRequested_ = 1;
            showFeedbackForm_ = 1;
        } else if (CompareStringOrdinal(word.c_str(), -1, L"firstinstall", -1, TRUE) == CSTR_EQUAL) {
            firstInstall_ = 1;
        }
        // "schedule" is known and changes nothing here.
    }
}

std::wstring CDriverOptimizerApp::ListFilePath(int which) const {
    return dataFolderWithSeparator_ + (which != 0 ? kDownloadListFile : kBackupListFile);
}

bool CDriverOptimizerApp::SaveItemList(int which) {
    return SaveListFile(false, which) || SaveListFile(true, which);
}

bool CDriverOptimizerApp::SaveListFile(bool clearAttributesFirst, int which) {
    const StringMap& list = List(which);
    const std::wstring path = ListFilePath(which);
    // The old file stays until the new one is complete, so the second attempt only
    // removes what could block the replacement instead of deleting the list.
    if (clearAttributesFirst) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ArchiveWriter writer;
    const auto count = static_cast<std::uint32_t>(list.size());
    writer.WriteUInt32(count);
    writer.WriteCount(count);
    for (const auto& [key, value] : list) {
        writer.WriteString(key);
        writer.WriteString(value);
    }
    return writer.SaveToFile(path);
}

void CDriverOptimizerApp::LoadListFile(int which) {
    StringMap& list = List(which);
    list.clear();
    const std::wstring path = ListFilePath(which);
    std::string bytes;
    if (!ArchiveReader::LoadFile(path, bytes)) return;
    ArchiveReader reader(std::move(bytes));
    std::uint32_t leadingCount = 0;
    std::uint32_t count = 0;
    bool whole = reader.ReadUInt32(leadingCount) && reader.ReadCount(count);
    for (std::uint32_t i = 0; whole && i < count; ++i) {
        std::wstring key;
        std::wstring value;
        whole = reader.ReadString(key) && reader.ReadString(value);
        if (whole) list[key] = value;
    }
    if (!whole) DeleteFileW(path.c_str());
}

void CDriverOptimizerApp::PruneDownloadList() {
    const int downloads = static_cast<int>(ListKind::Downloads);
    LoadListFile(downloads);
    std::erase_if(downloadsList_, [](const auto& entry) {
        const std::wstring file = DownloadedFilePath(entry.second);
        return file.empty() || GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES;
    });
    SaveItemList(downloads);
}

int CDriverOptimizerApp::GetDeviceClassImageIndex(const std::wstring& classGuid) {
    GUID guid{};
    if (FAILED(CLSIDFromString(classGuid.c_str(), &guid))) return 0;
    if (!classImageListLoaded_) {
        classImageList_.cbSize = sizeof(classImageList_);
        classImageListLoaded_ = SetupDiGetClassImageList(&classImageList_) != FALSE;
        if (!classImageListLoaded_) return 0;
    }
    int index = 0;
    if (!SetupDiGetClassImageIndex(&classImageList_, &guid, &index)) return 0;
    return index;
}

bool CDriverOptimizerApp::BrowseForFolder(HWND owner, std::wstring& path) {
    ScopedPopupBusy busy;
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    wchar_t preselected[MAX_PATH] = {};
    wcsncpy_s(preselected, MAX_PATH, path.c_str(), _TRUNCATE);
    CreateIfMissing(preselected);

    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    // The shared callback preselects the folder and refuses recycle bins, network
    // paths and volumes without a file system.
    SetBrowseInitialFolder(preselected);
    browse.lpfn = BrowseFolderCallback;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen != nullptr) {
        wchar_t folder[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, folder)) path = folder;
        CoTaskMemFree(chosen);
    }
    return !path.empty();
}

std::wstring CDriverOptimizerApp::GetMachineId() {
    return ResolveMachineId(machineId_, machineIdFallback_);
}

bool CDriverOptimizerApp::PathExistsNonEmpty(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CDriverOptimizerApp::RecreateTemporaryFolder() {
    if (!IsStrictlyInsideFolder(temporaryFolder_, UserTempFolder())) return false;
    std::wstring folder = temporaryFolder_;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (FolderExists(folder)) DeletePathSilently(folder);
    return CreateFolderTree(folder);
}
