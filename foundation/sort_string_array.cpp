#include "foundation/sort_string_array.h"

#include <windows.h>

#include <algorithm>

void CSortStringArray::Sort() {
    // A stable sort gives the same order as repeated neighbour swaps, in n log n.
    std::stable_sort(items_.begin(), items_.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                    TRUE) == CSTR_LESS_THAN;
    });
}
