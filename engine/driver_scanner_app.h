#pragma once

// CDriverScannerApp: the scan and install engine. Start-up: CHvApp; message loop: ui::App; state: CDriverOptimizerApp.

#include <windows.h>

#include "engine/cabinet_extractor.h"
#include "platform/difx_api_loader.h"
#include "engine/rar_extract_job.h"
#include "scan/scan_operation.h"

// The long-lived object of the scan and install engine: the scan side with its stop
// protocol (ScanOperation), and the archive extractors and the driver-install
// library the backup, restore and install runs share.
class CDriverScannerApp : public ScanOperation {
public:
    CDriverScannerApp();
    ~CDriverScannerApp() override = default;

    // Always 1.
    int Initialize();

    // The one binding of "difxapi.dll", made with the object.
    HMODULE DifxApiModule() const { return difxApi_.Module(); }
    const DifxApiLoader& DifxApi() const { return difxApi_; }
    RarExtractJob& RarExtractor() { return rarExtractor_; }
    CabinetExtractor& CabExtractor() { return cabinetExtractor_; }

private:
    RarExtractJob rarExtractor_;
    CabinetExtractor cabinetExtractor_;
    DifxApiLoader difxApi_;
};
