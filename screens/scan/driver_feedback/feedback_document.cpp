#include "screens/scan/driver_feedback/feedback_document.h"

#include <windows.h>

#include <string_view>

#include "foundation/email_address.h"
#include "foundation/file_version_info.h"
#include "foundation/markup.h"
#include "foundation/os_identity.h"
#include "scan/scan_request.h"

namespace {

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return L"";
    const auto last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::wstring Unsigned(unsigned long long value) { return std::to_wstring(value); }

// Drives without a medium must not bring up the system's "no disk" box.
class NoCriticalErrorBoxes {
public:
    NoCriticalErrorBoxes() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~NoCriticalErrorBoxes() { SetErrorMode(previous_); }
    NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
    NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

private:
    UINT previous_;
};

void WriteSystemInfo(CMarkup& document) {
    document.AddChildElem(L"sys_info");
    document.IntoElem();
    const OsVersionFacts os = ReadOsVersionFacts();
    document.AddChildElem(L"os_major_version", Unsigned(os.major));
    document.AddChildElem(L"os_minor_version", Unsigned(os.minor));
    document.AddChildElem(L"os_product_type", Unsigned(static_cast<unsigned>(os.productType)));
    document.AddChildElem(L"os_architecture_type", Unsigned(static_cast<unsigned>(os.processorArchitecture)));

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatusEx(&memory);
    document.AddChildElem(L"memory_info");
    document.IntoElem();
    document.AddChildElem(L"total_phy", Unsigned(memory.ullTotalPhys));
    document.AddChildElem(L"avail_phy", Unsigned(memory.ullAvailPhys));
    document.AddChildElem(L"total_page_file", Unsigned(memory.ullTotalPageFile));
    document.AddChildElem(L"avail_page_file", Unsigned(memory.ullAvailPageFile));
    document.OutOfElem();

    wchar_t systemFolder[MAX_PATH] = {};
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    document.AddChildElem(L"system_driver", std::wstring(systemFolder).substr(0, 2));

    const NoCriticalErrorBoxes quiet;
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((drives & (1u << letter)) == 0) continue;
        const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + letter)) + L":\\";
        const UINT type = GetDriveTypeW(root.c_str());
        if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) continue;
        if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) continue;
        ULARGE_INTEGER available{}, total{}, free{};
        if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) continue;
        document.AddChildElem(L"drive_info");
        document.IntoElem();
        document.AddChildElem(L"drive_name", root);
        document.AddChildElem(L"total_size_in_bytes", Unsigned(total.QuadPart));
        document.AddChildElem(L"free_space_in_bytes", Unsigned(free.QuadPart));
        document.AddChildElem(L"used_space_in_bytes", Unsigned(total.QuadPart - free.QuadPart));
        document.OutOfElem();
    }
    document.OutOfElem();
}

// The devices of the last scan request, in document order.
void WriteDevices(CMarkup& document, const std::wstring& lastScanRequest) {
    CMarkup request;
    if (lastScanRequest.empty() || !request.SetDoc(lastScanRequest) || !request.FindElem()) return;
    while (request.FindChildElem()) {
        request.IntoElem();
        // The scan itself sends the short names ("dev", "id", ...): both are read, or
        // the feedback of a scanned machine would list no device at all.
        const std::wstring tag = request.GetTagName();
        if (tag == L"device" || tag == L"dev") {
            std::wstring driverId, date, version, matchingId;
            while (request.FindChildElem()) {
                request.IntoElem();
                const std::wstring name = request.GetTagName();
                if (name == L"driverid" || name == L"id") driverId = request.GetData();
                if (name == L"date" || name == L"dt") date = request.GetData();
                if (name == L"version" || name == L"ver") version = request.GetData();
                if (name == L"matchingid" || name == L"mid") matchingId = request.GetData();
                request.OutOfElem();
            }
            document.AddChildElem(L"device");
            document.IntoElem();
            document.AddChildElem(L"driverid", driverId);
            document.AddChildElem(L"date", date);
            document.AddChildElem(L"version", version);
            if (!matchingId.empty()) document.AddChildElem(L"matchingid", matchingId);
            document.OutOfElem();
        }
        request.OutOfElem();
    }
}

}  // namespace

int CheckFeedbackEmail(const std::wstring& email) {
    if (email.empty()) return FeedbackResult::kNoEmail;
    const auto at = email.find(L'@');
    if (at == std::wstring::npos || at < 1 || at + 1 >= email.size()) return FeedbackResult::kInvalidEmail;
    // A conversion that drops or replaces characters would check another address.
    char narrow[260] = {};
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, email.c_str(),
                                           static_cast<int>(email.size()), narrow, 259, nullptr, &lossy);
    if (length <= 0 || lossy) return FeedbackResult::kInvalidEmail;
    return IsValidEmailAddress(std::string_view(narrow, static_cast<size_t>(length))) ? 1
                                                                                     : FeedbackResult::kInvalidEmail;
}

int BuildFeedbackDocumentText(const FeedbackFields& fields, const FeedbackSources& sources, std::wstring& document) {
    document.clear();
    const int email = CheckFeedbackEmail(fields.email);
    if (email != 1) return email;
    if (fields.category <= 0) return FeedbackResult::kNoCategory;
    const std::wstring text = Trimmed(fields.text);
    if (text.empty()) return FeedbackResult::kNoText;
    try {
        CMarkup markup;
        markup.SetDoc(L"");
        markup.AddElem(L"sf_feedback");
        markup.AddChildElem(L"feedback");
        markup.IntoElem();
        markup.AddChildElem(L"email", fields.email);
        markup.AddChildElem(L"feedback_type", fields.categoryText);
        markup.AddChildElem(L"content", text);
        markup.OutOfElem();
        WriteSystemInfo(markup);
        markup.AddChildElem(L"prog_info");
        markup.IntoElem();
        FileVersionInfo version;
        version.Load(sources.programPath);
        markup.AddChildElem(L"prog_ver", version.GetFixedVersion());
        markup.OutOfElem();
        WriteSystemNameElement(markup, sources.facts);
        WriteOsInfoElement(markup, sources.facts);
        WriteDbRefElement(markup, sources.facts);
        WriteHardwareInfoElements(markup, sources.facts, false);
        WriteUserHashElement(markup, sources.facts, false);
        WriteAppInfoElement(false, markup, sources.facts);
        WriteDevices(markup, sources.lastScanRequest);
        document = markup.GetDoc();
        return FeedbackResult::kBuilt;
    } catch (...) {
        document.clear();
        return FeedbackResult::kNoText;
    }
}
