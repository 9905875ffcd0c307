#include "print/core/PageWindow.h"
#include "tests/platform/FakePrintDevice.h"

#include <gtest/gtest.h>

#include <random>

using lptest::FakePrintDevice;
using Draw = FakePrintDevice::Draw;

namespace {

// A document that exercises every way a page starts: lines that run over several screen lines
// and across a page break, tabs, form feeds inside a line and alone, blank lines.
std::vector<std::u16string> mixedDocument() {
    std::mt19937 random(7);
    const std::u16string alphabet = u"abcdefghijWi@\t \f";
    std::vector<std::u16string> lines;
    for (int i = 0; i < 400; ++i) {
        std::u16string line;
        const int length = int(random() % 60);
        for (int j = 0; j < length; ++j) {
            // Form feeds and the over-wide '@' are rare.
            char16_t c = alphabet[random() % (alphabet.size() - 2)];
            if (random() % 200 == 0)
                c = u'\f';
            else if (random() % 150 == 0)
                c = u'@';
            line += c;
        }
        lines.push_back(line);
    }
    lines[100] = u"\f";
    lines[101] = u"";
    return printSourceLines(std::move(lines));
}

std::vector<Draw> onPages(const std::vector<Draw>& draws, int first, int last) {
    std::vector<Draw> kept;
    for (const Draw& d : draws)
        if (d.page >= first && d.page <= last)
            kept.push_back(d);
    return kept;
}

} // namespace

TEST(PageWindow, EveryWindowDrawsWhatTheWholePrintDrawsOnItsPages) {
    const std::vector<std::u16string> lines = mixedDocument();
    FakePrintDevice whole;
    printDocument(whole, lines);
    const int pages = whole.pageCount();
    ASSERT_GT(pages, 20);

    TPageWindow window(lines);
    FakePrintDevice first;
    window.printAll(first, 3, 5);
    ASSERT_TRUE(window.indexed());
    EXPECT_EQ(window.pageCount(), pages);
    EXPECT_EQ(first.pageCount(), pages);
    EXPECT_EQ(first.draws, onPages(whole.draws, 3, 5));
    EXPECT_EQ(first.endJobCount, 1);

    // Every later window, from the first page to past the last, starts every page and draws only
    // its own pages, exactly as the whole print does.
    for (int from = 0; from < pages; ++from) {
        FakePrintDevice again;
        window.printWindow(again, from, from + 2);
        ASSERT_EQ(again.pageCount(), pages) << "window from " << from;
        ASSERT_EQ(again.draws, onPages(whole.draws, from, from + 2)) << "window from " << from;
        ASSERT_EQ(again.endJobCount, 1);
    }
    FakePrintDevice beyond;
    window.printWindow(beyond, pages + 5, pages + 9);
    EXPECT_EQ(beyond.pageCount(), pages);
    EXPECT_EQ(beyond.draws, onPages(whole.draws, pages - 1, pages - 1));
}

TEST(PageWindow, LaterWindowsLayOutOnlyTheirOwnPages) {
    const std::vector<std::u16string> lines(20000, u"abc def");
    TPageWindow window(lines);
    FakePrintDevice all;
    window.printAll(all, 0, 1);
    const int measuresForAll = all.measureCount;
    FakePrintDevice few;
    window.printWindow(few, 4000, 4001);
    EXPECT_EQ(few.pageCount(), window.pageCount());
    EXPECT_FALSE(few.draws.empty());
    EXPECT_LT(few.measureCount * 100, measuresForAll);
}

TEST(PageWindow, CancelledOrFailedFirstPassLeavesNoIndex) {
    const std::vector<std::u16string> lines(300, u"x");
    struct Cancel : TPrintProgress {
        bool advance(std::size_t done, std::size_t) override { return done < 128; }
    } cancel;
    TPageWindow window(lines);
    FakePrintDevice dev;
    EXPECT_THROW(window.printAll(dev, 0, 1, &cancel), TPrintCancelled);
    EXPECT_FALSE(window.indexed());
    EXPECT_EQ(dev.abortJobCount, 1);
    EXPECT_EQ(dev.endJobCount, 0);

    FakePrintDevice failing;
    failing.onDraw = [](const Draw& d) {
        if (d.page == 1)
            throw std::runtime_error("paper jam");
    };
    EXPECT_THROW(window.printAll(failing, 0, 3), std::runtime_error);
    EXPECT_FALSE(window.indexed());
    EXPECT_EQ(failing.endJobCount, 1);
}
