#pragma once

#include <string>
#include <vector>

#include "shell/app/app_system.h"

// The system seam for page tests: message boxes answer `answer` and are recorded,
// launches are recorded and succeed, the process is never ended.
class AnsweringAppSystem final : public AppSystem {
public:
    int answer = IDYES;
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> launches;  // file and parameters
    int endRequests = 0;

    bool IsAdmin() override { return true; }
    unsigned WindowsMajorVersion() override { return 6; }
    void Sleep(DWORD) override {}
    bool LaunchThroughShell(HWND, const std::wstring&, const std::wstring& file, const std::wstring& parameters,
                            const std::wstring&) override {
        launches.push_back(file + L" " + parameters);
        return true;
    }
    void EndProcess(UINT) override { ++endRequests; }
    int ShowMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        boxes.push_back(text);
        return answer;
    }
};
