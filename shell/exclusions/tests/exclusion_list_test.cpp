#include "shell/exclusions/exclusion_list.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "scan/driver_scan_update.h"
#include "tests/support/process_log_watch.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

struct Driver {
    std::wstring name, hardwareIds, guidPath, hash;
};

const Driver kCard{L"Grafikkarte Ger\x00e4t", L"PCI\\VEN_10DE&DEV_1C82", L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0001",
                   L"ab12"};
const Driver kChinese{L"\x663e\x5361 \x9a71\x52a8", L"USB\\VID_0BDA&PID_8153", L"{4d36e972}\\0007", L""};
const Driver kMarkup{L"A & B <\"quoted\"> 'x'", L"HDAUDIO\\FUNC_01", L"{4d36e96c}\\0002", L"ff"};

std::string AnsiBytes(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

class ExclusionListTest : public ::testing::Test {
protected:
    std::wstring Path() const { return folder.File(L"exclusion.xml"); }
    int Add(ExclusionList& list, const Driver& d) { return AddDriverToExclusionList(list, d.name, d.hardwareIds, d.guidPath, d.hash); }
    bool Ignored(const CDriverScanUpdate& e, const Driver& d) const { return e.IsDeviceIgnored(d.hardwareIds, d.guidPath, d.hash); }
    std::vector<std::wstring> Names(const ExclusionList& list) const {
        std::vector<std::wstring> names;
        for (const tagExclusionItem& item : list.Items()) names.push_back(item.DriverName);
        return names;
    }

    ScopedTempFolder folder;
    CDriverScanUpdate engine;
};

TEST_F(ExclusionListTest, RoundTripKeepsEveryFieldInUtf8WithADeclaration) {
    ExclusionList list(&engine, Path());
    list.Load();
    for (const Driver& d : {kCard, kChinese, kMarkup}) EXPECT_EQ(Add(list, d), 1);

    const std::string bytes = ReadFileBytes(Path());
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Exclusion>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("Grafikkarte Ger\xC3\xA4t"), std::string::npos);
    EXPECT_NE(bytes.find("\xE6\x98\xBE\xE5\x8D\xA1"), std::string::npos);
    EXPECT_EQ(bytes.find("ListControlId"), std::string::npos);

    CDriverScanUpdate fresh;
    ExclusionList reread(&fresh, Path());
    reread.Load();
    ASSERT_EQ(reread.Size(), 3u);
    int row = 0;
    for (const Driver& d : {kCard, kChinese, kMarkup}) {
        const tagExclusionItem& item = reread.Items()[static_cast<size_t>(row)];
        EXPECT_EQ(item.DriverName, d.name);
        EXPECT_EQ(item.HardwareIds, d.hardwareIds);
        EXPECT_EQ(item.GuidFullPath, d.guidPath);
        EXPECT_EQ(item.Hash, d.hash);
        EXPECT_EQ(item.ExclusionId, row + 1);
        EXPECT_EQ(item.ListControlId, row);
        EXPECT_TRUE(Ignored(fresh, d));
        ++row;
    }
    EXPECT_EQ(fresh.ignoreMap.size(), 3u);
}

// Files of earlier versions have no declaration and hold the ANSI code page; their
// entries count only with a driver name and with HardwareIds last.
TEST_F(ExclusionListTest, ReadsAnOldAnsiFileAndSkipsIncompleteEntries) {
    const std::wstring name = L"Netzwerkadapter \x00c4\x00d6\x00dc";
    const std::string ansiName = AnsiBytes(name);
    ASSERT_EQ(ansiName.size(), name.size()) << "the ANSI code page cannot carry the test name";
    const std::string file =
        "<Exclusion>\r\n"
        "<ExclusionInfo>\r\n<ExclusionId>7</ExclusionId>\r\n<DriverName>" + ansiName +
        "</DriverName>\r\n<GuidFullPath>{g}\\0003</GuidFullPath>\r\n<Hash></Hash>\r\n"
        "<HardwareIds>PCI\\VEN_8086</HardwareIds>\r\n</ExclusionInfo>\r\n"
        "<EXCLUSIONINFO><exclusionid>8</exclusionid><hardwareids>PCI\\EARLY</hardwareids>"
        "<drivername>Ids first</drivername><guidfullpath>{g}\\0004</guidfullpath></EXCLUSIONINFO>\r\n"
        "<ExclusionInfo><ExclusionId>9</ExclusionId><DriverName>  </DriverName>"
        "<HardwareIds>PCI\\NONAME</HardwareIds></ExclusionInfo>\r\n"
        "<ExclusionInfo><ExclusionId>10</ExclusionId><DriverName> Lower case </DriverName>"
        "<guidfullpath>{g}\\0005</guidfullpath><HARDWAREIDS>USB\\X</HARDWAREIDS></ExclusionInfo>\r\n"
        "</Exclusion>\r\n";
    ASSERT_TRUE(WriteFileBytes(Path(), file));

    ExclusionList list(&engine, Path());
    list.Load();
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{name, L"Lower case"}));
    EXPECT_EQ(list.Items()[0].ExclusionId, 7);
    EXPECT_EQ(list.Items()[1].ExclusionId, 10);
    EXPECT_TRUE(engine.IsDeviceIgnored(L"pci\\ven_8086", L"{G}\\0003", L""));
    EXPECT_FALSE(engine.IsDeviceIgnored(L"PCI\\EARLY", L"{g}\\0004", L""));
    EXPECT_EQ(engine.ignoreMap.size(), 2u);

    // The next save turns it into a UTF-8 file that still reads the same.
    EXPECT_EQ(AddDriverToExclusionList(list, L"New", L"PCI\\NEW", L"{g}\\0006", L""), 1);
    EXPECT_EQ(list.Items()[2].ExclusionId, 11);
    ExclusionList reread(nullptr, Path());
    reread.Load();
    EXPECT_EQ(Names(reread), (std::vector<std::wstring>{name, L"Lower case", L"New"}));
}

