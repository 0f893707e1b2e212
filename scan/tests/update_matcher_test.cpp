#include "scan/update_matcher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "foundation/product_key.h"
#include "tests/support/scoped_registry.h"

namespace {

constexpr uint32_t kNoInstalledDriver = 0xFFFFFFFFu;
const wchar_t kDisplayClassKey[] = L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0000";

// One offered driver as the service writes it.
struct Offer {
    int id;
    std::wstring mid;
    std::wstring extra;  // further leaves between "mid" and "sig"
    std::wstring sig = L"1";

    std::wstring Xml() const {
        return L"<Driver><id>" + std::to_wstring(id) + L"</id><mid>" + mid + L"</mid>" + extra + L"<sig>" + sig +
               L"</sig></Driver>";
    }
};

std::wstring AnswerOf(const std::vector<Offer>& offers) {
    std::wstring xml = L"<GetDriverUpdatesData1Result><dbv>5</dbv><Drivers>";
    for (const Offer& offer : offers) xml += offer.Xml();
    return xml + L"</Drivers></GetDriverUpdatesData1Result>";
}

class UpdateMatcherTest : public ::testing::Test {
protected:
    UpdateMatcherTest() {
        engine_.ResetDeviceArrays();
        engine_.devicesReported = 8;
    }

    // A present device with an installed driver of middling rank.
    DriverInfoRecord& Device(int index, const std::wstring& hardwareId, const std::wstring& category = L"Net") {
        DriverInfoRecord& device = engine_.devices[static_cast<size_t>(index)];
        device.deviceName = L"Device " + std::to_wstring(index);
        device.category = category;
        device.hardwareId = hardwareId;
        device.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\000" + std::to_wstring(index);
        device.allHardwareIds = {hardwareId};
        device.driverRank = 0x10000;
        return device;
    }
    const DriverInfoRecord& Offered(int index) const { return (*engine_.devices[0].offeredDrivers)[static_cast<size_t>(index)]; }

    void Match(const std::vector<Offer>& offers) { ParseScanResponse(engine_.markup, engine_, AnswerOf(offers)); }

    // The "DriverAge" setting as stored in the registry.
    DWORD StoredDriverAge() const {
        DWORD value = 0;
        DWORD size = sizeof(value);
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kProductKeyPath, L"DriverAge", RRF_RT_REG_DWORD, nullptr, &value,
                               &size),
                  ERROR_SUCCESS);
        return value;
    }

    ScopedRegistryRoots roots_;
    ScanOperation app_;
    CDriverScanUpdate engine_{&app_};
};

TEST_F(UpdateMatcherTest, CandidatesRunFromTheWholeIdToItsCuts) {
    struct Case {
        const wchar_t* hardwareId;
        const wchar_t* matchingIds;
        const wchar_t* matchingDeviceId;
        std::vector<std::wstring> hardwareIds;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"PCI\\VEN_1&DEV_2&SUBSYS_3&REV_4", L"", L"", {},
         {L"PCI\\VEN_1&DEV_2&SUBSYS_3&REV_4", L"pci\\ven_1&dev_2&subsys_3", L"pci\\ven_1&dev_2"}},
        // The subsystem cut is left out when the matching ids start with it.
        {L"PCI\\VEN_1&DEV_2&SUBSYS_3&REV_4", L"PCI\\VEN_1&DEV_2|pci\\ven_1&dev_2&cc_03", L"", {},
         {L"PCI\\VEN_1&DEV_2&SUBSYS_3&REV_4", L"pci\\ven_1&dev_2&subsys_3", L"pci\\ven_1&dev_2",
          L"pci\\ven_1&dev_2&cc_03"}},
        // A marker at the very start ends the cuts.
        {L"&REV_01", L"", L"", {}, {L"&REV_01"}},
        {L"&SUBSYS_1&REV_2", L"", L"", {}, {L"&SUBSYS_1&REV_2", L"&subsys_1"}},
        // Generic ids are not looked up; empty ones vanish.
        {L"", L"root\\x| USB\\VID_1 ", L"ROOT\\LEGACY", {L"", L"USB\\VID_1&PID_2", L"*PNP0F13"},
         {L"USB\\VID_1", L"USB\\VID_1&PID_2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hardwareId);
        DriverInfoRecord device;
        device.hardwareId = c.hardwareId;
        device.matchingIds = c.matchingIds;
        device.matchingDeviceId = c.matchingDeviceId;
        device.hardwareIds = c.hardwareIds;
        EXPECT_EQ(CandidateIdentifiers(device, engine_), c.expected);
    }

    // Only whole ids within 2047 characters are looked up.
    DriverInfoRecord crowded;
    crowded.hardwareIds = {std::wstring(1000, L'a'), std::wstring(1000, L'b'), std::wstring(100, L'c'), L"d"};
    const auto candidates = CandidateIdentifiers(crowded, engine_);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[1], std::wstring(1000, L'b'));
}

