#pragma once

#include <string>

// What a running scan, backup, restore or install tells whoever shows it. The
// engine calls it from its worker thread and knows no window; a screen that
// shows the run implements it on its own windows. Runs nobody shows report to
// NoEngineProgress().
class EngineProgress {
public:
    virtual ~EngineProgress() = default;
    // The run's percent; every run starts by showing 0.
    virtual void ShowPercent(int percent) = 0;
    // The device the run has reached. `index` is the device's place in the scan's
    // device array; backups and restores pass -1.
    virtual void ShowDevice(const std::wstring& name, const std::wstring& category, int percent, int index) = 0;
    // The closing status of a scan ("completed", "stopped").
    virtual void ShowStatus(const std::wstring& text) = 0;
};

// The receiver that shows nothing.
EngineProgress& NoEngineProgress();
