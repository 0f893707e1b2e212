#include "shell/web_requests/program_update_check.h"

#include <windows.h>
#include <process.h>

#include <exception>
#include <memory>

#include "foundation/clock.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/file_fetcher.h"
#include "platform/trim_blanks.h"
#include "platform/text_case.h"
#include "shell/web_requests/web_request_addresses.h"

namespace {

constexpr wchar_t kVersionSection[] = L"Application";

// Clears a busy flag when the guarded work ends, whichever way it ends.
class BusyFlag {
public:
    explicit BusyFlag(std::atomic<bool>& flag) : flag_(flag), taken_(!flag.exchange(true)) {}
    ~BusyFlag() {
        if (taken_) flag_ = false;
    }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;
    bool Taken() const { return taken_; }

private:
    std::atomic<bool>& flag_;
    bool taken_;
};

std::wstring DataFolderFile(const wchar_t* name) {
    std::wstring path;
    if (!GetUserDataFolder(path)) return {};
    PathAppendString(path, name);
    return path;
}

std::wstring ReadVersionValue(IniFileCache& file, const wchar_t* key) {
    return LookupLangString(kVersionSection, key, file, true);
}

// The thread owns its object and deletes it when the check has returned.
unsigned __stdcall CheckThreadBody(void* parameter) {
    const std::unique_ptr<CCheckUpdateThread> owned(static_cast<CCheckUpdateThread*>(parameter));
    return static_cast<unsigned>(owned->InitInstance());
}

}  // namespace

uint64_t PackFourPartVersion(const std::wstring& version) {
    uint64_t packed = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        uint32_t value = 0;
        if (at != std::wstring::npos && at <= version.size()) {
            const size_t end = version.find(L'.', at);
            const std::wstring text = TrimBlanks(version.substr(at, end == std::wstring::npos ? end : end - at));
            for (const wchar_t c : text) {
                if (c < L'0' || c > L'9') break;
                value = (value * 10 + static_cast<uint32_t>(c - L'0')) & 0xFFFF;
            }
            at = end == std::wstring::npos ? end : end + 1;
        }
        packed = (packed << 16) | value;
    }
    return packed;
}

std::wstring SetupFileNameFor(const SYSTEMTIME& date) {
    const bool valid = date.wMonth >= 1 && date.wMonth <= 12 && date.wDay >= 1 && date.wDay <= 31;
    wchar_t name[80];
    swprintf(name, 80, L"productSetup_Setup_%d_%d_%d.exe", valid ? date.wMonth : -1, valid ? date.wDay : -1,
             valid ? date.wYear : -1);
    return name;
}

bool GetProgramVersion(std::wstring& version) { return SystemWebRequestHost().ProgramVersion(version); }

CProgramUpdate::CProgramUpdate(WebRequestHost& host) : host_(host) {}

std::wstring CProgramUpdate::ProgramUrl() const {
    std::lock_guard<std::mutex> guard(lock_);
    return programUrl_;
}

std::wstring CProgramUpdate::SetupPath() const {
    std::lock_guard<std::mutex> guard(lock_);
    return setupPath_;
}

void CProgramUpdate::Tell(const std::wstring& textKey, UINT style) {
    host_.ShowMessage(GetLangString(textKey, kResourceStringSection), GetAppTitle(), style);
}

