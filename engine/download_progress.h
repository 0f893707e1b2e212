#pragma once

#include "engine/download_worker.h"

#include <string>

// What the download progress needs of the download-and-install window.
class DownloadProgressWindow {
public:
    virtual ~DownloadProgressWindow() = default;
    virtual bool IsOpen() const = 0;  // false once the window is gone
    virtual bool Cancelled() const = 0;
    virtual int PackageCount() const = 0;          // packages chosen for update
    virtual int CurrentPackageNumber() const = 0;  // 1-based
    virtual void SetOverallPercent(int percent) = 0;  // also moves the window's bar
    virtual void AppendStatusRow(const std::wstring& text, bool newRow, bool log) = 0;
};

// The window the default progress callback draws into; null while there is none.
void SetDownloadProgressWindow(DownloadProgressWindow* window);
DownloadProgressWindow* GetDownloadProgressWindow();

// Overall percent over the chosen packages, handed to the window.
void UpdateDownloadProgress(int percent, DownloadProgressWindow& window);

// "1.5 KB" and the like through the language formats; empty for 0 or less.
std::wstring FormatByteSize(double bytes);

// The default progress callback: byte counts become the status line and the bar.
bool DownloadProgressCallback(const DownloadProgressInfo& info);

// Set while no download runs, so late reports draw nothing.
void SetDownloadEnded(bool ended);
bool IsDownloadEnded();