TEST_F(ExclusionListTest, RefusesTheSameDriverInAnotherLetterCase) {
    ExclusionList list(&engine, Path());
    list.Load();
    ASSERT_EQ(Add(list, kCard), 1);
    struct Case {
        const char* what;
        Driver driver;
        int expected;
    } cases[] = {
        {"same key", kCard, 0},
        {"hardware ids upper case", {L"Other name", L"PCI\\VEN_10DE&DEV_1C82", L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0001", L"AB12"}, 0},
        {"all lower case", {L"x", L"pci\\ven_10de&dev_1c82", L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0001", L"ab12"}, 0},
        {"other hash", {L"Grafikkarte Ger\x00e4t", kCard.hardwareIds, kCard.guidPath, L"ab13"}, 1},
        {"other device path", {L"y", kCard.hardwareIds, L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0002", L"ab12"}, 1},
    };
    size_t expectedSize = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Add(list, c.driver), c.expected);
        expectedSize += static_cast<size_t>(c.expected);
        EXPECT_EQ(list.Size(), expectedSize);
    }
    ExclusionList reread(nullptr, Path());
    reread.Load();
    EXPECT_EQ(reread.Size(), expectedSize);
}

TEST_F(ExclusionListTest, NumbersAreNotReusedWhileAHigherOneExists) {
    ExclusionList list(&engine, Path());
    list.Load();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(AddDriverToExclusionList(list, L"d" + std::to_wstring(i), L"ID" + std::to_wstring(i), L"g", L""), 1);
    }
    ASSERT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(AddDriverToExclusionList(list, L"d4", L"ID4", L"g", L""), 1);
    std::vector<int> ids;
    for (const tagExclusionItem& item : list.Items()) ids.push_back(item.ExclusionId);
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 4}));

    ExclusionList reread(nullptr, Path());
    reread.Load();
    EXPECT_EQ(AddDriverToExclusionList(reread, L"d5", L"ID5", L"g", L""), 1);
    EXPECT_EQ(reread.Items().back().ExclusionId, 5);

    reread.RemoveAll();
    EXPECT_EQ(AddDriverToExclusionList(reread, L"d6", L"ID6", L"g", L""), 1);
    EXPECT_EQ(reread.Items().back().ExclusionId, 1);
}

