// The page markup tables: the form every code takes, a few texts as written, the colour numbers.
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace markup;

namespace {

std::string pair(const TCodePair& p) {
    return std::string(p.opening) + "|" + std::string(p.closing);
}

} // namespace

// Every caret code opens with "^" and a capital letter and closes with "^" and the same letter
// small; no two codes share a letter.
TEST(MarkupTables, CaretCodesPairACapitalWithItsSmallLetter) {
    std::string letters;
    for (const TCodePair& p : kCaretCodes) {
        SCOPED_TRACE(pair(p));
        ASSERT_GE(p.opening.size(), 2u);
        ASSERT_EQ(p.closing.size(), 2u);
        EXPECT_EQ(p.opening[0], '^');
        EXPECT_EQ(p.closing[0], '^');
        EXPECT_TRUE(p.opening[1] >= 'A' && p.opening[1] <= 'Z');
        EXPECT_EQ(p.closing[1], p.opening[1] - 'A' + 'a');
        EXPECT_EQ(letters.find(p.opening[1]), std::string::npos);
        letters += p.opening[1];
    }
}

// The texts as the author sees them written.
TEST(MarkupTables, CodesAsWritten) {
    EXPECT_EQ(pair(kBold), "^B|^b");
    EXPECT_EQ(pair(kTab), "^T8|^t");
    EXPECT_EQ(pair(kFontColor), "^P|^p");
    EXPECT_EQ(pair(kActionLink), "^L|^l");
    EXPECT_EQ(pair(kVariable), "[|]");
    EXPECT_EQ(kTargetLinkAction, "=:Target");
}

// Pages already written name their colours by number: the numbers keep their colours, and the
// names the page tools and the settings use lead to the same values.
TEST(MarkupTables, ColourNumbersKeepTheirColours) {
    ASSERT_EQ(kPageColorCount, 16);
    EXPECT_EQ(kPageColors[0].value, colors::rgb(0, 0, 0));
    EXPECT_EQ(kPageColors[9].value, colors::rgb(255, 0, 0));
    EXPECT_EQ(kPageColors[10].value, colors::rgb(0, 255, 0));
    EXPECT_EQ(kPageColors[12].value, colors::rgb(0, 0, 255));
    EXPECT_EQ(kPageColors[15].value, colors::rgb(255, 255, 255));
    for (const TPageColor& c : kPageColors) {
        SCOPED_TRACE(std::string(c.colour));
        EXPECT_EQ(colors::colorFromName(c.name), c.value);
        EXPECT_EQ(colors::colorName(c.value), std::string(c.name));
        EXPECT_EQ(ParseKeyColor(std::string(c.colour)), c.value); // as rule texts name them
    }
}

TEST(MarkupTables, NumberedOpeningCodes) {
    EXPECT_EQ(fontSizeOpening("12"), "^F12");
    EXPECT_EQ(fontSizeOpening("99"), "^F99");
    EXPECT_EQ(fontSizeOpening(""), "^F"); // an unfinished entry goes in unchanged
    EXPECT_EQ(fontSizeOpening("-+"), "^F-+");
    EXPECT_EQ(fontColorOpening(0), "^P0");
    EXPECT_EQ(fontColorOpening(9), "^P9");
    EXPECT_EQ(fontColorOpening(10), "^P10");
    EXPECT_EQ(fontColorOpening(15), "^P15");
    EXPECT_TRUE(isColorNumber(0));
    EXPECT_TRUE(isColorNumber(15));
    EXPECT_FALSE(isColorNumber(-1));
    EXPECT_FALSE(isColorNumber(16));
}

// Wrap and reselect: the new selection starts L + C before the caret, whatever the opening.
TEST(MarkupWrap, SelectedTextBetweenTheCodesAndReselected) {
    struct Case {
        std::string selected, opening, closing, text;
        int back, length;
    };
    const Case cases[] = {
        {"", "^B", "^b", "^B^b", 2, 0},
        {"", "[", "]", "[]", 1, 0},
        {"Hello", "^B", "^b", "^BHello^b", 7, 5},
        {"Hello", "^T8", "^t", "^T8Hello^t", 7, 5},
        {"Hello", "^F12", "^f", "^F12Hello^f", 7, 5},
        {"Hello", "^P10", "^p", "^P10Hello^p", 7, 5},
        {"3 pages", "^F12", "^f", "^F123 pages^f", 9, 7},
        {"5 apples", "^P1", "^p", "^P15 apples^p", 10, 8},
        {"b\r\nc", "^B", "^b", "^Bb\r\nc^b", 6, 4},
        {"^BHi^b", "^I", "^i", "^I^BHi^b^i", 8, 6},
        {"name", "[", "]", "[name]", 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TWrapResult r = wrapAndReselect(c.selected, c.opening, c.closing);
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.selStartFromCaret, -c.back);
        EXPECT_EQ(r.selLength, c.length);
        // The reselected text is the selected text.
        const size_t start = r.text.size() - static_cast<size_t>(c.back);
        EXPECT_EQ(r.text.substr(start, static_cast<size_t>(r.selLength)), c.selected);
    }
}

TEST(MarkupWrap, TargetLink) {
    EXPECT_EQ(targetLink("Chapter 2"), "^LChapter 2=:Target^l");
    EXPECT_EQ(targetLink(""), "^L=:Target^l");
    EXPECT_EQ(targetLink("a\r\n^Bb^b"), "^La\r\n^Bb^b=:Target^l");
}
