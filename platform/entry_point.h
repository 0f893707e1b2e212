#pragma once

#include <windows.h>

// An entry point of a library loaded by name, typed as the caller declares it; null
// when the library lacks it.
template <typename Function>
Function GetEntryPoint(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through the generic function type so the compiler accepts the conversion.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
