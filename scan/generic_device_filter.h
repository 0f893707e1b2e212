#pragma once

#include <set>
#include <string>

// The built-in list of generic devices that a scan leaves out: the legacy-driver
// class, ids with a generic fragment, PCI and audio-codec ids without a device
// part, and a table of specific ids. All keys are kept in lower case.
struct GenericDeviceSets {
    std::set<std::wstring> category;
    std::set<std::wstring> genericIdentifiers;
    std::set<std::wstring> includes;
    std::set<std::wstring> hardwareIds;

    void Clear();
    // Empties the four sets and fills them from the built-in table.
    void Load();
    // True when the device (its class key and one of its ids) is generic. Either
    // text may be empty.
    bool IsGenericDevice(std::wstring classKey, std::wstring hardwareId) const;
};

// Adds the keys of one section ("Category", "GenericIdentifiers", "Includes",
// "HardwareIds", compared without regard to case) to `set`; other names add nothing.
void GenericDeviceFilter(const std::wstring& section, std::set<std::wstring>& set);
