#include "engine/archive_member_name.h"

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
        start = end + 1;
    }
    return true;
}
