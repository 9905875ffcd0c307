// Caret codes as words of their own for the editor's word moves and double-click.
#include "editor/core/CodeWords.h"

#include <gtest/gtest.h>

using codewords::limitMove;
using codewords::limitWord;
using codewords::TRange;

TEST(CodeWords, ACodeIsFoundByEitherOfItsCharactersAndNeverByALoneCaret) {
    const std::u16string_view line = u"a^^B ^1 ^Lx^";
    EXPECT_EQ(codewords::codeAt(line, 0), (TRange{0, 0}));
    EXPECT_EQ(codewords::codeAt(line, 1), (TRange{1, 1})); // "^^": the first is plain
    EXPECT_EQ(codewords::codeAt(line, 2), (TRange{2, 4}));
    EXPECT_EQ(codewords::codeAt(line, 3), (TRange{2, 4}));
    EXPECT_EQ(codewords::codeAt(line, 5), (TRange{5, 5})); // "^1" is no code
    EXPECT_EQ(codewords::codeAt(line, 9), (TRange{8, 10}));
    EXPECT_EQ(codewords::codeAt(line, 11), (TRange{11, 11})); // a caret at the line's end
    EXPECT_EQ(codewords::codeAt(line, 12), (TRange{12, 12}));
}

TEST(CodeWords, DoubleClickSelectsTheCodeOrTheWordWithoutTheCodesLetter) {
    const std::u16string_view line = u"^LCommencer^l and ^Bbold^b";
    // The toolkit's word for a click in "Commencer" is "LCommencer^l"'s "LCommencer" [1, 11).
    EXPECT_EQ(limitWord(line, 5, 1, 11), (TRange{2, 11}));
    EXPECT_EQ(limitWord(line, 1, 1, 11), (TRange{0, 2})); // the "L"
    EXPECT_EQ(limitWord(line, 0, 0, 1), (TRange{0, 2}));  // the "^"
    EXPECT_EQ(limitWord(line, 12, 12, 13), (TRange{11, 13}));
    // A word that runs into a code is cut before it: "Bbold" after "^", "bold" ends at "^b".
    EXPECT_EQ(limitWord(line, 21, 19, 24), (TRange{20, 24}));
    // A word without codes, and a click outside the toolkit's word, stay as they are.
    EXPECT_EQ(limitWord(line, 15, 14, 17), (TRange{14, 17}));
    EXPECT_EQ(limitWord(line, 13, 13, 14), (TRange{13, 14}));
}

TEST(CodeWords, WordMovesStopAtEveryCodeEdgeInBothDirections) {
    const std::u16string_view line = u"^LCommencer^l go";
    // Forward, from the line start: the toolkit stops after "^" (inside the code), then past
    // "LCommencer"; the code's edges come first.
    EXPECT_EQ(limitMove(line, 0, 1), 2);
    EXPECT_EQ(limitMove(line, 2, 14), 11);
    EXPECT_EQ(limitMove(line, 11, 12), 13);
    EXPECT_EQ(limitMove(line, 13, 14), 14);
    // Backward from the end.
    EXPECT_EQ(limitMove(line, 16, 14), 14);
    EXPECT_EQ(limitMove(line, 14, 12), 13);
    EXPECT_EQ(limitMove(line, 13, 1), 11);
    EXPECT_EQ(limitMove(line, 11, 1), 2);
    EXPECT_EQ(limitMove(line, 2, 1), 0);
    // From between a code's "^" and its letter, and a move that goes nowhere.
    EXPECT_EQ(limitMove(line, 1, 14), 2);
    EXPECT_EQ(limitMove(line, 1, 0), 0);
    EXPECT_EQ(limitMove(line, 5, 5), 5);
    // A line without codes: the toolkit's target.
    EXPECT_EQ(limitMove(u"plain words", 0, 6), 6);
}
