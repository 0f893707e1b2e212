#include "scan/scan_request.h"

#include <windows.h>

#include <cstdio>

#include "platform/trim_blanks.h"
#include "platform/text_case.h"

namespace {

std::vector<std::wstring> SplitAtBars(const std::wstring& text) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find(L'|', start);
        pieces.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos) return pieces;
        start = bar + 1;
    }
}

// Characters XML 1.0 cannot carry (a BIOS serial with control bytes) are dropped
// from a value, so the rest of it is still sent.
std::wstring XmlSafe(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') continue;
        if (c == 0x7F || c == 0xFFFE || c == 0xFFFF) continue;
        out += c;
    }
    return out;
}

void AddValue(CMarkup& document, const std::wstring& name, const std::wstring& value) {
    document.AddChildElem(name, XmlSafe(value));
}

// Steps into a new child element for the life of the object, and out again.
class ChildScope {
public:
    ChildScope(CMarkup& document, const std::wstring& name) : document_(document) {
        document_.AddChildElem(name);
        document_.IntoElem();
    }
    ~ChildScope() { document_.OutOfElem(); }
    ChildScope(const ChildScope&) = delete;
    ChildScope& operator=(const ChildScope&) = delete;

private:
    CMarkup& document_;
};

const wchar_t* Name(bool compact, const wchar_t* shortName, const wchar_t* longName) {
    return compact ? shortName : longName;
}

std::wstring DriverDateText(const DriverInfoRecord& record) {
    if (record.driverDateLow == 0 || record.driverDateHigh == 0) return L"2000-01-01";
    FILETIME time{record.driverDateLow, record.driverDateHigh};
    SYSTEMTIME date{};
    if (!FileTimeToSystemTime(&time, &date)) return L"2000-01-01";
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u-%02u-%02u", date.wYear, date.wMonth, date.wDay);
    return text;
}

// 1000 + k for the k-th hardware id, 2000 + k for the k-th compatible id.
std::wstring MatchIndex(const DriverInfoRecord& record, const std::wstring& id) {
    for (size_t k = 0; k < record.allHardwareIds.size(); ++k) {
        if (EqualsIgnoringCase(record.allHardwareIds[k], id)) return std::to_wstring(1000 + k);
    }
    for (size_t k = 0; k < record.allCompatibleIds.size(); ++k) {
        if (EqualsIgnoringCase(record.allCompatibleIds[k], id)) return std::to_wstring(2000 + k);
    }
    return {};
}

void WriteDevice(CMarkup& document, const DriverInfoRecord& record, int index, const ScanRequestDeviceRules& rules,
                 bool compact) {
    // The identifier text grows with the device; no fixed buffer limits it.
    std::wstring joined;
    AppendNonGenericId(rules, record.matchingDeviceId, joined);
    for (const auto& id : record.hardwareIds) AppendNonGenericId(rules, TrimBlanks(id), joined);
    for (const auto& id : record.compatibleIds) AppendNonGenericId(rules, TrimBlanks(id), joined);

    std::vector<std::wstring> identifiers;
    for (const auto& piece : SplitAtBars(joined)) {
        const std::wstring id = TrimBlanks(piece);
        bool taken = false;
        for (const auto& existing : identifiers) taken = taken || EqualsIgnoringCase(existing, id);
        if (!taken) identifiers.push_back(id);
    }
    std::wstring mid, midx;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        if (i > 0) mid += L'|', midx += L'|';
        mid += identifiers[i];
        midx += TrimBlanks(MatchIndex(record, identifiers[i]));
    }
    mid = TrimBlanks(mid);
    if (mid.size() < 2) return;

    wchar_t rank[16];
    std::swprintf(rank, 16, L"%0x", record.driverRank);
    ChildScope device(document, Name(compact, L"dev", L"device"));
    AddValue(document, Name(compact, L"id", L"driverid"), std::to_wstring(index));
    AddValue(document, Name(compact, L"dt", L"date"), DriverDateText(record));
    AddValue(document, Name(compact, L"ver", L"version"), record.driverVersion);
    for (const auto& piece : SplitAtBars(mid)) {
        if (!piece.empty()) AddValue(document, Name(compact, L"mid", L"matchingid"), piece);
    }
    AddValue(document, Name(compact, L"mdid", L"matchingdeviceid"), record.matchingDeviceId);
    AddValue(document, Name(compact, L"dr", L"driverrank"), rank);
    AddValue(document, Name(compact, L"dec", L"deviceerrorcode"),
                          std::to_wstring(static_cast<int>(record.problemCode)));
    AddValue(document, Name(compact, L"dn", L"drivername"), record.deviceName);
    AddValue(document, Name(compact, L"mfg", L"manufacturer"), record.manufacturer);
    AddValue(document, Name(compact, L"pub", L"publisher"), record.provider);
    AddValue(document, Name(compact, L"cat", L"category"), record.category);
    AddValue(document, L"guid", record.driverKey);
    AddValue(document, Name(compact, L"sig", L"m_bIsSigned"), record.signer);
    AddValue(document, Name(compact, L"di", L"DevInst"),
                          record.nodeStatusResult ? std::to_wstring(record.nodeStatusResult) : L"");
    AddValue(document, Name(compact, L"midx", L"matchingidindex"), midx);
}

}  // namespace

std::wstring& AppendNonGenericId(const ScanRequestDeviceRules& rules, const std::wstring& id, std::wstring& list) {
    if (id.empty() || (rules.isGeneric && rules.isGeneric(L"", id))) return list;
    if (!list.empty()) list += L'|';
    list += id;
    return list;
}

