#include "shell/web_requests/driver_alert_signup.h"

#include <windows.h>
#include <process.h>

#include <exception>
#include <memory>

#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/os_identity.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/system_helpers.h"
#include "platform/file_fetcher.h"
#include "platform/file_replace.h"
#include "platform/trim_blanks.h"
#include "platform/xml_text.h"
#include "shell/web_requests/web_request_addresses.h"

namespace {

constexpr size_t kMaxUserIdLength = 64;

bool IsUserIdCharacter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'_' || c == L'.' || c == L'{' || c == L'}';
}

bool FetchOne(const std::wstring& address, const std::wstring& target) {
    FileFetcher fetcher;
    fetcher.ClearFiles();
    fetcher.AddFile(address, target);
    fetcher.SetOption(L"hidden", L"1");
    const std::wstring languageFile = GetLanguageIniPath();
    if (!languageFile.empty() && GetFileAttributesW(languageFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        fetcher.SetOption(L"language", languageFile);
    }
    return fetcher.DownloadFiles();
}

int SignUp(const std::wstring& emailAddress, bool quiet, WebRequestHost& host) {
    if (GetAppSettings().isDriverAlertsEnabled == 0) return 0;
    if (TrimBlanks(emailAddress).empty()) return -1;
    std::wstring folder;
    if (!GetUserDataFolder(folder)) return -1;
    std::wstring answerPath = folder;
    PathAppendString(answerPath, kSignupAnswerFileName);
    std::wstring confirmPath = folder;
    PathAppendString(confirmPath, kSignupConfirmAnswerFileName);
    if (!host.IsConnected()) return -1;

    // An answer left by an earlier sign-up must not pass for this one's.
    DeleteFileW(answerPath.c_str());
    std::string answer;
    if (!FetchOne(BuildSignupAddress(emailAddress), answerPath) || !ReadWholeFile(answerPath, answer)) {
        WriteLogLine(L"Driver alerts: the sign-up request failed");
        return -1;
    }
    const std::wstring userId = UserIdFromSignupAnswer(answer);
    if (userId.empty()) {
        WriteLogLine(L"Driver alerts: the sign-up answer holds no user id");
        return -1;
    }
    if (!FetchOne(BuildSignupConfirmAddress(userId, host), confirmPath)) {
        WriteLogLine(L"Driver alerts: the confirmation request failed");
        return -1;
    }
    CRegistry machineKey;
    if (!machineKey.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, true) ||
        !machineKey.WriteDword(L"RegisteredForDriverAlerts", 1)) {
        WriteLogLine(L"Driver alerts: cannot record the sign-up (error %lu)", GetLastError());
    }
    host.SendDeviceListRequest();
    if (!quiet) {
        host.ShowMessage(GetLangString(L"IDS_HLV_SUCCESSFUL_REGISTERED", kResourceStringSection), GetAppTitle(),
                         MB_ICONINFORMATION | MB_TASKMODAL);
    }
    return 0;
}

struct SignupJob {
    HWND popup;
    UINT doneMessage;
    std::wstring emailAddress;
    bool quiet;
    WebRequestHost* host;
};

unsigned __stdcall SignupThreadBody(void* parameter) {
    const std::unique_ptr<SignupJob> job(static_cast<SignupJob*>(parameter));
    const int result = RegisterForDriverAlerts(job->emailAddress, job->quiet, *job->host);
    PostMessageW(job->popup, job->doneMessage, static_cast<WPARAM>(static_cast<INT_PTR>(result)), 0);
    return static_cast<unsigned>(result);
}

}  // namespace

int RegisterForDriverAlerts(const std::wstring& emailAddress, bool quiet, WebRequestHost& host) {
    try {
        return SignUp(emailAddress, quiet, host);
    } catch (const std::exception& error) {
        LogExceptionMessage(&error);
        return -1;
    }
}

std::wstring BuildSignupAddress(const std::wstring& emailAddress) {
    std::wstring address = LoadWebRequestAddresses().signup;
    ReplacePlaceholder(address, L"<email>", emailAddress);
    return address;
}

std::wstring BuildSignupConfirmAddress(const std::wstring& userId, WebRequestHost& host) {
    std::wstring address = LoadWebRequestAddresses().signupConfirm;
    ReplacePlaceholder(address, L"<pid>", L"35");
    ReplacePlaceholder(address, L"<uid>", userId);
    ReplacePlaceholder(address, L"<macid>", host.MachineId());
    ReplacePlaceholder(address, L"<osid>", GetOsIdString());
    ReplacePlaceholder(address, L"<appver>", GetAppFileVersionString());
    return address;
}

std::wstring UserIdFromSignupAnswer(const std::string& answerBytes) {
    std::wstring text;
    if (!WideFromUtf8(answerBytes, text)) text.assign(answerBytes.begin(), answerBytes.end());
    std::wstring lastLine;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = TrimBlanks(text.substr(start, end - start));
        if (!line.empty()) lastLine = line;
        start = end + 1;
    }
    if (lastLine.empty() || lastLine.size() > kMaxUserIdLength) return {};
    for (const wchar_t c : lastLine) {
        if (!IsUserIdCharacter(c)) return {};
    }
    return lastLine;
}

UniqueHandle StartDriverAlertSignupWorker(HWND popup, UINT doneMessage, const std::wstring& emailAddress,
                                          bool quiet, WebRequestHost& host) {
    auto job = std::make_unique<SignupJob>(SignupJob{popup, doneMessage, emailAddress, quiet, &host});
    const uintptr_t handle = _beginthreadex(nullptr, 0, SignupThreadBody, job.get(), 0, nullptr);
    if (handle == 0) return UniqueHandle();
    job.release();
    return UniqueHandle(reinterpret_cast<HANDLE>(handle));
}
