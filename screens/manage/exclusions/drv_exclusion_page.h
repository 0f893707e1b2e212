#pragma once

#include <windows.h>

#include <string>

#include "shell/exclusions/exclusion_list.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/gui_buttons.h"

// The settings sub-page that shows the user's exclusion list and removes drivers
// from it, one or all. The list itself (file and engine ignore list) is the
// program's; the page only shows and edits it.
class CDlgDrvExclusion : public CDlgChildBase {
public:
    using tagExclusionItem = ::tagExclusionItem;

    explicit CDlgDrvExclusion(ExclusionList& list);

    // Adds through the page so the new row shows at once; 1 added, 0 already there.
    int AddDriver(const std::wstring& driverName, const std::wstring& hardwareIds, const std::wstring& guidFullPath,
                  const std::wstring& hash);
    void OnRemoveSelected();
    void OnRemoveAll();
    ExclusionList& List() { return list_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RefillList();
    void UpdateButtons();
    void Layout();
    void Paint();
    void ShowContextMenu();
    int SelectedRow() const;

    ExclusionList& list_;
    CHalHoverButtonWithText removeAllButton_;
    CHalHoverButtonWithText removeButton_;
};

// The number of lines `text` needs when word-wrapped in the page's text area.
int CountWrappedTextLines(HWND window, const std::wstring& text, const RECT& client);
// Selects and focuses row 0 of the page's list; FALSE when the list is empty.
BOOL SelectFirstListRow(HWND list);
