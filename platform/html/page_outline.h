#pragma once

#include <string>
#include <vector>

// What a page's markup holds for a host that runs the page without a browser:
// its elements with their nesting, and its scripts in document order.
struct OutlineElement {
    std::wstring tagName;  // lower case
    std::wstring id;
    std::wstring className;  // the class attribute as written
    std::wstring name;       // the name attribute (form fields)
    std::wstring text;     // the text up to the element's first child or end
    int parent = -1;       // index into the outline's elements; -1 at the top
    bool hidden = false;   // display:none in the element's own style
    bool isTextEdit = false;
};

struct OutlineScript {
    std::wstring source;  // the src attribute; empty for an inline script
    std::wstring text;    // the inline script
};

struct PageOutline {
    std::vector<OutlineElement> elements;
    std::vector<OutlineScript> scripts;
};

// Reads the markup leniently: a page that the browser shows is read as far as it
// goes; comments are skipped and script bodies taken as they stand.
PageOutline ReadPageOutline(const std::wstring& markup);
