#include "engine/missing_program_message.h"

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"

namespace {

// For a language file that lacks the text.
constexpr wchar_t kEnglishFormat[] = L"A file that %ls needs is missing. Please install the program again.";

// Every "%ls" becomes `value` and every "%%" a "%"; anything else stays as the
// translator wrote it, so a stray conversion in a language file cannot read
// arguments that were never passed.
std::wstring FillIn(const std::wstring& format, const std::wstring& value) {
    std::wstring text;
    text.reserve(format.size() + value.size());
    for (size_t i = 0; i < format.size(); ++i) {
        if (format.compare(i, 3, L"%ls") == 0) {
            text += value;
            i += 2;
        } else if (format.compare(i, 2, L"%%") == 0) {
            text += L'%';
            i += 1;
        } else {
            text += format[i];
        }
    }
    return text;
}

}  // namespace

std::wstring MissingProgramMessage() {
    const std::wstring format = GetLangString(L"IDS_UNABLEFIND", kResourceStringSection, kEnglishFormat);
    return FillIn(format, GetAppTitle());
}
