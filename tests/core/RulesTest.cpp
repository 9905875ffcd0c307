// The colour rules: colour texts, the three list syntaxes, rebuilding and the finder. One file,
// somewhat past 600 lines, because every group shares the same small finder helpers below.

#include "editor/core/ColorRules.h"
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Found {
    int start;
    int end;
    TColor color;
    int zOrder;
    bool keyword;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Found& f) {
    return os << "{" << f.start << ".." << f.end << " color 0x" << std::hex << f.color << std::dec
              << " z" << f.zOrder << (f.keyword ? " kw" : "") << "}";
}

// Runs the finder over text[scanStart, text.size()) with a fresh key list.
std::vector<Found> find(TColorRule& rule, const std::string& text, int scanStart = 0,
                        TCoveredRange* coveredOut = nullptr) {
    TKeyDescrList keys;
    TCoveredRange covered;
    const int n =
        FindKeys(rule, keys, 0, text.c_str(), scanStart, static_cast<int>(text.size()), covered);
    std::vector<Found> out;
    for (int i = 0; i < n; ++i)
        out.push_back(
            {keys[i].StartPos, keys[i].EndPos, keys[i].Color, keys[i].ZOrder, keys[i].IsKeyword});
    if (coveredOut)
        *coveredOut = covered;
    return out;
}

void makeKeywordRule(TColorRule& rule, const std::vector<std::string>& lines,
                     bool partWord = false) {
    rule.KeyDrawingType = dtKeyShow;
    rule.PartWord = partWord;
    rule.SetKeywords(lines);
}

} // namespace

// --- Colour texts -------------------------------------------------------------------------------

TEST(RulesParseKeyColor, NamesAreTheSixteenOnlyWhateverTheCaseAndBlanks) {
    EXPECT_EQ(ParseKeyColor("green"), 0x008000u);
    EXPECT_EQ(ParseKeyColor(" \tNavy \x01"), 0x800000u);
    EXPECT_EQ(ParseKeyColor("FUCHSIA"), 0xFF00FFu);
    EXPECT_EQ(ParseKeyColor("silver"), 0xC0C0C0u);
    EXPECT_EQ(ParseKeyColor("clGreen"), 0xFFFFFFu); // no "cl" prefix
    EXPECT_EQ(ParseKeyColor("GREENISH"), 0xFFFFFFu);
    EXPECT_EQ(ParseKeyColor("gre en"), 0xFFFFFFu);
}

TEST(RulesParseKeyColor, NumbersAreHexadecimalRrggbb) {
    EXPECT_EQ(ParseKeyColor("#FF8000"), 0x0080FFu); // orange
    EXPECT_EQ(ParseKeyColor("#008000"), 0x008000u);
    EXPECT_EQ(ParseKeyColor("ff8000"), 0x0080FFu);
    EXPECT_EQ(ParseKeyColor("255"), 0x550200u); // read as 0x255
    EXPECT_EQ(ParseKeyColor("$0000FF"), 0xFF0000u);
    EXPECT_EQ(ParseKeyColor("#$0000FF"), 0xFF0000u);
    EXPECT_EQ(ParseKeyColor("12FFFFFF"), 0xFFFFFFu); // the top byte is dropped
    EXPECT_EQ(ParseKeyColor("0"), 0u);
}

TEST(RulesParseKeyColor, OnlyTheFirstTenCharactersCount) {
    EXPECT_EQ(ParseKeyColor("0000000000FF"), 0u); // cut to ten zeros
    EXPECT_EQ(ParseKeyColor("00000000FF"), 0xFF0000u);
    EXPECT_EQ(ParseKeyColor("   00000000FFzz"), 0xFF0000u); // trimmed before the cut
}

TEST(RulesParseKeyColor, SignsAndOverflowFollowTheIntegerConversion) {
    EXPECT_EQ(ParseKeyColor("+$FF"), 0xFF0000u);
    EXPECT_EQ(ParseKeyColor("-$10"), 0xF0FFFFu); // 0xFFFFFFF0
    EXPECT_EQ(ParseKeyColor("-$1"), 0xFFFFFFu);
    EXPECT_EQ(ParseKeyColor("FFFFFFFF"), 0xFFFFFFu);  // all 32 bits
    EXPECT_EQ(ParseKeyColor("1FFFFFFFF"), 0xFFFFFFu); // overflow: white
    EXPECT_EQ(ParseKeyColor("100000000"), 0xFFFFFFu); // overflow, not 0
}

