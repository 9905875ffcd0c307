#include "print/core/PrintLayout.h"
#include "tests/platform/FakePrintDevice.h"

#include <gtest/gtest.h>

#include <random>

using lptest::FakePrintDevice;
using Draw = FakePrintDevice::Draw;

namespace {

std::vector<Draw> printLines(FakePrintDevice& dev, std::vector<std::u16string> lines) {
    printDocument(dev, printSourceLines(std::move(lines)));
    return dev.draws;
}

} // namespace

// Line height is the font height 12 plus 2; a page of 100 holds lines at 0, 14, ... 70 and breaks
// once the next top is below 100 - 2 * 14 = 72.

TEST(PrintLayout, EmptyDocumentPrintsOneBlankPage) {
    for (const auto& lines : {std::vector<std::u16string>{}, {u""}}) {
        FakePrintDevice dev;
        printLines(dev, lines);
        EXPECT_TRUE(dev.draws.empty());
        EXPECT_EQ(dev.pageCount(), 1);
        EXPECT_EQ(dev.endJobCount, 1);
    }
}

TEST(PrintLayout, LinesGoDownByFontHeightPlusTwo) {
    FakePrintDevice dev;
    printLines(dev, {u"one", u"two", u"", u"four"});
    // The empty line advances by the font's height alone.
    EXPECT_EQ(dev.draws,
              (std::vector<Draw>{{0, 0, 0, u"one"}, {0, 0, 14, u"two"}, {0, 0, 40, u"four"}}));
}

TEST(PrintLayout, PageFullToTheLastLineEndsWithAnExtraBlankPage) {
    FakePrintDevice five;
    printLines(five, {u"1", u"2", u"3", u"4", u"5"});
    EXPECT_EQ(five.pageCount(), 1);

    FakePrintDevice six;
    printLines(six, {u"1", u"2", u"3", u"4", u"5", u"6"});
    EXPECT_EQ(six.draws.back(), (Draw{0, 0, 70, u"6"}));
    EXPECT_EQ(six.pageCount(), 2);

    FakePrintDevice seven;
    printLines(seven, {u"1", u"2", u"3", u"4", u"5", u"6", u"7"});
    EXPECT_EQ(seven.draws.back(), (Draw{1, 0, 0, u"7"}));
    EXPECT_EQ(seven.pageCount(), 2);
    EXPECT_EQ(seven.endJobCount, 1);
}

TEST(PrintLayout, BlankLinesBreakThePageOnlyBelowTheFullHeight) {
    // Eight blank lines reach 96, still within 100; a ninth would pass it.
    FakePrintDevice dev;
    printLines(dev, {u"", u"", u"", u"", u"", u"", u"", u"", u"x"});
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 96, u"x"}}));

    FakePrintDevice nine;
    printLines(nine, {u"", u"", u"", u"", u"", u"", u"", u"", u"", u"x"});
    EXPECT_EQ(nine.draws, (std::vector<Draw>{{1, 0, 0, u"x"}}));
}

TEST(PrintLayout, CodesArePrintedAsTyped) {
    FakePrintDevice dev;
    dev.width = 1000;
    printLines(dev, {u"^Bbold^b [Var] ^L\"x\"=GotoPage ^l"});
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 0, u"^Bbold^b [Var] ^L\"x\"=GotoPage ^l"}}));
}

TEST(PrintLayout, LongLineContinuesAtTheLeftEdgeCutBetweenCharacters) {
    FakePrintDevice dev;
    printLines(dev, {u"abcdefghijklmnopqrstuvwxy", u"z"});
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 0, u"abcdefghij"},
                                            {0, 0, 14, u"klmnopqrst"},
                                            {0, 0, 28, u"uvwxy"},
                                            {0, 0, 42, u"z"}}));
}

TEST(PrintLayout, PieceAfterATabIsCutToTheRoomLeft) {
    FakePrintDevice dev;
    printLines(dev, {u"a\tbcdef"});
    // The tab goes to 80; two characters fit before 100.
    EXPECT_EQ(dev.draws,
              (std::vector<Draw>{{0, 0, 0, u"a"}, {0, 80, 0, u"bc"}, {0, 0, 14, u"def"}}));
}

TEST(PrintLayout, TabGoesToTheFirstStopBeyondXPlusOne) {
    struct Case {
        std::u16string before;
        int expectedX;
    };
    // Stops every 8 average widths (80). W is 25 wide, i is 1.
    for (const Case& c :
         {Case{u"", 80}, Case{u"WWWiii", 80}, Case{u"WWWiiii", 160}, Case{u"WWWiiiii", 160}}) {
        FakePrintDevice dev;
        dev.width = 200;
        printLines(dev, {c.before + u"\tx"});
        ASSERT_FALSE(dev.draws.empty());
        EXPECT_EQ(dev.draws.back(), (Draw{0, c.expectedX, 0, u"x"})) << dev.draws.size();
    }
}

