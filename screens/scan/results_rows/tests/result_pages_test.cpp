#include "screens/scan/results_rows/results_pages.h"

#include <gtest/gtest.h>

#include "foundation/app_settings.h"
#include "screens/scan/results_rows/tests/key_language_file.h"
#include "tests/support/page_languages.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

using Texts = std::vector<std::wstring>;

Texts Categories() {
    return {L"SCANTAB2DISKDRIVE", L"SCANTAB2DISPLAY", L"SCANTAB2DVD_CDROM",    L"SCANTAB2IDE_ATA_ATAPI",
            L"SCANTAB2MONITOR",   L"SCANTAB2NETWORK", L"SCANTAB2PROCESSOR",    L"SCANTAB2OTHER_DEVICE",
            L"SCANTAB2SOUND",     L"SCANTAB2SYSTEM_DEVICE", L"SCANTAB2SCSI_RAID", L"SCANTAB2USB"};
}

// The 43 values for the varying ones given.
Texts LastScanValues(const std::wstring& status, const std::wstring& dayText, const std::wstring& ageText,
                     const std::wstring& countText, const std::wstring& count, const std::wstring& foundText,
                     const std::wstring& days, const std::wstring& bar) {
    Texts values = {status,    L"string1",   L"string352", dayText,     L"string353", ageText,     L"string35",
                    countText, L"string355", count,        L"string356", foundText,   L"string103", L"string358"};
    for (const auto& key : Categories()) values.push_back(key);
    const Texts rest = {L"string359",  L"string400", L"IDS_SET_SAVE_START_SCAN", L"string359",
                        L"string401",  L"IDS_SET_SAVE_START_SCAN", L"string403", L"IDS_ALLUPTODATE_DRIVER",
                        L"string97",   days,         L"10",        L"IDS_DRIVER_AGE",
                        L"string165",  L"string166", L"string167", bar,
                        L"IDS_NOSCAN"};
    values.insert(values.end(), rest.begin(), rest.end());
    return values;
}

// The device `index` with an installed driver and a newer one on offer.
void OfferNewerDriver(CDriverScanUpdate& engine, int index, const wchar_t* name, const wchar_t* category) {
    DriverInfoRecord& device = engine.devices[index];
    device.deviceName = name;
    device.category = category;
    device.driverVersion = L"1.0.0.5";
    device.provider = L"Old Maker";
    device.driverDate = L"04-02-2018";
    DriverInfoRecord& offer = (*engine.OfferedDrivers())[index];
    offer.driverVersion = L"2.4.0.1";
    offer.provider = L"New Maker";
    offer.driverDate = L"2024-05-06T00:00:00";
}

class ResultPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        UseKeyLanguageFile(appData_.Path() + L"\\keys.ini");
    }
    ScopedAppDataFolder appData_;
};

TEST_F(ResultPagesTest, LastScanPageValuesFollowTheStoredScan) {
    const auto in = [](int days, int count, int status, int oldest, int age) {
        return LastScanInputs{days, count, status, oldest, age, 10};
    };
    const struct {
        const wchar_t* state;
        LastScanInputs in;
        Texts expected;
        bool recent;
        int storedAge;
    } cases[] = {
        {L"outdated-today", in(0, 3, 1, 729, 1),
         LastScanValues(L"1", L"IDS_TODAY", L"1 year", L"3 drivers", L"3", L"string357", L"0", L"6"), true, 1},
        {L"outdated-yesterday", in(1, 1, 1, 364, 3),
         LastScanValues(L"1", L"IDS_YESTERDAY", L"0 years", L"1 driver", L"1", L"string405", L"1", L"4"), true, 3},
        {L"current-30-days", in(30, 0, 2, 0, 0),
         LastScanValues(L"2", L"30 days ago", L"0 years", L"0 drivers", L"0", L"string357", L"30", L"2"), true, 4},
        {L"no-scan-31-days", in(31, 2, 1, 800, 5),
         LastScanValues(L"1", L"IDS_NOSCAN", L"2 years", L"2 drivers", L"2", L"string357", L"-1", L"2"), false, 4},
        {L"never-scanned", in(-1, 0, 0, 0, 4),
         LastScanValues(L"0", L"IDS_NOSCAN", L"IDS_NOSCAN", L"IDS_NOSCAN", L"0", L"string357", L"-1", L"2"), false,
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.state)));
        const LastScanPage page = BuildLastScanPage(c.in);
        EXPECT_EQ(page.values, c.expected);
        EXPECT_EQ(page.hasRecentScan, c.recent);
        EXPECT_EQ(page.driverAge, c.storedAge);
        PageContract contract{L"last_scan.htm", c.state, {}, {}};
        contract.calls = {{L"setlanguage", {L"en"}}, {L"setosid", {L"10"}}, {L"settext", page.values}};
        EXPECT_TRUE(WritePageContract(contract));
    }
}

