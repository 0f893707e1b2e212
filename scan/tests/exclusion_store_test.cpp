#include "scan/exclusion_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/scoped_temp_folder.h"

namespace {

EngineExclusionEntry Entry(const std::wstring& guidPath, const std::wstring& md5, const std::wstring& infPath,
                           const std::wstring& hardwareId) {
    EngineExclusionEntry entry;
    entry.guidPath = guidPath;
    entry.md5 = md5;
    entry.infPath = infPath;
    entry.hardwareIdentifier = hardwareId;
    return entry;
}

TEST(ExclusionStore, NormaliseInfPathKeepsThePartBelowTheExtractFolder) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Program Files\\X\\extract\\pkg1\\a.inf", L"pkg1\\a.inf"},
        {L"C:\\Program Files\\X\\EXTRACT\\Pkg1\\Sub\\A.INF", L"pkg1\\sub\\a.inf"},
        {L"C:\\Windows\\INF\\OEM12.INF", L"c:\\windows\\inf\\oem12.inf"},
        {L"D:\\extract.inf", L"extract.inf"},
        {L"", L""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(NormaliseInfPath(path), expected) << path;
}

TEST(ExclusionStore, AddReplacesOnlyADifferentDriverForTheSameDevice) {
    ExclusionStore store;
    EXPECT_TRUE(store.Add(Entry(L"{g}\\0001", L"aa", L"pkg\\a.inf", L"PCI\\VEN_1")));
    // Equal but for case: nothing changes.
    EXPECT_FALSE(store.Add(Entry(L"{g}\\0001", L"AA", L"PKG\\A.INF", L"pci\\ven_1")));
    EXPECT_EQ(store.Entries().at(L"{g}\\0001").md5, L"aa");
    // Another package for the same device replaces the entry.
    EXPECT_TRUE(store.Add(Entry(L"{g}\\0001", L"bb", L"pkg\\a.inf", L"PCI\\VEN_1")));
    EXPECT_EQ(store.Entries().size(), 1u);
    EXPECT_EQ(store.Entries().at(L"{g}\\0001").md5, L"bb");
    EXPECT_TRUE(store.Add(Entry(L"{g}\\0002", L"bb", L"pkg\\a.inf", L"PCI\\VEN_1")));
    EXPECT_EQ(store.Entries().size(), 2u);

    EXPECT_EQ(store.IsDriverExcluded(Entry(L"{g}\\0001", L"BB", L"Pkg\\A.inf", L"PCI\\ven_1")), 1);
    EXPECT_EQ(store.IsDriverExcluded(Entry(L"{g}\\0001", L"aa", L"pkg\\a.inf", L"PCI\\VEN_1")), 0);
    EXPECT_EQ(store.IsDriverExcluded(Entry(L"{G}\\0001", L"bb", L"pkg\\a.inf", L"PCI\\VEN_1")), 0);
    EXPECT_EQ(store.IsDriverExcluded(Entry(L"{g}\\0003", L"bb", L"pkg\\a.inf", L"PCI\\VEN_1")), 0);
}

TEST(ExclusionStore, WritesOneDeviceElementPerEntryInDriverKeyOrder) {
    ExclusionStore store;
    EngineExclusionEntry second = Entry(L"{b}\\0002", L"m2", L"C:\\P\\extract\\d2\\b.inf", L"ID2");
    second.updateDeviceMatchingId = L"match2";
    second.installErrorCode = 3221225477u;
    second.deviceErrorCode = 28;
    store.Add(second);
    store.Add(Entry(L"{a}\\0001", L"m1", L"c:\\oem1.inf", L"ID&1"));
    EXPECT_EQ(store.BuildText(),
              L"<newdataset>\r\n"
              L"<device>\r\n"
              L"<HardwareIdentifier>ID&amp;1</HardwareIdentifier>\r\n"
              L"<UpdateDeviceMatchingID/>\r\n"
              L"<guidPath>{a}\\0001</guidPath>\r\n"
              L"<MD5>m1</MD5>\r\n"
              L"<InfPath>c:\\oem1.inf</InfPath>\r\n"
              L"<InstallErrorCode>0</InstallErrorCode>\r\n"
              L"<DeviceErrorCode>0</DeviceErrorCode>\r\n"
              L"</device>\r\n"
              L"<device>\r\n"
              L"<HardwareIdentifier>ID2</HardwareIdentifier>\r\n"
              L"<UpdateDeviceMatchingID>match2</UpdateDeviceMatchingID>\r\n"
              L"<guidPath>{b}\\0002</guidPath>\r\n"
              L"<MD5>m2</MD5>\r\n"
              L"<InfPath>d2\\b.inf</InfPath>\r\n"
              L"<InstallErrorCode>3221225477</InstallErrorCode>\r\n"
              L"<DeviceErrorCode>28</DeviceErrorCode>\r\n"
              L"</device>\r\n"
              L"</newdataset>");
}

TEST(ExclusionStore, SavedRecordLoadsBackItsFourKeptFields) {
    ScopedTempFolder folder;
    ExclusionStore store;
    store.Open(folder.Path() + L"\\");
    EXPECT_EQ(store.Path(), folder.File(L"exc.xml"));
    EXPECT_TRUE(store.Empty());

    EngineExclusionEntry entry = Entry(L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0000", L"0123ABCD",
                                       L"C:\\Prog\\extract\\Grafik\\Straße.inf", L"PCI\\VEN_10DE&DEV_1C82");
    entry.updateDeviceMatchingId = L"pci\\ven_10de";
    entry.installErrorCode = 5;
    entry.deviceErrorCode = 10;
    store.Add(entry);
    store.Add(Entry(L"{other}\\0003", L"ff", L"x.inf", L"USB\\VID_1"));
    EXPECT_EQ(store.Save(), 1);

    // UTF-8 text, and nothing but the file itself is left in the folder.
    const std::string bytes = ReadFileBytes(folder.File(L"exc.xml"));
    EXPECT_NE(bytes.find("<InfPath>grafik\\stra\xC3\x9F" "e.inf</InfPath>"), std::string::npos);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(folder.File(L"*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);

    ExclusionStore loaded;
    loaded.Open(folder.Path());
    ASSERT_EQ(loaded.Entries().size(), 2u);
    const EngineExclusionEntry& back = loaded.Entries().at(entry.guidPath);
    EXPECT_EQ(back.hardwareIdentifier, entry.hardwareIdentifier);
    EXPECT_EQ(back.md5, entry.md5);
    EXPECT_EQ(back.infPath, L"grafik\\straße.inf");
    EXPECT_TRUE(back.updateDeviceMatchingId.empty());
    EXPECT_EQ(back.installErrorCode, 0u);
    EXPECT_EQ(back.deviceErrorCode, 0u);
    EXPECT_EQ(back.number9, -1);
    // What the matcher asks after a reload: the installed package is known.
    EXPECT_EQ(loaded.IsDriverExcluded(Entry(entry.guidPath, L"0123abcd", NormaliseInfPath(entry.infPath),
                                            L"pci\\ven_10de&dev_1c82")),
              1);
}

TEST(ExclusionStore, LoadingKeepsTheFirstEntryOfADeviceAndReadsAnyCase) {
    ScopedTempFolder folder;
    // Lines split inside values, as an editor might leave them, are joined again.
    ASSERT_TRUE(WriteFileBytes(folder.File(L"exc.xml"),
                               "\xEF\xBB\xBF<newdataset>\r\n"
                               "<DEVICE><hardwareidentifier>H1</hardwareidentifier><GUIDPATH>{g}\\0001</GUIDPATH>\r\n"
                               "<md5>first</md5><infpath>a.inf</infpath></DEVICE>\r\n"
                               "<device><HardwareIdentifier>H2</HardwareIdentifier><guidPath>{g}\\0001</guidPath>"
                               "<MD5>second</MD5><InfPath>b.inf</InfPath></device>\r\n"
                               "<device><HardwareIdentifier>H3</HardwareIdentifier><guidPath>{g}\\0002</guidPath>"
                               "<MD5>th\r\nird</MD5><InfPath>c.inf</InfPath></device>\r\n"
                               "</newdataset>\r\n"));
    ExclusionStore store;
    store.Open(folder.Path());
    ASSERT_EQ(store.Entries().size(), 2u);
    EXPECT_EQ(store.Entries().at(L"{g}\\0001").md5, L"first");
    EXPECT_EQ(store.Entries().at(L"{g}\\0001").hardwareIdentifier, L"H1");
    EXPECT_EQ(store.Entries().at(L"{g}\\0002").md5, L"third");
}

TEST(ExclusionStore, MissingOrBrokenFilesGiveAnEmptyRecord) {
    ScopedTempFolder folder;
    ExclusionStore store;
    store.Open(folder.Path());
    EXPECT_TRUE(store.Empty());

    for (const char* text : {"", "not xml at all", "<newdataset><device><MD5>x</MD5>", "\xFF\xFE<\x00"}) {
        ASSERT_TRUE(WriteFileBytes(folder.File(L"exc.xml"), text));
        store.Add(Entry(L"{left}\\0000", L"x", L"x", L"x"));
        store.Load();
        EXPECT_TRUE(store.Empty()) << text;
    }
}

}  // namespace
