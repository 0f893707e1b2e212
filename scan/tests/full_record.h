#pragma once

#include <string>

#include "scan/driver_info_record.h"

// A record with every stored field set, texts long and short, to see each come back.
inline DriverInfoRecord FullRecord(int seed) {
    DriverInfoRecord r;
    const std::wstring s = std::to_wstring(seed);
    std::wstring* texts[] = {&r.deviceName, &r.infPath, &r.driverVersion, &r.category, &r.text5, &r.provider,
                             &r.manufacturer, &r.hardwareId, &r.driverKey, &r.driverDate, &r.serviceName, &r.signer,
                             &r.text13, &r.text14, &r.text15, &r.matchingIds, &r.text17, &r.matchingDeviceId,
                             &r.text38};
    int n = 0;
    for (std::wstring* text : texts) *text = L"t" + std::to_wstring(n++) + L"-" + s + L"-Grüße-\x4E2D";
    r.deviceName.assign(300, L'x');  // a length beyond one byte
    r.hardwareIds = {L"PCI\\VEN_1&DEV_2", L"PCI\\VEN_1"};
    r.compatibleIds = {L"PCI\\CC_0300"};
    r.allHardwareIds = {L"a", L"", L"c"};
    r.allCompatibleIds = {};
    uint32_t value = 0x11111111u * static_cast<uint32_t>(seed + 1);
    for (uint32_t* number : {&r.number18, &r.number19, &r.number20, &r.number25, &r.number26, &r.number27,
                             &r.isUnknownDevice, &r.nodeStatusResult, &r.driverRank, &r.problemCode, &r.isSigned,
                             &r.number39, &r.driverDateLow, &r.driverDateHigh}) {
        *number = value++;
    }
    r.value64 = 0xFEDCBA9876543210ull + static_cast<uint64_t>(seed);
    uint16_t shortValue = static_cast<uint16_t>(0xA000 + seed);
    for (uint16_t* number : {&r.short22, &r.short23, &r.short24, &r.short42, &r.short43, &r.short44, &r.short45,
                             &r.short46}) {
        *number = shortValue++;
    }
    // Not stored.
    r.short47 = 7;
    r.text49 = L"lost";
    r.number52 = 9;
    return r;
}
