#include "shell/toolkit/dialog_font.h"

#include <cstring>

namespace {

// Reads the parts of a template with every length checked against the bytes left.
class TemplateReader {
public:
    TemplateReader(const void* data, size_t size) : base_(static_cast<const BYTE*>(data)), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Read() {
        T value{};
        if (!ok_ || size_ - offset_ < sizeof(T)) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, base_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    // A menu, class or title field: 0 none, 0xFFFF an ordinal word, else a
    // zero-terminated UTF-16 string. Returns whether the field names something.
    bool SkipNameOrOrdinal() {
        const WORD first = Read<WORD>();
        if (!ok_ || first == 0) return false;
        if (first == 0xFFFF) {
            Read<WORD>();
            return true;
        }
        while (ok_ && Read<WORD>() != 0) {
        }
        return true;
    }

    std::wstring ReadString() {
        std::wstring text;
        for (WORD c = Read<WORD>(); ok_ && c != 0; c = Read<WORD>()) text += static_cast<wchar_t>(c);
        return text;
    }

    void AlignToDword() {
        offset_ = (offset_ + 3) & ~static_cast<size_t>(3);
        if (offset_ > size_) ok_ = false;
    }

    void Skip(size_t bytes) {
        if (size_ - offset_ < bytes) {
            ok_ = false;
            return;
        }
        offset_ += bytes;
    }

private:
    const BYTE* base_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

bool ReadHeaderAndFont(TemplateReader& reader, DialogTemplateLayout& layout, WORD& itemCount) {
    if (reader.Read<WORD>() != 1 || reader.Read<WORD>() != 0xFFFF) return false;
    reader.Read<DWORD>();  // help id
    layout.exStyle = reader.Read<DWORD>();
    layout.style = reader.Read<DWORD>();
    itemCount = reader.Read<WORD>();
    reader.Read<short>();
    reader.Read<short>();
    layout.cx = reader.Read<short>();
    layout.cy = reader.Read<short>();
    layout.font = TemplateFontInfo{};
    layout.font.hasMenu = reader.SkipNameOrOrdinal();
    reader.SkipNameOrOrdinal();  // class
    reader.ReadString();         // title
    if (layout.style & DS_SETFONT) {
        const WORD points = reader.Read<WORD>();
        // A negative 16-bit size counts by its magnitude.
        layout.font.pointSize = points > 0x7FFF ? 0x10000 - points : points;
        layout.font.weight = reader.Read<WORD>();
        layout.font.italic = reader.Read<BYTE>() != 0;
        reader.Read<BYTE>();  // character set: the font is made with the default one
        layout.font.faceName = reader.ReadString();
    }
    return reader.ok();
}

bool LoadTemplate(HMODULE module, WORD templateId, DialogTemplateLayout& layout) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (resource == nullptr) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data != nullptr && ReadDialogTemplate(data, SizeofResource(module, resource), layout);
}

int Scale(int units, int base, int divisor) {
    return static_cast<int>(static_cast<double>(units) * base / divisor + 0.5);
}

// Each template item with its window: the search goes forward in the children's
// z-order from the last match, as the dialog manager made them in template order,
// and stops at the first item without a window.
template <typename Visit>
void ForEachItemWindow(HWND dialog, const DialogTemplateLayout& layout, Visit visit) {
    HWND next = GetWindow(dialog, GW_CHILD);
    for (const TemplateItem& item : layout.items) {
        HWND found = next;
        while (found != nullptr && GetDlgCtrlID(found) != item.id) found = GetWindow(found, GW_HWNDNEXT);
        if (found == nullptr) return;
        visit(item, found);
        next = GetWindow(found, GW_HWNDNEXT);
    }
}

}  // namespace

bool ReadDialogTemplate(const void* data, size_t size, DialogTemplateLayout& layout) {
    TemplateReader reader(data, size);
    WORD itemCount = 0;
    if (!ReadHeaderAndFont(reader, layout, itemCount)) return false;
    layout.items.clear();
    for (WORD i = 0; i < itemCount; ++i) {
        reader.AlignToDword();
        reader.Read<DWORD>();  // help id
        reader.Read<DWORD>();  // extended style
        reader.Read<DWORD>();  // style
        TemplateItem item;
        item.x = reader.Read<short>();
        item.y = reader.Read<short>();
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = static_cast<int>(reader.Read<DWORD>());
        reader.SkipNameOrOrdinal();  // class
        reader.SkipNameOrOrdinal();  // title
        reader.Skip(reader.Read<WORD>());  // creation data
        if (!reader.ok()) return false;
        layout.items.push_back(item);
    }
    return true;
}

bool ReadTemplateFont(const void* data, size_t size, TemplateFontInfo& font) {
    TemplateReader reader(data, size);
    DialogTemplateLayout layout;
    WORD itemCount = 0;
    if (!ReadHeaderAndFont(reader, layout, itemCount)) return false;
    font = layout.font;
    return true;
}

DialogBaseUnits MeasureDialogBaseUnits(HFONT font, HDC dc) {
    static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    DialogBaseUnits units;
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE extent{};
    GetTextExtentPoint32W(dc, kLetters, 52, &extent);
    SelectObject(dc, previous);
    units.width = (extent.cx / 26 + 1) / 2;
    units.height = metrics.tmHeight;
    return units;
}

void ScaleDialogFont(HWND dialog, WORD templateId, double dotsPerInch, HMODULE resourceModule,
                     DialogFontState& state) {
    if (state.dialog != nullptr) RestoreDialogFont(state);
    state.templateId = templateId;
    state.resourceModule = resourceModule;
    state.dialog = dialog;

    DialogTemplateLayout layout;
    if (!LoadTemplate(resourceModule, templateId, layout)) return;

    LOGFONTW logFont{};
    logFont.lfHeight = -static_cast<LONG>(layout.font.pointSize * dotsPerInch / 72.0 + 0.5);
    logFont.lfWeight = layout.font.weight;
    logFont.lfItalic = layout.font.italic ? TRUE : FALSE;
    logFont.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(logFont.lfFaceName, LF_FACESIZE, layout.font.faceName.c_str(), _TRUNCATE);
    state.createdFont = CreateFontIndirectW(&logFont);
    if (state.createdFont == nullptr) return;
    state.previousFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(state.createdFont), TRUE);