TEST_F(UpdateMatcherTest, RankWeighsIdPositionCompatibilityFeatureAndSignature) {
    DriverInfoRecord& device = Device(0, L"HW0");
    device.allHardwareIds = {L"HW0", L"HW1"};
    device.allCompatibleIds = {L"CC0", L"CC1", L"CC2"};
    struct Case {
        const wchar_t* id;
        const wchar_t* cidx;
        const wchar_t* fs;
        const wchar_t* signer;
        unsigned osMajor;
        uint32_t rank;
    };
    const Case cases[] = {
        {L"hw1", L"0", L"", L"1", 6, 1},
        {L"HW1", L"2", L"", L"1", 6, 0x1001},
        {L"cc2", L"", L"", L"1", 6, 0x2002},
        {L"CC1", L"3", L"", L"1", 6, 0x3000 + 2 * 0x100 + 1},
        {L"other", L"3", L"", L"1", 6, 0},
        {L"HW0", L"0", L"0x0A", L"1", 6, 0xA0000},
        {L"HW0", L"0", L"gg", L"1", 6, 0xFF0000},
        {L"HW0", L"0", L"123", L"1", 6, 0xFF0000},
        {L"HW0", L"0", L"0x0A", L"1", 5, 0},
        {L"HW0", L"0", L"", L"0", 6, 0x80000000u},
        {L"HW0", L"0", L"", L"", 6, 0x80000000u},
        {L"cc0", L"1", L"01", L"abc", 10, 0x80000000u + 0x3000 + 0x10000},
    };
    DriverInfoRecord& offered = (*engine_.devices[0].offeredDrivers)[0];
    for (const Case& c : cases) {
        offered.signer = c.signer;
        EXPECT_EQ(ComputeDriverRank(c.id, c.cidx, c.fs, engine_.devices, 0, c.osMajor), c.rank)
            << c.id << " " << c.cidx << " " << c.fs << " " << c.signer << " " << c.osMajor;
    }
}

TEST_F(UpdateMatcherTest, UpdateDecisionFollowsRankPresenceIgnoreAndOwnInstalls) {
    struct Case {
        const char* name;
        void (*prepare)(DriverInfoRecord& device, CDriverScanUpdate& engine, ScanOperation& app);
        std::wstring offerExtra;
        bool filled;
        bool update;
        std::wstring sig = L"1";
    };
    const Case cases[] = {
        {"better rank", [](DriverInfoRecord&, CDriverScanUpdate&, ScanOperation&) {}, L"", true, true},
        {"equal rank", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { d.driverRank = 0x2000; },
         L"<cidx>0</cidx>", true, true},
        {"worse rank", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { d.driverRank = 0x1FFF; }, L"",
         true, false},
        {"unsigned offer", [](DriverInfoRecord&, CDriverScanUpdate&, ScanOperation&) {}, L"", true, false, L"0"},
        {"installed rank 0", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { d.driverRank = 0; }, L"",
         true, false},
        {"no installed driver", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { d.driverRank = kNoInstalledDriver; },
         L"<fs>gg</fs>", true, true},
        {"ignored", [](DriverInfoRecord& d, CDriverScanUpdate& e, ScanOperation&) {
             e.SetDeviceIgnored(d.hardwareId, d.driverKey, L"", true);
         }, L"", false, false},
        {"installed, restart pending", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { SavedResultStateOf(d) = 2; },
         L"", false, false},
        {"absent display", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) {
             d.nodeStatusResult = 13;
             d.driverKey = L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0003";
         }, L"", true, false},
        {"absent other class", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation&) { d.nodeStatusResult = 13; },
         L"", true, true},
        {"installed by us", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation& app) {
             EngineExclusionEntry entry;
             entry.hardwareIdentifier = d.hardwareId;
             entry.guidPath = d.driverKey;
             entry.md5 = L"abcd";
             entry.infPath = L"pkg\\net.inf";
             app.InstalledDrivers().Add(entry);
         }, L"<infp>C:\\H\\extract\\PKG\\NET.INF</infp><md5>ABCD</md5>", true, false},
        {"other package than ours", [](DriverInfoRecord& d, CDriverScanUpdate&, ScanOperation& app) {
             EngineExclusionEntry entry;
             entry.hardwareIdentifier = d.hardwareId;
             entry.guidPath = d.driverKey;
             entry.md5 = L"ffff";
             entry.infPath = L"pkg\\net.inf";
             app.InstalledDrivers().Add(entry);
         }, L"<infp>C:\\H\\extract\\PKG\\NET.INF</infp><md5>ABCD</md5>", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanOperation app;
        CDriverScanUpdate engine(&app);
        engine.ResetDeviceArrays();
        engine.devicesReported = 2;
        DriverInfoRecord& device = engine.devices[1];
        device.category = L"Net";
        device.hardwareId = L"PCI\\VEN_8086&DEV_10D3";
        device.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0001";
        device.allCompatibleIds = {L"pci\\ven_8086&dev_10d3"};  // an offer for it ranks 0x2000
        device.driverRank = 0x10000;
        c.prepare(device, engine, app);
        ParseScanResponse(engine.markup, engine, AnswerOf({{1, L"PCI\\VEN_8086&DEV_10D3", c.offerExtra, c.sig}}));
        const DriverInfoRecord& offered = (*engine.devices[0].offeredDrivers)[1];
        EXPECT_EQ(!offered.hardwareId.empty(), c.filled);
        EXPECT_EQ(engine.updateCount, c.update ? 1 : 0);
        EXPECT_EQ(engine.matcher.devicesWithUpdate.count(1), c.update ? 1u : 0u);
    }
}

