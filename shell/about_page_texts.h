#pragma once

#include <string>
#include <vector>

// A text and the page element that shows it as its text.
struct ElementText {
    std::wstring elementId;
    std::wstring text;
};

// The product's web page, opened from the about page's link.
extern const wchar_t kProductWebAddress[];

// The texts of the about page (page 429) in the current language: edition,
// version, product title (twice), rights, trademark, warning and the product
// address. In backup mode the title is the program's own title.
std::vector<ElementText> AboutPageTexts(bool backupMode);

// The program's file version as "major.minor.build.revision"; empty when the
// program carries no version block.
std::wstring ProgramVersionText();
