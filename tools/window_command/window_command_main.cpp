// Gives one command to a top-level window of a running program, the way its own
// buttons do: a script that pictures the program's pages uses it to open a page
// without clicking at coordinates that move with the language.
//   window_command.exe <window title> <command id>        the window gets WM_COMMAND
//   window_command.exe <window title> click <control id>  its shown button of that id is clicked
//   window_command.exe <window title> post <command id>   WM_COMMAND is posted, not waited for:
//                                                         a command that opens a menu runs until
//                                                         the menu closes
// Exits 0 when the window was found and took the message, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

bool ParseId(const wchar_t* text, UINT& id) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0' || value > 0xFFFF) return false;
    id = static_cast<UINT>(value);
    return true;
}

struct ControlSearch {
    UINT id;
    HWND found;
};

BOOL CALLBACK FindShownControl(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<ControlSearch*>(context);
    if (static_cast<UINT>(GetDlgCtrlID(child)) == search->id && IsWindowVisible(child)) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

// Sent, not posted: the script takes its picture after the page has switched.
bool Deliver(HWND window, UINT message, WPARAM wParam) {
    DWORD_PTR unused = 0;
    return SendMessageTimeoutW(window, message, wParam, 0, SMTO_ABORTIFHUNG, 10000, &unused) != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool click = argc == 4 && std::wstring(argv[2]) == L"click";
    const bool post = argc == 4 && std::wstring(argv[2]) == L"post";
    UINT id = 0;
    if ((argc != 3 && !click && !post) || !ParseId(argv[argc - 1], id)) {
        std::fprintf(stderr, "usage: window_command <window title> [click|post] <id>\n");
        return 1;
    }
    HWND window = FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        std::fprintf(stderr, "window_command: no window titled \"%ls\"\n", argv[1]);
        return 1;
    }
    if (post) return PostMessageW(window, WM_COMMAND, id, 0) ? 0 : 1;
    HWND target = window;
    if (click) {
        ControlSearch search{id, nullptr};
        EnumChildWindows(window, FindShownControl, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            std::fprintf(stderr, "window_command: no shown control %u\n", id);
            return 1;
        }
        target = search.found;
    }
    if (!Deliver(target, click ? BM_CLICK : WM_COMMAND, click ? 0 : id)) {
        std::fprintf(stderr, "window_command: the window did not answer\n");
        return 1;
    }
    return 0;
}
