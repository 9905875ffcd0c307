#pragma once

#include <string_view>

// Caret codes as words of their own. A caret code is "^" and the letter after it ("^B", "^L"); the
// editor's word moves (Ctrl+Left, Ctrl+Right, Ctrl+Backspace, Ctrl+Delete) and double-click take
// their words from the toolkit, which sees "^LCommencer" as "^" and the word "LCommencer". These
// functions cut such words at the codes' edges, so that a code's letter never joins the word after
// it. Positions are indexes into one line of text (UTF-16, as the editor holds it).
namespace codewords {

struct TRange {
    int Start = 0;
    int End = 0; ///< one past the last character
    bool operator==(const TRange&) const = default;
};

// The caret code that holds the character at `index`, or an empty range at `index` when none does.
TRange codeAt(std::u16string_view line, int index);

// A word move from `from` that the toolkit would take to `target` (either direction) stops at the
// first code edge on its way; a target between a code's "^" and its letter goes on to the code's
// far edge.
int limitMove(std::u16string_view line, int from, int target);

// The word that double-clicking the character at `index` selects, given the toolkit's word
// [start, end): the code itself when the character belongs to one, else the toolkit's word cut at
// the edges of the codes around the character.
TRange limitWord(std::u16string_view line, int index, int start, int end);

} // namespace codewords
