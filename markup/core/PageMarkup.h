#pragma once

// The page markup as data: the code pairs that the editor writes, the colour table, the editor's
// rule set, and the wrap-and-reselect computation of the style commands. Plain C++, no Qt.
//
// Texts are single-byte (page code page); a line break inside a selected text is CR LF and counts
// as two characters, like every offset in the editor.

#include "editor/core/ColorRules.h"
#include "editor/core/Colors.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

// The two texts that enclose a span: the opening text is written before the span's text, the
// closing text after it.
struct TCodePair {
    std::string_view opening;
    std::string_view closing;
    std::string_view name{}; ///< what the pair does, as the completion list names it
};

inline constexpr TCodePair kBold{"^B", "^b", "bold"};
inline constexpr TCodePair kItalic{"^I", "^i", "italic"};
inline constexpr TCodePair kUnderlined{"^U", "^u", "underlined"};
inline constexpr TCodePair kStrikeout{"^X", "^x", "strikeout"};
inline constexpr TCodePair kInverseVideo{"^R", "^r", "inverse video"};
inline constexpr TCodePair kCentred{"^C", "^c", "centred"};
inline constexpr TCodePair kTab{"^T8", "^t", "tab"}; ///< the only tab form the editor writes
inline constexpr TCodePair kTargetMark{"^M", "^m", "target mark"};
inline constexpr TCodePair kVariable{"[", "]", "variable"};

// Codes whose opening text continues with a number or whose closing text follows an action text.
inline constexpr TCodePair kFontSize{"^F", "^f",
                                     "font size"}; ///< "^F" is followed by the size as shown
inline constexpr TCodePair kFontColor{"^P", "^p",
                                      "font colour"}; ///< "^P" is followed by the colour number
inline constexpr TCodePair kActionLink{"^L", "^l", "action link"}; ///< "^l" follows the action text

// Every code pair written with a caret, by letter: the opening code is "^" and the capital letter,
// the closing code "^" and the small letter.
inline constexpr std::array<TCodePair, 11> kCaretCodes{
    kBold, kItalic,   kUnderlined, kStrikeout,  kInverseVideo, kCentred,
    kTab,  kFontSize, kFontColor,  kTargetMark, kActionLink};

// The range of the size box, and so of the sizes the editor normally writes after "^F".
inline constexpr int kFontSizeMin = 8;
inline constexpr int kFontSizeMax = 42;

// The action text of a target link, from "=" on; the editor always names the target Target.
inline constexpr std::string_view kTargetLinkAction = "=:Target";

// "^F" and the size text exactly as given: nothing is trimmed or checked, so an unfinished entry
// goes in unchanged.
std::string fontSizeOpening(std::string_view sizeText);
// "^P" and the colour number in decimal without leading zero.
std::string fontColorOpening(int colorNumber);

// The colour table: the colour number is the entry's index.
using TPageColor = colors::TBasicColor;
inline constexpr int kPageColorCount = colors::kBasicColorCount;
inline constexpr const auto& kPageColors = colors::kBasicColors;

// True for the numbers "^P" can carry, 0 to 15.
constexpr bool isColorNumber(int n) {
    return n >= 0 && n < kPageColorCount;
}

// The editor's one colour rule, as data: every property not listed keeps the rule's default.
struct TEditorRuleSet {
    std::vector<std::string> keywords;
    TKeyDrawingType keyDrawingType;
    bool partWord;
    TColor defKeyColor;
};
const TEditorRuleSet& editorRuleSet();

// Gives rule the editor rule set (keywords, drawing type, part-word matching, key colour) and
// builds its keyword table. Lives in its own source file so that the tables above link without
// the rule model.
void applyEditorRuleSet(TColorRule& rule);

// Wrap and reselect: the selected text between an opening and a closing text, then the same text
// selected again. The new selection is placed relative to the caret, which stands right after the
// inserted text: it starts selStartFromCaret characters from there (L + C back, L the selection's
// length and C the closing text's) and is selLength long, whatever the opening text's length.
struct TWrapResult {
    std::string text; ///< replaces the selection: opening, selected text, closing
    int selStartFromCaret = 0;
    int selLength = 0;
};
TWrapResult wrapAndReselect(std::string_view selected, std::string_view opening,
                            std::string_view closing);

// The target link around the selected text: "^L", the text, "=:Target", "^l". The caret stays
// after it with nothing selected.
std::string targetLink(std::string_view selected);

} // namespace markup
