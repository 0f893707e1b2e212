#include "shell/app/app_fonts.h"

#include <shlobj.h>

std::array<AppFontSpec, kAppFontCount> AppFontSpecs(unsigned languageId, bool segoeUiAvailable) {
    LONG titleHeight;
    if (segoeUiAvailable) {
        titleHeight = languageId == 0 ? -19 : (languageId == 14 || languageId == 4) ? -15 : -17;
    } else {
        titleHeight = languageId == 0 ? -17 : -11;
    }
    const LONG titleWeight = segoeUiAvailable ? 700 : 600;
    const bool mediumHeader = languageId == 6 || languageId == 10 || languageId == 14;
    const LONG headerHeight = languageId == 0 ? -14 : -13;
    const LONG headerWeight = mediumHeader ? 500 : 700;
    return {{
        {-17, 600, false}, {-14, 600, false}, {titleHeight, titleWeight, false}, {-23, titleWeight, false},
        {-21, titleWeight, false}, {-14, 400, false}, {-12, 400, false}, {-12, 400, true},
        {-11, 400, false}, {-10, 400, false}, {-10, 700, false}, {-13, 400, false},
        {-13, 700, false}, {-16, 700, false}, {-20, 700, false}, {-9, 400, false},
        {-11, 400, false}, {-18, 400, false}, {headerHeight, headerWeight, false},
    }};
}

std::wstring AppFontFace(bool segoeUiAvailable, const std::wstring& languageHeadingFace) {
    return segoeUiAvailable ? L"segoe UI" : languageHeadingFace;
}

void AppFonts::Create(const LOGFONTW& base, unsigned languageId, bool segoeUiAvailable,
                      const std::wstring& languageHeadingFace) {
    const auto specs = AppFontSpecs(languageId, segoeUiAvailable);
    const std::wstring face = AppFontFace(segoeUiAvailable, languageHeadingFace);
    for (std::size_t i = 0; i < kAppFontCount; ++i) {
        LOGFONTW font = base;
        font.lfHeight = specs[i].height;
        font.lfWeight = specs[i].weight;
        font.lfItalic = specs[i].italic ? TRUE : FALSE;
        if (!face.empty()) lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
        fonts_[i].reset(CreateFontIndirectW(&font));
    }
}

bool IsSegoeUiInstalled() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
    std::wstring path = folder;
    path += L"\\segoeui.ttf";
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
