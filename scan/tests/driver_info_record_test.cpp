#include "scan/driver_info_record.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "scan/scan_results.h"
#include "scan/tests/full_record.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// The bytes the results file stores for `record` as its one device: two records
// that store the same bytes agree in every stored field, named or not.
std::string StoredBytes(DriverInfoRecord record) {
    ScopedTempFolder folder;
    DriverInfoArray records = DriverInfoRecord::NewArray(1);
    records[0] = std::move(record);
    DriverInfoRecord::AttachOfferedDrivers(records);
    const CScanResults results(folder.Path());
    EXPECT_EQ(results.Save(&records, 1, L""), 1);
    return ReadFileBytes(results.Path());
}

TEST(DriverInfoRecordTest, ClearLeavesNoStoredFieldBehind) {
    // A fresh record is all zero; Clear sets several numbers to all bits instead.
    EXPECT_EQ(0u, DriverInfoRecord().driverRank);
    DriverInfoRecord fresh;
    fresh.Clear();
    EXPECT_EQ(0xFFFFFFFFu, fresh.driverRank);

    DriverInfoRecord filled = FullRecord(1);
    ASSERT_NE(StoredBytes(filled), StoredBytes(fresh));
    filled.Clear();
    // The lists keep their lengths with emptied entries.
    ASSERT_EQ(2u, filled.hardwareIds.size());
    EXPECT_TRUE(filled.hardwareIds[0].empty());
    fresh.hardwareIds.resize(filled.hardwareIds.size());
    fresh.compatibleIds.resize(filled.compatibleIds.size());
    fresh.allHardwareIds.resize(filled.allHardwareIds.size());
    fresh.allCompatibleIds.resize(filled.allCompatibleIds.size());
    EXPECT_EQ(StoredBytes(filled), StoredBytes(fresh));
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
    source[0] = FullRecord(1);
    DriverInfoRecord::AttachOfferedDrivers(source);

    DriverInfoRecord copy(source[0]);
    EXPECT_EQ(nullptr, copy.offeredDrivers);
    EXPECT_EQ(StoredBytes(copy), StoredBytes(FullRecord(1)));
    EXPECT_EQ(source[0].number52, copy.number52) << "what the results file leaves out is copied too";

    // Copying into an element 0 keeps that element's own offered drivers.
    DriverInfoArray target = DriverInfoRecord::NewArray(4);
    DriverInfoRecord::AttachOfferedDrivers(target);
    DriverInfoArray* targetOffered = target[0].offeredDrivers.get();
    target[0] = source[1];
    EXPECT_EQ(targetOffered, target[0].offeredDrivers.get());

    // The copy is independent of its source.
    copy.hardwareIds[0] = L"changed";
    EXPECT_EQ(L"PCI\\VEN_1&DEV_2", source[0].hardwareIds[0]);
}

}  // namespace
