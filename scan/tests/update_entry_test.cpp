#include "scan/update_entry.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/markup.h"

namespace {

struct ReadAnswer {
    UpdateEntry working;
    OfferedDriverMap offered;
    std::set<int32_t> indexes;
    std::wstring databaseVersion;

    explicit ReadAnswer(const std::wstring& text, size_t deviceCount = 8) {
        AnswerTargets targets{working, offered, indexes, databaseVersion, deviceCount};
        CMarkup markup;
        ReadScanAnswer(markup, text, targets);
    }

    std::vector<const UpdateEntry*> For(int32_t device) const {
        std::vector<const UpdateEntry*> entries;
        auto [first, last] = offered.equal_range(device);
        for (auto it = first; it != last; ++it) entries.push_back(&it->second);
        return entries;
    }
};

TEST(ScanAnswer, ReadsEveryFieldOfAnEntryInsidePerDriverElements) {
    const ReadAnswer answer(
        L"<r><dbv>2024.1</dbv><drivers>"
        L"<d><id>3</id><mid>PCI\\VEN_1&amp;DEV_2</mid><hid>h</hid><infd>2020-01-02</infd><infp>oem1.inf</infp>"
        L"<ver>1.2</ver><isc>1</isc><md5>ABC</md5><ii>0</ii><did>77</did><sev>2</sev><rl>3</rl>"
        L"<lu>http://x/p.exe</lu><cidx>1</cidx><fs>0x0A</fs><ss>5</ss><cid>9</cid><age>4</age>"
        L"<mfg>M</mfg><prv>P</prv><isf>f</isf><ifg>g</ifg><slp>s</slp><slpm>sm</slpm><sih>12</sih>"
        L"<sig>1</sig></d></drivers></r>");
    ASSERT_EQ(answer.offered.size(), 1u);
    const UpdateEntry& e = answer.offered.begin()->second;
    EXPECT_EQ(e.deviceIndex, 3);
    const std::vector<std::pair<std::wstring, std::wstring>> fields = {
        {e.hardwareIdentifier, L"PCI\\VEN_1&DEV_2"}, {e.secondHardwareIdentifier, L"h"}, {e.infDate, L"2020-01-02"},
        {e.infPath, L"oem1.inf"}, {e.version, L"1.2"}, {e.specificCase, L"1"}, {e.md5, L"ABC"},
        {e.installFlag, L"0"}, {e.downloadId, L"77"}, {e.severity, L"2"}, {e.riskLevel, L"3"},
        {e.downloadAddress, L"http://x/p.exe"}, {e.compatibleIdIndex, L"1"}, {e.featureScore, L"0x0A"},
        {e.signatureScore, L"5"}, {e.categoryId, L"9"}, {e.age, L"4"}, {e.manufacturer, L"M"},
        {e.provider, L"P"}, {e.isf, L"f"}, {e.ifg, L"g"}, {e.slp, L"s"}, {e.slpm, L"sm"}, {e.sih, L"12"},
        {e.signer, L"1"}};
    for (const auto& [actual, expected] : fields) EXPECT_EQ(actual, expected);
    EXPECT_EQ(answer.databaseVersion, L"2024.1");
    EXPECT_EQ(answer.indexes, (std::set<int32_t>{3}));
    // The working entry is empty again for the next entry.
    EXPECT_TRUE(answer.working.md5.empty());
    EXPECT_EQ(answer.working.deviceIndex, 0);
}

TEST(ScanAnswer, TwoEntriesForOneDeviceAreKeptInAnswerOrder) {
    const ReadAnswer answer(
        L"<r><d><id>2</id><mid>b</mid><sig>1</sig></d><d><id>0</id><mid>z</mid><sig>1</sig></d>"
        L"<d><id>2</id><mid>a</mid><sig>0</sig></d></r>");
    const auto entries = answer.For(2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]->hardwareIdentifier, L"b");
    EXPECT_EQ(entries[1]->hardwareIdentifier, L"a");
    EXPECT_EQ(answer.indexes, (std::set<int32_t>{0, 2}));
}

