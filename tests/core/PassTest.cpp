// The paint pass without a screen: records in, runs out.

#include "editor/core/DrawPass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PassRun {
    int start;
    int end;
    TColor color;
    int zOrder;
    bool keyword;
    bool operator==(const PassRun&) const = default;
};

std::ostream& operator<<(std::ostream& os, const PassRun& r) {
    return os << "{" << r.start << ".." << r.end << " color 0x" << std::hex << r.color << std::dec
              << " z" << r.zOrder << (r.keyword ? " kw" : "") << "}";
}

class PassTest : public ::testing::Test {
protected:
    // Runs a pass over the whole of text and reads the runs the way the editor does.
    std::vector<PassRun> pass(const std::string& t) {
        text = t;
        in.Text = text.c_str();
        in.ScanStart = 0;
        in.ScanEnd = static_cast<int>(text.size());
        return readRuns(RunPass(rules, in, buffers));
    }
    std::vector<PassRun> readRuns(int count) {
        std::vector<PassRun> out;
        for (int i = 0; i < buffers.Keys.Count() && buffers.Keys[i].StartPos != kFreeRecord; ++i) {
            const TKeyDescr& k = buffers.Keys[i];
            out.push_back({k.StartPos, k.EndPos, k.Color, k.ZOrder, k.IsKeyword});
        }
        EXPECT_EQ(static_cast<int>(out.size()), count);
        return out;
    }
    TColorRule& keywordRule(const std::vector<std::string>& lines, std::uint8_t z = 0) {
        TColorRule& r = rules.Add();
        r.KeyDrawingType = dtKeyShow;
        r.PartWord = true;
        r.DefKeyColor = colors::clBlue;
        r.ZOrder = z;
        r.SetKeywords(lines);
        return r;
    }
    TColorRule& spanRule(const std::vector<std::string>& lines, std::uint8_t z = 0) {
        TColorRule& r = rules.Add();
        r.ZOrder = z;
        r.SetKeyBegEndLst(lines);
        return r;
    }

    TDrawRules rules;
    TPassInput in;
    TPassBuffers buffers;
    std::string text;
};

constexpr TColor kRed = colors::clRed;
constexpr TColor kBlue = colors::clBlue;

} // namespace

// --- Priorities ---------------------------------------------------------------------------------

TEST_F(PassTest, HigherZOrderWinsWhateverTheRuleOrder) {
    spanRule({"{;};red"}, 5);
    keywordRule({"b;blue"}, 3);
    EXPECT_EQ(pass("a{b}c"), (std::vector<PassRun>{{1, 3, kRed, 5, false}}));
    rules[0].ZOrder = 3;
    rules[1].ZOrder = 5;
    EXPECT_EQ(pass("a{b}c"),
              (std::vector<PassRun>{
                  {1, 1, kRed, 3, false}, {2, 2, kBlue, 5, true}, {3, 3, kRed, 3, false}}));
}

TEST_F(PassTest, EqualZOrderTheLaterRuleWins) {
    keywordRule({"b;blue"}, 4);
    spanRule({"{;};red"}, 4);
    EXPECT_EQ(pass("{b}"), (std::vector<PassRun>{{0, 2, kRed, 4, false}}));
    rules.Clear();
    spanRule({"{;};red"}, 4);
    keywordRule({"b;blue"}, 4);
    EXPECT_EQ(pass("{b}"),
              (std::vector<PassRun>{
                  {0, 0, kRed, 4, false}, {1, 1, kBlue, 4, true}, {2, 2, kRed, 4, false}}));
}

TEST_F(PassTest, DisabledRulesFindNothing) {
    keywordRule({"b"}).Enabled = false;
    EXPECT_TRUE(pass("b b").empty());
}

