#include "scan/scan_request_facts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "foundation/language_table.h"
#include "foundation/os_identity.h"
#include "foundation/product_key.h"
#include "scan/hardware_hash.h"
#include "tests/support/scoped_registry.h"

namespace {

std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(towupper(c)); });
    return text;
}

std::wstring Widened(const char* text) { return std::wstring(text, text + strlen(text)); }

// A language other than the first that may be selected, so a fact read from the
// wrong row shows.
unsigned SelectableLanguageId() {
    for (unsigned id = kLanguageCount - 1; id > 0; --id) {
        if (LanguageTable[id].available != 0) return id;
    }
    return 0;
}

void StoreLanguage(unsigned id, const wchar_t* code) {
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kProductKeyPath) + kLanguageSubKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    const DWORD value = id;
    SetRawValue(key, L"LangID", REG_DWORD, &value, sizeof(value));
    SetRawValue(key, L"LangCode", REG_SZ, code, static_cast<DWORD>((wcslen(code) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

TEST(ScanRequestFactsTest, LanguageFactsComeFromTheSelectedRow) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    const unsigned languageId = SelectableLanguageId();
    ASSERT_NE(0u, languageId);
    StoreLanguage(languageId, L"xx");

    const ScanRequestFacts facts = CollectScanRequestFacts({L"brennavikhvnhalvenornewparams", L"1.2.3.4"});

    const LanguageRecord& row = LanguageTable[languageId];
    EXPECT_EQ(std::to_wstring(languageId), facts.languageId);
    EXPECT_EQ(L"xx", facts.languageCode);
    EXPECT_EQ(row.stringsFile, facts.languageStringsFile);
    EXPECT_EQ(Widened(row.localeName), facts.languageLocale);
    EXPECT_EQ(std::to_wstring(row.serviceLanguageId), facts.languageServiceId);
    EXPECT_EQ(L"brennavikhvnhalvenornewparams", facts.productParamsName);
    EXPECT_EQ(L"1.2.3.4", facts.appVersion);
}

// Read outside private registry roots: the computer name lives under the machine key.
TEST(ScanRequestFactsTest, MachineFactsComeFromTheSystemAndTheMachineIdentity) {
    const ScanRequestFacts facts = CollectScanRequestFacts({L"p", L"0"});

    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &size));
    EXPECT_EQ(computer, facts.computerName);

    EXPECT_EQ(GetOsIdString(), facts.osId);
    int productType = 0, major = 0, minor = 0, architecture = 0;
    GetOsId(productType, major, minor, architecture);
    EXPECT_EQ(std::to_wstring(major), facts.osMajor);
    EXPECT_EQ(std::to_wstring(minor), facts.osMinor);
    EXPECT_EQ(std::to_wstring(productType), facts.osProductType);
    EXPECT_EQ(std::to_wstring(architecture), facts.osArchitecture);

    ASSERT_FALSE(facts.machineHash.empty());
    EXPECT_EQ(Upper(ComputeMachineHash()), facts.machineHash);
    EXPECT_EQ(&MachineHashObject(), facts.hardware);
}

TEST(ScanRequestFactsTest, EngineRulesLeaveOutIgnoredAndGenericDevices) {
    CDriverScanUpdate engine;
    DriverInfoArray records(3);
    records[0].deviceName = L"Ignored camera";
    records[0].hardwareId = L"USB\\VID_046D&PID_0825";
    records[0].driverKey = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
    records[0].hardwareIds = {L"USB\\VID_046D&PID_0825"};
    records[1].deviceName = L"Root device";
    records[1].hardwareIds = {L"ROOT\\HALVENOR_ONLY_GENERIC"};
    records[2].deviceName = L"Sound card";
    records[2].hardwareIds = {L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888"};
    ASSERT_TRUE(engine.IsGenericDevice(L"", L"ROOT\\HALVENOR_ONLY_GENERIC"));
    engine.SetDeviceIgnored(L"usb\\vid_046d&pid_0825", L"{6bdd1fc6-810f-11d0-bec7-08002be2092f}\\0000", L"", true);

    CMarkup document;
    BuildScanRequestXml(document, records.data(), 3, engine, true, {L"brennavikhvnhalvenornewparams", L"0"});
    const std::wstring text = document.GetDoc();

    EXPECT_EQ(std::wstring::npos, text.find(L"VID_046D"));
    EXPECT_EQ(std::wstring::npos, text.find(L"HALVENOR_ONLY_GENERIC"));
    EXPECT_NE(std::wstring::npos, text.find(L"<id>2</id>"));
    EXPECT_NE(std::wstring::npos, text.find(L"<mid>HDAUDIO\\FUNC_01&amp;VEN_10EC&amp;DEV_0888</mid>"));
    EXPECT_NE(std::wstring::npos, text.find(L"<uhd>" + Upper(ComputeMachineHash()) + L"</uhd>"));
    EXPECT_NE(std::wstring::npos, text.find(L"<file_name_initials>brennavikhvnhalvenornewparamsScanXml-dt<"));
    EXPECT_NE(std::wstring::npos, text.find(L"<app_ver>0</app_ver>"));
}

}  // namespace
