#include "tests/support/page_test_support.h"

#include <filesystem>
#include <fstream>

namespace {

constexpr wchar_t kHostClass[] = L"HalvenorTestHost";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    std::string bytes(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr),
                      '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

std::string JsonString(const std::wstring& text) {
    std::string json = "\"";
    for (unsigned char c : Utf8(text)) {
        switch (c) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '\n': json += "\\n"; break;
            case '\r': json += "\\r"; break;
            case '\t': json += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    wsprintfA(escaped, "\\u%04x", c);
                    json += escaped;
                } else {
                    json += static_cast<char>(c);
                }
        }
    }
    return json + "\"";
}

}  // namespace

TestHostWindow::TestHostWindow(int width, int height) {
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kHostClass;
        return RegisterClassExW(&windowClass);
    }();
    (void)registered;
    window_ = CreateWindowExW(0, kHostClass, L"page test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TestHostWindow::~TestHostWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

bool WritePageContract(const PageContract& contract, const wchar_t* language) {
#ifdef HALVENOR_PAGE_CONTRACTS_DIR
    const std::wstring folder = HALVENOR_PAGE_CONTRACTS_DIR;
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring stem = contract.page.substr(0, contract.page.find_last_of(L'.'));
    const std::wstring tag = language != nullptr ? std::wstring(L".") + language : std::wstring();
    const std::wstring path = folder + L"\\" + stem + L"-" + contract.state + tag + L".json";

    std::string json = "{\n  \"page\": " + JsonString(contract.page) + ",\n  \"state\": " +
                       JsonString(contract.state) + ",\n";
    if (language != nullptr) json += "  \"language\": " + JsonString(language) + ",\n";
    json += "  \"elementTexts\": {";
    bool first = true;
    for (const auto& [id, text] : contract.elementTexts) {
        json += (first ? "\n    " : ",\n    ") + JsonString(id) + ": " + JsonString(text);
        first = false;
    }
    json += "\n  },\n  \"calls\": [";
    first = true;
    for (const auto& [function, arguments] : contract.calls) {
        json += (first ? "\n    " : ",\n    ") + std::string("{\"function\": ") + JsonString(function) +
                ", \"arguments\": [";
        for (size_t i = 0; i < arguments.size(); ++i) json += (i ? ", " : "") + JsonString(arguments[i]);
        json += "]}";
        first = false;
    }
    json += "\n  ]\n}\n";
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file << json;
    return static_cast<bool>(file);
#else
    (void)contract;
    (void)language;
    return false;
#endif
}
