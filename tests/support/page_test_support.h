#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/message_wait.h"

// COM on the calling thread, single-threaded as the window thread has it.
class ScopedComApartment {
public:
    ScopedComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ScopedComApartment() {
        if (initialized_) CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

private:
    bool initialized_;
};

// A plain visible top-level window for a page or dialog under test.
class TestHostWindow {
public:
    TestHostWindow(int width, int height);
    ~TestHostWindow();
    TestHostWindow(const TestHostWindow&) = delete;
    TestHostWindow& operator=(const TestHostWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};


// One page state as the program produces it, for the page tests in the browser:
// the texts put into elements and the script calls in their order.
struct PageContract {
    std::wstring page;   // the page's file name in resources/pages
    std::wstring state;  // names the state (and its screenshot)
    std::map<std::wstring, std::wstring> elementTexts;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> calls;
};

// Writes the contract as "<page stem>-<state>.json" (UTF-8) into the build's
// page contract folder; false when it could not be written. A contract recorded
// with one of the program's own language files names its code (`language`, as
// "<page stem>-<state>.<code>.json"): those are the ones a person looks at.
bool WritePageContract(const PageContract& contract, const wchar_t* language = nullptr);
