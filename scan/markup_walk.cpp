#include "scan/markup_walk.h"

#include "foundation/markup.h"

std::wstring TrimBlanks(const std::wstring& text) {
    static constexpr wchar_t kBlanks[] = L" \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

void WalkMarkupElements(CMarkup& markup,
                        const std::function<void(const std::wstring& name, const std::wstring& text)>& onLeaf,
                        const std::function<void(const std::wstring& name)>& onClose) {
    // Iterative, so the walk's depth is bounded by the markup object's own nesting
    // limit and not by the stack.
    int depth = 0;
    bool found = markup.FindElem();
    for (;;) {
        if (found) {
            // Step into the element just found; a first child makes it a holder.
            markup.IntoElem();
            if (markup.FindElem()) {
                ++depth;
                continue;
            }
            markup.OutOfElem();
            if (onLeaf) onLeaf(TrimBlanks(markup.GetTagName()), TrimBlanks(markup.GetData()));
            found = markup.FindElem();
            continue;
        }
        if (depth == 0) break;
        markup.OutOfElem();
        --depth;
        if (onClose) onClose(TrimBlanks(markup.GetTagName()));
        found = markup.FindElem();
    }
}
