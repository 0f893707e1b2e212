#include "scan/scan_request_facts.h"

#include "platform/text_case.h"

#include <algorithm>
#include <cwctype>

#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/os_identity.h"
#include "foundation/system_helpers.h"
#include "scan/hardware_hash.h"

namespace {

std::wstring TrimmedUpper(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos) return {};
    return UpperInvariant(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::wstring Widened(const char* text) {
    std::wstring out;
    for (; text != nullptr && *text != '\0'; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

ProgramIdentity CurrentProgramIdentity() { return {BuildProductParamsName(), GetAppFileVersionString()}; }

ScanRequestFacts CollectScanRequestFacts(const ProgramIdentity& program) {
    ScanRequestFacts facts;
    // GetOsIdString fills the cache the four numbers are read from.
    facts.osId = GetOsIdString();
    facts.osMajor = GetOsIdCachedValue(0);
    facts.osMinor = GetOsIdCachedValue(1);
    facts.osProductType = GetOsIdCachedValue(2);
    facts.osArchitecture = GetOsIdCachedValue(3);
    facts.productParamsName = program.productParamsName;
    facts.computerName = GetComputerNameString();

    facts.languageId = std::to_wstring(GetLanguageId());
    facts.languageCode = GetLanguageCode();
    const LanguageRecord& language = CurrentLanguage();
    facts.languageStringsFile = language.stringsFile != nullptr ? language.stringsFile : L"";
    facts.languageLocale = Widened(language.localeName);
    facts.languageServiceId = std::to_wstring(language.serviceLanguageId);
    facts.appVersion = program.appVersion;

    facts.machineHash = TrimmedUpper(ComputeMachineHash());
    facts.hardware = &MachineHashObject();
    return facts;
}

ScanRequestDeviceRules EngineDeviceRules(const CDriverScanUpdate& engine) {
    ScanRequestDeviceRules rules;
    rules.isIgnored = [&engine](const std::wstring& hardwareId, const std::wstring& driverKey,
                                const std::wstring& third) { return engine.IsDeviceIgnored(hardwareId, driverKey, third); };
    rules.isGeneric = [&engine](const std::wstring& classKey, const std::wstring& id) {
        return engine.IsGenericDevice(classKey, id);
    };
    return rules;
}

void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const CDriverScanUpdate& engine, bool compact, const ProgramIdentity& program) {
    BuildScanRequestXml(document, records, count, EngineDeviceRules(engine), CollectScanRequestFacts(program),
                        compact);
}

void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const CDriverScanUpdate& engine, bool compact) {
    BuildScanRequestXml(document, records, count, engine, compact, CurrentProgramIdentity());
}