TEST_F(PassTest, AdjacentKeywordsOfOneColourAreOneRun) {
    keywordRule({"^b", "^u", "^l;green"});
    EXPECT_EQ(pass("x^b^U^l"),
              (std::vector<PassRun>{{1, 4, kBlue, 0, true}, {5, 6, colors::clGreen, 0, true}}));
    // The same colour without the keyword flag is a run of its own.
    spanRule({"<;>;blue"});
    EXPECT_EQ(pass("^b<>"),
              (std::vector<PassRun>{{0, 1, kBlue, 0, true}, {2, 3, kBlue, 0, false}}));
}

// --- Selection, tabs, caret line ----------------------------------------------------------------

TEST_F(PassTest, SelectionHidesKeysUntilItIsRemoved) {
    keywordRule({"^b"});
    in.SelStart = 2;
    in.SelLength = 3;
    EXPECT_EQ(pass("a^b^b"), (std::vector<PassRun>{{1, 1, kBlue, 0, true}, {2, 4, 0, 254, false}}));
    in.SelLength = 0;
    EXPECT_EQ(pass("a^b^b"), (std::vector<PassRun>{{1, 4, kBlue, 0, true}}));
}

TEST_F(PassTest, TabsSplitAKeyWhenTheMemoAcceptsTabs) {
    spanRule({"<;>;red"});
    in.WantTabs = true;
    in.Background = colors::clWhite;
    EXPECT_EQ(pass("<a\tb\t>"), (std::vector<PassRun>{{0, 1, kRed, 0, false},
                                                      {2, 2, colors::clWhite, 255, false},
                                                      {3, 3, kRed, 0, false},
                                                      {4, 4, colors::clWhite, 255, false},
                                                      {5, 5, kRed, 0, false}}));
    in.WantTabs = false;
    EXPECT_EQ(pass("<a\tb\t>"), (std::vector<PassRun>{{0, 5, kRed, 0, false}}));
}

TEST_F(PassTest, TabRecordsBeatTheSelection) {
    in.WantTabs = true;
    in.SelStart = 0;
    in.SelLength = 3;
    EXPECT_EQ(pass("a\tb"), (std::vector<PassRun>{{0, 0, 0, 254, false},
                                                  {1, 1, in.Background, 255, false},
                                                  {2, 2, 0, 254, false}}));
}

TEST_F(PassTest, RedrawAlwaysRepaintsTheCaretLineThroughTheCaretUnderTheKeys) {
    keywordRule({"^b"});
    in.RedrawAlways = true;
    in.CaretLineStart = 4;
    in.SelStart = 9; // the character at the caret is included
    in.FontColor = colors::clBlack;
    EXPECT_EQ(pass("^b\r\nab^bcdef"), (std::vector<PassRun>{{0, 1, kBlue, 0, true},
                                                            {4, 5, 0, 0, false},
                                                            {6, 7, kBlue, 0, true},
                                                            {8, 9, 0, 0, false}}));
    in.SelStart = 4; // caret at the line start: one character
    EXPECT_EQ(pass("^b\r\nab^bcdef")[1], (PassRun{4, 4, 0, 0, false}));
}

// --- Hot spots ----------------------------------------------------------------------------------

TEST_F(PassTest, HotSpotsPaintOutMarkersAndUnderlineTheirText) {
    in.HotSpot.Active = true;
    in.HotSpot.MarkerColor = colors::clWhite;
    const TColor link = in.HotSpot.Color;
    EXPECT_EQ(pass("a\x1Eg\r\no\x1F\x1E\x1F"),
              (std::vector<PassRun>{{1, 1, colors::clWhite, 253, false},
                                    {2, 5, link, 252, false},
                                    {6, 8, colors::clWhite, 253, false}}));
}

TEST_F(PassTest, AnUnterminatedHotSpotIsNotDrawnButEarlierOnesAre) {
    in.HotSpot.Active = true;
    EXPECT_EQ(pass("\x1E"
                   "a\x1F \x1E"
                   "b")
                  .size(),
              3u);
    EXPECT_TRUE(pass("b\x1E").empty());
}

