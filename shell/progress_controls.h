#pragma once

#include <windows.h>

#include <string>

#include "scan/engine_progress.h"

// An engine run shown on a screen's own controls: the percent goes to the bar as
// the engine's progress message, the device's name and category into two labels.
// Any of the three may be null. The calls come from the engine's thread and
// reach the controls by SendMessage, so a control shows each step before the run
// goes on.
class ProgressControls final : public EngineProgress {
public:
    ProgressControls() = default;
    ProgressControls(HWND bar, HWND nameLabel, HWND categoryLabel)
        : bar_(bar), nameLabel_(nameLabel), categoryLabel_(categoryLabel) {}

    void ShowPercent(int percent) override;
    void ShowDevice(const std::wstring& name, const std::wstring& category, int percent, int index) override;
    void ShowStatus(const std::wstring& text) override;

private:
    HWND bar_ = nullptr;
    HWND nameLabel_ = nullptr;
    HWND categoryLabel_ = nullptr;
};
