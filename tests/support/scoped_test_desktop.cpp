#include "tests/support/scoped_test_desktop.h"

#include <string>

ScopedTestDesktop::ScopedTestDesktop() : previous_(GetThreadDesktop(GetCurrentThreadId())) {
    const std::wstring name = L"halvenor-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetCurrentThreadId());
    desktop_ = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop_ != nullptr && !SetThreadDesktop(desktop_)) {
        CloseDesktop(desktop_);
        desktop_ = nullptr;
    }
}

ScopedTestDesktop::~ScopedTestDesktop() {
    if (desktop_ == nullptr) return;
    SetThreadDesktop(previous_);
    CloseDesktop(desktop_);
}
