#include "engine/driver_scanner_app.h"

CDriverScannerApp::CDriverScannerApp() { LoadDifxApi(difxApi_); }

int CDriverScannerApp::Initialize() {
    InitializeOperation();
    return 1;
}
