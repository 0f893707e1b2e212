#include "scan/driver_info_record.h"

#include <gtest/gtest.h>

namespace {

DriverInfoRecord FilledRecord() {
    DriverInfoRecord record;
    record.deviceName = L"Network Adapter";
    record.infPath = L"C:\\Windows\\inf\\oem3.inf";
    record.hardwareId = L"PCI\\VEN_8086&DEV_100E";
    record.signer = L"Signer";
    record.text50 = L"not stored";
    record.hardwareIds = {L"PCI\\VEN_8086&DEV_100E", L"PCI\\VEN_8086"};
    record.compatibleIds = {L"PCI\\CC_0200"};
    record.allHardwareIds = {L"a", L"b", L"c"};
    record.allCompatibleIds = {L"d"};
    record.driverRank = 0xFF0000;
    record.value64 = 0x1122334455667788ull;
    record.short46 = 7;
    record.number51 = -5;
    record.driverDateLow = 0x89ABCDEF;
    record.driverDateHigh = 0x01D0ABCD;
    return record;
}

TEST(DriverInfoRecordTest, FreshRecordReadsAllZeroAndClearSetsTheClearedValues) {
    DriverInfoRecord record;
    EXPECT_EQ(0u, record.driverRank);
    EXPECT_EQ(0u, record.value64);
    EXPECT_EQ(0u, record.number39);
    EXPECT_EQ(0, record.short24);
    EXPECT_TRUE(record.hardwareIds.empty());
    EXPECT_EQ(nullptr, record.offeredDrivers);

    record = FilledRecord();
    record.Clear();
    EXPECT_TRUE(record.deviceName.empty());
    EXPECT_TRUE(record.text50.empty());
    EXPECT_EQ(0xFFFFFFFFu, record.driverRank);
    EXPECT_EQ(~0ull, record.value64);
    EXPECT_EQ(0xFFFFFFFFu, record.number39);
    EXPECT_EQ(0xFFFFFFFFu, record.number52);
    EXPECT_EQ(0xFFFFFFFFu, record.number53);
    EXPECT_EQ(1u, record.number20);
    for (uint16_t value : {record.short24, record.short42, record.short44, record.short47, record.short48}) {
        EXPECT_EQ(0xFFFF, value);
    }
    for (uint16_t value : {record.short22, record.short23, record.short43, record.short45, record.short46}) {
        EXPECT_EQ(0, value);
    }
    EXPECT_EQ(0, record.number51);
    EXPECT_EQ(0u, record.driverDateLow);
    EXPECT_EQ(0u, record.driverDateHigh);
    // The lists keep their length with emptied entries.
    ASSERT_EQ(2u, record.hardwareIds.size());
    EXPECT_TRUE(record.hardwareIds[0].empty());
    EXPECT_EQ(3u, record.allHardwareIds.size());
}

TEST(DriverInfoRecordTest, ClearOfElementZeroFreesTheOfferedDrivers) {
    DriverInfoArray records = DriverInfoRecord::NewArray(3);
    DriverInfoRecord::AttachOfferedDrivers(records);
    ASSERT_NE(nullptr, records[0].offeredDrivers);
    EXPECT_EQ(3u, records[0].offeredDrivers->size());
    EXPECT_EQ(nullptr, records[1].offeredDrivers);
    records[0].Clear();
    EXPECT_EQ(nullptr, records[0].offeredDrivers);
}

TEST(DriverInfoRecordTest, CopyDuplicatesEverythingButTheOfferedDrivers) {
    DriverInfoArray source = DriverInfoRecord::NewArray(2);
    source[0] = FilledRecord();
    DriverInfoRecord::AttachOfferedDrivers(source);

    DriverInfoRecord copy(source[0]);
    EXPECT_EQ(nullptr, copy.offeredDrivers);
    EXPECT_EQ(L"Network Adapter", copy.deviceName);
    EXPECT_EQ(L"not stored", copy.text50);
    EXPECT_EQ(source[0].hardwareIds, copy.hardwareIds);
    EXPECT_EQ(source[0].allCompatibleIds, copy.allCompatibleIds);
    EXPECT_EQ(0xFF0000u, copy.driverRank);
    EXPECT_EQ(0x1122334455667788ull, copy.value64);
    EXPECT_EQ(-5, copy.number51);
    EXPECT_EQ(0x89ABCDEFu, copy.driverDateLow);

    // Copying into an element 0 keeps that element's own offered drivers.
    DriverInfoArray target = DriverInfoRecord::NewArray(4);
    DriverInfoRecord::AttachOfferedDrivers(target);
    DriverInfoArray* targetOffered = target[0].offeredDrivers.get();
    target[0] = source[1];
    EXPECT_EQ(targetOffered, target[0].offeredDrivers.get());

    // The copy is independent of its source.
    copy.hardwareIds[0] = L"changed";
    EXPECT_EQ(L"PCI\\VEN_8086&DEV_100E", source[0].hardwareIds[0]);
}

}  // namespace