    HDC dc = GetDC(dialog);
    const DialogBaseUnits units = MeasureDialogBaseUnits(state.createdFont, dc);
    ReleaseDC(dialog, dc);

    // The client area keeps its origin and takes the template's size.
    RECT rect{0, 0, Scale(layout.cx, units.width, 4), Scale(layout.cy, units.height, 8)};
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    AdjustWindowRectEx(&rect, layout.style, layout.font.hasMenu ? TRUE : FALSE, layout.exStyle);
    // A page is placed in its parent's coordinates, a top-level window on the screen.
    if (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) {
        MapWindowPoints(nullptr, GetAncestor(dialog, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
    }
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);

    ForEachItemWindow(dialog, layout, [&](const TemplateItem& item, HWND control) {
        MoveWindow(control, Scale(item.x, units.width, 4), Scale(item.y, units.height, 8),
                   Scale(item.cx, units.width, 4), Scale(item.cy, units.height, 8), TRUE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.createdFont), TRUE);
    });
}

void RestoreDialogFont(DialogFontState& state) {
    if (state.dialog == nullptr) return;
    if (IsWindow(state.dialog)) {
        SendMessageW(state.dialog, WM_SETFONT, reinterpret_cast<WPARAM>(state.previousFont), TRUE);
        DialogTemplateLayout layout;
        if (LoadTemplate(state.resourceModule, state.templateId, layout)) {
            ForEachItemWindow(state.dialog, layout, [&](const TemplateItem&, HWND control) {
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.previousFont), TRUE);
            });
        }
    }
    if (state.createdFont != nullptr) DeleteObject(state.createdFont);
    state = DialogFontState{};
}
