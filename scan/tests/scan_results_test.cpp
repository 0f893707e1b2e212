#include "scan/scan_results.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/archive_writer.h"
#include "scan/tests/full_record.h"
#include "tests/support/process_log_watch.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::string Hex(const char* digits) {
    std::string bytes;
    int high = -1;
    for (const char* p = digits; *p; ++p) {
        const char c = *p;
        int value;
        if (c >= '0' && c <= '9') value = c - '0';
        else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
        else continue;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high << 4 | value));
            high = -1;
        }
    }
    return bytes;
}

// An ASCII text as UTF-16LE code units.
std::string Units(const char* text) {
    std::string bytes;
    for (const char* p = text; *p; ++p) {
        bytes.push_back(*p);
        bytes.push_back('\0');
    }
    return bytes;
}

const char* const kEmpty = "FF FEFF 00";
// The codec's form of the empty text is the MD5 of nothing.
const char* const kEncodedEmpty = "D41D8CD98F00B204E9800998ECF8427E";

std::string Texts(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += Hex(kEmpty);
    return bytes;
}

// One device with its offered driver, and the bytes they are stored as.
struct SmallScan {
    DriverInfoArray records;

    SmallScan() {
        records = DriverInfoRecord::NewArray(4);
        DriverInfoRecord::AttachOfferedDrivers(records);
        DriverInfoRecord& device = records[0];
        device.deviceName = L"Pad";
        device.category = L"Mouse";
        device.hardwareIds = {L"HID\\1"};
        device.value64 = 0x0102030405060708ull;
        device.short22 = 4;
        device.nodeStatusResult = 13;
        device.driverRank = 0x00010002;
        device.isSigned = 1;
        device.short46 = 2;
        DriverInfoRecord& offered = (*records[0].offeredDrivers)[0];
        offered.hardwareId = L"hid\\1";
        offered.driverDate = L"01-02-2020";
        offered.text14 = L"AB";
        offered.short24 = 0xFFFF;
        offered.driverRank = 0x80000000u;
    }

    static std::string Bytes() {
        std::string b = Hex("01000000");  // one device
        // Device record: 13 texts.
        b += Hex("FF FEFF 03") + Units("Pad") + Texts(2) + Hex("FF FEFF 05") + Units("Mouse") + Texts(9);
        b += Hex("FF FEFF 20") + Units(kEncodedEmpty);  // text14, encoded
        b += Texts(2);                                   // text15, matchingIds
        b += Hex("FF FEFF 20") + Units(kEncodedEmpty);  // text17, encoded
        b += Texts(1);                                   // matchingDeviceId
        b += Hex("01000000 FF FEFF 05") + Units("HID\\1") + Hex("00000000 00000000 00000000");
        b += Texts(1);  // text38
        b += Hex("00000000 00000000 00000000");  // number18-20
        b += Hex("0807060504030201");            // value64
        b += Hex("0400 0000 0000");              // short22-24
        b += Hex("00000000 00000000 00000000 00000000 0D000000");  // number25-27, unknown, node status
        b += Hex("02000100 00000000 01000000");  // rank, problem, signed
        b += Hex("00000000 00000000 00000000");  // number39, date
        b += Hex("0000 0000 0000 0000 0200");    // short42-46
        // Offered-driver record.
        b += Texts(7) + Hex("FF FEFF 05") + Units("hid\\1") + Texts(1) + Hex("FF FEFF 0A") + Units("01-02-2020") +
             Texts(3);
        b += Hex("FF FEFF 28") + Units("B86FC6B051F63D73DE262D4C34E3A0A9DEDE51E5");  // "AB", encoded
        b += Texts(2);
        b += Hex("FF FEFF 20") + Units(kEncodedEmpty);
        b += Texts(1);
        b += Hex("00000000 00000000 00000000 00000000");
        b += Texts(1);
        b += Hex("00000000 00000000 00000000 0000000000000000 0000 0000 FFFF");
        b += Hex("00000000 00000000 00000000 00000000 00000000");
        b += Hex("00000080 00000000 00000000 00000000 00000000 00000000 0000 0000 0000 0000 0000");
        // The summary "<r/>", encoded.
        b += Hex("FF FEFF 30") + Units("BE5A12FB366E3ADC2AC1D2ED6A0AE0E8A3DE61E5ED59DB1F");
        return b;
    }
};

