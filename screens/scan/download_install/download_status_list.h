#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The status list of the download-and-install window: one row per step, where the
// progress texts of the file being fetched replace one another in a single row.
// Used on the window's thread only.
class DownloadStatusList {
public:
    // Takes the list and gives it its one column.
    void Attach(HWND list, std::wstring heading, int width);
    // With `newRow` the text fills the current row and the next row is taken;
    // without, it replaces the current row, which then holds a progress text.
    void Append(const std::wstring& text, bool newRow);
    void Clear();
    std::vector<std::wstring> Rows() const;

private:
    HWND list_ = nullptr;
    int slot_ = 0;
    bool slotHoldsProgress_ = false;
};
