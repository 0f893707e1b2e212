#pragma once

#include <string>

// The text that identifies this machine to the web services, kept as "RawId" under
// the product key of both roots so it survives runs and users.

// Takes over "ExistingUniqueMachineId" left by an earlier installation: reads and
// deletes it under both roots; the machine's text wins, else the user's. True when
// the identifier is not empty afterwards.
bool MigrateExistingMachineId(std::wstring& identifier);
// Writes the trimmed identifier as "RawId" (UTF-16 code units, no terminator; two
// zero bytes for an empty one) under both roots. Failures are silent.
void StoreMachineId(const std::wstring& identifier);
// Reads "RawId" from the machine root, else from the user's; false when neither
// holds one longer than two bytes.
bool ReadMachineId(std::wstring& identifier);

// The whole lookup behind the application state's GetMachineId: an identifier taken
// over from an earlier installation replaces the stored one; else the stored one;
// else the fallback (the machine hash of the scan request) is adopted and stored.
// `cached` receives the result, which is also returned.
std::wstring ResolveMachineId(std::wstring& cached, const std::wstring& fallback);
