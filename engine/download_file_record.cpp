#include "engine/download_file_record.h"

bool DownloadFileRecord::FillFromSettings(const DownloadSettings& settings) {
    try {
        if (!settings.url.empty()) url = settings.url;
        if (!settings.targetPath.empty()) {
            targetPath = settings.targetPath;
            const std::size_t slash = targetPath.rfind(L'\\');
            fileName = slash == std::wstring::npos ? targetPath : targetPath.substr(slash + 1);
            folder = slash == std::wstring::npos ? std::wstring() : targetPath.substr(0, slash + 1);
        }
        if (!settings.expectedDigest.empty()) expectedDigest = settings.expectedDigest;
        return true;
    } catch (...) {
        return false;
    }
}
