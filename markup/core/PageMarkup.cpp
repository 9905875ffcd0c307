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

namespace {

// The codes the editor colours, in the order of its keyword table, and the colour of those that do
// not take the rule's key colour. A caret code is listed by its closing code: with the rule's
// case-blind matching its small letter also finds the opening code.
struct TColouredCode {
    std::string_view code;
    TColor color = colors::clNone; ///< clNone: the rule's key colour
};
constexpr std::array<TColouredCode, 13> kColouredCodes{{
    {kCentred.closing},
    {kUnderlined.closing},
    {kBold.closing},
    {kTab.closing},
    {kActionLink.closing, colors::clGreen},
    {kItalic.closing},
    {kInverseVideo.closing},
    {kFontColor.closing},
    {kFontSize.closing},
    {kTargetMark.closing, colors::clSilver},
    {kStrikeout.closing},
    {kVariable.opening, colors::clNavy},
    {kVariable.closing, colors::clNavy},
}};

// A keyword line: the code, and ";" and the colour's plain name when it has one of its own.
std::string keywordLine(const TColouredCode& c) {
    std::string line(c.code);
    if (c.color != colors::clNone)
        for (const TPageColor& named : kPageColors)
            if (named.value == c.color)
                line.append(";").append(named.colour);
    return line;
}

} // namespace

const TEditorRuleSet& editorRuleSet() {
    static const TEditorRuleSet set = [] {
        TEditorRuleSet s{{}, dtKeyShow, true, colors::clBlue};
        for (const TColouredCode& c : kColouredCodes)
            s.keywords.push_back(keywordLine(c));
        return s;
    }();
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
