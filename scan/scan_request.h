#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/markup.h"
#include "scan/driver_info_record.h"
#include "scan/hardware_hash.h"

// What the scan request says about the machine and the program besides the devices.
struct ScanRequestFacts {
    std::wstring osId, osMajor, osMinor, osProductType, osArchitecture;
    std::wstring productParamsName;  // lower case, no spaces, ends in "newparams"
    std::wstring computerName;
    std::wstring languageId, languageCode, languageStringsFile, languageLocale, languageServiceId;
    std::wstring appVersion;
    std::wstring machineHash;                 // trimmed, upper case
    const CHardwareHash* hardware = nullptr;  // BIOS, baseboard and adapter values
};

// What the engine decides about a device: left out of the request, or generic.
struct ScanRequestDeviceRules {
    std::function<bool(const std::wstring& hardwareId, const std::wstring& driverKey, const std::wstring& third)>
        isIgnored;
    std::function<bool(const std::wstring& classKey, const std::wstring& id)> isGeneric;
};

// Replaces the document's content with the scan request for `count` records.
// Compact names for the scan worker, long ones for the other caller.
void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const ScanRequestDeviceRules& rules, const ScanRequestFacts& facts, bool compact);

// Element writers shared with the screens' other requests. Each adds its element as
// a child of the current element and leaves the current element as it found it.
void WriteOsInfoElement(CMarkup& document, const ScanRequestFacts& facts);
void WriteSaveXmlFileNameElement(CMarkup& document, const ScanRequestFacts& facts, int kind);
void WriteDbRefElement(CMarkup& document, const ScanRequestFacts& facts);
void WriteSystemNameElement(CMarkup& document, const ScanRequestFacts& facts);
void WriteHardwareInfoElements(CMarkup& document, const ScanRequestFacts& facts, bool compact);
void WriteUserHashElement(CMarkup& document, const ScanRequestFacts& facts, bool compact);
void WriteAppInfoElement(bool compact, CMarkup& document, const ScanRequestFacts& facts);

// The product parameter name followed by the kind's text, without spaces.
std::wstring WriteRequestKindName(const std::wstring& productParamsName, unsigned kind);

// Appends `id` to the "|"-joined list unless it is empty or generic.
std::wstring& AppendNonGenericId(const ScanRequestDeviceRules& rules, const std::wstring& id, std::wstring& list);
