#include "scan/scan_request.h"

#include <gtest/gtest.h>

#include "platform/text_case.h"

namespace {

class FixedHardware : public MachineFactsSource {
public:
    int QueryWmiClass(const std::wstring& className, std::vector<TextPair>& pairs) override {
        if (className == L"Win32_NetworkAdapter") {
            pairs = {{L" Ethernet ", L"001122AABBCC"}, {L"VMnet8", L"005056C00008"}, {L"No address", L" "}};
            return 0;
        }
        for (auto& [name, value] : pairs) {
            if (className == L"Win32_BIOS" && name == L"Name") value = L"BIOS X";
            if (className == L"Win32_BIOS" && name == L"SerialNumber") value = L"SN\x01\x02-9";
            if (className == L"Win32_BaseBoard" && name == L"Product") value = L"Board <7>";
        }
        return 0;
    }
    void CollectAdapterAddresses(std::vector<std::wstring>&) override {}
};

std::vector<DriverInfoRecord> SampleDevices() {
    std::vector<DriverInfoRecord> records(5);
    DriverInfoRecord& nic = records[0];
    nic.deviceName = L"Acme <LAN> & Co";
    nic.driverVersion = L"1.2.3.4";
    nic.matchingDeviceId = L"PCI\\VEN_1234&DEV_0001";
    nic.hardwareIds = {L"PCI\\VEN_1234&DEV_0001&SUBSYS_1", L" PCI\\VEN_1234&DEV_0001 "};
    nic.compatibleIds = {L"pci\\ven_1234&dev_0001&subsys_1", L"PCI\\CC_0200", L"ACME\\SPECIAL"};
    nic.allHardwareIds = {L"PCI\\VEN_1234&DEV_0001&SUBSYS_1", L"PCI\\VEN_1234&DEV_0001"};
    nic.allCompatibleIds = {L"PCI\\CC_0200"};
    nic.driverRank = 255;
    nic.manufacturer = L"Acme";
    nic.provider = L"Acme Prov";
    nic.category = L"Network adapters";
    nic.driverKey = L"{4d36e972-e325-11ce-bfc1-08002be10318}\\0001";
    nic.signer = L"Acme Signer";
    nic.driverDateLow = 0x625e4000;  // 2021-06-15
    nic.driverDateHigh = 0x1d76179;

    records[1].deviceName = L"On the ignore list";
    records[1].hardwareId = L"IGNORED\\1";
    records[1].driverKey = L"{X}\\0000";
    records[1].hardwareIds = {L"IGNORED\\1"};

    records[2].hardwareIds = {L"NONAME\\1"};  // no device name

    records[3].deviceName = L"Only generic ids";
    records[3].hardwareIds = {L"GEN\\A", L"GEN\\B"};

    DriverInfoRecord& keyboard = records[4];
    keyboard.deviceName = L"Keyboard";
    keyboard.matchingDeviceId = L"GEN\\DROPPED";
    keyboard.hardwareIds = {L"ACPI\\PNP0303"};
    keyboard.allCompatibleIds = {L"X", L"acpi\\pnp0303"};
    keyboard.driverRank = 0;
    keyboard.problemCode = 28;
    keyboard.nodeStatusResult = 13;
    keyboard.driverDateLow = 0x625e4000;  // high half 0: no date
    return records;
}

ScanRequestDeviceRules SampleRules() {
    ScanRequestDeviceRules rules;
    rules.isIgnored = [](const std::wstring& hardwareId, const std::wstring& driverKey, const std::wstring& third) {
        return LowerInvariant(hardwareId) + L"|" + LowerInvariant(driverKey) + L"|" + third == L"ignored\\1|{x}\\0000|";
    };
    rules.isGeneric = [](const std::wstring&, const std::wstring& id) {
        return LowerInvariant(id).rfind(L"gen\\", 0) == 0 || LowerInvariant(id) == L"pci\\cc_0200";
    };
    return rules;
}

ScanRequestFacts SampleFacts(const CHardwareHash& hardware) {
    ScanRequestFacts facts;
    facts.osId = L"61", facts.osMajor = L"6", facts.osMinor = L"1", facts.osProductType = L"1";
    facts.osArchitecture = L"9";
    facts.productParamsName = L"halvenornewparams";
    facts.computerName = L"TESTBOX";
    facts.languageId = L"1033", facts.languageCode = L"en", facts.languageStringsFile = L"English.ini";
    facts.languageLocale = L"en-US", facts.languageServiceId = L"1";
    facts.appVersion = L"1.0.0.7";
    facts.machineHash = L"-4326396259478730934";
    facts.hardware = &hardware;
    return facts;
}

std::wstring Lines(std::initializer_list<const wchar_t*> lines) {
    std::wstring text;
    for (const wchar_t* line : lines) text += std::wstring(line) + L"\r\n";
    return text;
}

std::wstring Build(bool compact, int count = 5) {
    CHardwareHash hardware(std::make_unique<FixedHardware>());
    hardware.ComputeIdentityText();
    const auto records = SampleDevices();
    CMarkup document;
    document.SetDoc(L"<stale/>");
    BuildScanRequestXml(document, records.data(), count, SampleRules(), SampleFacts(hardware), compact);
    return document.GetDoc();
}

// Both documents were written out by hand from the element tables.
TEST(ScanRequest, CompactDocumentOfASmallDeviceArray) {
    EXPECT_EQ(Build(true), Lines({
        L"<nd>",
        L"<dev>",
        L"<id>0</id>",
        L"<dt>2021-06-15</dt>",
        L"<ver>1.2.3.4</ver>",
        L"<mid>PCI\\VEN_1234&amp;DEV_0001</mid>",
        L"<mid>PCI\\VEN_1234&amp;DEV_0001&amp;SUBSYS_1</mid>",
        L"<mid>ACME\\SPECIAL</mid>",
        L"<mdid>PCI\\VEN_1234&amp;DEV_0001</mdid>",
        L"<dr>ff</dr>",
        L"<dec>0</dec>",
        L"<dn>Acme &lt;LAN&gt; &amp; Co</dn>",
        L"<mfg>Acme</mfg>",
        L"<pub>Acme Prov</pub>",
        L"<cat>Network adapters</cat>",
        L"<guid>{4d36e972-e325-11ce-bfc1-08002be10318}\\0001</guid>",
        L"<sig>Acme Signer</sig>",
        L"<di/>",
        L"<midx>1001|1000|</midx>",
        L"</dev>",
        L"<dev>",
        L"<id>4</id>",
        L"<dt>2000-01-01</dt>",
        L"<ver/>",
        L"<mid>ACPI\\PNP0303</mid>",
        L"<mdid>GEN\\DROPPED</mdid>",
        L"<dr>0</dr>",
        L"<dec>28</dec>",
        L"<dn>Keyboard</dn>",
        L"<mfg/>",
        L"<pub/>",
        L"<cat/>",
        L"<guid/>",
        L"<sig/>",
        L"<di>13</di>",
        L"<midx>2001</midx>",
        L"</dev>",
        L"<os>",
        L"<osid>61</osid>",
        L"<maj>6</maj>",
        L"<min>1</min>",
        L"<pt>1</pt>",
        L"<arc>9</arc>",
        L"</os>",
        L"<saveXmlFileName>",
        L"<file_name_initials>halvenornewparamsScanXml-dt</file_name_initials>",
        L"</saveXmlFileName>",
        L"<dbref>",
        L"<dbinitials>halvenornewparams</dbinitials>",
        L"</dbref>",
        L"<system_name>",
        L"<sysname>TESTBOX</sysname>",
        L"</system_name>",
        L"<bi>",
        L"<bi_Name>BIOS X</bi_Name>",
        L"<bi_SerialNumber>SN-9</bi_SerialNumber>",
        L"</bi>",
        L"<bbi>",
        L"<bbi_Product>Board &lt;7&gt;</bbi_Product>",
        L"</bbi>",
        L"<mac_info>",
        L"<maid_0_name>Ethernet</maid_0_name>",
        L"<maid_0>001122AABBCC</maid_0>",
        L"<maid_1_name>VMnet8</maid_1_name>",
        L"<maid_1>005056C00008</maid_1>",
        L"<mavid_0>005056C00001</mavid_0>",
        L"<mavid_1>005056C00008</mavid_1>",
        L"</mac_info>",
        L"<user_hash>",
        L"<uhd>-4326396259478730934</uhd>",
        L"</user_hash>",
        L"<app_info>",
        L"<clid>1033</clid>",
        L"<clc>en</clc>",
        L"<clr>English.ini</clr>",
        L"<cll>en-US</cll>",
        L"<clvid>1</clvid>",
        L"<app_ver>1.0.0.7</app_ver>",
        L"<pid>35</pid>",
        L"</app_info>",
        L"</nd>",
    }));
}

TEST(ScanRequest, LongDocumentDiffersOnlyInTheNames) {
    const std::wstring text = Build(false);
    const std::wstring expectedStart = Lines({
        L"<newdataset>",
        L"<device>",
        L"<driverid>0</driverid>",
        L"<date>2021-06-15</date>",
        L"<version>1.2.3.4</version>",
        L"<matchingid>PCI\\VEN_1234&amp;DEV_0001</matchingid>",
        L"<matchingid>PCI\\VEN_1234&amp;DEV_0001&amp;SUBSYS_1</matchingid>",
        L"<matchingid>ACME\\SPECIAL</matchingid>",
        L"<matchingdeviceid>PCI\\VEN_1234&amp;DEV_0001</matchingdeviceid>",
        L"<driverrank>ff</driverrank>",
        L"<deviceerrorcode>0</deviceerrorcode>",
        L"<drivername>Acme &lt;LAN&gt; &amp; Co</drivername>",
        L"<manufacturer>Acme</manufacturer>",
        L"<publisher>Acme Prov</publisher>",
        L"<category>Network adapters</category>",
        L"<guid>{4d36e972-e325-11ce-bfc1-08002be10318}\\0001</guid>",
        L"<m_bIsSigned>Acme Signer</m_bIsSigned>",
        L"<DevInst/>",
        L"<matchingidindex>1001|1000|</matchingidindex>",
        L"</device>",
    });
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    const std::wstring expectedEnd = Lines({
        L"<bios_info>",
        L"<bios_info_Name>BIOS X</bios_info_Name>",
        L"<bios_info_SerialNumber>SN-9</bios_info_SerialNumber>",
        L"</bios_info>",
        L"<baseboard_info>",
        L"<baseboard_info_Product>Board &lt;7&gt;</baseboard_info_Product>",
        L"</baseboard_info>",
        L"<mac_info>",
        L"<mac_address_id_0_name>Ethernet</mac_address_id_0_name>",
        L"<mac_address_id_0>001122AABBCC</mac_address_id_0>",
        L"<mac_address_id_1_name>VMnet8</mac_address_id_1_name>",
        L"<mac_address_id_1>005056C00008</mac_address_id_1>",
        L"<mac_address_virtual_id_0>005056C00001</mac_address_virtual_id_0>",
        L"<mac_address_virtual_id_1>005056C00008</mac_address_virtual_id_1>",
        L"</mac_info>",
        L"<user_hash>",
        L"<user_hash_data>-4326396259478730934</user_hash_data>",
        L"</user_hash>",
        L"<app_info>",
        L"<cur_lang_id>1033</cur_lang_id>",
        L"<cur_lang_code>en</cur_lang_code>",
        L"<cur_lang_relpath>English.ini</cur_lang_relpath>",
        L"<cur_lang_locale>en-US</cur_lang_locale>",
        L"<cur_lang_vslangid>1</cur_lang_vslangid>",
        L"<app_ver>1.0.0.7</app_ver>",
        L"<productid>35</productid>",
        L"</app_info>",
        L"</newdataset>",
    });
    ASSERT_GE(text.size(), expectedEnd.size());
    EXPECT_EQ(text.substr(text.size() - expectedEnd.size()), expectedEnd);
}

TEST(ScanRequest, NoDevicesLeavesOnlyTheTrailingElementsAndKindNamesKeepTheirCase) {
    const std::wstring text = Build(true, 0);
    EXPECT_EQ(text.rfind(L"<nd>\r\n<os>\r\n", 0), 0u);
    EXPECT_EQ(text.find(L"<dev>"), std::wstring::npos);

    EXPECT_EQ(WriteRequestKindName(L"halvenornewparams", 1), L"halvenornewparamsScanXml-dt");
    EXPECT_EQ(WriteRequestKindName(L"halvenornewparams", 4), L"halvenornewparamsAutomatedScanErrorFeedbackSimpleStr-dt");
    EXPECT_EQ(WriteRequestKindName(L"halvenor newparams", 9), L"halvenornewparamsUnknown-dt");
}

}  // namespace
