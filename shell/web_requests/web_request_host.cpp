#include "shell/web_requests/web_request_host.h"

#include <windows.h>
#include <shellapi.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <mutex>

#include "foundation/file_version_info.h"
#include "foundation/machine_id.h"
#include "foundation/system_helpers.h"
#include "platform/file_fetcher.h"

namespace {

std::mutex& SenderLock() {
    static std::mutex lock;
    return lock;
}

std::function<void()>& DeviceListSender() {
    static std::function<void()> sender;
    return sender;
}

}  // namespace

bool WebRequestHost::IsConnected() { return FileFetcher::IsConnected(); }

int WebRequestHost::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT style) {
    const HWND owner = owner_ != nullptr && IsWindow(owner_) ? owner_ : nullptr;
    return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}

bool WebRequestHost::OpenInBrowser(const std::wstring& address, int showCommand) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, showCommand));
    return result > 32;
}

bool WebRequestHost::StartProgram(const std::wstring& path, const std::wstring& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), parameters.c_str(), L"", SW_SHOWNORMAL));
    return result > 32;
}

void WebRequestHost::EndProcess(UINT exitCode) { ExitProcess(exitCode); }

bool WebRequestHost::IsSetupTrusted(const std::wstring& path, const std::wstring& sourceAddress) {
    return IsSecureWebAddress(sourceAddress) && HasValidAuthenticodeSignature(path);
}

bool WebRequestHost::ProgramVersion(std::wstring& version) {
    FileVersionInfo info;
    version = info.Load(GetModulePath()) ? info.GetFileVersionString() : std::wstring();
    return !version.empty();
}

std::wstring WebRequestHost::MachineId() {
    std::wstring identifier;
    ReadMachineId(identifier);
    return identifier;
}

void WebRequestHost::SendDeviceListRequest() {
    std::function<void()> sender;
    {
        std::lock_guard<std::mutex> guard(SenderLock());
        sender = DeviceListSender();
    }
    if (sender) sender();
}

WebRequestHost& SystemWebRequestHost() {
    static WebRequestHost host;
    return host;
}

void RegisterDeviceListSender(std::function<void()> sender) {
    std::lock_guard<std::mutex> guard(SenderLock());
    DeviceListSender() = std::move(sender);
}

namespace {

// The file carries an embedded Authenticode signature at all. Some systems' trust
// check answers success for a file without one, or for no file at all.
bool HasEmbeddedSignature(const std::wstring& path) {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
        return false;
    }
    if (message != nullptr) CryptMsgClose(message);
    if (store != nullptr) CertCloseStore(store, 0);
    return true;
}

}  // namespace

bool HasValidAuthenticodeSignature(const std::wstring& path) {
    if (!HasEmbeddedSignature(path)) return false;
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return status == ERROR_SUCCESS;
}