TEST(RulesParseKeyColor, AnythingElseIsWhite) {
    for (const char* text : {"", "   ", "$", "#", "##FF", "12$34", "FF$", "$-FF", "-FF", "$ FF",
                             "0x00FF00", "FFG", "\xE9", "#FF 00", "red;"})
        EXPECT_EQ(ParseKeyColor(text), 0xFFFFFFu) << '"' << text << '"';
}

// --- Keyword lines ------------------------------------------------------------------------------

TEST(RulesKeywordTable, BlankLinesAndEmptyKeysAreSkippedWithoutTakingASlot) {
    TColorRule rule;
    rule.DefKeyColor = colors::clRed;
    makeKeywordRule(rule, {"", "  \t", ";green", " ;lime", "a", "b;navy"}, true);
    EXPECT_EQ(find(rule, "a b ;"), (std::vector<Found>{{0, 0, colors::clRed, 0, true},
                                                       {2, 2, colors::clNavy, 0, true}}));
    // Thirty-nine more colours still get slots of their own: the skipped lines took none.
    std::vector<std::string> lines = rule.Keywords;
    for (int i = 1; i <= 39; ++i)
        lines.push_back("k" + std::to_string(i) + "x;" + std::to_string(i));
    rule.SetKeywords(lines);
    EXPECT_EQ(find(rule, "k39x"), (std::vector<Found>{{0, 3, ParseKeyColor("39"), 0, true}}));
    EXPECT_EQ(find(rule, "a")[0].color, colors::clRed);
}

TEST(RulesKeywordTable, KeysKeepTheirBlanksAndFollowKeyCase) {
    TColorRule rule;
    makeKeywordRule(rule, {" rem ;  ", "Mixed"}, true);
    const TColor def = rule.DefKeyColor; // blank colour part: the default
    EXPECT_EQ(find(rule, "x REM y"), (std::vector<Found>{{1, 5, def, 0, true}}));
    EXPECT_TRUE(find(rule, "xremy").empty());
    EXPECT_EQ(find(rule, "MIXED"), (std::vector<Found>{{0, 4, def, 0, true}}));
    rule.KeyCase = true;
    EXPECT_EQ(find(rule, "MIXED").size(), 1u); // until rebuilt
    rule.SetKeywords(rule.Keywords);
    EXPECT_TRUE(find(rule, "MIXED").empty());
    EXPECT_TRUE(find(rule, " REM ").empty());
    EXPECT_EQ(find(rule, "Mixed").size(), 1u);
}

TEST(RulesKeywordTable, DefaultColourIsTakenAtBuildTime) {
    TColorRule rule;
    rule.KeyDrawingType = dtKeyShow;
    rule.Keywords = {"a"};
    rule.DefKeyColor = colors::clGreen;
    BuildTables(rule);
    rule.DefKeyColor = colors::clNavy;
    EXPECT_EQ(find(rule, "a"), (std::vector<Found>{{0, 0, colors::clGreen, 0, true}}));
}

TEST(RulesKeywordTable, FortyOneSlotsThenTheKeyBeforeLendsItsSlot) {
    TColorRule rule;
    std::vector<std::string> lines;
    for (int i = 0; i < 41; ++i)
        lines.push_back("k" + std::to_string(i) + ";" + std::to_string(i + 1));
    lines.push_back("new;ABCDEF");   // no free slot: slot of the key before (41)
    lines.push_back("old;5");        // colour already in slot 5
    lines.push_back("again;FEDCBA"); // no free slot: slot of "old" (5)
    rule.SetKeywords(lines);
    rule.KeyDrawingType = dtKeyShow;
    rule.PartWord = true;
    // "k4" is found inside "k40" too; keys come in table order, so "k40" is the last.
    EXPECT_EQ(find(rule, "k40").back().color, ParseKeyColor("41")); // the 41st colour has a slot
    EXPECT_EQ(find(rule, "new")[0].color, ParseKeyColor("41"));
    EXPECT_EQ(find(rule, "old")[0].color, ParseKeyColor("5"));
    EXPECT_EQ(find(rule, "again")[0].color, ParseKeyColor("5"));
}

// --- Begin/end and line-end lines ---------------------------------------------------------------

