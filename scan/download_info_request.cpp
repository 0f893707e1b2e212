#include "scan/download_info_request.h"

#include <windows.h>

#include <array>

#include "foundation/markup.h"
#include "platform/trim_blanks.h"

std::wstring DriverIdText(std::uint64_t driverId) { return driverId == 0 ? std::wstring() : std::to_wstring(driverId); }

int BuildDownloadInfoRequest(std::wstring& out, const std::wstring& hardwareId, const std::wstring& osIdText,
                             const std::wstring& driverIdText, const ScanRequestFacts& facts) {
    try {
        CMarkup document;
        document.SetDoc(L"");
        document.AddElem(L"newdataset");
        document.AddChildElem(L"device");
        document.IntoElem();
        document.AddChildElem(L"hardwareid", hardwareId);
        document.AddChildElem(L"osid", osIdText);
        document.AddChildElem(L"did", driverIdText);
        document.OutOfElem();
        WriteSaveXmlFileNameElement(document, facts, 2);
        WriteDbRefElement(document, facts);
        WriteAppInfoElement(false, document, facts);
        WriteUserHashElement(document, facts, false);
        out = document.GetDoc();
        return 1;
    } catch (...) {
        return 0;
    }
}

int ParseDownloadInfoAnswer(const std::wstring& answer, std::wstring& url, std::wstring& digest,
                            std::wstring& databaseVersion) {
    CMarkup document;
    if (!document.SetDoc(answer) || !document.FindElem()) return 0;
    while (document.FindChildElem()) {
        document.IntoElem();
        const std::wstring name = document.GetTagName();
        const std::wstring data = document.GetData();
        document.OutOfElem();
        if (lstrcmpiW(name.c_str(), L"url") == 0) {
            url = data;
        } else if (lstrcmpiW(name.c_str(), L"hashstring") == 0) {
            if (!data.empty()) digest = data;
        } else if (lstrcmpiW(name.c_str(), L"dbv") == 0) {
            if (!data.empty()) databaseVersion = data;
        }
    }
    return 1;
}

namespace {

// Up to four numbers; missing ones are 0, so "5.1" and "5.1.0.0" are one version.
std::array<unsigned long, 4> VersionNumbers(const std::wstring& text) {
    std::array<unsigned long, 4> numbers = {};
    std::size_t field = 0;
    for (wchar_t c : TrimBlanks(text)) {
        if (c == L'.' || c == L',') {
            if (++field == numbers.size()) break;
        } else if (c >= L'0' && c <= L'9') {
            numbers[field] = numbers[field] * 10 + static_cast<unsigned long>(c - L'0');
        }
    }
    return numbers;
}

}  // namespace

bool IsScanOutOfDate(const std::wstring& answerVersion, const std::wstring& scanVersion) {
    const bool hasAnswer = !TrimBlanks(answerVersion).empty();
    const bool hasScan = !TrimBlanks(scanVersion).empty();
    if (!hasAnswer) return !hasScan;
    if (!hasScan) return true;
    return VersionNumbers(answerVersion) != VersionNumbers(scanVersion);
}
