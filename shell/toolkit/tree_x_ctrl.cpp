#include "shell/toolkit/tree_x_ctrl.h"

#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/bitmap_pieces.h"

bool CTreeXCtrl::CreateStateImages() {
    stateImages_.Reset(ImageList_Create(15, 16, ILC_COLOR32 | ILC_MASK, 5, 1));
    if (!stateImages_) return false;
    ui::ScopedBitmap states(LoadBitmapResource(IDB_TREE_STATES));
    if (!states || ImageList_AddMasked(stateImages_.Get(), states.Get(), RGB(255, 255, 255)) == -1) return false;
    TreeView_SetImageList(Handle(), stateImages_.Get(), TVSIL_STATE);
    return true;
}

int CTreeXCtrl::GetCheckState(HTREEITEM item) const {
    return static_cast<int>(TreeView_GetItemState(Handle(), item, TVIS_STATEIMAGEMASK) >> 12);
}

void CTreeXCtrl::SetCheckState(HTREEITEM item, int state) const {
    TreeView_SetItemState(Handle(), item, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK);
}

void CTreeXCtrl::SetDescendants(HTREEITEM item, int state) const {
    for (HTREEITEM child = FirstChild(item); child != nullptr; child = NextSibling(child)) {
        if (GetCheckState(child) != kFixed) SetCheckState(child, state);
        SetDescendants(child, state);
    }
}

void CTreeXCtrl::RecomputeAncestors(HTREEITEM item) const {
    for (HTREEITEM parent = TreeView_GetParent(Handle(), item); parent != nullptr;
         parent = TreeView_GetParent(Handle(), parent)) {
        // A fixed item keeps its state; the items above it still follow their children.
        if (GetCheckState(parent) == kFixed) continue;
        bool anyChecked = false;
        bool anyUnchecked = false;
        for (HTREEITEM child = FirstChild(parent); child != nullptr; child = NextSibling(child)) {
            const int state = GetCheckState(child);
            anyChecked = anyChecked || state == kChecked || state == kPartlyChecked;
            anyUnchecked = anyUnchecked || state == kUnchecked;
        }
        SetCheckState(parent, anyChecked && anyUnchecked ? kPartlyChecked : !anyUnchecked ? kChecked : kUnchecked);
    }
}

void CTreeXCtrl::ToggleItem(HTREEITEM item) {
    if (item == nullptr) return;
    const int state = GetCheckState(item);
    // Only a check box the user may change is toggled, and then its children too.
    if (state != kUnchecked && state != kChecked && state != kPartlyChecked) return;
    const int newState = state == kUnchecked ? kChecked : kUnchecked;
    SetDescendants(item, newState);
    SetCheckState(item, newState);
    RecomputeAncestors(item);
    NotifyParent();
    if (m_onChecksChanged) m_onChecksChanged();
}

void CTreeXCtrl::NotifyParent() {
    bool anyChecked = false;
    bool allChecked = true;
    // Lone roots and the children of the other roots: a partly checked child counts
    // as something checked, a lone root only when checked.
    auto look = [&](HTREEITEM item, bool partlyCounts) {
        const int state = GetCheckState(item);
        anyChecked = anyChecked || state == kChecked || (partlyCounts && state == kPartlyChecked);
        allChecked = allChecked && (state == kChecked || state == kFixed);
    };
    for (HTREEITEM root = TreeView_GetRoot(Handle()); root != nullptr; root = NextSibling(root)) {
        HTREEITEM child = FirstChild(root);
        if (child == nullptr) look(root, false);
        for (; child != nullptr; child = NextSibling(child)) look(child, true);
    }
    SendMessageW(GetParent(Handle()), kChecksChangedMessage, anyChecked ? 1 : 0, allChecked ? 1 : 0);
}

void CTreeXCtrl::OnLButtonDown(LPARAM lParam) {
    TVHITTESTINFO hit{};
    hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    HTREEITEM item = TreeView_HitTest(Handle(), &hit);
    if (item == nullptr) {
        SetFocus(Handle());
        return;
    }
    if (hit.flags & TVHT_ONITEMSTATEICON) {
        ToggleItem(item);
        return;
    }
    if (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)) {
        TVITEMW data{};
        data.mask = TVIF_PARAM;
        data.hItem = item;
        TreeView_GetItem(Handle(), &data);
        if (data.lParam != -1 && m_onDeviceClicked) m_onDeviceClicked(item);
        if (FirstChild(item) != nullptr) TreeView_Expand(Handle(), item, TVE_TOGGLE);
    } else {
        TreeView_Expand(Handle(), item, TVE_TOGGLE);
    }
    TreeView_SelectItem(Handle(), item);
    SetFocus(Handle());
}

LRESULT CTreeXCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        OnLButtonDown(lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            ToggleItem(TreeView_GetSelection(Handle()));
            return 0;
        }
        break;
    default:
        break;
    }
    return Control::WindowProc(message, wParam, lParam);
}
