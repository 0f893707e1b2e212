#pragma once

#include <cstdint>
#include <string>

#include "scan/scan_request.h"

// The question the download window asks the update service before it fetches a
// driver package, and how the answer is read.

// The offered driver's identifier as the request carries it: unsigned decimal of
// the whole 64-bit value (below 2^31 the same text as a 32-bit signed one), empty
// for 0.
std::wstring DriverIdText(std::uint64_t driverId);

// The request document for one driver; 1, or 0 when it could not be built (`out`
// then stays as it was).
int BuildDownloadInfoRequest(std::wstring& out, const std::wstring& hardwareId, const std::wstring& osIdText,
                             const std::wstring& driverIdText, const ScanRequestFacts& facts);

// Reads "url", "hashstring" and "dbv" from under the answer's root element (names
// in any case; a later element replaces an earlier one; an empty "hashstring" or
// "dbv" leaves the value alone). Non-zero when the answer was read.
int ParseDownloadInfoAnswer(const std::wstring& answer, std::wstring& url, std::wstring& digest,
                            std::wstring& databaseVersion);

// Whether the scan's results are too old for the answer: versions compared as four
// dotted numbers (a comma counts as a dot). Only an answer without a version, next
// to a scan with one, lets the download go ahead without comparing.
bool IsScanOutOfDate(const std::wstring& answerVersion, const std::wstring& scanVersion);
