#include "scan/driver_info_record.h"

DriverInfoRecord::DriverInfoRecord(const DriverInfoRecord& other) { CopyFrom(other); }

DriverInfoRecord& DriverInfoRecord::operator=(const DriverInfoRecord& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

void DriverInfoRecord::CopyFrom(const DriverInfoRecord& other) {
    if (this == &other) return;
    std::unique_ptr<DriverInfoArray> keptOffered = std::move(offeredDrivers);
    deviceName = other.deviceName;
    infPath = other.infPath;
    driverVersion = other.driverVersion;
    category = other.category;
    text5 = other.text5;
    provider = other.provider;
    manufacturer = other.manufacturer;
    hardwareId = other.hardwareId;
    driverKey = other.driverKey;
    driverDate = other.driverDate;
    serviceName = other.serviceName;
    signer = other.signer;
    text13 = other.text13;
    text14 = other.text14;
    text15 = other.text15;
    matchingIds = other.matchingIds;
    text17 = other.text17;
    number18 = other.number18;
    number19 = other.number19;
    number20 = other.number20;
    value64 = other.value64;
    short22 = other.short22;
    short23 = other.short23;
    short24 = other.short24;
    number25 = other.number25;
    number26 = other.number26;
    number27 = other.number27;
    isUnknownDevice = other.isUnknownDevice;
    nodeStatusResult = other.nodeStatusResult;
    matchingDeviceId = other.matchingDeviceId;
    hardwareIds = other.hardwareIds;
    compatibleIds = other.compatibleIds;
    allHardwareIds = other.allHardwareIds;
    allCompatibleIds = other.allCompatibleIds;
    driverRank = other.driverRank;
    problemCode = other.problemCode;
    isSigned = other.isSigned;
    text38 = other.text38;
    number39 = other.number39;
    driverDateLow = other.driverDateLow;
    driverDateHigh = other.driverDateHigh;
    short42 = other.short42;
    short43 = other.short43;
    short44 = other.short44;
    short45 = other.short45;
    short46 = other.short46;
    short47 = other.short47;
    short48 = other.short48;
    text49 = other.text49;
    text50 = other.text50;
    number51 = other.number51;
    number52 = other.number52;
    number53 = other.number53;
    offeredDrivers = std::move(keptOffered);
}

void DriverInfoRecord::Clear() {
    for (std::wstring* text : {&deviceName, &infPath, &driverVersion, &category, &text5, &provider,
                               &manufacturer, &hardwareId, &driverKey, &driverDate, &serviceName, &signer,
                               &text13, &text14, &text15, &matchingIds, &text17, &matchingDeviceId, &text38,
                               &text49, &text50}) {
        text->clear();
    }
    offeredDrivers.reset();
    // The lists keep their length; whoever fills them again empties them first.
    for (std::vector<std::wstring>* list : {&hardwareIds, &compatibleIds, &allHardwareIds, &allCompatibleIds}) {
        for (std::wstring& entry : *list) entry.clear();
    }
    short22 = 0;
    short23 = 0;
    short24 = kAllBits16;
    short42 = kAllBits16;
    short43 = 0;
    short44 = kAllBits16;
    short45 = 0;
    short46 = 0;
    number18 = 0;
    number19 = 0;
    number20 = 1;
    value64 = kAllBits64;
    number25 = 0;
    number26 = 0;
    number27 = 0;
    isUnknownDevice = 0;
    nodeStatusResult = 0;
    driverRank = kAllBits32;
    problemCode = 0;
    isSigned = 0;
    number39 = kAllBits32;
    driverDateLow = 0;
    driverDateHigh = 0;
    short47 = kAllBits16;
    short48 = kAllBits16;
    number51 = 0;
    number52 = kAllBits32;
    number53 = kAllBits32;
}

void DriverInfoRecord::AttachOfferedDrivers(DriverInfoArray& records) {
    if (records.empty()) return;
    records.front().offeredDrivers = std::make_unique<DriverInfoArray>(records.size());
}