TEST_F(PassTest, SameBeginAndEndCharactersPairUpInOrder) {
    in.HotSpot.Active = true;
    in.HotSpot.BeginChar = '|';
    in.HotSpot.EndChar = '|';
    const std::vector<PassRun> runs = pass("|a|b|c");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[2].end, 2);
}

TEST_F(PassTest, HotSpotsNeedActiveAndBothMarkers) {
    const std::string t = "\x1E"
                          "a\x1F";
    EXPECT_TRUE(pass(t).empty());
    in.HotSpot.Active = true;
    in.HotSpot.BeginChar = 0;
    EXPECT_TRUE(pass(t).empty());
    in.HotSpot.BeginChar = 30;
    in.HotSpot.EndChar = 0;
    EXPECT_TRUE(pass(std::string("\x1E"
                                 "a\0",
                                 3))
                    .empty());
}

TEST_F(PassTest, HotSpotsOutrankRulesBelowThem) {
    in.HotSpot.Active = true;
    keywordRule({"a;red"}, 252);
    EXPECT_EQ(pass("\x1E"
                   "a\x1F")[1],
              (PassRun{1, 1, kRed, 252, true})); // later record wins a tie
    rules[0].ZOrder = 251;
    EXPECT_EQ(pass("\x1E"
                   "a\x1F")[1]
                  .zOrder,
              252);
}

// --- Region, reuse, bad input -------------------------------------------------------------------

TEST_F(PassTest, RunsStopAtAFreeRecordAndBuffersAreReused) {
    keywordRule({"k"});
    EXPECT_EQ(pass("k k k k k k").size(), 6u);
    const size_t cells = buffers.Cells.size();
    EXPECT_EQ(pass("k").size(), 1u);
    EXPECT_EQ(buffers.Keys[1].StartPos, kFreeRecord);
    EXPECT_EQ(buffers.Cells.size(), cells); // only grown
    EXPECT_TRUE(pass("").empty());
    EXPECT_EQ(buffers.Keys[0].StartPos, kFreeRecord);
}

TEST_F(PassTest, OnlyTheScanRegionIsMerged) {
    keywordRule({"k"});
    text = "k\r\nk k\r\nk";
    in.Text = text.c_str();
    in.ScanStart = 3;
    in.ScanEnd = 6;
    in.SelStart = 0;
    in.SelLength = 1 << 30; // a selection far larger than the region
    in.RedrawAlways = true;
    in.CaretLineStart = 0;
    const std::vector<PassRun> runs = readRuns(RunPass(rules, in, buffers));
    EXPECT_EQ(runs, (std::vector<PassRun>{{3, 5, 0, 254, false}}));
    EXPECT_LE(buffers.Cells.size(), 4u);
}

TEST_F(PassTest, HandlerOffsetsOutsideTheRegionAreClipped) {
    std::vector<TKeyDescr> array(2);
    TDrawEvent handler = [](TColorRule&, const char*, TKeyDescr* a, int& n) {
        a[0] = {-1000000000, 1000000000, kRed, 0, false};
        a[1] = {2, 1, kBlue, 0, false};
        n = 2;
    };
    rules.EventSource = {2, &array, &handler};
    rules.Add().KeyDrawingType = dtEventDraw;
    EXPECT_EQ(pass("abc"), (std::vector<PassRun>{{0, 2, kRed, 0, false}}));
    EXPECT_LE(buffers.Cells.size(), 4u);
}

TEST_F(PassTest, BadRegionsGiveNoRuns) {
    keywordRule({"k"});
    text = "k";
    in.Text = nullptr;
    in.ScanEnd = 1;
    EXPECT_EQ(RunPass(rules, in, buffers), 0);
    in.Text = text.c_str();
    in.ScanStart = 1;
    in.ScanEnd = 0;
    EXPECT_EQ(RunPass(rules, in, buffers), 0);
    EXPECT_EQ(buffers.Keys[0].StartPos, kFreeRecord);
}
