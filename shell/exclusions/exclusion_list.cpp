#include "shell/exclusions/exclusion_list.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/markup.h"
#include "platform/file_replace.h"
#include "platform/trim_blanks.h"
#include "platform/xml_text.h"
#include "scan/driver_scan_update.h"
#include "scan/markup_walk.h"
#include "platform/text_case.h"

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

// Files we write carry a declaration and are UTF-8; files of earlier versions have
// none and were written in the ANSI code page. A file that claims UTF-8 but is not
// is read as ANSI rather than dropped.
std::wstring DecodeFileText(const std::string& bytes) {
    std::string_view view(bytes);
    bool utf8 = false;
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        view.remove_prefix(3);
        utf8 = true;
    }
    utf8 = utf8 || view.substr(0, 5) == "<?xml";
    std::wstring text;
    if (utf8 && WideFromUtf8(std::string(view), text)) return text;
    return FromAnsi(view);
}

bool SameKey(const tagExclusionItem& left, const tagExclusionItem& right) {
    return EqualsIgnoringCase(left.HardwareIds, right.HardwareIds) &&
           EqualsIgnoringCase(left.GuidFullPath, right.GuidFullPath) && EqualsIgnoringCase(left.Hash, right.Hash);
}

}  // namespace

ExclusionList::ExclusionList(CDriverScanUpdate* engine, std::wstring path)
    : engine_(engine), path_(std::move(path)) {}

std::wstring ExclusionList::DefaultPath() {
    std::wstring folder;
    if (!GetUserDataFolder(folder)) return {};
    CreateFolderTree(folder);
    PathAppendString(folder, kFileName);
    return folder;
}

void ExclusionList::Load() {
    if (engine_ != nullptr) engine_->ignoreMap.clear();
    items_.clear();
    working_ = tagExclusionItem();
    std::string bytes;
    if (path_.empty() || GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (!ReadWholeFile(path_, bytes)) {
        WriteLogLine(L"Exclusion list: cannot read %ls (error %lu)", path_.c_str(), GetLastError());
        return;
    }
    CMarkup markup;
    if (!markup.SetDoc(DecodeFileText(bytes))) {
        WriteLogLine(L"Exclusion list: %ls is damaged: %ls", path_.c_str(), markup.GetError().c_str());
        return;
    }
    WalkMarkupElements(
        markup, [this](const std::wstring& name, const std::wstring& text) { ReadField(name, text); }, {});
    Renumber();
}

void ExclusionList::ReadField(const std::wstring& name, const std::wstring& text) {
    if (EqualsIgnoringCase(name, L"ExclusionId")) {
        working_ = tagExclusionItem();
        working_.ExclusionId = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
    } else if (EqualsIgnoringCase(name, L"DriverName")) {
        working_.DriverName = text;
    } else if (EqualsIgnoringCase(name, L"GuidFullPath")) {
        working_.GuidFullPath = text;
    } else if (EqualsIgnoringCase(name, L"Hash")) {
        working_.Hash = text;
    } else if (EqualsIgnoringCase(name, L"HardwareIds") && !working_.DriverName.empty()) {
        working_.HardwareIds = text;
        if (engine_ != nullptr) {
            engine_->SetDeviceIgnored(working_.HardwareIds, working_.GuidFullPath, working_.Hash, true);
        }
        items_.push_back(working_);
        working_ = tagExclusionItem();
    }
}

std::string ExclusionList::BuildFileBytes() const {
    CMarkup markup;
    markup.SetDoc(L"");
    markup.AddElem(kRootName);
    markup.IntoElem();
    for (const tagExclusionItem& item : items_) {
        markup.AddElem(L"ExclusionInfo");
        markup.AddChildElem(L"ExclusionId", std::to_wstring(item.ExclusionId));
        markup.AddChildElem(L"DriverName", item.DriverName);
        markup.AddChildElem(L"GuidFullPath", item.GuidFullPath);
        markup.AddChildElem(L"Hash", item.Hash);
        markup.AddChildElem(L"HardwareIds", item.HardwareIds);
    }
    markup.OutOfElem();
    return kDeclaration + Utf8FromWide(TrimBlanks(markup.GetDoc()));
}

bool ExclusionList::Save() const {
    if (path_.empty()) {
        WriteLogLine(L"Exclusion list: no file to save to");
        return false;
    }
    if (!ReplaceFileContents(path_, BuildFileBytes())) {
        WriteLogLine(L"Exclusion list: cannot save %ls (error %lu); the file keeps its earlier entries",
                     path_.c_str(), GetLastError());
        return false;
    }
    return true;
}

int ExclusionList::Add(const std::wstring& driverName, const std::wstring& hardwareIds,
                       const std::wstring& guidFullPath, const std::wstring& hash) {
    tagExclusionItem item;
    item.DriverName = driverName;
    item.HardwareIds = hardwareIds;
    item.GuidFullPath = guidFullPath;
    item.Hash = hash;
    for (const tagExclusionItem& existing : items_) {
        if (SameKey(existing, item)) return 0;
    }
    if (engine_ != nullptr) engine_->SetDeviceIgnored(hardwareIds, guidFullPath, hash, true);
    // Numbers are not reused while a higher one exists; they are compared unsigned
    // as earlier versions did.
    unsigned largest = 0;
    for (const tagExclusionItem& existing : items_) {
        largest = std::max(largest, static_cast<unsigned>(existing.ExclusionId));
    }
    item.ExclusionId = static_cast<int>(largest + 1);
    item.ListControlId = static_cast<int>(items_.size());
    items_.push_back(std::move(item));
    Save();
    return 1;
}

bool ExclusionList::KeyStillUsed(const tagExclusionItem& item) const {
    for (const tagExclusionItem& other : items_) {
        if (SameKey(other, item)) return true;
    }
    return false;
}

bool ExclusionList::RemoveAt(size_t row) {
    if (row >= items_.size()) return false;
    const tagExclusionItem removed = items_[row];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
    // A file of an earlier version may hold the same driver twice; its key stays
    // ignored while one of them is left.
    if (engine_ != nullptr && !KeyStillUsed(removed)) {
        engine_->SetDeviceIgnored(removed.HardwareIds, removed.GuidFullPath, removed.Hash, false);
    }
    Renumber();
    Save();
    return true;
}

void ExclusionList::RemoveAll() {
    items_.clear();
    Save();
    if (engine_ != nullptr) engine_->ignoreMap.clear();
}

void ExclusionList::Renumber() {
    for (size_t row = 0; row < items_.size(); ++row) items_[row].ListControlId = static_cast<int>(row);
}

int AddDriverToExclusionList(ExclusionList& list, const std::wstring& driverName, const std::wstring& hardwareIds,
                             const std::wstring& guidFullPath, const std::wstring& hash) {
    return list.Add(driverName, hardwareIds, guidFullPath, hash);
}

ExclusionList& UserExclusionList() {
    static ExclusionList list(nullptr, std::wstring());
    return list;
}

void LoadUserExclusionList(CDriverScanUpdate& engine) {
    ExclusionList& list = UserExclusionList();
    list.SetEngine(&engine);
    list.SetPath(ExclusionList::DefaultPath());
    list.Load();
}