TEST(RulesPairTable, BeginEndLinesAreCutNotTrimmedAndEmptyEntriesStayEmpty) {
    TColorRule rule;
    rule.DefKeyColor = colors::clTeal;
    rule.SetKeyBegEndLst({"abcdefgh;123456789;red", " { ; } "});
    // Keys are cut to six characters: the span ends with "123456".
    EXPECT_EQ(find(rule, "abcdefgh123456789"),
              (std::vector<Found>{{0, 13, colors::clRed, 0, false}}));
    // Keys keep their blanks; a blank colour part gives the default.
    EXPECT_EQ(find(rule, "x { y } z"), (std::vector<Found>{{1, 7, colors::clTeal, 0, false}}));
    EXPECT_TRUE(find(rule, "{y}").empty());

    // A line without a begin key leaves its entry empty, and no entry after it is used.
    for (const char* empty : {";x", "nosemi"}) {
        rule.SetKeyBegEndLst({"<;>", empty, "[;]"});
        EXPECT_EQ(find(rule, "<a> [b] ;x nosemi").size(), 1u) << empty;
    }

    // "a;" has no end key: reaching it ends the search. Colour part ";" is not a colour.
    rule.SetKeyBegEndLst({"<;>;;", "a;"});
    EXPECT_EQ(find(rule, "<y>"), (std::vector<Found>{{0, 2, 0xFFFFFFu, 0, false}}));
    EXPECT_EQ(find(rule, "<y> a <z>"), (std::vector<Found>{{0, 2, 0xFFFFFFu, 0, false}}));
}

TEST(RulesPairTable, OnlyFortyLinesAreRead) {
    TColorRule rule;
    std::vector<std::string> lines(39, "z;z");
    lines.push_back("[;]"); // the fortieth
    lines.push_back("<;>");
    rule.SetKeyBegEndLst(lines);
    EXPECT_EQ(find(rule, "[a]").size(), 1u);
    EXPECT_TRUE(find(rule, "<a>").empty());
}

TEST(RulesPairTable, LineEndLinesAndTheDoubledSemicolon) {
    // What a line-end rule of the given lines colours in text.
    auto lineEnd = [](const std::vector<std::string>& lines, const std::string& text) {
        TColorRule rule;
        rule.KeyDrawingType = dtBeginLineEnd;
        rule.DefKeyColor = colors::clMaroon;
        rule.SetKeyLineEndLst(lines);
        return find(rule, text);
    };
    using V = std::vector<Found>;
    const TColor maroon = colors::clMaroon;
    EXPECT_EQ(lineEnd({";;teal"}, "a;b\r\nc"), (V{{1, 2, colors::clTeal, 0, false}}));
    EXPECT_EQ(lineEnd({";x"}, ";y ;x z"), (V{{3, 6, maroon, 0, false}}));
    EXPECT_EQ(lineEnd({"rem;red"}, "a rem red b\r\nc"), (V{{2, 10, colors::clRed, 0, false}}));
    // A single leading ";" makes all of the line key.
    EXPECT_EQ(lineEnd({";x;red"}, ";x; ;x;red b"), (V{{4, 11, maroon, 0, false}}));
    EXPECT_EQ(lineEnd({"x;;y"}, "ax b"), (V{{1, 3, 0xFFFFFFu, 0, false}})); // ";y"
    EXPECT_EQ(lineEnd({"abcdefghij;blue"}, "abcdefXY"), (V{{0, 7, colors::clBlue, 0, false}}));
    EXPECT_EQ(lineEnd({";"}, "a;b"), (V{{1, 2, maroon, 0, false}}));
    EXPECT_EQ(lineEnd({";;"}, "a;b"), (V{{1, 2, maroon, 0, false}}));
    EXPECT_TRUE(lineEnd({"", "rem"}, "rem").empty()); // an empty line ends the table

    // All lines in one rule: an earlier entry wins a tie.
    const std::vector<std::string> all = {";;teal",          ";x", "rem;red", ";x;red", "x;;y",
                                          "abcdefghij;blue", ";",  ";;",      ""};
    EXPECT_EQ(lineEnd(all, "a;x\r\nrem b"),
              (V{{1, 2, colors::clTeal, 0, false}, {5, 9, colors::clRed, 0, false}}));

    // Line-end keys have no end key: read as begin/end pairs they find nothing.
    TColorRule rule;
    rule.SetKeyLineEndLst({"rem;red"});
    EXPECT_TRUE(find(rule, "rem red").empty());
}