TEST_F(UpdateMatcherTest, OnlyTheFirstMatchingOfferCountsEvenWhenItIsNoUpdate) {
    DriverInfoRecord& device = Device(2, L"USB\\VID_1&PID_2&REV_0100");
    device.matchingIds = L"usb\\vid_1&pid_2";
    device.driverRank = 0x10;
    // The less specific id comes first in the answer but second among candidates,
    // so the whole id's offer wins; it ranks worse than the installed driver.
    Match({{2, L"usb\\vid_1&pid_2", L"<ver>better</ver><sev>1</sev>"},
           {2, L"USB\\VID_1&PID_2&REV_0100", L"<ver>first</ver><fs>0x01</fs><sev>3</sev>"},
           {2, L"USB\\VID_1&PID_2&REV_0100", L"<ver>later</ver>"}});
    EXPECT_EQ(Offered(2).driverVersion, L"first");
    EXPECT_EQ(Offered(2).hardwareId, L"USB\\VID_1&PID_2&REV_0100");
    EXPECT_EQ(Offered(2).driverRank, 0x10000u);
    EXPECT_EQ(engine_.updateCount, 0);
    ASSERT_EQ(engine_.categoryTable.size(), 1u);
    EXPECT_EQ(engine_.categoryTable[0].count, 1);
    EXPECT_EQ(engine_.categoryTable[0].severity, 3);
    EXPECT_EQ(engine_.worstSeverity, 3);
}

TEST_F(UpdateMatcherTest, OfferedRecordTakesTheAnswerFieldsByTheirRules) {
    Device(0, L"A");
    Device(1, L"B");
    Match({{0, L"A",
            L"<hid>h</hid><infd>2021-03-04T00:00:00</infd><infp>x.inf</infp><ver>1.0</ver><isc>1</isc><md5>M</md5>"
            L"<ii>0</ii><did>123456789012</did><sev>2</sev><rl>3</rl><lu>http://u</lu><fs>7</fs><cid>12</cid>"
            L"<age>5</age><mfg>Maker</mfg><prv>Prov</prv><slp>s</slp><ifg>9</ifg><slpm>sm</slpm><sih>4294967298</sih>"},
           {1, L"B", L"<infd>2021-13-45</infd><sev>9</sev><isc>yes</isc><ii>2</ii>", L"7"}});
    const DriverInfoRecord& a = Offered(0);
    EXPECT_EQ(SecondHardwareIdOf(a), L"h");
    EXPECT_EQ(a.driverDate, L"2021-03-04T00:00:00");
    EXPECT_NE(a.driverDateHigh, 0u);
    EXPECT_EQ(InfPathOf(a), L"x.inf");
    EXPECT_EQ(a.driverVersion, L"1.0");
    EXPECT_EQ(SpecificCaseOf(a), 1u);
    EXPECT_EQ(Md5Of(a), L"M");
    EXPECT_EQ(InstallFlagOf(a), 0u);
    EXPECT_EQ(DriverIdOf(a), 123456789012ull);
    EXPECT_EQ(SeverityOf(a), 2);
    EXPECT_EQ(RiskLevelOf(a), 3);
    EXPECT_EQ(DownloadAddressOf(a), L"http://u");
    EXPECT_EQ(FeatureScoreOf(a), 7u);
    EXPECT_EQ(CategoryIdOf(a), 12);
    EXPECT_EQ(AgeInDaysOf(a), 5u);
    EXPECT_EQ(a.manufacturer, L"Maker");
    EXPECT_EQ(a.provider, L"Prov");
    EXPECT_EQ(a.signer, L"1");
    EXPECT_EQ(SlpOf(a), L"s");
    EXPECT_EQ(IfgOf(a), 9);
    EXPECT_EQ(SlpmOf(a), L"sm");
    EXPECT_EQ(SihOf(a), 4294967298ull);

    const DriverInfoRecord& b = Offered(1);
    EXPECT_TRUE(b.driverDate.empty());  // not a date
    EXPECT_EQ(b.driverDateLow, 0u);
    EXPECT_EQ(SeverityOf(b), 4);
    EXPECT_EQ(SpecificCaseOf(b), 0u);
    EXPECT_EQ(InstallFlagOf(b), 0u);
    EXPECT_EQ(CategoryIdOf(b), 0xFFFF);
    EXPECT_EQ(DriverIdOf(b), 0u);
    EXPECT_EQ(SihOf(b), ~0ull);
    EXPECT_EQ(b.signer, L"7");
}