void ExpectStoredFieldsEqual(const DriverInfoRecord& a, const DriverInfoRecord& b) {
    EXPECT_EQ(a.deviceName, b.deviceName);
    EXPECT_EQ(a.infPath, b.infPath);
    EXPECT_EQ(a.driverVersion, b.driverVersion);
    EXPECT_EQ(a.category, b.category);
    EXPECT_EQ(a.text5, b.text5);
    EXPECT_EQ(a.provider, b.provider);
    EXPECT_EQ(a.manufacturer, b.manufacturer);
    EXPECT_EQ(a.hardwareId, b.hardwareId);
    EXPECT_EQ(a.driverKey, b.driverKey);
    EXPECT_EQ(a.driverDate, b.driverDate);
    EXPECT_EQ(a.serviceName, b.serviceName);
    EXPECT_EQ(a.signer, b.signer);
    EXPECT_EQ(a.text13, b.text13);
    EXPECT_EQ(a.text14, b.text14);
    EXPECT_EQ(a.text15, b.text15);
    EXPECT_EQ(a.matchingIds, b.matchingIds);
    EXPECT_EQ(a.text17, b.text17);
    EXPECT_EQ(a.matchingDeviceId, b.matchingDeviceId);
    EXPECT_EQ(a.hardwareIds, b.hardwareIds);
    EXPECT_EQ(a.compatibleIds, b.compatibleIds);
    EXPECT_EQ(a.allHardwareIds, b.allHardwareIds);
    EXPECT_EQ(a.allCompatibleIds, b.allCompatibleIds);
    EXPECT_EQ(a.text38, b.text38);
    EXPECT_EQ(a.number18, b.number18);
    EXPECT_EQ(a.number19, b.number19);
    EXPECT_EQ(a.number20, b.number20);
    EXPECT_EQ(a.value64, b.value64);
    EXPECT_EQ(a.short22, b.short22);
    EXPECT_EQ(a.short23, b.short23);
    EXPECT_EQ(a.short24, b.short24);
    EXPECT_EQ(a.number25, b.number25);
    EXPECT_EQ(a.number26, b.number26);
    EXPECT_EQ(a.number27, b.number27);
    EXPECT_EQ(a.isUnknownDevice, b.isUnknownDevice);
    EXPECT_EQ(a.nodeStatusResult, b.nodeStatusResult);
    EXPECT_EQ(a.driverRank, b.driverRank);
    EXPECT_EQ(a.problemCode, b.problemCode);
    EXPECT_EQ(a.isSigned, b.isSigned);
    EXPECT_EQ(a.number39, b.number39);
    EXPECT_EQ(a.driverDateLow, b.driverDateLow);
    EXPECT_EQ(a.driverDateHigh, b.driverDateHigh);
    EXPECT_EQ(a.short42, b.short42);
    EXPECT_EQ(a.short43, b.short43);
    EXPECT_EQ(a.short44, b.short44);
    EXPECT_EQ(a.short45, b.short45);
    EXPECT_EQ(a.short46, b.short46);
}

// What a caller holds before a load, to see whether a load touched it.
struct CallerState {
    DriverInfoArray records = DriverInfoRecord::NewArray(1);
    uint32_t count = 77;
    std::wstring summary = L"before";

    CallerState() { records[0].deviceName = L"kept"; }
    bool Untouched() const {
        return records.size() == 1 && records[0].deviceName == L"kept" && count == 77 && summary == L"before";
    }
};

TEST(ScanResults, StoresOneRecordPairAsLaidOut) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    EXPECT_EQ(results.Path(), folder.File(L"results.du"));
    SmallScan scan;
    ASSERT_EQ(results.Save(&scan.records, 1, L"<r/>"), 1);
    EXPECT_EQ(ReadFileBytes(results.Path()), SmallScan::Bytes());
}