TEST(RulesPairTable, TheLaterSetterDecidesTheSharedTable) {
    TColorRule rule;
    rule.KeyDrawingType = dtBeginLineEnd;
    const TColor def = rule.DefKeyColor;
    const std::string text = "{a} b\r\nrem c";
    rule.SetKeyBegEndLst({"{;}"});
    rule.SetKeyLineEndLst({"rem"});
    EXPECT_EQ(find(rule, text), (std::vector<Found>{{7, 11, def, 0, false}}));
    rule.SetKeyBegEndLst({"{;}"});
    EXPECT_EQ(find(rule, text), (std::vector<Found>{{0, 4, def, 0, false}})); // "{" to line end
    rule.KeyDrawingType = dtBeginEnd;
    EXPECT_EQ(find(rule, text), (std::vector<Found>{{0, 2, def, 0, false}}));
    EXPECT_EQ(rule.KeyLineEndLst, std::vector<std::string>{"rem"});
}

// --- Rebuilding and copying ---------------------------------------------------------------------

TEST(RulesRebuild, BuildTablesFollowsTheKindAndReportsLines) {
    TColorRule rule;
    const TColor def = rule.DefKeyColor;
    const std::string text = "{a}\r\nrem b";
    EXPECT_FALSE(BuildTables(rule));
    EXPECT_TRUE(find(rule, text).empty());
    rule.Keywords = {"a"};
    EXPECT_FALSE(BuildTables(rule)); // dtBeginEnd ignores keywords
    rule.KeyDrawingType = dtKeyShow;
    EXPECT_TRUE(find(rule, "a").empty()); // not built yet
    EXPECT_TRUE(BuildTables(rule));
    EXPECT_EQ(find(rule, "a").size(), 1u);
    rule.Keywords.clear();
    rule.KeyLineEndLst = {"rem"};
    EXPECT_FALSE(BuildTables(rule));
    rule.KeyDrawingType = dtBeginLineEnd;
    rule.KeyBegEndLst = {"{;}"};
    EXPECT_TRUE(BuildTables(rule));
    // Line-end lines replace begin/end ones.
    EXPECT_EQ(find(rule, text), (std::vector<Found>{{5, 9, def, 0, false}}));
    rule.KeyLineEndLst.clear();
    rule.KeyDrawingType = dtEventDraw;
    EXPECT_TRUE(BuildTables(rule)); // begin/end lines count for every kind
    rule.KeyDrawingType = dtBeginEnd;
    EXPECT_EQ(find(rule, text), (std::vector<Found>{{0, 2, def, 0, false}}));
}

TEST(RulesRebuild, PrepareRulesRebuildsOnAlternatePassesOnceARuleHasLines) {
    TDrawRules rules;
    EXPECT_TRUE(rules.RebuildPending);
    TColorRule& rule = rules.Add();
    rule.KeyDrawingType = dtKeyShow;
    PrepareRules(rules); // no lines anywhere: flag stays, rebuilt again next time
    EXPECT_TRUE(rules.RebuildPending);
    rule.Keywords = {"a"};
    PrepareRules(rules);
    EXPECT_FALSE(rules.RebuildPending);
    EXPECT_EQ(find(rule, "a").size(), 1u);

    rule.Keywords = {"b"}; // changed directly: seen within two passes
    PrepareRules(rules);
    EXPECT_TRUE(rules.RebuildPending);
    EXPECT_EQ(find(rule, "b").size(), 0u);
    PrepareRules(rules);
    EXPECT_FALSE(rules.RebuildPending);
    EXPECT_EQ(find(rule, "b").size(), 1u);
}

TEST(RulesRebuild, DisabledRulesAreRebuiltToo) {
    TDrawRules rules;
    TColorRule& rule = rules.Add();
    rule.Enabled = false;
    rule.KeyBegEndLst = {"{;}"};
    PrepareRules(rules);
    EXPECT_FALSE(rules.RebuildPending);
    EXPECT_EQ(find(rule, "{a}").size(), 1u);
}

