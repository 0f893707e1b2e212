#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>

#include "engine/owned_thread.h"
#include "screens/scan/downloads_list/link_list_ctrl.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"

// What the downloads page needs of the program.
struct DownloadsListSource {
    // The program's downloaded-files map; used only under DownloadedFilesLock().
    std::map<std::wstring, std::wstring>* files = nullptr;
    std::function<bool()> save;
    std::function<std::wstring()> downloadFolder;
};

// The page of downloaded driver packages still on disk: open a package's folder,
// remove the selected package or all of them.
class CDlgDownloads : public CDlgChildBase {
public:
    static constexpr UINT kRebuildMessage = WM_APP + 171;

    explicit CDlgDownloads(DownloadsListSource source);
    ~CDlgDownloads() override;

    // Prunes entries whose files are gone, rebuilds the list and saves the map.
    void RefreshList();
    void UpdateButtons();
    void RemoveSelected();
    // Starts the remove-all worker; the list is rebuilt when it has ended.
    void StartRemoveAll();
    void WaitForWorker() { worker_.Join(); }

    CLinkListCtrl& List() { return list_; }
    CHalHoverButtonWithText& RemoveButton() { return remove_; }
    CHalHoverButtonWithText& RemoveAllButton() { return removeAll_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RemoveAll();
    void LayoutControls();
    void Paint(HDC dc, const RECT& client);

    DownloadsListSource source_;
    CLinkListCtrl list_;
    CHalHoverButtonWithText removeAll_;
    CHalHoverButtonWithText remove_;
    OwnedThread worker_;
};

// Whether the program may delete a recorded package file: one whose MD5 matches its
// record, or one inside the download folder. Anything else the record names is left
// alone.
bool MayDeleteRecordedFile(const std::wstring& path, const std::wstring& md5, const std::wstring& downloadFolder);
