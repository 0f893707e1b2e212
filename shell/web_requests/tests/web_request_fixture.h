#pragma once

// The stand-in server brings winsock2.h, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/program_site_stand_in.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "shell/web_requests/web_request_host.h"
#include "tests/support/scoped_app_data_folder.h"

// A host that records what the program would show and do, and answers questions
// the way the test says. Starting a program and the trust check stay real unless
// a test says otherwise.
class RecordingHost : public WebRequestHost {
public:
    bool IsConnected() override { return connected; }
    int ShowMessage(const std::wstring& text, const std::wstring&, UINT style) override {
        std::lock_guard<std::mutex> guard(lock);
        messages.push_back({text, style});
        return answer;
    }
    bool OpenInBrowser(const std::wstring& address, int showCommand) override {
        std::lock_guard<std::mutex> guard(lock);
        opened.push_back(address);
        lastShowCommand = showCommand;
        return true;
    }
    void EndProcess(UINT exitCode) override {
        std::lock_guard<std::mutex> guard(lock);
        endedWith.push_back(exitCode);
    }
    bool IsSetupTrusted(const std::wstring& path, const std::wstring& source) override {
        std::lock_guard<std::mutex> guard(lock);
        trustSources.push_back(source);
        return trustEverySetup || WebRequestHost::IsSetupTrusted(path, source);
    }
    bool ProgramVersion(std::wstring& out) override {
        out = version;
        return !out.empty();
    }
    std::wstring MachineId() override { return machineId; }
    void SendDeviceListRequest() override { ++deviceListsSent; }

    std::vector<std::wstring> MessageTexts() {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<std::wstring> texts;
        for (const auto& m : messages) texts.push_back(m.first);
        return texts;
    }

    std::mutex lock;
    bool connected = true;
    int answer = IDNO;
    bool trustEverySetup = false;
    std::wstring version = L"5.1.0.9";
    std::wstring machineId = L"M-1";
    std::vector<std::pair<std::wstring, UINT>> messages;
    std::vector<std::wstring> opened;
    int lastShowCommand = 0;
    std::vector<UINT> endedWith;
    std::vector<std::wstring> trustSources;
    int deviceListsSent = 0;
};

// A private data folder and registry, the stand-in site with the program's
// addresses pointed at it, and a language file whose texts are their own keys.
class WebRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData.Active());
        ASSERT_TRUE(server.Start());
        const std::wstring languageFile = appData.Path() + L"\\texts.ini";
        std::string texts = "[RESOURCESTRING]\r\n";
        for (const char* key : {"IDS_CANNOT_CONNECT", "IDS_NO_NEW_UPDATE_ABLBLE", "IDS_NEW_UPDATE_ABLBLE_BROWSER",
                                "IDS_NEW_UPDATE_ABLBLE", "IDS_HLV_SUCCESSFUL_REGISTERED"}) {
            texts += std::string(key) + "=" + key + "\r\n";
        }
        HANDLE file = CreateFileW(languageFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, texts.data(), static_cast<DWORD>(texts.size()), &written, nullptr);
        CloseHandle(file);
        LanguageFileCache().SetPath(languageFile);
        LanguageFileCache().ClearCache();

        PointAt(L"ProgramUpdateAddress", server.Url(ProgramSiteStandIn::kVersionFilePath));
        PointAt(L"ProgramDownloadPage", server.Url(ProgramSiteStandIn::kDownloadPagePath));
        PointAt(L"DriverAlertSignupAddress", server.Url(ProgramSiteStandIn::kSignupPath) + L"?email=<email>");
        PointAt(L"DriverAlertConfirmAddress", server.Url(ProgramSiteStandIn::kConfirmPath) +
                                                  L"?pid=<pid>&uid=<uid>&macid=<macid>&osid=<osid>&appver=<appver>");
    }

    void TearDown() override {
        site.HoldVersionFile(false);
        server.Stop();
    }

    static void PointAt(const wchar_t* valueName, const std::wstring& address) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, valueName, REG_SZ, address.c_str(),
                                  static_cast<DWORD>((address.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    std::wstring DataFile(const std::wstring& name) const { return appData.ProductDataFolder() + L"\\" + name; }

    ScopedAppDataFolder appData;
    HttpStandInServer server;
    ProgramSiteStandIn site{server};
    RecordingHost host;
};
