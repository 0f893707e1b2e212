#pragma once

#include <windows.h>

#include <array>
#include <string>

// Seven descriptive texts the application state carries for the service requests;
// nothing fills them yet, so they stay empty.
struct SystemInfoStrings {
    std::array<std::wstring, 7> texts;
};

// What the system reports about itself, as the OS id table needs it.
struct OsVersionFacts {
    DWORD platformId = 0;             // 1: Windows 95 family, 2: NT family
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    int productType = 0;              // 1: workstation, anything else: server
    DWORD suiteMask = 0;
    int processorArchitecture = 0;    // 9: x64, 6: Itanium, other: 32-bit x86
};

// The update service's number for an operating system; -1 for one it does not know.
int OsIdFromFacts(const OsVersionFacts& facts);

// Asks the system afresh: the version as reported to this program (so it depends on
// the program's manifest) and the native processor architecture.
OsVersionFacts ReadOsVersionFacts();

int GetOsId(int& productType, int& major, int& minor, int& processorArchitecture);

// GetOsId as decimal text; keeps its four outputs for GetOsIdCachedValue.
std::wstring GetOsIdString();

// What the last GetOsIdString saw: 0 major, 1 minor, 2 product type, 3 processor
// architecture, as decimal text; empty for any other index.
std::wstring GetOsIdCachedValue(int index);

int GetOsIdCode();

// Zeros for the version values when the version call fails.
void GetOsVersionInfo(DWORD& build, DWORD& major, DWORD& minor, int& productType, int& processorArchitecture);

// The NetBIOS name; empty when the system cannot tell.
std::wstring GetComputerNameString();
