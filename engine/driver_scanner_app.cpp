#include "engine/driver_scanner_app.h"

CDriverScannerApp::CDriverScannerApp() { LoadDifxApi(difxApi_); }

CDriverScannerApp::~CDriverScannerApp() {
    // The library goes before the operation event of the scan side.
    difxApiModule_.Reset();
}

int CDriverScannerApp::Initialize() {
    InitializeOperation();
    difxApiModule_.Reset(LoadLibraryW(L"difxapi.dll"));
    return 1;
}
