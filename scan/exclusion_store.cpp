#include "scan/exclusion_store.h"

#include <windows.h>

#include <string_view>

#include "foundation/markup.h"
#include "platform/file_replace.h"
#include "scan/markup_walk.h"
#include "platform/text_case.h"

namespace {

std::wstring Decimal(uint32_t value) {
    wchar_t text[16];
    swprintf(text, 16, L"%u", value);
    return text;
}

std::wstring DecodeFileText(const std::string& bytes) {
    std::string_view view(bytes);
    if (view.size() >= 3 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    if (view.empty()) return {};
    // Files of earlier versions were written in the ANSI code page; ours are UTF-8.
    for (const UINT codePage : {UINT{CP_UTF8}, UINT{CP_ACP}}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(codePage, flags, view.data(), static_cast<int>(view.size()), nullptr, 0);
        if (length <= 0) continue;
        std::wstring text(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(codePage, flags, view.data(), static_cast<int>(view.size()), text.data(), length);
        return text;
    }
    return {};
}

std::string EncodeUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

bool SameInstalledDriver(const EngineExclusionEntry& left, const EngineExclusionEntry& right) {
    return EqualsIgnoringCase(left.md5, right.md5) && EqualsIgnoringCase(left.infPath, right.infPath) &&
           EqualsIgnoringCase(left.hardwareIdentifier, right.hardwareIdentifier);
}

}  // namespace

std::wstring NormaliseInfPath(const std::wstring& path) {
    const std::wstring lowered = LowerInvariant(path);
    const size_t extract = lowered.find(L"extract");
    if (extract == std::wstring::npos) return lowered;
    const std::wstring below = lowered.substr(extract);
    if (!below.empty() && below[0] == L'\\') return below;
    const size_t slash = below.find(L'\\');
    return slash == std::wstring::npos ? below : below.substr(slash + 1);
}

void ExclusionStore::Open(const std::wstring& dataFolder) {
    std::wstring folder = dataFolder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    path_ = folder + L"\\" + kFileName;
    Load();
}

void ExclusionStore::Load() {
    std::string bytes;
    if (path_.empty() || !ReadWholeFile(path_, bytes)) {
        entries_.clear();
        return;
    }
    // The record is one document; line breaks inside it carry nothing.
    std::wstring text = DecodeFileText(bytes);
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    Parse(text);
}

void ExclusionStore::Parse(const std::wstring& text) {
    entries_.clear();
    working_.Reset();
    CMarkup markup;
    markup.SetDoc(L"");
    if (!markup.SetDoc(text)) return;
    WalkMarkupElements(
        markup, [this](const std::wstring& name, const std::wstring& value) { ReadField(name, value); },
        [this](const std::wstring& name) {
            if (EqualsIgnoringCase(name, L"device")) CommitWorkingEntry();
        });
}

void ExclusionStore::ReadField(const std::wstring& name, const std::wstring& text) {
    if (EqualsIgnoringCase(name, L"HardwareIdentifier")) {
        working_.Reset();
        working_.hardwareIdentifier = text;
    } else if (EqualsIgnoringCase(name, L"guidpath")) {
        working_.guidPath = text;
    } else if (EqualsIgnoringCase(name, L"MD5")) {
        working_.md5 = text;
    } else if (EqualsIgnoringCase(name, L"InfPath")) {
        working_.infPath = text;
    }
}

void ExclusionStore::CommitWorkingEntry() {
    // The first entry read for a device wins.
    if (!IsDriverExcluded(working_)) entries_.emplace(working_.guidPath, working_);
    working_.Reset();
}

bool ExclusionStore::Add(const EngineExclusionEntry& entry) {
    const auto found = entries_.find(entry.guidPath);
    if (found != entries_.end()) {
        if (SameInstalledDriver(found->second, entry)) return false;
        entries_.erase(found);
    }
    entries_.emplace(entry.guidPath, entry);
    return true;
}

int ExclusionStore::IsDriverExcluded(const EngineExclusionEntry& entry) const {
    const auto found = entries_.find(entry.guidPath);
    return found != entries_.end() && SameInstalledDriver(found->second, entry) ? 1 : 0;
}

std::wstring ExclusionStore::BuildText() const {
    CMarkup markup;
    markup.SetDoc(L"");
    markup.AddElem(L"newdataset");
    markup.IntoElem();
    for (const auto& [guidPath, entry] : entries_) {
        markup.AddElem(L"device");
        markup.AddChildElem(L"HardwareIdentifier", entry.hardwareIdentifier);
        markup.AddChildElem(L"UpdateDeviceMatchingID", entry.updateDeviceMatchingId);
        markup.AddChildElem(L"guidPath", entry.guidPath);
        markup.AddChildElem(L"MD5", entry.md5);
        markup.AddChildElem(L"InfPath", NormaliseInfPath(entry.infPath));
        markup.AddChildElem(L"InstallErrorCode", Decimal(entry.installErrorCode));
        markup.AddChildElem(L"DeviceErrorCode", Decimal(entry.deviceErrorCode));
    }
    markup.OutOfElem();
    return TrimBlanks(markup.GetDoc());
}

int ExclusionStore::Save() const {
    if (!path_.empty()) ReplaceFileContents(path_, EncodeUtf8(BuildText()));
    return 1;
}
