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
#include "platform/ui/window.h"
#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "tests/support/page_test_support.h"

namespace wizard_test {

class MainWindowStandIn : public ui::CustomWindow {
public:
    CDlgBkpRstoreParent* wizard = nullptr;
    std::vector<UINT> otherTimers;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER) {
            KillTimer(static_cast<UINT_PTR>(wParam));
            const UINT id = static_cast<UINT>(wParam);
            if (id >= 115 && id <= 122 && wizard != nullptr) {
                wizard->OnSubPage(id);
            } else {
                otherTimers.push_back(id);
            }
            return 0;
        }
        return ui::CustomWindow::WindowProc(message, wParam, lParam);
    }
};

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

    MainWindowStandIn main;
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
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ui::WindowArgs args;
    args.title = L"Backup and restore";
    args.style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    args.x = 10;
    args.y = 10;
    args.width = 740;
    args.height = 480;
    args.background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    if (!host.main.Create(args)) return false;
    host.main.wizard = &wizard;
    if (!wizard.Create(host.main.Handle())) return false;
    RECT client{};
    GetClientRect(host.main.Handle(), &client);
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
