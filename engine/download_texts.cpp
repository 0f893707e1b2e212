#include "engine/download_texts.h"

#include <mutex>

namespace {

std::mutex g_mutex;
DownloadTextLookup g_lookup;

}  // namespace

void SetDownloadTextLookup(DownloadTextLookup lookup) {
    std::lock_guard lock(g_mutex);
    g_lookup = std::move(lookup);
}

std::wstring DownloadLangText(const std::wstring& key) {
    DownloadTextLookup lookup;
    {
        std::lock_guard lock(g_mutex);
        lookup = g_lookup;
    }
    return lookup ? lookup(key) : std::wstring();
}
