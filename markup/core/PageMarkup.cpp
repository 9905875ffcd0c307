#include "markup/core/PageMarkup.h"

namespace markup {

const std::array<TPageColor, kPageColorCount> kPageColors = {{
    {"black", "clBlack", 0, 0, 0},
    {"maroon", "clMaroon", 128, 0, 0},
    {"green", "clGreen", 0, 128, 0},
    {"olive", "clOlive", 128, 128, 0},
    {"navy", "clNavy", 0, 0, 128},
    {"purple", "clPurple", 128, 0, 128},
    {"teal", "clTeal", 0, 128, 128},
    {"gray", "clGray", 128, 128, 128},
    {"silver", "clSilver", 192, 192, 192},
    {"red", "clRed", 255, 0, 0},
    {"lime", "clLime", 0, 255, 0},
    {"yellow", "clYellow", 255, 255, 0},
    {"blue", "clBlue", 0, 0, 255},
    {"fuchsia", "clFuchsia", 255, 0, 255},
    {"aqua", "clAqua", 0, 255, 255},
    {"white", "clWhite", 255, 255, 255},
}};

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