int CProgramUpdate::Ask(const std::wstring& textKey) {
    return host_.ShowMessage(GetLangString(textKey, kResourceStringSection), GetAppTitle(),
                             MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
}

bool CProgramUpdate::OpenWebPage(const std::wstring& address) {
    if (!IsWebAddress(address)) {
        WriteLogLine(L"Update check: refused to open \"%ls\", which is no web address", address.c_str());
        return false;
    }
    return host_.OpenInBrowser(address, SW_SHOWMAXIMIZED);
}

std::wstring CProgramUpdate::BuildRequestAddress() {
    std::wstring version;
    host_.ProgramVersion(version);
    std::wstring address = LoadWebRequestAddresses().programUpdate;
    address += address.find(L'?') == std::wstring::npos ? L"?ver=" : L"&ver=";
    address += PercentEncodeUtf8(version);
    const std::wstring product = ReadRegStringDefault(HKEY_LOCAL_MACHINE, kProductKeyPath, L"prd", L"");
    if (!product.empty()) address += L"&prd=" + PercentEncodeUtf8(product);
    return address;
}

bool CProgramUpdate::PrepareFetch(FileFetcher& fetcher, const std::wstring& address, const std::wstring& target,
                                  bool silent) {
    if (target.empty()) return false;
    DeleteFileW(target.c_str());
    fetcher.ClearFiles();
    fetcher.AddFile(address, target);
    fetcher.SetOption(L"hidden", silent ? L"1" : L"0");
    const std::wstring languageFile = GetLanguageIniPath();
    if (!languageFile.empty() && GetFileAttributesW(languageFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        fetcher.SetOption(L"language", languageFile);
    }
    return true;
}

int CProgramUpdate::RunUpdateCheck(bool updateCheckStart, bool installAtOnce) {
    try {
        return CheckProgramUpdate(automaticMode_, updateCheckStart, installAtOnce);
    } catch (const std::exception& error) {
        LogExceptionMessage(&error);
        return 0;
    }
}

int CProgramUpdate::CheckProgramUpdate(bool silent, bool updateCheckStart, bool installAtOnce) {
    BusyFlag busy(checkBusy_);
    if (!busy.Taken()) return 0;
    const std::wstring address = BuildRequestAddress();
    if (!host_.IsConnected()) {
        if (!silent) Tell(L"IDS_CANNOT_CONNECT", MB_ICONERROR | MB_TASKMODAL);
        return 0;
    }
    const std::wstring target = DataFolderFile(kUpdateIniName);
    FileFetcher fetcher;
    if (!PrepareFetch(fetcher, address, target, silent) || !fetcher.DownloadFiles()) {
        WriteLogLine(L"Update check: the version file did not arrive from %ls", address.c_str());
        if (!silent) Tell(L"IDS_NO_NEW_UPDATE_ABLBLE", MB_ICONINFORMATION);
        return 0;
    }
    const bool newer = IsNewerVersionOffered(target);
    if (updateCheckStart && !installAtOnce) return 0;
    if (!newer) {
        if (!silent) Tell(L"IDS_NO_NEW_UPDATE_ABLBLE", MB_ICONINFORMATION);
        return 0;
    }
    if (openBrowser_) {
        if (Ask(L"IDS_NEW_UPDATE_ABLBLE_BROWSER") == IDYES) {
            const std::wstring page = ProgramUrl();
            if (!OpenWebPage(page)) OpenWebPage(LoadWebRequestAddresses().downloadPage);
        }
        return 0;
    }
    if (!installAtOnce && Ask(L"IDS_NEW_UPDATE_ABLBLE") != IDYES) return 0;
    DownloadSetup(silent);
    return RunSetupAndExit() ? 1 : 0;
}

bool CProgramUpdate::IsNewerVersionOffered(const std::wstring& path) {
    IniFileCache file;
    file.SetPath(path);
    const std::wstring offered = ReadVersionValue(file, L"PROGRAM_VERSION");
    const std::wstring address = ReadVersionValue(file, L"PROGRAM_URL");
    openBrowser_ = TrimBlanks(LowerInvariant(ReadVersionValue(file, L"OPEN_BROWSER"))) == L"1";
    std::wstring own;
    host_.ProgramVersion(own);
    if (own.empty() || offered.empty() || address.empty()) return false;
    if (PackFourPartVersion(offered) <= PackFourPartVersion(own)) return false;
    std::lock_guard<std::mutex> guard(lock_);
    programUrl_ = address;
    return true;
}

bool CProgramUpdate::DownloadSetup(bool silent) {
    BusyFlag busy(downloadBusy_);
    if (!busy.Taken()) return false;
    if (!host_.IsConnected()) {
        if (!silent) Tell(L"IDS_CANNOT_CONNECT", MB_ICONERROR | MB_TASKMODAL);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        setupPath_.clear();
        setupSource_.clear();
    }
    const std::wstring temporary = DataFolderFile(kSetupTempName);
    FileFetcher fetcher;
    if (!PrepareFetch(fetcher, ProgramUrl(), temporary, silent) || !fetcher.DownloadFiles()) {
        WriteLogLine(L"Update check: the setup did not arrive from %ls", ProgramUrl().c_str());
        return false;
    }
    const std::wstring setup = DataFolderFile(SetupFileNameFor(AppClock().LocalTime()).c_str());
    DeleteFileW(setup.c_str());
    if (!MoveFileW(temporary.c_str(), setup.c_str())) {
        WriteLogLine(L"Update check: cannot name the setup %ls (error %lu)", setup.c_str(), GetLastError());
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    setupPath_ = setup;
    setupSource_ = fetcher.Outcomes()[0].finalAddress;
    return true;
}

bool CProgramUpdate::RunSetupAndExit() {
    std::wstring setup;
    std::wstring source;
    {
        std::lock_guard<std::mutex> guard(lock_);
        setup = setupPath_;
        source = setupSource_;
    }
    if (setup.empty() || GetFileAttributesW(setup.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    if (!host_.IsSetupTrusted(setup, source)) {
        WriteLogLine(L"Update check: the setup from %ls is not signed or not sent over https; not started",
                     source.c_str());
        DeleteFileW(setup.c_str());
        {
            std::lock_guard<std::mutex> guard(lock_);
            setupPath_.clear();
        }
        OpenWebPage(LoadWebRequestAddresses().downloadPage);
        return false;
    }
    if (!host_.StartProgram(setup, L"/verysilent")) {
        WriteLogLine(L"Update check: the setup %ls did not start (error %lu)", setup.c_str(), GetLastError());
        return false;
    }
    host_.EndProcess(0);
    return true;
}

CProgramUpdate& ProgramUpdate() {
    static CProgramUpdate update(SystemWebRequestHost());
    return update;
}

CCheckUpdateThread::CCheckUpdateThread(CProgramUpdate& update, WebRequestHost& host, bool updateCheckStart)
    : update_(update), host_(host), updateCheckStart_(updateCheckStart) {}

int CCheckUpdateThread::InitInstance() {
    const int result = update_.RunUpdateCheck(updateCheckStart_, false);
    if (updateCheckStart_ && result == 0) host_.EndProcess(0);
    return result;
}

UniqueHandle CCheckUpdateThread::Start(CProgramUpdate& update, WebRequestHost& host, bool updateCheckStart) {
    auto thread = std::make_unique<CCheckUpdateThread>(update, host, updateCheckStart);
    const uintptr_t handle = _beginthreadex(nullptr, 0, CheckThreadBody, thread.get(), 0, nullptr);
    if (handle == 0) return UniqueHandle();
    thread.release();
    return UniqueHandle(reinterpret_cast<HANDLE>(handle));
}
