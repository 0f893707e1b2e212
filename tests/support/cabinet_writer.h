#pragma once

#include <string>
#include <utility>
#include <vector>

// Writes cabinet files with the system's cabinet library, uncompressed, for tests
// that extract them. Member names are stored exactly as given, so a test can craft
// names that a safe extractor must refuse.
struct CabinetMember {
    std::string name;
    std::string content;
};

// Writes "<folder>\<baseName>1.cab" and, when the members exceed `maxCabinetBytes`,
// further parts "<baseName>2.cab", ... of the same set. Returns the written names.
std::vector<std::string> WriteCabinetSet(const std::string& folder, const std::string& baseName,
                                         const std::vector<CabinetMember>& members,
                                         unsigned long maxCabinetBytes = 0x7FFFFFFF);
