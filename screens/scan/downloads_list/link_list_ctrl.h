#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <utility>
#include <string>

#include "platform/ui/gdi.h"
#include "platform/ui/window.h"

// A report list whose cells can carry a link: drawn underlined (red while the
// pointer is over its text), and a click on its text opens the folder of the
// link's file with the file selected.
class CLinkListCtrl : public ui::Control {
public:
    static constexpr int kLinkColumn = 2;

    struct LinkRecord {
        int hover = 0;
        std::wstring target;
        std::wstring tooltip;
        std::wstring key;
    };

    ~CLinkListCtrl() override;

    // False for a row outside the list or a list of fewer than three columns.
    bool AddLink(int row, const std::wstring& target, const std::wstring& tooltip, const std::wstring& key);
    bool HasLink(int row, int column) const;
    // "" for row -1 or a row without a link.
    std::wstring GetLinkKey(int row) const;
    void SetLinkHover(int row, int column, int state);
    // The link's text inside its cell, in client coordinates.
    RECT GetLinkTextRect(int row, int column) const;
    void ClearLinks();
    // The link under a client point: (row, column), or (-1, -1).
    std::pair<int, int> LinkAt(POINT point) const;

    // How a link is opened; the program's shell calls unless a test puts its own.
    // Opening the file's folder with the file selected; false when that failed.
    std::function<bool(const std::wstring& path)> showFileInFolder;
    // Opening a folder; false when that failed.
    std::function<bool(const std::wstring& folder)> openFolder;
    // The download folder, opened when the row's location is gone.
    std::function<std::wstring()> downloadFolder;
    // The row's location text (column 1).
    std::wstring LocationText(int row) const;
    // Opens the link of a row: the file in its folder, else the location or the
    // download folder (made when missing).
    void OpenLink(int row);

protected:
    void OnAttached() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static int KeyOf(int row, int column) { return row * 100 + column; }
    void UpdateTooltip(int row, int column);

    std::map<int, LinkRecord> links_;
    HFONT underline_ = nullptr;
    HFONT hoverFont_ = nullptr;
    HWND tooltip_ = nullptr;
    POINT lastPoint_{-1, -1};
    int lastRow_ = -1;
    int lastColumn_ = -1;
    bool lastOver_ = false;
};