TEST(RulesAssign, CopiesTheListedPropertiesAndBuildsThroughTheSetters) {
    TColorRule source;
    source.ZOrder = 7;
    source.IntChar = "x";
    source.KeyMaxHeight = 3;
    source.KeyDrawingType = dtBeginLineEnd;
    source.KeyCase = true;
    source.Enabled = false;
    source.PartWord = true;
    source.DefKeyColor = colors::clGreen;
    source.KeySelColor = colors::clRed;
    source.KeyBrushColor = colors::clAqua;
    source.Keywords = {"kw"};
    source.KeyBegEndLst = {"{;}"};
    source.KeyLineEndLst = {"rem"};

    TColorRule copy;
    copy.Assign(source);
    EXPECT_EQ(copy.ZOrder, 7);
    EXPECT_EQ(copy.IntChar, "");
    EXPECT_EQ(copy.KeyMaxHeight, 3);
    EXPECT_EQ(copy.KeyDrawingType, dtBeginLineEnd);
    EXPECT_TRUE(copy.KeyCase);
    EXPECT_FALSE(copy.Enabled);
    EXPECT_TRUE(copy.PartWord);
    EXPECT_EQ(copy.DefKeyColor, colors::clGreen);
    EXPECT_EQ(copy.KeySelColor, 0x00FFFFu);
    EXPECT_EQ(copy.KeyBrushColor, colors::clAqua);
    EXPECT_EQ(copy.Keywords, source.Keywords);
    EXPECT_EQ(copy.KeyLineEndLst, source.KeyLineEndLst);
    // The pair table is built from the begin/end lines, so this line-end rule finds begin/end
    // keys until its next rebuild.
    EXPECT_EQ(find(copy, "{a}\r\nrem"), (std::vector<Found>{{0, 2, colors::clGreen, 7, false}}));
    // The keywords were built with the copied KeyCase and colour.
    copy.KeyDrawingType = dtKeyShow;
    EXPECT_EQ(find(copy, "KW kw"), (std::vector<Found>{{3, 4, colors::clGreen, 7, true}}));

    copy.Assign(copy); // copying itself changes nothing
    EXPECT_EQ(copy.Keywords, source.Keywords);
}

TEST(RulesAssign, CollectionsCopyTheirRulesAndKeepTheirOwnEditor) {
    TDrawRules a;
    a.Add().SetKeywords({"x"});
    a.Add().ZOrder = 9;
    TDrawRules b;
    b.Add();
    b.RebuildPending = false;
    b.Assign(a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b[0].Keywords, std::vector<std::string>{"x"});
    EXPECT_EQ(b[1].ZOrder, 9);
    EXPECT_EQ(b[0].EventSource, &b.EventSource);
    EXPECT_FALSE(b.RebuildPending);
    b.Assign(b);
    EXPECT_EQ(b.Count(), 2);
}

// --- Finding keywords ---------------------------------------------------------------------------

TEST(RulesFindKeyShow, MainWindowRuleFindsCodesInAnyCaseInsideWords) {
    TColorRule rule;
    markup::applyEditorRuleSet(rule);
    const std::vector<Found> got = find(rule, "x^bHello^B ^l[v]^M");
    const std::vector<Found> want = {
        {1, 2, colors::clBlue, 0, true},    {8, 9, colors::clBlue, 0, true},
        {11, 12, colors::clGreen, 0, true}, {16, 17, colors::clSilver, 0, true},
        {13, 13, colors::clNavy, 0, true},  {15, 15, colors::clNavy, 0, true},
    };
    EXPECT_EQ(got, want); // keyword by keyword in table order, each in text order
}

TEST(RulesFindKeyShow, WholeWordsOnlyWhenPartWordIsOff) {
    TColorRule rule;
    makeKeywordRule(rule, {"rem"});
    for (const char* text :
         {"rem x", "(rem)", "rem1", "_rem", "9rem", "\xE9rem\xE9", "[rem]", "^rem`", "rem"})
        EXPECT_EQ(find(rule, text).size(), 1u) << text;
    for (const char* text : {"remark", "@rem", "Xrem", "remz", "xremx", "rem@"})
        EXPECT_EQ(find(rule, text).size(), 0u) << text;
}

TEST(RulesFindKeyShow, RegionEdgesAreNotWordCharacters) {
    TColorRule rule;
    makeKeywordRule(rule, {"rem"});
    const std::string text = "xx\r\nrem\r\nzz";
    // The region starts after the line break and ends (NUL) right after the key.
    TKeyDescrList keys;
    TCoveredRange covered;
    EXPECT_EQ(FindKeys(rule, keys, 0, text.c_str(), 4, 7, covered), 1);
    EXPECT_EQ(keys[0].StartPos, 4);
    EXPECT_EQ(keys[0].EndPos, 6);
}

TEST(RulesFindKeyShow, OccurrencesOfOneKeywordNeverOverlap) {
    TColorRule rule;
    makeKeywordRule(rule, {"aa", "aaa"}, true);
    EXPECT_EQ(
        find(rule, "aaaaa"),
        (std::vector<Found>{{0, 1, 0xFF, 0, true}, {2, 3, 0xFF, 0, true}, {0, 2, 0xFF, 0, true}}));
    // A rejected occurrence still moves the search past it.
    makeKeywordRule(rule, {"aa"}, false);
    EXPECT_EQ(find(rule, "aaa aa"), (std::vector<Found>{{4, 5, 0xFF, 0, true}}));
}

