#include "foundation/language_table.h"

#include <clocale>
#include <cwchar>
#include <mutex>

#include "foundation/product_key.h"
#include "platform/registry.h"

// clang-format off
const std::array<LanguageRecord, kLanguageCount> LanguageTable = {{
    {L"en", L"English", L"eng_hal.ini", "english", L"Arial", -12, 1, 33, 1, L"eng_tsv_isxdl.ini"},
    {L"zhtw", L"中国传统 (Chinese Traditional)", L"traditionalcn_hal_zh-tw.ini", "chinese-traditional", L"Arial", -12, 136, 26, 0, L"eng_tsv_isxdl.ini"},
    {L"da", L"Danske (Danish)", L"Danish_hal.ini", "danish", L"Arial", -12, 1, 29, 1, L"Danish_tsv_isxdl.ini"},
    {L"nl", L"Nederlands (Dutch)", L"Dutch_hal.ini", "dutch", L"Arial", -11, 1, 30, 1, L"Dutch_tsv_isxdl.ini"},
    {L"fr", L"Français (French)", L"French_hal.ini", "french", L"Arial", -12, 1, 48, 1, L"French_tsv_isxdl.ini"},
    {L"de", L"Deutsch (German)", L"German_hal.ini", "german", L"Arial", -12, 1, 54, 1, L"German_tsv_isxdl.ini"},
    {L"it", L"Italiano (Italian)", L"Italian_hal.ini", "italian", L"Arial", -12, 1, 66, 1, L"Italian_tsv_isxdl.ini"},
    {L"ja", L"日本語 (Japanese)", L"Japanese_hal.ini", "japanese", L"Arial", -12, 128, 68, 1, L"Japanese_tsv_isxdl.ini"},
    {L"no", L"Norsk (Norwegian)", L"Norwegian_hal.ini", "norwegian", L"Arial", -12, 1, 76, 1, L"Norwegian_tsv_isxdl.ini"},
    {L"ptbr", L"Português Brasileiro (Portuguese)", L"Portuguese_hal.ini", "portuguese", L"Arial", -12, 1, 80, 1, L"Portuguese_tsv_isxdl.ini"},
    {L"es", L"Español (Spanish)", L"spanish_hal.ini", "spanish", L"Arial", -11, 1, 92, 1, L"Spanish_tsv_isxdl.ini"},
    {L"sv", L"Svenska (Swedish)", L"swedish_hal.ini", "swedish", L"Arial", -12, 1, 112, 1, L"Swedish_tsv_isxdl.ini"},
    {L"fi", L"Suomi (Finnish)", L"Finnish_hal_fi.ini", "finnish", L"Arial", -12, 1, 47, 1, L"Finnish_tsv_fi_isxdl.ini"},
    {L"pt", L"Português (Portugal)", L"portugese_hal_pt.ini", "portuguese", L"Arial", -12, 1, 79, 0, L"eng_tsv_isxdl.ini"},
    {L"ru", L"Русский (Russian)", L"russian_hal_ru.ini", "russian", L"Arial", -11, 204, 94, 1, L"russian_tsv_ru_isxdl.ini"},
    {L"el", L"Ελληνικά (Greek)", L"greek_hal_el.ini", "greek", L"Arial", -12, 161, 59, 0, L"eng_tsv_isxdl.ini"},
    {L"tr", L"Türkçe (Turkish)", L"Turkish_hal_tr.ini", "turkish", L"Arial", -12, 162, 117, 0, L"eng_tsv_isxdl.ini"},
    {L"pl", L"Polski (Polish)", L"polish_hal_pl.ini", "polish", L"Arial", -12, 238, 78, 0, L"eng_tsv_isxdl.ini"},
    {L"ko", L"한국어 (韓國語), 조선어 (朝鮮語) (Korean)", L"korean_hal_ko.ini", "korean", L"Arial", -12, 129, 69, 0, L"eng_tsv_isxdl.ini"},
    {L"zhcn", L"简体中文 (Chinese Simplified)", L"Chinese_hal.ini", "chinese-simplified", L"Arial", -12, 136, 23, 1, L"Chinese_tsv_isxdl.ini"},
}};
// clang-format on

namespace {

std::wstring LanguageKeyPath() {
    return std::wstring(kProductKeyPath) + kLanguageSubKey;
}

// Ids of rows that may not be selected fall back to English.
DWORD CheckedLanguageId(DWORD id) {
    if (id >= kLanguageCount || LanguageTable[id].available != 1) return 0;
    return id;
}

std::mutex& LanguageCodeLock() {
    static std::mutex lock;
    return lock;
}

std::wstring& LastLanguageCode() {
    static std::wstring code = L"en";
    return code;
}

}  // namespace

unsigned GetLanguageId() {
    DWORD id = 0;
    {
        CRegistry machine;
        if (machine.Open(LanguageKeyPath(), HKEY_LOCAL_MACHINE, true)) {
            DWORD stored = 0;
            if (machine.ReadDwordChecked(L"LangID", stored)) id = CheckedLanguageId(stored);
        }
    }
    CRegistry user;
    if (!user.Open(LanguageKeyPath(), HKEY_CURRENT_USER, true)) return id;
    DWORD stored = 0;
    if (user.ReadDwordChecked(L"LangID", stored)) id = CheckedLanguageId(stored);
    return id;
}

std::wstring GetLanguageCode() {
    std::lock_guard<std::mutex> guard(LanguageCodeLock());
    CRegistry user;
    if (!user.Open(LanguageKeyPath(), HKEY_CURRENT_USER, true)) return LastLanguageCode();
    std::wstring code;
    if (!user.ValueExists(L"LangCode") || !user.ReadString(L"LangCode", code)) code = L"en";
    LastLanguageCode() = code;
    return code;
}

const LanguageRecord& CurrentLanguage() {
    return LanguageTable[GetLanguageId()];
}

std::wstring GetLanguageIniPath() {
    wchar_t module[261] = {};
    GetModuleFileNameW(nullptr, module, 261);
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t folder[_MAX_DIR] = {};
    _wsplitpath_s(module, drive, _MAX_DRIVE, folder, _MAX_DIR, nullptr, 0, nullptr, 0);
    return std::wstring(drive) + folder + CurrentLanguage().stringsFile;
}

void FillLanguageFont(LOGFONTW& font) {
    const LanguageRecord& language = CurrentLanguage();
    font = LOGFONTW{};
    font.lfHeight = language.fontHeight;
    font.lfCharSet = language.characterSet;
    font.lfWeight = FW_NORMAL;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy_s(font.lfFaceName, LF_FACESIZE, language.fontFace, _TRUNCATE);
}

int MeasureCaptionWidth(const std::wstring& text, HFONT font, int width) {
    // Made once: the language cannot change without a restart.
    static const HFONT languageFont = [] {
        LOGFONTW logFont;
        FillLanguageFont(logFont);
        return CreateFontIndirectW(&logFont);
    }();
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return width;
    const HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : languageFont);
    RECT bounds{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    const int textWidth = bounds.right - bounds.left;
    return textWidth <= width - 6 ? width : textWidth + 9;
}

bool ApplyLanguageLocale() {
    return std::setlocale(LC_CTYPE, CurrentLanguage().localeName) != nullptr;
}
