#include "tests/support/page_languages.h"

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"

void UsePageLanguage(const PageLanguage& language) {
#ifdef HALVENOR_RESOURCES_DIR
    LanguageFileCache().SetPath(std::wstring(HALVENOR_RESOURCES_DIR) + L"\\" + language.file);
    LanguageFileCache().ClearCache();
#else
    (void)language;
#endif
}