TEST(RulesFindKeyShow, TableOrderNotTextOrderAcrossKeywords) {
    TColorRule rule;
    makeKeywordRule(rule, {"b;blue", "ab;red"}, true);
    EXPECT_EQ(find(rule, "ab"), (std::vector<Found>{{1, 1, colors::clBlue, 0, true},
                                                    {0, 1, colors::clRed, 0, true}}));
}

TEST(RulesFindKeyShow, KeyCaseMatchesExactly) {
    TColorRule rule;
    rule.KeyCase = true;
    makeKeywordRule(rule, {"^b"}, true);
    EXPECT_EQ(find(rule, "^B ^b").size(), 1u);
    EXPECT_EQ(find(rule, "^B ^b")[0].start, 3);
}

TEST(RulesFindKeyShow, UpperCaseCopyIsReusedAcrossRegionsOfAnySize) {
    TColorRule rule;
    makeKeywordRule(rule, {"ab"});
    EXPECT_EQ(find(rule, std::string(5000, 'x') + " ab").size(), 1u);
    EXPECT_EQ(find(rule, "a").size(), 0u); // stale copy beyond the region is never read
    EXPECT_EQ(find(rule, "Ab").size(), 1u);
}

TEST(RulesFindKeyShow, LongKeysAreMatchedWhole) {
    TColorRule rule;
    const std::string key(40, 'k');
    makeKeywordRule(rule, {key});
    EXPECT_TRUE(find(rule, std::string(31, 'k')).empty());
    EXPECT_TRUE(find(rule, key.substr(0, 39) + " ").empty());
    EXPECT_EQ(find(rule, "." + key + "."), (std::vector<Found>{{1, 40, 0xFF, 0, true}}));
}

TEST(RulesFindKeyShow, KeysWithAsteriskOrHighBytesAreFoundAsWritten) {
    TColorRule rule;
    makeKeywordRule(rule, {"a*b", "\xE9t\xE9"}, true);
    EXPECT_EQ(find(rule, "xa*bx \xE9T\xE9").size(), 2u);
    EXPECT_EQ(find(rule, "xa*bx \xE9T\xE9")[1].start, 6);
}

TEST(RulesFindKeyShow, NoKeywordsFindNothingAndRecordsAppendFromNext) {
    TColorRule rule;
    rule.KeyDrawingType = dtKeyShow;
    EXPECT_TRUE(find(rule, "anything").empty()); // never built
    rule.SetKeywords({"", ";red"});
    EXPECT_TRUE(find(rule, "anything ;red").empty());

    makeKeywordRule(rule, {"b"});
    rule.ZOrder = 4;
    TKeyDescrList keys;
    TCoveredRange covered;
    keys.At(3).StartPos = 77; // earlier records stay
    const std::string text = "b a b";
    EXPECT_EQ(FindKeys(rule, keys, 3, text.c_str(), 0, 5, covered), 5);
    EXPECT_EQ(keys[3].StartPos, 0);
    EXPECT_EQ(keys[4].StartPos, 4);
    EXPECT_EQ(keys[4].ZOrder, 4);
    EXPECT_EQ(covered.Low, 0);
    EXPECT_EQ(covered.High, 4);
}

TEST(RulesFindKeyShow, BadArgumentsFindNothing) {
    TColorRule rule;
    makeKeywordRule(rule, {"a"});
    TKeyDescrList keys;
    TCoveredRange covered;
    EXPECT_EQ(FindKeys(rule, keys, 0, nullptr, 0, 5, covered), 0);
    EXPECT_EQ(FindKeys(rule, keys, 0, "a", 1, 0, covered), 0);
    EXPECT_EQ(FindKeys(rule, keys, 0, "a", -1, 1, covered), 0);
    EXPECT_EQ(FindKeys(rule, keys, 2, "a", 1, 1, covered), 2);
    EXPECT_TRUE(covered.Empty());
}

// --- OnDraw rules -------------------------------------------------------------------------------

