#include "scan/update_service_helper.h"

#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "foundation/language_strings.h"
#include "platform/trim_blanks.h"
#include "scan/update_service_proxy.h"

namespace {

// The two encryption flags of the download information request: never set, so
// the request and its answer travel as plain text.
constexpr bool kInputEncrypted = false;
constexpr bool kOutputEncrypted = false;

// An address too long for the program's address buffers is not called at all,
// rather than called cut short.
bool UsableAddress(const std::wstring& address) { return address.size() <= ServiceAddresses::kMaxAddressLength; }

void ApplyInternetSettingsProxy(CSoapSocketClientT& client) {
    std::wstring host;
    unsigned short port = 0;
    if (ReadInternetSettingsProxy(host, port)) client.SetProxy(host, port);
}

}  // namespace

CUpdateServiceHelper::CUpdateServiceHelper() : CUpdateServiceHelper(LoadServiceAddresses(), nullptr) {}

CUpdateServiceHelper::CUpdateServiceHelper(ServiceAddresses addresses, const Clock* clock,
                                           std::function<void()> pumpMessages)
    : addresses_(std::move(addresses)), clock_(clock), pumpMessages_(std::move(pumpMessages)) {}

CUpdateServiceHelper::~CUpdateServiceHelper() = default;

void CUpdateServiceHelper::PumpMessages() {
    if (pumpMessages_) {
        pumpMessages_();
        return;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

ULONGLONG CUpdateServiceHelper::SecondsSince(ULONGLONG startTicks) {
    return (TheClock().TickCount64() - startTicks + 500) / 1000;
}

bool CUpdateServiceHelper::RunWithFallback(const std::wstring& firstAddress, const std::wstring& secondAddress,
                                           const std::function<bool(const std::wstring&)>& addressAttempt) {
    const ULONGLONG start = TheClock().TickCount64();
    const bool succeeded = addressAttempt(firstAddress);
    if (SecondsSince(start) > kOverallLimitSeconds) return succeeded;
    PumpMessages();
    TheClock().Sleep(kPauseMs);
    PumpMessages();
    if (SecondsSince(start) > kOverallLimitSeconds) return succeeded;
    if (succeeded) return true;
    return addressAttempt(secondAddress);
}

bool CUpdateServiceHelper::RequestDriverUpdatesData(const std::wstring& input, const std::wstring& key,
                                                    const std::wstring& macId, const std::wstring& dbInitials,
                                                    const std::wstring& saveXmlFileName, int nOSId,
                                                    std::wstring& answer) {
    const std::wstring defaultUrl = addresses_.updateFirst;
    auto call = [&](const std::wstring& address, bool withProxy) {
        if (!UsableAddress(address)) return false;
        UpdateService::CUpdateServiceT<CSoapSocketClientT> proxy(addresses_.serviceNamespace, defaultUrl);
        proxy.SetUrl(address);
        if (withProxy) ApplyInternetSettingsProxy(proxy.Client());
        proxy.Client().SetTimeout(kCallTimeoutMs);
        std::wstring result;
        if (proxy.GetDriverUpdatesData1(input, key, macId, dbInitials, saveXmlFileName, nOSId, result) != S_OK) {
            return false;
        }
        answer = result;
        return true;
    };
    auto addressAttempt = [&](const std::wstring& address) {
        const ULONGLONG attemptStart = TheClock().TickCount64();
        if (call(address, true)) return true;
        if (SecondsSince(attemptStart) > kRetryLimitSeconds) return false;
        TheClock().Sleep(kPauseMs);
        return call(address, false);
    };
    return RunWithFallback(addresses_.updateFirst, addresses_.updateSecond, addressAttempt);
}

bool CUpdateServiceHelper::RequestDriverDownloadInformation(std::wstring& input, std::wstring& answer) {
    input = TrimBlanks(input);
    const std::wstring defaultUrl = addresses_.updateFirst;
    auto socketCall = [&](const std::wstring& address, bool withProxy) {
        UpdateService::CUpdateServiceT<CSoapSocketClientT> proxy(addresses_.serviceNamespace, defaultUrl);
        proxy.SetUrl(address);
        if (withProxy) ApplyInternetSettingsProxy(proxy.Client());
        proxy.Client().SetTimeout(kCallTimeoutMs);
        return proxy.GetDriverDownloadInformation(input, kInputEncrypted, kOutputEncrypted, answer) == S_OK;
    };
    // WinInet connects with the system's settings either way; its second try
    // differs from the first only in clearing a proxy name that is never set.
    auto wininetCall = [&](const std::wstring& address) {
        UpdateService::CUpdateServiceT<CSoapWininetClient> proxy(addresses_.serviceNamespace, defaultUrl);
        proxy.SetUrl(address);
        proxy.Client().SetTimeout(kCallTimeoutMs);
        return proxy.GetDriverDownloadInformation(input, kInputEncrypted, kOutputEncrypted, answer) == S_OK;
    };
    auto addressAttempt = [&](const std::wstring& address) {
        if (!UsableAddress(address)) return false;
        const std::function<bool()> tries[] = {
            [&] { return socketCall(address, false); },
            [&] { return socketCall(address, true); },
            [&] { return wininetCall(address); },
            [&] { return wininetCall(address); },
        };
        for (size_t i = 0; i < std::size(tries); ++i) {
            if (i > 0) TheClock().Sleep(kPauseMs);
            if (tries[i]()) return true;
        }
        return false;
    };
    return RunWithFallback(addresses_.updateFirst, addresses_.updateSecond, addressAttempt);
}

int CUpdateServiceHelper::UploadFeedbackFile(const std::wstring& document, const std::wstring& fileName) {
    const std::wstring defaultUrl = addresses_.miscFirst;
    const struct {
        const std::wstring* address;
        bool withProxy;
    } tries[] = {
        {&addresses_.miscFirst, false},
        {&addresses_.miscFirst, true},
        {&addresses_.miscSecond, false},
        {&addresses_.miscSecond, true},
    };
    for (size_t i = 0; i < std::size(tries); ++i) {
        if (i > 0) TheClock().Sleep(kPauseMs);
        if (document.size() > kMaxFeedbackCharacters || !UsableAddress(*tries[i].address)) continue;
        MiscService::CMiscServiceT<CSoapSocketClientT> proxy(addresses_.serviceNamespace, defaultUrl);
        proxy.SetUrl(*tries[i].address);
        if (tries[i].withProxy) ApplyInternetSettingsProxy(proxy.Client());
        std::wstring result;
        if (proxy.MS_UploadFeedback(document, fileName, result) == S_OK) return 1;
    }
    return 0;
}

std::wstring CUpdateServiceHelper::MakeFeedbackFileName(const std::wstring& middlePart) {
    std::wstring name = BuildProductParamsName() + middlePart + L"-Feedback";

    const SYSTEMTIME now = TheClock().LocalTime();
    const int hour12 = now.wHour % 12 == 0 ? 12 : now.wHour % 12;
    wchar_t stamp[64] = {};
    swprintf(stamp, 64, L" %04u%02u%02uT%02d_%02u%02u%ls", now.wYear, now.wMonth, now.wDay, hour12, now.wMinute,
             now.wSecond, now.wHour < 12 ? L"AM" : L"PM");
    name += stamp;

    // Two names made within one second differ by this number.
    srand(static_cast<unsigned>(TheClock().TickCount64()));
    name += L" " + std::to_wstring(rand() % 32768) + L".xml";
    return name;
}
