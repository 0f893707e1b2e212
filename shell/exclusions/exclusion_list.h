#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CDriverScanUpdate;

// One driver the user asked the program to ignore. The exclusion page keeps this
// record under its own class name as well.
struct tagExclusionItem {
    int ExclusionId = 1;
    int ListControlId = 1;  // the entry's row on the page; never stored
    std::wstring DriverName;
    std::wstring HardwareIds;
    std::wstring GuidFullPath;
    std::wstring Hash;  // may be empty
};

// The user's exclusion list and its file "exclusion.xml". The list in memory is the
// truth once loaded; every change is saved at once and passed on to the scan
// engine's ignore list, so scans started later see it. Used on the UI thread only.
class ExclusionList {
public:
    static constexpr wchar_t kFileName[] = L"exclusion.xml";
    static constexpr wchar_t kRootName[] = L"Exclusion";

    // `engine` may be null (nothing is passed on then).
    ExclusionList(CDriverScanUpdate* engine, std::wstring path);
    ExclusionList(const ExclusionList&) = delete;
    ExclusionList& operator=(const ExclusionList&) = delete;

    // "exclusion.xml" in the per-user data folder, the folder created when missing.
    static std::wstring DefaultPath();

    void SetEngine(CDriverScanUpdate* engine) { engine_ = engine; }
    void SetPath(std::wstring path) { path_ = std::move(path); }
    const std::wstring& Path() const { return path_; }

    // Empties the engine's whole ignore list, reads the file (a missing file gives
    // an empty list) and adds one key per entry read. An entry counts only when its
    // HardwareIds come after its other fields and its driver name is not empty.
    void Load();
    // Writes the whole list; false (logged, the file left as it was) when it cannot.
    bool Save() const;
    // The file's text: the declaration and the document.
    std::string BuildFileBytes() const;

    // 1 when the entry was added (and saved), 0 when an entry with the same
    // hardware ids, GUID path and hash exists already, letter case ignored.
    int Add(const std::wstring& driverName, const std::wstring& hardwareIds, const std::wstring& guidFullPath,
            const std::wstring& hash);
    // Removes the entry shown in `row`; false when there is no such row.
    bool RemoveAt(size_t row);
    void RemoveAll();

    const std::vector<tagExclusionItem>& Items() const { return items_; }
    size_t Size() const { return items_.size(); }

private:
    void ReadField(const std::wstring& name, const std::wstring& text);
    void Renumber();
    bool KeyStillUsed(const tagExclusionItem& item) const;

    CDriverScanUpdate* engine_ = nullptr;
    std::wstring path_;
    std::vector<tagExclusionItem> items_;
    tagExclusionItem working_;
};

// The one way in which other screens add to the user's list.
int AddDriverToExclusionList(ExclusionList& list, const std::wstring& driverName, const std::wstring& hardwareIds,
                             const std::wstring& guidFullPath, const std::wstring& hash);

// The program's list, kept for the whole run.
ExclusionList& UserExclusionList();

// The start-up step of the application object: the program's list takes the
// engine and the file in the data folder, is read, and the engine's ignore list
// rebuilt from it, before any scan.
void LoadUserExclusionList(CDriverScanUpdate& engine);
