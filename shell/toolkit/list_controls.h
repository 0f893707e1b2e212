#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/ui/gdi.h"
#include "platform/ui/window.h"

// A flat header: light grey, thin separators, texts in the dialog font with an
// ellipsis when they do not fit.
class CCustomHeaderCtrl : public ui::Control {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Called for each item before its text is drawn; nothing by default.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

private:
    void Paint(HDC dc, const RECT& client);
};

// A report list whose header is a `CCustomHeaderCtrl`.
class CCustomListCtrl : public ui::Control {
public:
    CCustomHeaderCtrl& Header();

protected:
    void OnAttached() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Some list implementations make their header only with the first column.
    void AttachHeader();

    CCustomHeaderCtrl header_;
};

// Leaves exactly the row `index` selected and focused; only a row that exists
// (0 <= index < count) is selected, anything else clears the selection. Answers 1.
int SelectSingleListItem(HWND list, int index);

// A static text drawn over its parent's background: the first erase paints the
// parent under the control into a bitmap, which every erase then shows.
class CTransparentStatic2 : public ui::Control {
public:
    // Forgets the background (after the parent's look changed under the control).
    void ResetBackground() { background_.Reset(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CaptureParentBackground(HDC reference);

    ui::ScopedBitmap background_;
};