TEST(ScanResults, LoadsTheLaidOutBytesIntoFullSizeLinkedArrays) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    ASSERT_TRUE(WriteFileBytes(results.Path(), SmallScan::Bytes()));
    CallerState caller;
    ASSERT_EQ(results.Load(caller.records, caller.count, caller.summary), 1);
    EXPECT_EQ(caller.count, 1u);
    EXPECT_EQ(caller.summary, L"<r/>");
    ASSERT_EQ(caller.records.size(), CScanResults::kMaxDevices);
    ASSERT_TRUE(caller.records[0].offeredDrivers);
    ASSERT_EQ(caller.records[0].offeredDrivers->size(), CScanResults::kMaxDevices);
    SmallScan expected;
    ExpectStoredFieldsEqual(caller.records[0], expected.records[0]);
    ExpectStoredFieldsEqual((*caller.records[0].offeredDrivers)[0], (*expected.records[0].offeredDrivers)[0]);
    EXPECT_TRUE(PathExists(results.Path()));
}

TEST(ScanResults, EveryStoredFieldSurvivesARoundTrip) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    DriverInfoArray records = DriverInfoRecord::NewArray(3);
    DriverInfoRecord::AttachOfferedDrivers(records);
    for (int i = 0; i < 3; ++i) {
        records[i].CopyFrom(FullRecord(i));
        (*records[0].offeredDrivers)[i] = FullRecord(10 + i);
    }
    const std::wstring summary = L"<answer>" + std::wstring(70000, L'\x00E9') + L"</answer>";
    ASSERT_EQ(results.Save(&records, 3, summary), 1);

    // Only the codec's hexadecimal form of the encoded texts lies in the file.
    const std::string bytes = ReadFileBytes(results.Path());
    EXPECT_EQ(bytes.find(Units("t13-0-")), std::string::npos);
    EXPECT_EQ(bytes.find(Units("t16-0-")), std::string::npos);
    EXPECT_NE(bytes.find(Units("t12-0-")), std::string::npos);
    EXPECT_NE(bytes.find(Units("t14-0-")), std::string::npos);

    CallerState caller;
    ASSERT_EQ(results.Load(caller.records, caller.count, caller.summary), 1);
    EXPECT_EQ(caller.count, 3u);
    EXPECT_EQ(caller.summary, summary);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ExpectStoredFieldsEqual(caller.records[i], records[i]);
        ExpectStoredFieldsEqual((*caller.records[0].offeredDrivers)[i], (*records[0].offeredDrivers)[i]);
    }
    EXPECT_EQ(caller.records[0].short47, 0);
    EXPECT_TRUE(caller.records[0].text49.empty());
    EXPECT_EQ(caller.records[0].number52, 0u);
}

TEST(ScanResults, AFileCutAtAnyPointIsRefusedDeletedAndLeavesTheCallerAlone) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    SmallScan scan;
    DriverInfoRecord::AttachOfferedDrivers(scan.records);  // drops the prepared offer
    (*scan.records[0].offeredDrivers)[1].text17 = L"http://x/y";
    ASSERT_EQ(results.Save(&scan.records, 2, L"<r><id>1</id></r>"), 1);
    const std::string whole = ReadFileBytes(results.Path());
    ASSERT_GT(whole.size(), 400u);

    for (size_t length = 0; length < whole.size(); ++length) {
        ASSERT_TRUE(WriteFileBytes(results.Path(), whole.substr(0, length)));
        CallerState caller;
        const int loaded = results.Load(caller.records, caller.count, caller.summary);
        ASSERT_EQ(loaded, 0) << length;
        ASSERT_TRUE(caller.Untouched()) << length;
        ASSERT_FALSE(PathExists(results.Path())) << length;
    }
}

TEST(ScanResults, CraftedCountsAreRefusedBeforeAnythingIsAllocated) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    std::string bytes = SmallScan::Bytes();
    // The first list count of the device record claims four billion texts.
    const std::string listCount = Hex("01000000 FF FEFF 05") + Units("HID\\1");
    const size_t at = bytes.find(listCount);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, Hex("FFFFFFFF"));
    ASSERT_TRUE(WriteFileBytes(results.Path(), bytes));
    CallerState caller;
    EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 0);
    EXPECT_TRUE(caller.Untouched());

    // A device count of 1024 with the bytes of one pair.
    bytes = SmallScan::Bytes();
    bytes.replace(0, 4, Hex("00040000"));
    ASSERT_TRUE(WriteFileBytes(results.Path(), bytes));
    EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 0);
    EXPECT_TRUE(caller.Untouched());
}