TEST(ScanAnswer, NamesAreReadWithoutRegardToCaseAndDbvAnywhere) {
    const ReadAnswer answer(
        L"<Envelope><Body><X><ID> 1 </ID><MID>m</MID><Md5>d</Md5><SIG>1</SIG>"
        L"<deep><deeper><DBV> 7 </DBV></deeper></deep></X></Body></Envelope>");
    const auto entries = answer.For(1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->hardwareIdentifier, L"m");
    EXPECT_EQ(entries[0]->md5, L"d");
    EXPECT_EQ(answer.databaseVersion, L"7");
}

TEST(ScanAnswer, IndexesOutsideTheScanAreSkippedWithTheirEntries) {
    // Four devices were scanned; the service cannot name a fifth.
    for (const wchar_t* id : {L"4", L"-1", L"99999999999", L"1x", L"", L"0x1"}) {
        SCOPED_TRACE(id);
        const ReadAnswer answer(std::wstring(L"<r><d><id>") + id +
                                    L"</id><mid>bad</mid><sig>1</sig></d><d><id>3</id><mid>good</mid><sig>1</sig></d></r>",
                                4);
        ASSERT_EQ(answer.offered.size(), 1u);
        EXPECT_EQ(answer.offered.begin()->first, 3);
        EXPECT_EQ(answer.offered.begin()->second.hardwareIdentifier, L"good");
        EXPECT_EQ(answer.indexes, (std::set<int32_t>{3}));
    }
}

TEST(ScanAnswer, AnEntryWithoutSigIsDroppedAndLendsNothingToTheNext) {
    const ReadAnswer answer(
        L"<r><d><id>1</id><mid>m1</mid><did>11</did><lu>http://a</lu><md5>AAAA</md5><hid>h1</hid></d>"
        L"<d><id>2</id><mid>m2</mid><sig>1</sig></d></r>");
    ASSERT_EQ(answer.offered.size(), 1u);
    const UpdateEntry& e = answer.offered.begin()->second;
    EXPECT_EQ(e.deviceIndex, 2);
    EXPECT_EQ(e.hardwareIdentifier, L"m2");
    EXPECT_TRUE(e.downloadId.empty());
    EXPECT_TRUE(e.downloadAddress.empty());
    EXPECT_TRUE(e.md5.empty());
    EXPECT_TRUE(e.secondHardwareIdentifier.empty());
}

TEST(ScanAnswer, ALeafNamedLikeTheOneBeforeItIsSkipped) {
    const ReadAnswer answer(L"<r><id>0</id><md5>first</md5><MD5>second</MD5><sig>1</sig></r>");
    ASSERT_EQ(answer.offered.size(), 1u);
    EXPECT_EQ(answer.offered.begin()->second.md5, L"first");
}

TEST(ScanAnswer, TextThatIsNotAnAnswerReadsNothing) {
    for (const wchar_t* text : {L"", L"garbage", L"<r><id>1</id><sig>1</sig>", L"<a><b></a></b>", L"\xFFFF<<>>&&"}) {
        SCOPED_TRACE(text);
        const ReadAnswer answer(text);
        EXPECT_TRUE(answer.offered.empty());
        EXPECT_TRUE(answer.indexes.empty());
        EXPECT_TRUE(answer.databaseVersion.empty());
    }
}

TEST(ScanAnswer, LongNamesAreKnownWhenAskedFor) {
    UpdateEntry working;
    OfferedDriverMap offered;
    std::set<int32_t> indexes;
    std::wstring databaseVersion;
    AnswerTargets targets{working, offered, indexes, databaseVersion, 4};
    const std::pair<const wchar_t*, const wchar_t*> leaves[] = {
        {L"driverid", L"1"}, {L"hardwareidentifier", L"m"}, {L"isSpecificCase", L"1"}, {L"liburl", L"u"},
        {L"CompatibleIdIdx", L"2"}, {L"mid", L"short name ignored"}, {L"signer", L"1"}};
    for (const auto& [name, text] : leaves) ReadAnswerField(name, text, AnswerVocabulary::kLong, targets);
    ASSERT_EQ(offered.size(), 1u);
    const UpdateEntry& e = offered.begin()->second;
    EXPECT_EQ(e.deviceIndex, 1);
    EXPECT_EQ(e.hardwareIdentifier, L"m");
    EXPECT_EQ(e.specificCase, L"1");
    EXPECT_EQ(e.downloadAddress, L"u");
    EXPECT_EQ(e.compatibleIdIndex, L"2");
    EXPECT_EQ(e.signer, L"1");
}

}  // namespace