TEST(PrintLayout, TabBeyondThePageWidthStartsANewLine) {
    FakePrintDevice dev;
    printLines(dev, {u"abcdefghi\tx"});
    // 90 goes to 160, wider than 100.
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 0, u"abcdefghi"}, {0, 0, 14, u"x"}}));
}

TEST(PrintLayout, ControlCharactersInsideALine) {
    FakePrintDevice dev;
    printLines(dev, {u"ab\rcd\nef\fgh"});
    // CR ends the piece only, LF starts a line, FF a page; none is printed.
    EXPECT_EQ(dev.draws,
              (std::vector<Draw>{
                  {0, 0, 0, u"ab"}, {0, 20, 0, u"cd"}, {0, 0, 14, u"ef"}, {1, 0, 0, u"gh"}}));
    EXPECT_EQ(dev.pageCount(), 2);
}

TEST(PrintLayout, FormFeedAloneOnALineLeavesTheNextPageStartingWithABlankLine) {
    FakePrintDevice dev;
    printLines(dev, {u"a", u"\f", u"b"});
    // The CR LF after the form feed still ends a line on the new page.
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 0, u"a"}, {1, 0, 12, u"b"}}));
}

TEST(PrintLayout, CharacterWiderThanThePageGetsALineOfItsOwn) {
    FakePrintDevice dev;
    printLines(dev, {u"a@b", u"@@", u"c"});
    EXPECT_EQ(dev.draws, (std::vector<Draw>{{0, 0, 0, u"a"},
                                            {0, 0, 14, u"@"},
                                            {0, 0, 28, u"b"},
                                            {0, 0, 42, u"@"},
                                            {0, 0, 56, u"@"},
                                            {0, 0, 70, u"c"}}));
    EXPECT_EQ(dev.endJobCount, 1);
}

TEST(PrintLayout, PrinterWithoutPrintableAreaStillEndsTheJob) {
    FakePrintDevice dev;
    dev.width = 0;
    dev.height = 0;
    printLines(dev, {u"ab\tc"});
    EXPECT_EQ(dev.endJobCount, 1);
    EXPECT_EQ(dev.draws.size(), 3u);
}

TEST(PrintLayout, FailureEndsTheJobAndIsPassedOn) {
    FakePrintDevice dev;
    dev.onDraw = [](const Draw& d) {
        if (d.text == u"two")
            throw std::runtime_error("out of paper");
    };
    EXPECT_THROW(printLines(dev, {u"one", u"two", u"three"}), std::runtime_error);
    EXPECT_EQ(dev.endJobCount, 1);
    EXPECT_EQ(dev.draws.size(), 1u);

    // The first failure is the one reported, also when ending the job fails as well.
    FakePrintDevice both;
    both.endJobThrows = true;
    both.onDraw = [](const Draw&) { throw std::invalid_argument("first"); };
    EXPECT_THROW(printLines(both, {u"x"}), std::invalid_argument);
    EXPECT_EQ(both.endJobCount, 1);
}

namespace {

// Hears every kPrintProgressStep lines and once at the end; answers as told.
struct StepProgress : TPrintProgress {
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    std::size_t cancelAt = SIZE_MAX; ///< answers false once done reaches this
    bool advance(std::size_t done, std::size_t total) override {
        calls.emplace_back(done, total);
        return done < cancelAt;
    }
};

} // namespace

TEST(PrintLayout, ProgressHearsTheLinesAndCancelAbortsTheJob) {
    const std::vector<std::u16string> lines(150, u"x");
    FakePrintDevice dev;
    dev.height = 1000000;
    StepProgress progress;
    printDocument(dev, lines, &progress);
    EXPECT_EQ(progress.calls, (std::vector<std::pair<std::size_t, std::size_t>>{
                                  {0, 150}, {64, 150}, {128, 150}, {150, 150}}));
    EXPECT_EQ(dev.endJobCount, 1);
    EXPECT_EQ(dev.abortJobCount, 0);

    // Cancelled: the job is aborted, not ended, and nothing after the cancel is drawn.
    FakePrintDevice cancelled;
    cancelled.height = 1000000;
    StepProgress stop;
    stop.cancelAt = 64;
    EXPECT_THROW(printDocument(cancelled, lines, &stop), TPrintCancelled);
    EXPECT_EQ(cancelled.draws.size(), 64u);
    EXPECT_EQ(cancelled.abortJobCount, 1);
    EXPECT_EQ(cancelled.endJobCount, 0);

    // A cancel after the last line still aborts: the job was not ended yet.
    FakePrintDevice late;
    StepProgress atEnd;
    atEnd.cancelAt = 1;
    EXPECT_THROW(printDocument(late, {u"x"}, &atEnd), TPrintCancelled);
    EXPECT_EQ(late.abortJobCount, 1);
    EXPECT_EQ(late.endJobCount, 0);
}

