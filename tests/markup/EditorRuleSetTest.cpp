// The editor's rule set given to a colour rule: the properties it sets, the defaults it keeps and
// the colours the rule then finds in page text.
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Colour of each key found in text, by its text.
std::map<std::string, TColor> keyColors(TColorRule& rule, const std::string& text) {
    TKeyDescrList keys;
    TCoveredRange covered;
    const int n = FindKeys(rule, keys, 0, text.c_str(), 0, static_cast<int>(text.size()), covered);
    std::map<std::string, TColor> out;
    for (int i = 0; i < n; ++i)
        out[text.substr(static_cast<size_t>(keys[i].StartPos),
                        static_cast<size_t>(keys[i].EndPos - keys[i].StartPos + 1))] =
            keys[i].Color;
    return out;
}

} // namespace

TEST(MarkupRuleSet, AppliedRuleKeepsEveryOtherDefault) {
    TColorRule rule;
    markup::applyEditorRuleSet(rule);
    EXPECT_EQ(rule.Keywords, markup::editorRuleSet().keywords);
    EXPECT_EQ(rule.KeyDrawingType, dtKeyShow);
    EXPECT_TRUE(rule.PartWord);
    EXPECT_EQ(rule.DefKeyColor, colors::clBlue);
    EXPECT_FALSE(rule.KeyCase);
    EXPECT_TRUE(rule.Enabled);
    EXPECT_EQ(rule.ZOrder, 0);
    EXPECT_EQ(rule.KeyMaxHeight, 1);
    EXPECT_EQ(rule.KeySelColor, colors::clYellow);
    EXPECT_EQ(rule.KeyBrushColor, colors::clWindow);
    EXPECT_TRUE(rule.KeyBegEndLst.empty());
    EXPECT_TRUE(rule.KeyLineEndLst.empty());
    EXPECT_TRUE(rule.IntChar.empty());
}

TEST(MarkupRuleSet, CodesOfEitherCaseTakeTheirColours) {
    TColorRule rule;
    markup::applyEditorRuleSet(rule);
    const auto found = keyColors(rule, "x^bHello ^L=:Target^l ^Mm^m [v] ^C^T8^F12^P3^I^U^X^R");
    const std::map<std::string, TColor> expected = {
        {"^b", colors::clBlue},   {"^L", colors::clGreen},  {"^l", colors::clGreen},
        {"^M", colors::clSilver}, {"^m", colors::clSilver}, {"[", colors::clNavy},
        {"]", colors::clNavy},    {"^C", colors::clBlue},   {"^T", colors::clBlue},
        {"^F", colors::clBlue},   {"^P", colors::clBlue},   {"^I", colors::clBlue},
        {"^U", colors::clBlue},   {"^X", colors::clBlue},   {"^R", colors::clBlue},
    };
    EXPECT_EQ(found, expected);
}
