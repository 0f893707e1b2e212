#include "engine/archive_member_name.h"

#include <windows.h>

namespace {

// Windows opens a device for these names, with any extension and in any folder.
bool IsReservedDeviceName(std::wstring_view step) {
    std::wstring_view stem = step.substr(0, step.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"}) {
        const std::wstring_view name = device;
        if (CompareStringOrdinal(stem.data(), static_cast<int>(stem.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
            return true;
        }
    }
    if (stem.size() != 4 || stem[3] < L'0' || stem[3] > L'9') return false;
    for (const wchar_t* prefix : {L"COM", L"LPT"}) {
        if (CompareStringOrdinal(stem.data(), 3, prefix, 3, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

}  // namespace

bool IsSafeArchiveMemberName(std::wstring_view name) {
    if (name.empty() || name.front() == L'\\' || name.front() == L'/') return false;
    if (name.find(L':') != std::wstring_view::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = name.size();
        const std::wstring_view step = name.substr(start, end - start);
        // Windows drops trailing dots and blanks, so ".. " and "..." also climb.
        const size_t kept = step.find_last_not_of(L". ");
        if (!step.empty() && kept == std::wstring_view::npos && step.size() >= 2) return false;
        if (IsReservedDeviceName(step)) return false;
        start = end + 1;
    }
    return true;
}
