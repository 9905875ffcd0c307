// The editor's rule set given to a colour rule: the properties it sets, the defaults it keeps and
// the colours the rule then finds in page text.
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <cctype>
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

// The code itself: the caret and its letter, without what follows it ("^T" of "^T8").
std::string code(std::string_view text) {
    return std::string(text.substr(0, text[0] == '^' ? 2 : 1));
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

// Both codes of every pair are coloured, in one colour per pair, inside words too.
TEST(MarkupRuleSet, EveryCodeIsColouredAsItsPartner) {
    TColorRule rule;
    markup::applyEditorRuleSet(rule);
    std::string text = "x";
    std::map<std::string, std::string> partner;
    for (const markup::TCodePair& p : markup::kCaretCodes) {
        text.append(p.opening).append("word").append(p.closing).append("w");
        partner[code(p.opening)] = code(p.closing);
    }
    text.append(markup::kVariable.opening).append("v").append(markup::kVariable.closing);
    partner[code(markup::kVariable.opening)] = code(markup::kVariable.closing);

    const std::map<std::string, TColor> found = keyColors(rule, text);
    EXPECT_EQ(found.size(), 2 * partner.size());
    for (const auto& [opening, closing] : partner) {
        SCOPED_TRACE(opening);
        ASSERT_TRUE(found.contains(opening));
        ASSERT_TRUE(found.contains(closing));
        EXPECT_EQ(found.at(opening), found.at(closing));
    }
    // The colours the author sees.
    EXPECT_EQ(found.at("^B"), colors::clBlue);
    EXPECT_EQ(found.at("^p"), colors::clBlue);
    EXPECT_EQ(found.at("^L"), colors::clGreen);
    EXPECT_EQ(found.at("^m"), colors::clSilver);
    EXPECT_EQ(found.at("["), colors::clNavy);
}

// A caret before any other letter is plain text.
TEST(MarkupRuleSet, OnlyCodesAreColoured) {
    TColorRule rule;
    markup::applyEditorRuleSet(rule);
    std::string codes;
    for (const markup::TCodePair& p : markup::kCaretCodes)
        codes += p.opening[1];
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const bool isCode = codes.find(letter) != std::string::npos;
        for (char c : {letter, char(std::tolower(letter))}) {
            const std::string text = std::string("a^") + c + "b";
            EXPECT_EQ(keyColors(rule, text).size(), isCode ? 1u : 0u) << text;
        }
    }
    EXPECT_TRUE(keyColors(rule, "^ ^^ ^1 <a> {b} (c)").empty());
}