class RulesFindEventDraw : public ::testing::Test {
protected:
    void SetUp() override {
        rule = &rules.Add();
        rule->KeyDrawingType = dtEventDraw;
        rule->ZOrder = 6;
        array.assign(4, TKeyDescr{9, 9, 9, 9, true}); // garbage the finder must clear
        rules.EventSource = {4, &array, &handler};
    }
    TDrawRules rules;
    TColorRule* rule = nullptr;
    std::vector<TKeyDescr> array;
    TDrawEvent handler;
};

TEST_F(RulesFindEventDraw, HandlerGetsAZeroFilledArrayAndRegionStart) {
    const std::string text = "ab\r\ncdef";
    int calls = 0;
    handler = [&](TColorRule& sender, const char* fromPos, TKeyDescr* a, int& count) {
        ++calls;
        EXPECT_EQ(&sender, rule);
        EXPECT_STREQ(fromPos, "cdef");
        EXPECT_EQ(count, 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(a[i].StartPos, 0);
            EXPECT_EQ(a[i].EndPos, 0);
            EXPECT_EQ(a[i].Color, 0u);
            EXPECT_EQ(a[i].ZOrder, 0);
            EXPECT_FALSE(a[i].IsKeyword);
        }
        a[0] = {1, 2, colors::clRed, 0, true};
        a[1] = {0, 0, colors::clLime, 200, false};
        count = 2;
    };
    EXPECT_EQ(find(*rule, text, 4), (std::vector<Found>{{5, 6, colors::clRed, 6, false},
                                                        {4, 4, colors::clLime, 200, false}}));
    EXPECT_EQ(calls, 1);
}

TEST_F(RulesFindEventDraw, ItemsCountIsClampedToTheArray) {
    handler = [](TColorRule&, const char*, TKeyDescr*, int& count) { count = 1000; };
    EXPECT_EQ(find(*rule, "text").size(), 4u);
    handler = [](TColorRule&, const char*, TKeyDescr*, int& count) { count = -3; };
    EXPECT_TRUE(find(*rule, "text").empty());
    rules.EventSource.ColorLimMax = 9; // more than the array holds
    handler = [](TColorRule&, const char*, TKeyDescr*, int& count) { count = 9; };
    EXPECT_EQ(find(*rule, "text").size(), 4u);
}

TEST_F(RulesFindEventDraw, OffsetsBeyondARecordAreDropped) {
    handler = [](TColorRule&, const char*, TKeyDescr* a, int& count) {
        a[0] = {kFreeRecord - 1, kFreeRecord, 1, 0, false};
        a[1] = {-5, -1, 2, 0, false};
        count = 2;
    };
    const std::vector<Found> got = find(*rule, "\r\nab", 2);
    EXPECT_EQ(got, (std::vector<Found>{{-3, 1, 2, 6, false}}));
}

TEST_F(RulesFindEventDraw, NothingWithoutArrayOrHandler) {
    int calls = 0;
    handler = [&](TColorRule&, const char*, TKeyDescr*, int& count) {
        ++calls;
        count = 1;
    };
    rules.EventSource.ColorLimMax = 0;
    EXPECT_TRUE(find(*rule, "x").empty());
    rules.EventSource = {4, nullptr, &handler};
    EXPECT_TRUE(find(*rule, "x").empty());
    rules.EventSource = {4, &array, nullptr};
    EXPECT_TRUE(find(*rule, "x").empty());
    TColorRule loose; // not in a collection: no editor
    loose.KeyDrawingType = dtEventDraw;
    EXPECT_TRUE(find(loose, "x").empty());
    EXPECT_EQ(calls, 0);
    handler = nullptr;
    rules.EventSource = {4, &array, &handler};
    EXPECT_TRUE(find(*rule, "x").empty());
}

// --- Begin/end and line-end spans ---------------------------------------------------------------

TEST(RulesFindSpans, NearestBeginWinsAndEarlierEntryWinsTies) {
    TColorRule rule;
    rule.SetKeyBegEndLst({"/;x;red", "//;y;blue"});
    EXPECT_EQ(find(rule, "//x"), (std::vector<Found>{{0, 2, colors::clRed, 0, false}}));
    rule.SetKeyBegEndLst({"(;);red", "{;};blue"});
    EXPECT_EQ(find(rule, "a{b(c}d)"), (std::vector<Found>{{1, 5, colors::clBlue, 0, false}}));
}

