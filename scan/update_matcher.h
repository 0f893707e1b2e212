#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/system_helpers.h"
#include "scan/driver_scan_update.h"

class CMarkup;

// Reads the service's answer into the engine's offered drivers (only for devices of
// the last scan) and matches them to the devices.
void ParseScanResponse(CMarkup& markup, CDriverScanUpdate& engine, const std::wstring& answerText);

// Decides for every device named in the answer which offered driver belongs to it
// and whether that driver is an update; fills the offered-driver records, the
// category table, the update list and count, the set and text of devices with an
// update and the display order, and stores the driver-age status. Every result of an
// earlier match is replaced.
void MatchDriverUpdates(CDriverScanUpdate& engine);

// The identifiers a device is looked up by in the answer, most specific first; what
// does not fit the matcher's 2047 characters is left out.
std::vector<std::wstring> CandidateIdentifiers(const DriverInfoRecord& device, const CDriverScanUpdate& engine);

// The rank of an offered driver for a device, lower is better: where the matched id
// stands among the device's ids, the feature score (on systems after major version
// 5) and a penalty for an unsigned driver. Reads the signer of the device's
// offered-driver record, so that record must be filled first.
uint32_t ComputeDriverRank(const std::wstring& matchedId, const std::wstring& compatibleIdIndex,
                           const std::wstring& featureScore, const DriverInfoArray& devices, int deviceIndex,
                           unsigned osMajorVersion = GetWindowsMajorVersion());

// False for a device that is not present and whose class (display, media, network,
// mouse, keyboard) gets no updates while it is away.
bool IsUpdateAllowedForDevice(const DriverInfoArray& devices, int deviceIndex);

// Counts one update of the category (names compared without regard to case) and
// keeps the greatest severity seen for it.
void AddCategoryUpdate(std::vector<CDriverScanUpdate::tagCategoryUpdateInfo>& categories, const std::wstring& name,
                       int32_t severity);

// 1 with four or more updates, 2 with two or three, else 4; never above the worst
// severity seen (1 to 4).
int ComputeDriverAgeStatus(int32_t updateCount, int32_t worstSeverity);
// Stores that status as the "DriverAge" setting and saves the settings.
void UpdateDriverAgeStatus(const CDriverScanUpdate& engine);