TEST_F(ResultPagesTest, OutdatedWithNoResultsLeftTurnsIntoAllUpToDateAndIsStored) {
    UpdateAppSettings([](AppSettings& s) {
        s.appDriverScanStatus = 1;
        s.driverAge = 9;
    });
    SaveSettings();
    SaveLastScanResultCount(0);
    ShownScanStatus() = 1;
    const LastScanPage page = FillLastScanPage();
    EXPECT_EQ(page.values[0], L"2");
    EXPECT_EQ(ShownScanStatus().load(), 2);
    LoadSettings();
    EXPECT_EQ(GetAppSettings().appDriverScanStatus, 2);
    EXPECT_EQ(GetAppSettings().driverAge, 4);

    // Still outdated drivers stored: nothing changes.
    UpdateAppSettings([](AppSettings& s) { s.appDriverScanStatus = 1; });
    SaveSettings();
    SaveLastScanResultCount(0);
    int reloads = 0;
    const LastScanPage kept = BuildLastScanPage(LastScanInputs{2, 0, 1, 0, 4, 10}, [&reloads] {
        ++reloads;
        return LastScanInputs{2, 4, 1, 0, 4, 10};
    });
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(kept.values[0], L"1");
    EXPECT_EQ(kept.values[9], L"4");
}

TEST_F(ResultPagesTest, DriverDetailsSetTheInstalledDriverBesideTheOfferedOne) {
    CDriverScanUpdate engine;
    engine.ResetDeviceArrays(2);
    engine.devicesReported = 2;
    OfferNewerDriver(engine, 1, L"Card <Reader> & Co", L"Storage");

    const Texts texts = DriverDetailsTexts(engine, 1);
    EXPECT_EQ(texts, (Texts{L"varDlgHeading", L"Storage", L"Card <Reader> & Co", L"varDetailsText",
                            L"varOldDriverOutdatedText", L"varNewDriverText", L"varAvailableText", L"Version:",
                            L"1.0.0.5", L"2.4.0.1", L"IDS_COL_DATE", L"2018-04-02", L"2024-05-06",
                            L"SCANTAB3PUBLISHER", L"Old Maker", L"New Maker", L"IDS_CLOSE"}));
    PageContract contract{L"driver_details.htm", L"offer", {}, {}};
    contract.calls = {{L"setheaderImg", {L"0"}}, {L"settext", texts}};
    EXPECT_TRUE(WritePageContract(contract));

    // No such device: the fixed texts only; a device without dates: not available.
    const Texts none = DriverDetailsTexts(engine, 7);
    EXPECT_EQ(none[1], L"");
    EXPECT_EQ(none[11], L"");
    EXPECT_EQ(DriverDetailsTexts(engine, 0)[11], L"IDS_NOT_AVAILABLE");
}

// Both pages with the program's own texts, for the pictures a person looks at and
// the check that every text fits.
TEST_F(ResultPagesTest, BothPagesAreRecordedInThePictureLanguages) {
    CDriverScanUpdate engine;
    engine.ResetDeviceArrays(1);
    engine.devicesReported = 1;
    OfferNewerDriver(engine, 0, L"Standard SATA AHCI Controller", L"Storage controllers");
    const struct {
        const wchar_t* state;
        LastScanInputs in;
    } scans[] = {{L"outdated-today", {0, 3, 1, 729, 1, 10}},
                 {L"current-30-days", {30, 0, 2, 0, 0, 10}},
                 {L"never-scanned", {-1, 0, 0, 0, 4, 10}}};
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        SCOPED_TRACE(testing::PrintToString(std::wstring(language.code)));
        for (const auto& scan : scans) {
            PageContract contract{L"last_scan.htm", scan.state, {}, {}};
            contract.calls = {{L"setlanguage", {language.code}},
                              {L"setosid", {L"10"}},
                              {L"settext", BuildLastScanPage(scan.in).values}};
            EXPECT_TRUE(WritePageContract(contract, language.code));
        }
        const Texts texts = DriverDetailsTexts(engine, 0);
        for (size_t i = 0; i < texts.size(); ++i) EXPECT_FALSE(texts[i].empty()) << i;
        PageContract details{L"driver_details.htm", L"offer", {}, {}};
        details.calls = {{L"setheaderImg", {L"0"}}, {L"settext", texts}};
        EXPECT_TRUE(WritePageContract(details, language.code));
    }
}

}  // namespace
