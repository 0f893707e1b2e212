#pragma once

#include <functional>
#include <string>

#include "scan/service_addresses.h"
#include "foundation/clock.h"

// The three web-service calls the screens make, with the program's choice of
// transports, proxy settings, pauses and elapsed-time limits around the plain
// SOAP calls. No error leaves these: a call succeeded or it did not, and the
// calling screen decides what to show.
class CUpdateServiceHelper {
public:
    static constexpr DWORD kCallTimeoutMs = 120000;
    static constexpr DWORD kPauseMs = 1024;
    static constexpr ULONGLONG kOverallLimitSeconds = 54;
    static constexpr ULONGLONG kRetryLimitSeconds = 480;
    static constexpr size_t kMaxFeedbackCharacters = 20971520;

    // The addresses under the product key and the program's clock.
    CUpdateServiceHelper();
    // The clock must outlive the helper; null means the program's clock. The pause
    // between two tries answers the calling thread's messages through
    // `pumpMessages`; empty handles them here.
    CUpdateServiceHelper(ServiceAddresses addresses, const Clock* clock, std::function<void()> pumpMessages = {});
    virtual ~CUpdateServiceHelper();

    // One successful call of GetDriverUpdatesData1; `answer` then holds its result.
    bool RequestDriverUpdatesData(const std::wstring& input, const std::wstring& key, const std::wstring& macId,
                                  const std::wstring& dbInitials, const std::wstring& saveXmlFileName, int nOSId,
                                  std::wstring& answer);

    // Trims `input` in place; true when one call of GetDriverDownloadInformation
    // succeeded. `answer` holds the result of the last call made.
    bool RequestDriverDownloadInformation(std::wstring& input, std::wstring& answer);

    // 1 when one call of MS_UploadFeedback succeeded, else 0.
    int UploadFeedbackFile(const std::wstring& document, const std::wstring& fileName);

    // Product parameter name, middle part, "-Feedback", time stamp, a random number, ".xml".
    std::wstring MakeFeedbackFileName(const std::wstring& middlePart);

    const ServiceAddresses& Addresses() const { return addresses_; }

private:
    using Call = std::function<bool(const std::wstring& address)>;

    // Both scan-style front-ends: the address attempt on the first address, the
    // limits, the pause, then the attempt on the second address.
    bool RunWithFallback(const std::wstring& firstAddress, const std::wstring& secondAddress,
                         const std::function<bool(const std::wstring&)>& addressAttempt);
    ULONGLONG SecondsSince(ULONGLONG startTicks);
    const Clock& TheClock() const { return clock_ != nullptr ? *clock_ : AppClock(); }
    void PumpMessages();

    ServiceAddresses addresses_;
    const Clock* clock_;
    std::function<void()> pumpMessages_;
};
