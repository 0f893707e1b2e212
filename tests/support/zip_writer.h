#pragma once

#include <set>
#include <string>
#include <vector>

#include "tests/support/cabinet_writer.h"

// Writes a real zip file with minizip, each member deflated under its name as given
// (crafted names included), so extraction sees what a packager would produce.
bool WriteZip(const std::wstring& path, const std::vector<CabinetMember>& members);

// The member names of a zip file as stored; empty when it cannot be read.
std::set<std::string> ZipEntryNames(const std::wstring& path);

// Bytes that do not compress, the same for the same seed: a package of a given
// size stays that size inside its zip.
std::string Noise(size_t size, unsigned seed);
