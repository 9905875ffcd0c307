#include "markup/core/PageMarkup.h"

namespace markup {

std::string fontSizeOpening(std::string_view sizeText) {
    std::string s(kFontSize.opening);
    s += sizeText;
    return s;
}

std::string fontColorOpening(int colorNumber) {
    return std::string(kFontColor.opening) + std::to_string(colorNumber);
}

const TEditorRuleSet& editorRuleSet() {
    // With the rule's case-blind matching each lower-case entry also colours its capital opening
    // code.
    static const TEditorRuleSet set{
        {"^c", "^u", "^b", "^t", "^l;green", "^i", "^r", "^p", "^f", "^m;silver", "^x", "[;navy",
         "];navy"},
        dtKeyShow,
        true,
        colors::clBlue,
    };
    return set;
}

TWrapResult wrapAndReselect(std::string_view selected, std::string_view opening,
                            std::string_view closing) {
    TWrapResult r;
    r.text.reserve(opening.size() + selected.size() + closing.size());
    r.text += opening;
    r.text += selected;
    r.text += closing;
    r.selLength = static_cast<int>(selected.size());
    r.selStartFromCaret = -(r.selLength + static_cast<int>(closing.size()));
    return r;
}

std::string targetLink(std::string_view selected) {
    std::string s(kActionLink.opening);
    s += selected;
    s += kTargetLinkAction;
    s += kActionLink.closing;
    return s;
}

} // namespace markup