TEST(PrintLayout, SourceLinesDropOneEmptyLastLineAndAreCut) {
    EXPECT_EQ(printSourceLines({u"a", u"", u""}), (std::vector<std::u16string>{u"a", u""}));
    EXPECT_EQ(printSourceLines({u"", u"a"}), (std::vector<std::u16string>{u"", u"a"}));
    const auto cut = printSourceLines({std::u16string(5000, u'x')});
    EXPECT_EQ(cut.front().size(), TPrintLayout::kMaxLineLength);
    // A pair of surrogates counts as one character and is never split.
    std::u16string pair(TPrintLayout::kMaxLineLength - 1, u'x');
    pair += u"\xD83D\xDE00z";
    EXPECT_EQ(printSourceLines({pair}).front(),
              std::u16string(TPrintLayout::kMaxLineLength - 1, u'x'));
}

TEST(PrintLayout, SurrogatePairIsNeverSplitByACut) {
    FakePrintDevice dev;
    printLines(dev, {u"abcdefghi\xD83D\xDE00"});
    // Nine characters leave 10 units; the pair measures 20 and goes to the next line whole.
    ASSERT_EQ(dev.draws.size(), 2u);
    EXPECT_EQ(dev.draws[1].text, u"\xD83D\xDE00");
}

// The rule written the slow way: measure, drop the last character while too wide, measure again.
class NaiveLayout {
public:
    explicit NaiveLayout(FakePrintDevice& dev) : dev_(dev) {}
    void run(const std::u16string& text) {
        std::u16string piece;
        for (char16_t c : text) {
            if (c != u'\t' && c != u'\r' && c != u'\n' && c != u'\f') {
                piece += c;
                continue;
            }
            output(piece);
            piece.clear();
            if (c == u'\t') {
                const int t = 8 * dev_.averageCharWidth();
                int stop = t;
                while (stop <= x_ + 1)
                    stop += t;
                x_ = stop;
                if (x_ > dev_.pageWidth())
                    newLine();
            } else if (c == u'\n') {
                newLine();
            }
        }
        output(piece);
    }

private:
    void output(std::u16string piece) {
        while (!piece.empty()) {
            std::size_t n = piece.size();
            while (n > 0 && dev_.widthOf(piece.substr(0, n)) > dev_.pageWidth() - x_)
                --n;
            if (n == 0 && x_ == 0)
                n = 1;
            if (dev_.fontHeight > l_)
                l_ = dev_.fontHeight + 2;
            if (n > 0)
                dev_.drawText(x_, y_, piece.substr(0, n));
            if (n == piece.size()) {
                x_ += dev_.widthOf(piece);
                return;
            }
            newLine();
            piece.erase(0, n);
        }
    }
    void newLine() {
        x_ = 0;
        y_ += l_ ? l_ : dev_.charHeight();
        if (y_ > dev_.pageHeight() - 2 * l_) {
            x_ = y_ = 0;
            dev_.newPage();
        }
        l_ = 0;
    }
    FakePrintDevice& dev_;
    int x_ = 0, y_ = 0, l_ = 0;
};

// On any text the cuts fall where dropping one character at a time would put them, every piece
// fits its line, and every printable character comes out once, in order.
TEST(PrintLayout, RandomTextIsCutAsTheCharacterByCharacterRuleCutsIt) {
    std::mt19937 rng(7);
    const std::u16string alphabet = u"abcWi \t\r\n^B@";
    for (int round = 0; round < 500; ++round) {
        FakePrintDevice dev, reference;
        dev.width = reference.width = 40 + int(rng() % 200);
        std::vector<std::u16string> lines(1 + rng() % 4);
        for (auto& line : lines) {
            const int n = int(rng() % 120);
            for (int i = 0; i < n; ++i)
                line += alphabet[rng() % alphabet.size()];
        }
        printDocument(dev, lines);
        NaiveLayout naive(reference);
        for (const auto& line : lines)
            naive.run(line + u"\r\n");
        ASSERT_EQ(dev.draws, reference.draws) << round;
        EXPECT_EQ(dev.pageCount(), reference.pageCount());

        std::u16string printed, expected;
        for (const Draw& d : dev.draws) {
            printed += d.text;
            if (d.text != u"@") {
                ASSERT_LE(d.x + dev.widthOf(d.text), dev.width) << round;
            }
        }
        for (const auto& line : lines)
            for (char16_t c : line)
                if (c != u'\t' && c != u'\r' && c != u'\n')
                    expected += c;
        EXPECT_EQ(printed, expected) << round;
    }
}
