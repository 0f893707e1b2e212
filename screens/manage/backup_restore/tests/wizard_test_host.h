#pragma once

// The program around the wizards, for tests: a main window whose page timers show
// the wizard pages as the real one does, recorded message boxes with scripted
// answers, and the restart and folder seams.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/backup_archive.h"
#include "engine/driver_scanner_app.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "tests/support/host_frame.h"
#include "tests/support/page_test_support.h"

namespace wizard_test {

class TestHost : public BackupRestoreHost {
public:
    TestHost(CDriverScanUpdate& engine, CDriverScannerApp& scanner) : engine_(engine), scanner_(scanner) {}

    HWND MainWindow() override { return main.Handle(); }
    void EnableNavigation(bool enable) override { navigationEnabled = enable; }
    void CheckInternetAndContinue() override { ++scanFlowStarts; }
    bool RequestBackupInventory() override {
        ++inventoryRequests;
        return true;
    }
    void SetBusy(bool value) override { busy = value; }
    CDriverScanUpdate& ScanUpdate() override { return engine_; }
    CDriverScannerApp& ScannerApp() override { return scanner_; }
    BackupList& Backups() override { return backups; }
    bool SaveBackups() override {
        ++saves;
        return true;
    }
    std::wstring BackupFolder() override { return backupFolder; }
    void SetBackupFolder(const std::wstring& folder) override { backupFolder = folder; }
    int ShowMessage(HWND, const std::wstring& text, UINT) override {
        const std::lock_guard<std::mutex> lock(guard_);
        messages.push_back(text);
        if (answers.empty()) return IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool ChooseFolder(HWND, std::wstring& folder) override {
        folder = chosenFolder;
        return !folder.empty();
    }
    int ShowRestartPrompt() override { return ++restartPrompts, 0; }
    void RestartWindows() override { ++restarts; }

    std::vector<std::wstring> Messages() {
        const std::lock_guard<std::mutex> lock(guard_);
        return messages;
    }

    HostFrame main;
    BackupList backups;
    std::wstring backupFolder;
    std::wstring chosenFolder;
    std::deque<int> answers;
    std::vector<std::wstring> messages;
    std::atomic<bool> navigationEnabled{true};
    std::atomic<bool> busy{false};
    int scanFlowStarts = 0;
    int inventoryRequests = 0;
    int saves = 0;
    int restartPrompts = 0;
    int restarts = 0;

private:
    CDriverScanUpdate& engine_;
    CDriverScannerApp& scanner_;
    std::mutex guard_;
};

inline std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

// The English texts of the source tree.
inline void UseEnglishTexts() {
    LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
}

// Makes the stand-in main window and the wizard page in it, shown.
inline bool OpenWizard(TestHost& host, CDlgBkpRstoreParent& wizard) {
    // The main window shows the wizard's sub-pages from these timers.
    host.main.onTimer = [&wizard](UINT id) {
        if (id < 115 || id > 122) return false;
        wizard.OnSubPage(id);
        return true;
    };
    if (!host.main.Open(L"Backup and restore")) return false;
    if (!wizard.Create(host.main.Handle())) return false;
    const RECT client = host.main.Client();
    wizard.MoveTo(0, 0, client.right, client.bottom);
    wizard.Show(SW_SHOW);
    host.main.Show(SW_SHOW);
    SetForegroundWindow(host.main.Handle());
    PumpWaitingMessages();
    return true;
}

inline void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

// The whole screen as a picture in the build folder, for a person to look at.
inline void TakeScreenshot(const std::string& name) {
    PumpMessagesUntil([] { return false; }, 400);
    if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) return;
    const std::string folder = HALVENOR_SCREENSHOT_DIR;
    CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
    const std::string command = "start /wait /unix /usr/bin/import -window root " + folder + "/" + name + ".png";
    std::system(command.c_str());
}

}  // namespace wizard_test

namespace wizard_test {
inline std::wstring GetDlgItemTextString(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}
}  // namespace wizard_test
