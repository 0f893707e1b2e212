#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "platform/ui/gdi.h"
#include "platform/ui/window.h"

// A tree with three-state check boxes whose states run down to the children and
// up to the parents. The check state is the item's state image.
class CTreeXCtrl : public ui::Control {
public:
    enum CheckState { kNoCheck = 0, kUnchecked = 1, kChecked = 2, kPartlyChecked = 3, kFixed = 4 };

    // Sent to the parent after every toggle: wParam 1 when anything is checked,
    // lParam 1 when everything is checked (first two levels).
    static constexpr UINT kChecksChangedMessage = WM_USER + 4;

    // The state image list of bitmap 5367 (image 0 blank, then states 1 to 4).
    bool CreateStateImages();

    int GetCheckState(HTREEITEM item) const;
    void SetCheckState(HTREEITEM item, int state) const;
    // What a click on the check box or the Space bar does.
    void ToggleItem(HTREEITEM item);

    // The page using the tree: told of a click on a device's label or icon (an item
    // whose data is not -1) and after every toggle, to refresh its select-all box.
    std::function<void(HTREEITEM)> m_onDeviceClicked;
    std::function<void()> m_onChecksChanged;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnLButtonDown(LPARAM lParam);
    void SetDescendants(HTREEITEM item, int state) const;
    void RecomputeAncestors(HTREEITEM item) const;
    void NotifyParent();
    HTREEITEM FirstChild(HTREEITEM item) const { return TreeView_GetChild(Handle(), item); }
    HTREEITEM NextSibling(HTREEITEM item) const { return TreeView_GetNextSibling(Handle(), item); }

    ui::ScopedImageList stateImages_;
};