// Two entries may carry the same name; the row chosen is the one removed.
TEST_F(ExclusionListTest, RemovesTheChosenRowNotTheFirstOfThatName) {
    ExclusionList list(&engine, Path());
    list.Load();
    const Driver first{L"USB Hub", L"USB\\ROOT_HUB30", L"{36fc9e60}\\0001", L""};
    const Driver second{L"usb hub", L"USB\\ROOT_HUB20", L"{36fc9e60}\\0002", L""};
    const Driver third{L"USB Hub", L"USB\\ROOT_HUB", L"{36fc9e60}\\0003", L""};
    for (const Driver& d : {first, second, third}) ASSERT_EQ(Add(list, d), 1);

    ASSERT_TRUE(list.RemoveAt(2));
    EXPECT_FALSE(list.RemoveAt(2));
    EXPECT_TRUE(Ignored(engine, first));
    EXPECT_TRUE(Ignored(engine, second));
    EXPECT_FALSE(Ignored(engine, third));
    ASSERT_TRUE(list.RemoveAt(1));
    EXPECT_FALSE(Ignored(engine, second));

    ExclusionList reread(nullptr, Path());
    reread.Load();
    ASSERT_EQ(reread.Size(), 1u);
    EXPECT_EQ(reread.Items()[0].HardwareIds, first.hardwareIds);
    EXPECT_EQ(reread.Items()[0].ListControlId, 0);

    // The last entry gone, the file holds the root alone.
    ASSERT_TRUE(list.RemoveAt(0));
    EXPECT_TRUE(engine.ignoreMap.empty());
    std::string bytes = ReadFileBytes(Path());
    EXPECT_NE(bytes.find("<Exclusion"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("ExclusionInfo"), std::string::npos) << bytes;
}

// An earlier version could write the same driver twice: removing one copy keeps
// the driver ignored until the other goes too.
TEST_F(ExclusionListTest, ADuplicateFromAnOldFileKeepsItsKeyUntilBothAreRemoved) {
    const std::string entry =
        "<ExclusionInfo><ExclusionId>1</ExclusionId><DriverName>Card</DriverName>"
        "<GuidFullPath>{g}\\1</GuidFullPath><Hash/><HardwareIds>PCI\\A</HardwareIds></ExclusionInfo>";
    ASSERT_TRUE(WriteFileBytes(Path(), "<Exclusion>" + entry + entry + "</Exclusion>"));
    ExclusionList list(&engine, Path());
    list.Load();
    ASSERT_EQ(list.Size(), 2u);
    list.RemoveAt(0);
    EXPECT_TRUE(engine.IsDeviceIgnored(L"PCI\\A", L"{g}\\1", L""));
    list.RemoveAt(0);
    EXPECT_FALSE(engine.IsDeviceIgnored(L"PCI\\A", L"{g}\\1", L""));
}

TEST_F(ExclusionListTest, AFailedSaveIsLoggedAndLosesNothing) {
    ScopedAppDataFolder appData;  // the log lives there
    ExclusionList list(&engine, Path());
    list.Load();
    ASSERT_EQ(Add(list, kCard), 1);
    const std::string before = ReadFileBytes(Path());

    ProcessLogWatch log;
    {
        // Another program holds the file open without sharing it.
        HANDLE held = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Add(list, kChinese), 1);
        EXPECT_FALSE(list.Save());
        CloseHandle(held);
    }
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_TRUE(Ignored(engine, kChinese));
    EXPECT_EQ(ReadFileBytes(Path()), before);
    EXPECT_NE(log.NewText().find(L"cannot save"), std::wstring::npos) << log.NewText();
    ASSERT_TRUE(list.Save());
    ExclusionList reread(nullptr, Path());
    reread.Load();
    EXPECT_EQ(reread.Size(), 2u);
}

// The application object's start-up step: whatever the engine held before, its
// ignore list afterwards is exactly the file's entries.
TEST(UserExclusionListTest, StartUpRebuildsTheEngineIgnoreListFromTheDataFolder) {
    ScopedAppDataFolder appData;
    ASSERT_TRUE(appData.Active());
    ASSERT_TRUE(CreateDirectoryW((appData.Path() + L"\\Brennavik").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(appData.ProductDataFolder().c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(appData.ProductDataFolder() + L"\\exclusion.xml",
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Exclusion><ExclusionInfo>"
                               "<ExclusionId>1</ExclusionId><DriverName>Kamera \xC3\xA9</DriverName>"
                               "<GuidFullPath>{6bdd1fc6}\\0000</GuidFullPath><Hash>h</Hash>"
                               "<HardwareIds>USB\\VID_046D</HardwareIds></ExclusionInfo></Exclusion>"));
    CDriverScanUpdate engine;
    engine.SetDeviceIgnored(L"STALE", L"{x}", L"", true);

    LoadUserExclusionList(engine);
    EXPECT_EQ(UserExclusionList().Path(), appData.ProductDataFolder() + L"\\exclusion.xml");
    ASSERT_EQ(UserExclusionList().Size(), 1u);
    EXPECT_EQ(UserExclusionList().Items()[0].DriverName, L"Kamera \x00e9");
    EXPECT_FALSE(engine.IsDeviceIgnored(L"STALE", L"{x}", L""));
    EXPECT_TRUE(engine.IsDeviceIgnored(L"USB\\VID_046D", L"{6bdd1fc6}\\0000", L"h"));
    EXPECT_EQ(engine.ignoreMap.size(), 1u);

    // What the results page adds later reaches the same engine and file.
    EXPECT_EQ(AddDriverToExclusionList(UserExclusionList(), L"Disk", L"SCSI\\DISK", L"{4d36e967}\\0001", L""), 1);
    EXPECT_TRUE(engine.IsDeviceIgnored(L"scsi\\disk", L"{4D36E967}\\0001", L""));
    CDriverScanUpdate later;
    LoadUserExclusionList(later);
    EXPECT_EQ(later.ignoreMap.size(), 2u);
    UserExclusionList().SetEngine(nullptr);
}

}  // namespace
