#include "engine/update_run.h"

#include <algorithm>

#include "engine/package_digest.h"
#include "engine/package_file_name.h"
#include "engine/update_run_texts.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/os_identity.h"
#include "scan/download_info_request.h"
#include "scan/driver_scan_update.h"
#include "scan/engine_progress.h"
#include "platform/path_checks.h"

using update_run::LangText;
using update_run::PausePumping;

UpdateRun::UpdateRun(UpdateRunServices& services, UpdateRunProgress& progress)
    : services_(services), progress_(progress), osIdText_(GetOsIdString()) {
    job_.completionEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

UpdateRun::~UpdateRun() {
    Cancel();
    detached_ = true;
    if (GetDownloadProgressWindow() == this) SetDownloadProgressWindow(nullptr);
    if (handedBar_ != nullptr) {
        CDriverScanUpdate& engine = services_.ScanUpdate();
        if (engine.backupProgress == handedBar_) engine.backupProgress = nullptr;
        if (engine.installProgress == handedBar_) engine.installProgress = nullptr;
    }
}

void UpdateRun::Cancel() {
    stopRequested_ = 1;
    if (job_.running) StopRunningDownload(job_, stopWaitLimitMs);
    stopThread_.Join();
}

EngineProgress& UpdateRun::HandBarTo(EngineProgress*& target) {
    handedBar_ = &progress_.Bar();
    target = handedBar_;
    return *handedBar_;
}

void UpdateRun::Choose(const std::vector<int>& deviceIndexes, bool all) {
    chosen_ = deviceIndexes;
    all_ = all;
    CDriverScanUpdate& engine = services_.ScanUpdate();
    engine.updateList.clear();
    engine.integerArray.clear();
    for (size_t i = 0; i < chosen_.size(); ++i) {
        if (!all_ && i > 0) break;
        engine.updateList[static_cast<int32_t>(i)] = chosen_[i];
        engine.integerArray.push_back(static_cast<int32_t>(i));
    }
}

void UpdateRun::TakeDownloadsAsDone() {
    downloadsCompleted_ = true;
    downloaded_ = static_cast<int>(all_ ? chosen_.size() : std::min<size_t>(1, chosen_.size()));
}

bool UpdateRun::IsOpen() const { return !detached_ && progress_.Showing(); }

void UpdateRun::SetOverallPercent(int percent) { progress_.ShowPercent(std::clamp(percent, 0, 100)); }

void UpdateRun::AppendStatusRow(const std::wstring& text, bool newRow, bool log) {
    if (!detached_) progress_.ShowRow(text, newRow, log);
}

int UpdateRun::ResultState(int deviceIndex) const {
    for (const auto& row : services_.ScanUpdate().updateResults) {
        if (row.deviceIndex == deviceIndex) return row.state;
    }
    return 0;
}

std::wstring UpdateRun::DeviceName(int deviceIndex) const {
    const CDriverScanUpdate& engine = services_.ScanUpdate();
    if (deviceIndex < 0 || deviceIndex >= static_cast<int>(engine.devices.size())) return L"";
    return engine.devices[static_cast<size_t>(deviceIndex)].deviceName;
}

// ------------------------------------------------------------------ download stage

UpdateRunResult UpdateRun::DownloadChosen() {
    phase_ = Phase::kDownloading;
    stopRequested_ = 0;
    downloaded_ = 0;
    downloadsCompleted_ = false;
    const UpdateRunResult result = all_ ? DownloadAll() : DownloadSingle();
    phase_ = Phase::kIdle;
    return result;
}

UpdateRunResult UpdateRun::DownloadSingle() {
    progress_.ShowPercent(0);
    progress_.ShowHeading(LangText(L"DOWNLOADNAGDESC1"));
    if (chosen_.empty() || chosen_[0] < 0) {
        Row(LangText(L"IDS_DOWN_ERROR"));
        return UpdateRunResult::kNothingDone;
    }
    progress_.BeginRows(true);
    stopRequested_ = 0;
    total_ = 1;
    current_ = 1;
    const int deviceIndex = chosen_[0];
    const UpdateRunResult result = DownloadOneDriver(deviceIndex);
    if (result == UpdateRunResult::kStopped || stopRequested_) {
        Row(LangText(L"IDS_DOWN_STOPEED"));
        stopRequested_ = 0;
        return UpdateRunResult::kStopped;
    }
    if (result != UpdateRunResult::kDone) return result;
    MarkResult(deviceIndex, 1);
    downloadsCompleted_ = true;
    Row(LangText(L"IDS_DOWN_COMPLETE"));
    Row(LangText(L"IDS_WAIT_INTALL_MOMENT"));
    return UpdateRunResult::kDone;
}

UpdateRunResult UpdateRun::DownloadAll() {
    progress_.ShowPercent(0);
    progress_.ShowResultText(L"");
    progress_.BeginRows(true);
    stopRequested_ = 0;
    const std::wstring folder = services_.DownloadFolder();
    if (folder.empty() || !CreateFolderTree(folder)) {
        Row(LangText(L"IDS_DOWN_ERROR"));
        return UpdateRunResult::kNothingDone;
    }
    std::vector<int> toDownload;
    // A package that is ready from an earlier run still goes to the install.
    int alreadyReady = 0;
    for (const int deviceIndex : chosen_) {
        const int state = ResultState(deviceIndex);
        if (state == 1) ++alreadyReady;
        if (state != 1 && state != 2 && state != -1) toDownload.push_back(deviceIndex);
    }
    total_ = static_cast<int>(toDownload.size());
    if (toDownload.empty() && alreadyReady == 0) Row(LangText(L"IDS_NOITEM_DOWNLOAD"));
    for (size_t i = 0; i < toDownload.size(); ++i) {
        if (stopRequested_) break;
        current_ = static_cast<int>(i) + 1;
        const UpdateRunResult result = DownloadOneDriver(toDownload[i]);
        if (result == UpdateRunResult::kStopped) break;
        // The service is out of reach or the results are old: the other drivers
        // would meet the same answer.
        if (result == UpdateRunResult::kServiceUnreachable || result == UpdateRunResult::kResultsOutOfDate) {
            return result;
        }
        if (!stopRequested_ && i + 1 < toDownload.size()) PausePumping(pauseBetweenDownloadsMs);
    }
    downloaded_ += alreadyReady;
    if (stopRequested_) {
        Row(LangText(L"IDS_DOWN_STOPEED"));
        stopRequested_ = 0;
        return UpdateRunResult::kStopped;
    }
    if (downloaded_ == 0) return UpdateRunResult::kNothingDone;
    downloadsCompleted_ = true;
    Row(LangText(L"IDS_DOWN_COMPLETE"));
    Row(LangText(L"IDS_WAIT_INTALL_MOMENT"));
    return UpdateRunResult::kDone;
}

UpdateRunResult UpdateRun::DownloadOneDriver(int deviceIndex) {
    CDriverScanUpdate& engine = services_.ScanUpdate();
    Row(LangText(L"IDS_START_DOWNLOADING") + L" " + DeviceName(deviceIndex));
    DriverInfoArray* offers = engine.OfferedDrivers();
    if (deviceIndex < 0 || offers == nullptr || deviceIndex >= static_cast<int>(offers->size()) ||
        deviceIndex >= static_cast<int>(engine.devices.size())) {
        return UpdateRunResult::kNoOfferedDriver;
    }
    DriverInfoRecord& offered = (*offers)[static_cast<size_t>(deviceIndex)];
    if (offered.hardwareId.empty()) return UpdateRunResult::kNoOfferedDriver;
    const std::wstring name = DeviceName(deviceIndex);

    std::wstring request;
    if (BuildDownloadInfoRequest(request, offered.hardwareId, osIdText_, DriverIdText(DriverIdOf(offered)),
                                 services_.RequestFacts()) == 0) {
        return UpdateRunResult::kFailed;
    }
    std::wstring answer;
    if (!services_.RequestDownloadInformation(request, answer)) {
        if (stopRequested_) return UpdateRunResult::kStopped;
        Row(LangText(L"IDS_CHKINTERNET_SETTFIREWALL"));
        return UpdateRunResult::kServiceUnreachable;
    }
    std::wstring url;
    std::wstring digest;
    std::wstring databaseVersion;
    ParseDownloadInfoAnswer(answer, url, digest, databaseVersion);
    if (IsScanOutOfDate(databaseVersion, engine.databaseVersionText)) return UpdateRunResult::kResultsOutOfDate;
    if (url.empty() || digest.empty()) {
        // Nothing to fetch for this driver: it is passed over, not failed.
        Row(LangText(L"IDS_DOWNDATA_NOTSUFFICENT"));
        Row(LangText(L"IDS_DOWN_SKIPPED") + L" " + name);
        return UpdateRunResult::kSkipped;
    }
    if (stopRequested_) return UpdateRunResult::kStopped;
    const std::wstring folder = services_.DownloadFolder();
    if (folder.empty() || !CreateFolderTree(folder)) {
        Row(LangText(L"IDS_DOWNABORT_UNABLESAVE") + L" " + LangText(L"IDS_SELCLOC_SAVEDRIVER"));
        return UpdateRunResult::kFailed;
    }
    // The install finds the package under the offer's address.
    if (DownloadAddressOf(offered).empty()) DownloadAddressOf(offered) = url;
    const std::wstring key = DownloadedFilesKey(DownloadAddressOf(offered));
    return FetchPackage(deviceIndex, url, digest, folder, key);
}

std::wstring UpdateRun::ReadyPackage(const std::wstring& key, const std::wstring& digest,
                                     std::map<std::wstring, std::wstring>& known) {
    std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
    auto& files = services_.DownloadedFiles();
    known = files;
    auto whole = [&digest](const std::wstring& value) {
        const auto entry = ParseDownloadedFilesEntry(value);
        return entry && lstrcmpiW(entry->md5.c_str(), digest.c_str()) == 0 &&
                       PackageReadyToInstall(entry->path, digest)
                   ? entry->path
                   : std::wstring();
    };
    // By its own entry, or by any entry with its digest.
    std::wstring path;
    if (auto own = files.find(key); own != files.end()) path = whole(own->second);
    for (auto it = files.begin(); path.empty() && it != files.end(); ++it) path = whole(it->second);
    if (!path.empty()) {
        files[key] = DownloadedFilesEntry(path, digest);
        services_.SaveDownloadedFiles();
    }
    return path;
}

UpdateRunResult UpdateRun::FetchPackage(int deviceIndex, const std::wstring& url, const std::wstring& digest,
                                        const std::wstring& folder, const std::wstring& key) {
    const std::wstring name = DeviceName(deviceIndex);
    std::map<std::wstring, std::wstring> known;
    if (!ReadyPackage(key, digest, known).empty()) {
        MarkResult(deviceIndex, 1);
        ++downloaded_;
        Row(LangText(L"IDS_DOWN_COMP_DRIVER") + L" " + name);
        return UpdateRunResult::kDone;
    }

    const std::wstring target = UniquePackagePath(folder, PackageFileNameFromUrl(url, digest), digest, known);
    const Fetch result = DownloadAndVerify(url, target, digest);
    if (result == Fetch::kVerified) {
        UpdateDownloadProgress(100, *this);
        ++downloaded_;
        Row(LangText(L"IDS_DOWN_COMP_DRIVER") + L" " + name);
        {
            std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
            if (FileExists(target)) services_.DownloadedFiles()[key] = DownloadedFilesEntry(target, digest);
            services_.SaveDownloadedFiles();
        }
        MarkResult(deviceIndex, 1);
        return UpdateRunResult::kDone;
    }
    if (result == Fetch::kStopped || stopRequested_) {
        Row(LangText(L"IDS_DOWN_STOPEED2"));
        return UpdateRunResult::kStopped;
    }
    if (result == Fetch::kNotWritable) {
        Row(LangText(L"IDS_DOWNABORT_UNABLESAVE") + L" " + LangText(L"IDS_SELCLOC_SAVEDRIVER"));
        return UpdateRunResult::kFailed;
    }
    if (result == Fetch::kDigestDiffers) {
        Row(LangText(L"IDS_DOWN_DIGEST_MISMATCH") + L" " + name);
        return UpdateRunResult::kFailed;
    }
    if (job_.endText == kNoProgressText) {
        Row(LangText(kNoProgressText));
        return UpdateRunResult::kConnectionLost;
    }
    if (job_.endKind == kFinishStoppedAfterNetworkErrors) {
        Row(LangText(L"IDS_DOWNABORT_DUEINTERNET"));
        return UpdateRunResult::kConnectionLost;
    }
    Row(LangText(L"IDS_UNABLE_SAVE_DOWNFILE"));
    return UpdateRunResult::kFailed;
}

UpdateRun::Fetch UpdateRun::DownloadAndVerify(const std::wstring& url, const std::wstring& target,
                                             const std::wstring& digest) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Fetch result = StartDownloadJob(url, target);
        if (stopRequested_) return Fetch::kStopped;
        if (result != Fetch::kVerified) return result;
        if (PackageDigestMatches(target, digest)) {
            UpdateDownloadProgress(100, *this);
            return Fetch::kVerified;
        }
        WriteLogLine(L"Package digest differs: %ls", target.c_str());
        DeleteFileW(target.c_str());
        UpdateDownloadProgress(0, *this);
    }
    return Fetch::kDigestDiffers;
}

// kVerified here only says that the file arrived whole.
UpdateRun::Fetch UpdateRun::StartDownloadJob(const std::wstring& url, const std::wstring& target) {
    if (FileExists(target) && !DeleteFileW(target.c_str())) return Fetch::kNotWritable;
    ResetDownloadEvent(job_);
    std::wstring unconfirmed;
    if (!PrepareDownloadTarget(target, unconfirmed, false)) return Fetch::kNotWritable;
    SetDownloadProgressWindow(this);
    const int result = RunDownload(job_, url, unconfirmed, L"", connections, false, 0);
    Sleep(10);
    if (result != 1) return Fetch::kJobFailed;
    return CommitDownloadedFile(unconfirmed) == 1 && FileExists(target) ? Fetch::kVerified : Fetch::kNotWritable;
}