TEST(ScanResults, CountsOfNoDevicesOrTooManyLoadAsAnEmptyResult) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    for (const char* count : {"00000000", "D0070000", "FFFFFFFF"}) {
        ASSERT_TRUE(WriteFileBytes(results.Path(), Hex(count) + "trailing"));
        CallerState caller;
        EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 1) << count;
        EXPECT_EQ(caller.count, 0u);
        EXPECT_EQ(caller.records[0].deviceName, L"kept");
        EXPECT_EQ(caller.summary, L"before");
    }
}

TEST(ScanResults, WithoutResultsTheFileIsEmptyAndAnEmptyFileFailsToLoad) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    ASSERT_EQ(results.Save(nullptr, 0, L"ignored"), 1);
    EXPECT_TRUE(PathExists(results.Path()));
    EXPECT_TRUE(ReadFileBytes(results.Path()).empty());

    CallerState caller;
    EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 0);
    EXPECT_TRUE(caller.Untouched());
    EXPECT_FALSE(PathExists(results.Path()));
    // Missing now: still a failure, nothing to delete.
    EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 0);
}

TEST(ScanResults, AFailedSaveKeepsThePreviousFile) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    SmallScan scan;
    ASSERT_EQ(results.Save(&scan.records, 1, L"<r/>"), 1);
    // More devices than the array holds.
    EXPECT_EQ(results.Save(&scan.records, 5, L"<x/>"), 0);
    EXPECT_EQ(ReadFileBytes(results.Path()), SmallScan::Bytes());
    // A folder that does not exist.
    const CScanResults nowhere(folder.File(L"missing"));
    EXPECT_EQ(nowhere.Save(&scan.records, 1, L"<r/>"), 0);
    EXPECT_EQ(scan.records[0].deviceName, L"Pad");
    EXPECT_TRUE((*scan.records[0].offeredDrivers)[0].text14 == L"AB");
}

TEST(ScanResults, FileFailuresAreWrittenToTheDailyLog) {
    ScopedTempFolder folder;
    const CScanResults results(folder.Path());
    const CScanResults nowhere(folder.File(L"missing"));
    SmallScan scan;
    CallerState caller;
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::function<int()> operation;
        std::wstring expectedLine;  // empty: nothing logged
    } cases[] = {
        {"saved", [] {}, [&] { return results.Save(&scan.records, 1, L"<r/>"); }, L""},
        {"loaded", [] {}, [&] { return results.Load(caller.records, caller.count, caller.summary); }, L""},
        {"folder missing", [] {}, [&] { return nowhere.Save(&scan.records, 1, L"<r/>"); },
         L"Could not write the scan results to " + nowhere.Path()},
        {"file damaged", [&] { ASSERT_TRUE(WriteFileBytes(results.Path(), SmallScan::Bytes().substr(0, 40))); },
         [&] { return results.Load(caller.records, caller.count, caller.summary); },
         L"Damaged scan results deleted: " + results.Path()},
    };
    for (const Case& c : cases) {
        c.prepare();
        ProcessLogWatch log;
        const int result = c.operation();
        EXPECT_EQ(c.expectedLine.empty() ? 1 : 0, result) << c.name;
        const std::wstring written = log.NewText();
        if (c.expectedLine.empty()) {
            EXPECT_EQ(L"", written) << c.name;
        } else {
            EXPECT_NE(std::wstring::npos, written.find(L"|  " + c.expectedLine + L"\r\n")) << c.name;
        }
    }

    // A file another program holds open without sharing cannot be read.
    ASSERT_EQ(results.Save(&scan.records, 1, L"<r/>"), 1);
    HANDLE held = CreateFileW(results.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ProcessLogWatch log;
    EXPECT_EQ(results.Load(caller.records, caller.count, caller.summary), 0);
    CloseHandle(held);
    EXPECT_NE(std::wstring::npos,
              log.NewText().find(L"|  Could not read the scan results from " + results.Path() + L"\r\n"));
}

TEST(ScanResults, SerializeWritesTheSummaryPlain) {
    CScanResults results(L"C:\\unused");
    results.summary = L"<r/>";
    ArchiveWriter onlySummary;
    results.Serialize(onlySummary);
    EXPECT_EQ(onlySummary.Bytes(), Hex("FF FEFF 04") + Units("<r/>"));
}

}  // namespace
