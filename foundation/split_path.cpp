#include "foundation/split_path.h"

CSplitPath::CSplitPath(const std::wstring& path) {
    size_t rest = 0;
    if (path.size() >= 2 && path[1] == L':') {
        drive_ = path.substr(0, 2);
        rest = 2;
    }
    const size_t lastSeparator = path.find_last_of(L"\\/");
    size_t nameStart = rest;
    if (lastSeparator != std::wstring::npos && lastSeparator >= rest) {
        directory_ = path.substr(rest, lastSeparator + 1 - rest);
        nameStart = lastSeparator + 1;
    }
    const std::wstring name = path.substr(nameStart);
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) {
        fileName_ = name;
    } else {
        fileName_ = name.substr(0, dot);
        extension_ = name.substr(dot);
    }
}

CSplitPath::~CSplitPath() {
    drive_.clear();
    directory_.clear();
    fileName_.clear();
    extension_.clear();
}
