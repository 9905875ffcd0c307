// The page markup tables, checked against the markup's definition written out here by hand.
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

TEST(MarkupTables, CodePairsAreTheDefinedTexts) {
    EXPECT_EQ(pair(kBold), "^B|^b");
    EXPECT_EQ(pair(kItalic), "^I|^i");
    EXPECT_EQ(pair(kUnderlined), "^U|^u");
    EXPECT_EQ(pair(kStrikeout), "^X|^x");
    EXPECT_EQ(pair(kInverseVideo), "^R|^r");
    EXPECT_EQ(pair(kCentred), "^C|^c");
    EXPECT_EQ(pair(kTab), "^T8|^t");
    EXPECT_EQ(pair(kFontSize), "^F|^f");
    EXPECT_EQ(pair(kFontColor), "^P|^p");
    EXPECT_EQ(pair(kTargetMark), "^M|^m");
    EXPECT_EQ(pair(kActionLink), "^L|^l");
    EXPECT_EQ(pair(kVariable), "[|]");
    EXPECT_EQ(kTargetLinkAction, "=:Target");
}

TEST(MarkupTables, ColourTableInColourNumberOrder) {
    struct Row {
        const char* colour;
        const char* name;
        unsigned r, g, b;
    };
    const Row rows[] = {
        {"black", "clBlack", 0, 0, 0},         {"maroon", "clMaroon", 128, 0, 0},
        {"green", "clGreen", 0, 128, 0},       {"olive", "clOlive", 128, 128, 0},
        {"navy", "clNavy", 0, 0, 128},         {"purple", "clPurple", 128, 0, 128},
        {"teal", "clTeal", 0, 128, 128},       {"gray", "clGray", 128, 128, 128},
        {"silver", "clSilver", 192, 192, 192}, {"red", "clRed", 255, 0, 0},
        {"lime", "clLime", 0, 255, 0},         {"yellow", "clYellow", 255, 255, 0},
        {"blue", "clBlue", 0, 0, 255},         {"fuchsia", "clFuchsia", 255, 0, 255},
        {"aqua", "clAqua", 0, 255, 255},       {"white", "clWhite", 255, 255, 255},
    };
    ASSERT_EQ(kPageColorCount, 16);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const TPageColor& c = kPageColors[static_cast<size_t>(i)];
        EXPECT_EQ(c.colour, rows[i].colour);
        EXPECT_EQ(c.name, rows[i].name);
        EXPECT_EQ(c.value(), rows[i].r + 256 * rows[i].g + 65536 * rows[i].b);
        // The framework's value of the same name.
        EXPECT_EQ(colors::colorFromName(c.name), c.value());
    }
    EXPECT_EQ(kPageColors[10].value(), 0x00FF00u);
    EXPECT_EQ(kPageColors[12].value(), 0xFF0000u);
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

TEST(MarkupTables, EditorRuleSet) {
    const TEditorRuleSet& set = editorRuleSet();
    const std::vector<std::string> keywords = {"^c", "^u",     "^b",    "^t", "^l;green",
                                               "^i", "^r",     "^p",    "^f", "^m;silver",
                                               "^x", "[;navy", "];navy"};
    EXPECT_EQ(set.keywords, keywords);
    EXPECT_EQ(set.keyDrawingType, dtKeyShow);
    EXPECT_TRUE(set.partWord);
    EXPECT_EQ(set.defKeyColor, colors::clBlue);
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
