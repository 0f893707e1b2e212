#include "shell/progress_controls.h"

#include "scan/driver_scan_update.h"

void ProgressControls::ShowPercent(int percent) {
    if (bar_ != nullptr) SendMessageW(bar_, CDriverScanUpdate::kProgressMessage, static_cast<WPARAM>(percent), 0);
}

void ProgressControls::ShowDevice(const std::wstring& name, const std::wstring& category, int, int) {
    if (nameLabel_ != nullptr) SetWindowTextW(nameLabel_, name.c_str());
    if (categoryLabel_ != nullptr) SetWindowTextW(categoryLabel_, category.c_str());
}

void ProgressControls::ShowStatus(const std::wstring&) {}
