#pragma once

#include <windows.h>

// Moves the calling thread onto a desktop of its own for the test's lifetime. The
// prefix's default desktop may have been made before the test display existed;
// a new desktop gets the display the test runs with, so real windows can be made.
// Create it before the thread makes any window.
class ScopedTestDesktop {
public:
    ScopedTestDesktop();
    ~ScopedTestDesktop();
    ScopedTestDesktop(const ScopedTestDesktop&) = delete;
    ScopedTestDesktop& operator=(const ScopedTestDesktop&) = delete;

    bool Active() const { return desktop_ != nullptr; }

private:
    HDESK previous_ = nullptr;
    HDESK desktop_ = nullptr;
};
