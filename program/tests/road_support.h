#pragma once

// What the tests that start the real program share: reading its windows, pages,
// registry values and files across the process boundary.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <windows.h>
#include <setupapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <mstask.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/folders.h"
#include "foundation/language_table.h"
#include "foundation/md5_checksum.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "foundation/shared_constants.h"
#include "platform/html/page_view_window.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/settings/settings_ids.h"
#include "screens/scan/download_install/download_install_ids.h"
#include "shell/app/main_window.h"
#include "shell/app/single_instance.h"
#include "shell/app/tray_icon.h"
#include "tests/support/child_process.h"
#include "tests/support/message_wait.h"
#include "tests/support/root_test_device.h"
#include "tests/support/scheduled_task_probe.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"
#include "tests/support/zip_writer.h"


inline constexpr wchar_t kScanTaskName[] = L"halvenor";
// What the main window's pages ask of it to show the last scan's page.
inline constexpr WPARAM kLastScanPage = 109;

// The program's windows, pages and log are asked across processes: not too often.
inline bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) { return PumpMessagesUntil(done, timeoutMs, 100); }

inline std::wstring ReadUserText(const wchar_t* name) {
    return ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, name, L"");
}

inline std::optional<DWORD> ReadUserNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kProductKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

inline void WriteUserText(const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

inline std::wstring Utf16Of(const std::string& bytes) {
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

inline std::vector<std::wstring> FilesIn(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// The windows of one process (0: of all): its top-level windows and their children.
struct WindowsOf {
    DWORD processId;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

inline BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowsOf*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId != 0 && owner != search->processId) return TRUE;
    search->found.push_back(window);
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search->found));
    return TRUE;
}

inline std::vector<HWND> ProcessWindows(DWORD processId) {
    WindowsOf search{processId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline bool ShownOnScreen(HWND window) { return IsWindowVisible(window) != FALSE; }

// Asks the page views of the program (the script host answers them when the
// program runs with HALVENOR_PAGE_HOST=script) and reads their answers.
class PageRequests {
public:
    PageRequests() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &PageRequests::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"HalvenorRoadAnswers";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PageRequests() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    PageRequests(const PageRequests&) = delete;
    PageRequests& operator=(const PageRequests&) = delete;

    // The answer of `view`, or nullopt when it did not answer.
    std::optional<std::wstring> Ask(HWND view, const std::wstring& request) {
        answer_.reset();
        COPYDATASTRUCT data{kPageRequestTag, static_cast<DWORD>(request.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(request.c_str())};
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(view, WM_COPYDATA, reinterpret_cast<WPARAM>(window_), reinterpret_cast<LPARAM>(&data),
                                SMTO_NORMAL, 10000, &result) == 0 ||
            result == 0) {
            return std::nullopt;
        }
        return answer_.value_or(L"");
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            auto* self = reinterpret_cast<PageRequests*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (self != nullptr && data->dwData == kPageRequestTag) {
                self->answer_ = std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
                return 1;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::optional<std::wstring> answer_;
};

// One HTML page of the running program, found by an element of its own.
class Page {
public:
    Page(PageRequests& requests, HWND view) : requests_(&requests), view_(view) {}
    explicit operator bool() const { return view_ != nullptr; }
    HWND View() const { return view_; }
    std::wstring Ask(const std::wstring& request) const { return requests_->Ask(view_, request).value_or(L""); }
    std::wstring Text(const std::wstring& id) const { return Ask(L"text\n" + id); }
    bool Visible(const std::wstring& id) const { return Ask(L"visible\n" + id) == L"1"; }
    int Count(const std::wstring& selector) const { return _wtoi(Ask(L"count\n" + selector).c_str()); }
    std::wstring TextAt(const std::wstring& selector, int index) const {
        return Ask(L"textat\n" + selector + L"\n" + std::to_wstring(index));
    }
    bool Click(const std::wstring& id) const { return Ask(L"click\n" + id) == L"1"; }
    bool ClickAt(const std::wstring& selector, int index) const {
        return Ask(L"clickat\n" + selector + L"\n" + std::to_wstring(index)) == L"1";
    }
    void RunTimers() const { Ask(L"timers"); }
    std::wstring Errors() const { return Ask(L"errors"); }

private:
    PageRequests* requests_;
    HWND view_;
};

// A driver the stand-in service offers for one of the devices made for the run,
// with its package on the stand-in server.
struct OfferedDriver {
    std::wstring name;
    std::wstring hardwareId;
    std::string packagePath;
    std::string package;
    std::unique_ptr<TestDevice> device;
};