TEST(RulesFindSpans, SpansCrossLineBreaksAndUnterminatedBeginEndsTheSearch) {
    TColorRule rule;
    rule.ZOrder = 3;
    rule.SetKeyBegEndLst({"{;}"});
    EXPECT_EQ(find(rule, "{a} {\r\nb}"),
              (std::vector<Found>{{0, 2, 0xFF, 3, false}, {4, 8, 0xFF, 3, false}}));
    EXPECT_EQ(find(rule, "{a} { {b}"),
              (std::vector<Found>{{0, 2, 0xFF, 3, false}, {4, 8, 0xFF, 3, false}}));
    EXPECT_EQ(find(rule, "{a} {b {"), (std::vector<Found>{{0, 2, 0xFF, 3, false}}));
    EXPECT_EQ(find(rule, "{a {b}").size(), 1u);
    EXPECT_EQ(find(rule, "{ab").size(), 0u);
    EXPECT_EQ(find(rule, "}{").size(), 0u);
}

TEST(RulesFindSpans, EndIsSearchedFromAfterTheBeginsFirstCharacter) {
    TColorRule rule;
    rule.SetKeyBegEndLst({"x;xx"});
    // Begin at 0, end "xx" at 1; the next search starts at 2, whose end would need 2 more.
    EXPECT_EQ(find(rule, "xxxx"), (std::vector<Found>{{0, 2, 0xFF, 0, false}}));
    rule.SetKeyBegEndLst({"/;/"});
    EXPECT_EQ(find(rule, "// /a/"),
              (std::vector<Found>{{0, 1, 0xFF, 0, false}, {3, 5, 0xFF, 0, false}}));
}

TEST(RulesFindSpans, EmptyEntriesAndEmptyEndKeys) {
    TColorRule rule;
    rule.SetKeyBegEndLst({"", "{;}"});
    EXPECT_TRUE(find(rule, "{a}").empty()); // an empty first line disables the rest
    rule.SetKeyBegEndLst({"a;", "{;}"});
    EXPECT_EQ(find(rule, "{x} a {y}").size(), 1u); // the end key "" is never found
    rule.SetKeyBegEndLst({"{;}"});
    EXPECT_EQ(find(rule, "{A}").size(), 1u);
    rule.SetKeyBegEndLst({"B;E"});
    EXPECT_TRUE(find(rule, "b e").empty()); // exact case, whatever KeyCase
}

TEST(RulesFindSpans, RegionEndBoundsTheSearch) {
    TColorRule rule;
    rule.SetKeyBegEndLst({"{;}"});
    const std::string text = "{a}{b}";
    TKeyDescrList keys;
    TCoveredRange covered;
    EXPECT_EQ(FindKeys(rule, keys, 0, text.c_str(), 0, 5, covered), 1);
    EXPECT_EQ(covered.High, 2);
}

TEST(RulesFindSpans, LineEndKeysColourToTheEndOfTheirLine) {
    TColorRule rule;
    rule.KeyDrawingType = dtBeginLineEnd;
    rule.SetKeyLineEndLst({";;teal"});
    EXPECT_EQ(find(rule, "a;b;c\r\n;\r\nx\ry;z"),
              (std::vector<Found>{{1, 4, colors::clTeal, 0, false},
                                  {7, 7, colors::clTeal, 0, false},
                                  {13, 14, colors::clTeal, 0, false}}));
    rule.SetKeyLineEndLst({"rem;red", "//;blue"});
    EXPECT_EQ(
        find(rule, "x // rem\r\nrem\r\n"),
        (std::vector<Found>{{2, 7, colors::clBlue, 0, false}, {10, 12, colors::clRed, 0, false}}));
    // A line-end key holding a line break ends before its own end: the merge skips that record.
    rule.SetKeyLineEndLst({"\r\nb"});
    EXPECT_EQ(find(rule, "a\r\nb"), (std::vector<Found>{{1, 0, 0xFF, 0, false}}));
}

TEST(RulesFindSpans, CoveredRangeIgnoresRecordsTheMergeSkips) {
    TCoveredRange covered;
    covered.Widen({5, 4, 0, 0, false});
    covered.Widen({kFreeRecord, 9, 0, 0, false});
    covered.Widen({-9, -2, 0, 0, false});
    EXPECT_TRUE(covered.Empty());
    covered.Widen({-3, 6, 0, 0, false});
    EXPECT_EQ(covered.Low, 0);
    EXPECT_EQ(covered.High, 6);
    covered.Widen({10, 12, 0, 0, false});
    covered.Widen({2, 3, 0, 0, false});
    EXPECT_EQ(covered.Low, 0);
    EXPECT_EQ(covered.High, 12);
}
