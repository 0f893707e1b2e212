#pragma once

#include <string>

#include "foundation/markup.h"
#include "scan/driver_info_record.h"
#include "scan/driver_scan_update.h"
#include "scan/scan_request.h"

// The two names by which the program presents itself to the services.
struct ProgramIdentity {
    std::wstring productParamsName;  // lower case, no spaces, ends in "newparams"
    std::wstring appVersion;         // "a.b.c.d", "0" when the program file has none
};

// The running program's parameter name and file version.
ProgramIdentity CurrentProgramIdentity();

// Reads what the request says about the machine: the OS identity, the computer
// name, the current language row and the process-wide machine identity (computed on
// the first call).
ScanRequestFacts CollectScanRequestFacts(const ProgramIdentity& program);

// The engine's ignore map and its generic-device filter as request rules. The
// engine must outlive the rules.
ScanRequestDeviceRules EngineDeviceRules(const CDriverScanUpdate& engine);

// The scan request for the engine's rules and this machine's facts.
void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const CDriverScanUpdate& engine, bool compact, const ProgramIdentity& program);
// The same for the running program.
void BuildScanRequestXml(CMarkup& document, const DriverInfoRecord* records, int count,
                         const CDriverScanUpdate& engine, bool compact);