TEST_F(UpdateMatcherTest, CountsCategoriesOrdersTheDisplayAndStoresTheDriverAge) {
    Device(0, L"N0", L"Network");
    Device(1, L"D1", L"Display").nodeStatusResult = 13;  // absent, not a held-back class here
    Device(2, L"N2", L"network");
    Device(3, L"S3", L"Sound");
    Device(4, L"X4", L"Other").driverRank = 0;  // seen, never an update
    Match({{3, L"S3", L"<sev>3</sev>"},
           {0, L"N0", L"<sev>2</sev>"},
           {1, L"D1", L""},
           {2, L"N2", L"<sev>4</sev>"},
           {4, L"X4", L"<sev>1</sev>"}});

    EXPECT_EQ(engine_.updateCount, 4);
    EXPECT_EQ(engine_.matcher.devicesWithUpdateText, L"0|1|2|3");
    EXPECT_EQ(engine_.updateList, (CDriverScanUpdate::IndexMap{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    ASSERT_EQ(engine_.categoryTable.size(), 4u);
    EXPECT_EQ(engine_.categoryTable[0].name, L"Network");
    EXPECT_EQ(engine_.categoryTable[0].count, 2);
    EXPECT_EQ(engine_.categoryTable[0].severity, 4);
    EXPECT_EQ(engine_.categoryTable[3].name, L"Other");
    EXPECT_EQ(engine_.worstSeverity, 1);
    EXPECT_EQ(engine_.displayOrder, (std::vector<std::wstring>{L"0|Network|Device 0|0", L"0|network|Device 2|2",
                                                               L"0|Sound|Device 3|3", L"1|Display|Device 1|1"}));
    EXPECT_EQ(engine_.matcher.displayKeys.size(), 4u);
    EXPECT_EQ(StoredDriverAge(), 1u);

    // The same engine again: nothing of the first answer is left over.
    Match({{0, L"N0", L"<sev>3</sev>"}, {3, L"S3", L"<sev>4</sev>"}});
    EXPECT_EQ(engine_.updateCount, 2);
    EXPECT_EQ(engine_.updateList.size(), 2u);
    EXPECT_EQ(engine_.worstSeverity, 3);
    EXPECT_EQ(engine_.matcher.devicesWithUpdateText, L"0|3");
    EXPECT_TRUE(Offered(1).hardwareId.empty());
    EXPECT_EQ(StoredDriverAge(), 2u);

    Match({});
    EXPECT_EQ(engine_.updateCount, 0);
    EXPECT_TRUE(engine_.categoryTable.empty());
    EXPECT_TRUE(engine_.displayOrder.empty());
    EXPECT_EQ(StoredDriverAge(), 4u);
}

TEST(DriverAgeStatus, FollowsTheUpdateCountCappedByTheWorstSeverity) {
    struct Case {
        int32_t updates;
        int32_t worstSeverity;
        int status;
    };
    const Case cases[] = {{0, 0, 4}, {0, 4, 4}, {1, 3, 3}, {2, 4, 2}, {3, 1, 1}, {3, 3, 2},
                          {4, 4, 1}, {9, 2, 1}, {0, 7, 4}, {0, -1, 4}};
    for (const Case& c : cases) {
        EXPECT_EQ(ComputeDriverAgeStatus(c.updates, c.worstSeverity), c.status) << c.updates << " " << c.worstSeverity;
    }
}

TEST(CategoryUpdates, SameNameInAnyCaseCountsTogetherKeepingTheGreatestSeverity) {
    std::vector<CDriverScanUpdate::tagCategoryUpdateInfo> categories;
    AddCategoryUpdate(categories, L"Mouse", 2);
    AddCategoryUpdate(categories, L"MOUSE", 4);
    AddCategoryUpdate(categories, L"mouse", 1);
    AddCategoryUpdate(categories, L"Disk", 3);
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories[0].name, L"Mouse");
    EXPECT_EQ(categories[0].count, 3);
    EXPECT_EQ(categories[0].severity, 4);
    EXPECT_EQ(categories[1].count, 1);
}

}  // namespace
