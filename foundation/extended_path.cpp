#include "foundation/extended_path.h"

#include <windows.h>

#include <algorithm>

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.size() < MAX_PATH) return path;
    std::wstring normalised = path;
    std::replace(normalised.begin(), normalised.end(), L'/', L'\\');
    if (normalised.rfind(L"\\\\?\\", 0) == 0) return normalised;
    const bool drivePath = normalised.size() >= 3 && normalised[1] == L':' && normalised[2] == L'\\';
    if (drivePath) return L"\\\\?\\" + normalised;
    if (normalised.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + normalised.substr(2);
    return path;
}
