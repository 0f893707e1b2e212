#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "shell/toolkit/dlg_child_base.h"

class BackupRestoreHost;
class CDlgBkpRstoreParent;

// What the pages of both wizards share while the program runs.
struct BackupWizardState {
    std::atomic<bool> fullBackup{false};
    std::atomic<bool> backupPending{false};
    std::atomic<bool> backupRunning{false};
    std::atomic<bool> backupFailed{false};
    std::atomic<bool> restorePending{false};
    std::atomic<int> selectedDriverCount{0};  // of the coming or last backup run
    std::wstring selectedArchive;             // the archive row chosen for restoring
    bool restartAutomatically = false;
    int totalDriversInArchive = 0;
};

// Which of the two four-step wizards a page belongs to.
enum class WizardSide { kBackup, kRestore };

// The base of the wizard pages: the page font at 96 dots per inch, the window text
// from a language key, painting through a memory context, the layout on every
// resize, and the main window's page timers, which move the wizard between its steps.
class WizardPage : public CDlgChildBase {
public:
    static constexpr UINT kArmMainTimerMessage = WM_APP + 21;

    WizardPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Places the controls; called on every resize once the page exists.
    virtual void Layout(const RECT& /*client*/) {}
    // Draws the page on the memory context: by default the background with the
    // window text as heading.
    virtual void Paint(HDC dc, const RECT& client);
    // Shown (true) or hidden.
    virtual void OnShown(bool /*shown*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnCommand(UINT /*id*/, UINT /*code*/) {}
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }

    BackupRestoreHost& Host() const;
    BackupWizardState& State() const;
    // Safe from any thread.
    void ArmMainTimer(UINT id, UINT milliseconds) const;
    // The main window shows step 1 to 4 of this page's wizard after `milliseconds`.
    void ShowStep(int step, UINT milliseconds) const;
    void SetWindowTextKey(const wchar_t* key);
    void SetItemText(int id, const std::wstring& text) const;
    HFONT PageFont() const;

    CDlgBkpRstoreParent& wizard_;
    const WizardSide side_;
};

// A click or fill is taken again only this long after the last one taken; a tick
// count that went backwards counts as long enough.
bool SpacingPassed(bool stamped, DWORD last, DWORD now, DWORD spacing);

// The finish pages' success and failure icons, loaded with the page.
class ResultIcons {
public:
    ResultIcons() = default;
    ~ResultIcons();
    ResultIcons(const ResultIcons&) = delete;
    ResultIcons& operator=(const ResultIcons&) = delete;
    void Load();
    HICON Of(bool success) const { return success ? done_ : failed_; }

private:
    HICON done_ = nullptr;
    HICON failed_ = nullptr;
};

// Draws a text in a rectangle of the page in one colour and font.
void DrawPageText(HDC dc, const std::wstring& text, RECT rect, COLORREF colour, HFONT font, UINT format);
// Sees every text the pages draw, where and how; for the test that translations fit.
using PageTextProbe = std::function<void(const std::wstring& text, const RECT& rect, HFONT font, UINT format)>;
void SetPageTextProbe(PageTextProbe probe);
// The key's text filled with the product title.
std::wstring TextWithProductTitle(const wchar_t* key);
