#include "scan/markup_walk.h"

#include "foundation/markup.h"

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
