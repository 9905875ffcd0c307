#pragma once

// Reading a page into its pieces: plain text, opening and closing codes (with the number after
// "^F", "^P" and "^T"), codes of no known letter, action texts, variables and line breaks. Every
// view that reads the markup (preview, spelling, outline, completion) reads it through this one
// scanner, which takes its codes from kCaretCodes. Plain C++, no Qt.
//
// Texts are single-byte (page code page). Offsets are byte offsets into the text given, so for
// CR LF text they are the editor's offsets. The scanner never allocates; a line break always ends
// a piece, so a view that works line by line can start the scanner at any line with the state the
// previous line ended in.

#include "markup/core/PageMarkup.h"

#include <cstddef>
#include <string_view>

namespace markup {

// Index in kCaretCodes of the pair whose opening text starts like pair's, or -1.
constexpr int caretPairIndex(const TCodePair& pair) {
    for (std::size_t k = 0; k < kCaretCodes.size(); ++k)
        if (kCaretCodes[k].opening.substr(0, 2) == pair.opening.substr(0, 2))
            return static_cast<int>(k);
    return -1;
}

inline constexpr int kBoldPair = caretPairIndex(kBold);
inline constexpr int kItalicPair = caretPairIndex(kItalic);
inline constexpr int kUnderlinedPair = caretPairIndex(kUnderlined);
inline constexpr int kStrikeoutPair = caretPairIndex(kStrikeout);
inline constexpr int kInversePair = caretPairIndex(kInverseVideo);
inline constexpr int kCentredPair = caretPairIndex(kCentred);
inline constexpr int kTabPair = caretPairIndex(kTab);
inline constexpr int kSizePair = caretPairIndex(kFontSize);
inline constexpr int kColorPair = caretPairIndex(kFontColor);
inline constexpr int kTargetPair = caretPairIndex(kTargetMark);
inline constexpr int kLinkPair = caretPairIndex(kActionLink);

// True for the pairs whose opening code is followed by a number ("^F12", "^P4", "^T8").
constexpr bool takesNumber(int pair) {
    return pair == kSizePair || pair == kColorPair || pair == kTabPair;
}

enum class TPieceKind {
    Text,      ///< plain text: no code, no line break
    Open,      ///< an opening code, with its number when the pair takes one
    Close,     ///< a closing code
    Unknown,   ///< "^" and a letter that is no code of the markup: shown as typed
    Action,    ///< action text of a link: from "=" (included) up to "^l" or the line's end
    Variable,  ///< "[" name "]" on one line, outside action texts
    LineBreak, ///< CR LF, or LF alone
};

struct TPiece {
    TPieceKind kind = TPieceKind::Text;
    int offset = 0;
    int length = 0;
    int pair = -1;        ///< Open, Close: index in kCaretCodes
    int number = -1;      ///< Open of a pair that takes a number: its value, -1 when none given
    int numberLength = 0; ///< digits after the code's two bytes (all of them, however many)
};

// Where a scan stands between two pieces; what carries over a line break.
struct TScanState {
    int linksAwaitingAction = 0; ///< "^L" seen, its "=" not yet
    bool inAction = false;       ///< inside an action text, looking for "^l"
    bool operator==(const TScanState&) const = default;
};

class TMarkupScanner {
public:
    explicit TMarkupScanner(std::string_view text, int from = 0, TScanState state = {})
        : t_(text), i_(from), s_(state) {}

    // The next piece, or false at the end of the text.
    bool next(TPiece& piece);

    int position() const { return i_; }
    const TScanState& state() const { return s_; }

private:
    bool action(TPiece& piece);

    std::string_view t_;
    int i_ = 0;
    TScanState s_;
};

// The name of a variable piece, without its brackets.
inline std::string_view variableName(std::string_view text, const TPiece& p) {
    return text.substr(static_cast<std::size_t>(p.offset) + 1,
                       static_cast<std::size_t>(p.length) - 2);
}

} // namespace markup
