#pragma once

#include <functional>
#include <string>

#include "platform/trim_blanks.h"

class CMarkup;

// Visits the elements of the markup object's document depth first, in document
// order: `onLeaf` for every element without child elements (name and text, both
// trimmed), `onClose` for every element with children once all of them have been
// visited (name trimmed). Either callback may be empty. Leaves the object's position
// at the end of the document.
void WalkMarkupElements(CMarkup& markup,
                        const std::function<void(const std::wstring& name, const std::wstring& text)>& onLeaf,
                        const std::function<void(const std::wstring& name)>& onClose);
