#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

// The nineteen fonts the screens share, made once at start-up from the current
// language's font. Index 0 is the heading font; index 6 is the one every control of
// the main window gets; index 18 the header font.
inline constexpr std::size_t kAppFontCount = 19;

struct AppFontSpec {
    LONG height;
    LONG weight;
    bool italic;
};

// Heights and weights for a language; the first four fonts take "segoe UI" when it
// is installed, else the language's heading face, and the later ones the face of
// the fourth.
std::array<AppFontSpec, kAppFontCount> AppFontSpecs(unsigned languageId, bool segoeUiAvailable);

// The face of the first four fonts and, after them, of all others.
std::wstring AppFontFace(bool segoeUiAvailable, const std::wstring& languageHeadingFace);

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

class AppFonts {
public:
    // `base` is the language's LOGFONT (face, height, character set).
    void Create(const LOGFONTW& base, unsigned languageId, bool segoeUiAvailable,
                const std::wstring& languageHeadingFace);
    HFONT Get(std::size_t index) const { return index < fonts_.size() ? fonts_[index].get() : nullptr; }

private:
    std::array<OwnedFont, kAppFontCount> fonts_;
};

// "segoeui.ttf" lies in the system's fonts folder.
bool IsSegoeUiInstalled();