std::wstring WriteRequestKindName(const std::wstring& productParamsName, unsigned kind) {
    static const wchar_t* const kKinds[] = {L"ScanXml-dt",
                                            L"DownloadXml-dt",
                                            L"FeedbackXml-dt",
                                            L"AutomatedScanErrorFeedbackSimpleStr-dt",
                                            L"InstallErrorXml-dt",
                                            L"DownloadFreeXml-dt"};
    std::wstring name = productParamsName + (kind >= 1 && kind <= 6 ? kKinds[kind - 1] : L"Unknown-dt");
    std::erase(name, L' ');
    return name;
}

void WriteOsInfoElement(CMarkup& document, const ScanRequestFacts& facts) {
    ChildScope os(document, L"os");
    AddValue(document, L"osid", facts.osId);
    AddValue(document, L"maj", facts.osMajor);
    AddValue(document, L"min", facts.osMinor);
    AddValue(document, L"pt", facts.osProductType);
    AddValue(document, L"arc", facts.osArchitecture);
}

void WriteSaveXmlFileNameElement(CMarkup& document, const ScanRequestFacts& facts, int kind) {
    ChildScope element(document, L"saveXmlFileName");
    AddValue(document, L"file_name_initials",
                          WriteRequestKindName(facts.productParamsName, static_cast<unsigned>(kind)));
}

void WriteDbRefElement(CMarkup& document, const ScanRequestFacts& facts) {
    ChildScope element(document, L"dbref");
    AddValue(document, L"dbinitials", facts.productParamsName);
}

void WriteSystemNameElement(CMarkup& document, const ScanRequestFacts& facts) {
    ChildScope element(document, L"system_name");
    AddValue(document, L"sysname", facts.computerName);
}

void WriteHardwareInfoElements(CMarkup& document, const ScanRequestFacts& facts, bool compact) {
    static const std::vector<TextPair> kNone;
    const CHardwareHash* hardware = facts.hardware;
    const struct {
        const wchar_t* name;
        const std::vector<TextPair>& pairs;
    } groups[] = {
        {Name(compact, L"bi", L"bios_info"), hardware ? hardware->BiosValues() : kNone},
        {Name(compact, L"bbi", L"baseboard_info"), hardware ? hardware->BaseboardValues() : kNone},
    };
    for (const auto& group : groups) {
        ChildScope element(document, group.name);
        for (const auto& [property, value] : group.pairs) {
            const std::wstring trimmed = TrimBlanks(value);
            if (!trimmed.empty()) AddValue(document, std::wstring(group.name) + L"_" + property, trimmed);
        }
    }

    ChildScope mac(document, L"mac_info");
    const wchar_t* addressName = Name(compact, L"maid_", L"mac_address_id_");
    auto numbered = [](const wchar_t* prefix, size_t n) { return prefix + std::to_wstring(n); };
    if (hardware && !hardware->WmiAdapterValues().empty()) {
        const auto& adapters = hardware->WmiAdapterValues();
        for (size_t n = 0; n < adapters.size(); ++n) {
            const std::wstring address = TrimBlanks(adapters[n].second);
            if (address.empty()) continue;
            AddValue(document, numbered(addressName, n) + L"_name", TrimBlanks(adapters[n].first));
            AddValue(document, numbered(addressName, n), address);
        }
    } else if (hardware) {
        const auto& addresses = hardware->AddressList();
        for (size_t n = 0; n < addresses.size(); ++n) {
            const std::wstring address = TrimBlanks(addresses[n]);
            if (!address.empty()) AddValue(document, numbered(addressName, n), address);
        }
    }
    const wchar_t* virtualName = Name(compact, L"mavid_", L"mac_address_virtual_id_");
    for (size_t n = 0; n < 2; ++n) {
        AddValue(document, numbered(virtualName, n), CHardwareHash::kExcludedVirtualAddresses[n]);
    }
}

void WriteUserHashElement(CMarkup& document, const ScanRequestFacts& facts, bool compact) {
    ChildScope element(document, L"user_hash");
    AddValue(document, Name(compact, L"uhd", L"user_hash_data"), facts.machineHash);
}

void WriteAppInfoElement(bool compact, CMarkup& document, const ScanRequestFacts& facts) {
    ChildScope element(document, L"app_info");
    AddValue(document, Name(compact, L"clid", L"cur_lang_id"), facts.languageId);
    AddValue(document, Name(compact, L"clc", L"cur_lang_code"), facts.languageCode);
    AddValue(document, Name(compact, L"clr", L"cur_lang_relpath"), facts.languageStringsFile);
    AddValue(document, Name(compact, L"cll", L"cur_lang_locale"), facts.languageLocale);
    AddValue(document, Name(compact, L"clvid", L"cur_lang_vslangid"), facts.languageServiceId);
    AddValue(document, L"app_ver", facts.appVersion);
    AddValue(document, Name(compact, L"pid", L"productid"), L"35");
}

void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const ScanRequestDeviceRules& rules, const ScanRequestFacts& facts, bool compact) {
    document.SetDoc(L"");
    document.AddElem(compact ? L"nd" : L"newdataset");
    for (int i = 0; records && i < count; ++i) {
        const DriverInfoRecord& record = records[i];
        if (rules.isIgnored && rules.isIgnored(record.hardwareId, record.driverKey, L"")) continue;
        if (record.deviceName.empty()) continue;
        WriteDevice(document, record, i, rules, compact);
    }
    WriteOsInfoElement(document, facts);
    WriteSaveXmlFileNameElement(document, facts, 1);
    WriteDbRefElement(document, facts);
    WriteSystemNameElement(document, facts);
    WriteHardwareInfoElements(document, facts, compact);
    WriteUserHashElement(document, facts, compact);
    WriteAppInfoElement(compact, document, facts);
}
