// The preview document over a real page document: blocks styled as their runs say, edits of the
// page written into only the blocks they change and leaving the same document as a fresh reading,
// positions mapped both ways, links and targets, a long page read in slices, and the window of
// lines it holds placed, moved and edited around.

#include "markup/PreviewDocument.h"
#include "document/PageDocument.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

#include <random>

namespace {

// A block a line: its alignment, indent, then each fragment's text and the parts of its format the
// preview sets.
QString describe(const QTextDocument& doc, int first = 0, int count = -1) {
    QString out;
    QTextBlock b = doc.findBlockByNumber(first);
    for (; b.isValid() && count != 0; b = b.next(), --count) {
        const QTextBlockFormat bf = b.blockFormat();
        out += QString("%1 %2 %3|")
                   .arg(int(bf.alignment()))
                   .arg(bf.leftMargin())
                   .arg(bf.tabPositions().size());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            out += QString("[%1 w%2 i%3 u%4 s%5 p%6 fg%7 bg%8]")
                       .arg(f.text())
                       .arg(c.fontWeight())
                       .arg(c.fontItalic())
                       .arg(c.fontUnderline())
                       .arg(c.fontStrikeOut())
                       .arg(c.fontPointSize())
                       .arg(c.foreground().color().name())
                       .arg(c.background().style() == Qt::NoBrush ? QString("-")
                                                                  : c.background().color().name());
        }
        out += '\n';
    }
    return out;
}

// The whole page read afresh, as the export writes it.
QString freshReading(TPreviewDocument& preview, int first = 0, int count = -1) {
    QTextDocument whole;
    EXPECT_TRUE(preview.writePage(whole));
    return describe(whole, first, count);
}

struct Preview {
    TPageDocument page;
    TPreviewDocument preview{page};
    explicit Preview(const QString& text) {
        page.setPageText(text);
        preview.setActive(true);
    }
    QString shown() const { return preview.document()->toPlainText(); }
};

} // namespace

TEST(PreviewDocument, ShowsTheTextWithoutItsCodesStyled) {
    Preview p("^BHello^b world\n^CCentred^c\n^LGo=:Here^l ^MHere^m ^P4blue^p [name]");
    EXPECT_EQ(p.shown(), "Hello world\nCentred\nGo Here blue [name]");
    const QTextBlock first = p.preview.document()->begin();
    EXPECT_EQ(first.begin().fragment().text(), "Hello");
    EXPECT_EQ(first.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(first.next().blockFormat().alignment(), Qt::AlignHCenter);
    const TPreviewDocument::TLinkInfo link = p.preview.linkAt(first.next().next().position());
    EXPECT_TRUE(link.link);
    EXPECT_EQ(link.action, ":Here");
    EXPECT_EQ(p.page.text().mid(link.from, link.to - link.from), "^LGo=:Here^l");
    EXPECT_FALSE(p.preview.linkAt(first.position()).link);
    EXPECT_EQ(p.preview.targetOffset("Here"), p.page.text().indexOf("^MHere^m"));
    EXPECT_EQ(p.preview.targetOffset("Nowhere"), -1);
}

TEST(PreviewDocument, PositionsMapToTheSourceAndBack) {
    Preview p("^BHello^b world\n^P15 apples");
    struct Case {
        int position; ///< in the preview
        int offset;   ///< in the page (CR LF)
    } cases[] = {{0, 2}, {4, 6}, {5, 9}, {6, 10}, {11, 15}, {12, 21}, {13, 22}};
    for (const Case& c : cases) {
        EXPECT_EQ(p.preview.pageOffsetOf(c.position), c.offset) << c.position;
        EXPECT_EQ(p.preview.positionOf(c.offset), c.position) << c.offset;
    }
}

// Edits through the page document, at random: the preview written a few blocks at a time is the
// preview written afresh, text and formats.
TEST(PreviewDocument, EditsLeaveWhatAFreshReadingShows) {
    const char* pieces[] = {"^B", "^b", "^C", "^c",  "^T8", "^t", "^F14",  "^f", "^P4", "^p",
                            "^L", "=",  "^l", "[v]", "^R",  "^r", "word ", "\n", "\n",  "x"};
    std::mt19937 rng(7);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    QString text;
    for (int k = 0; k < 150; ++k)
        text += pieces[pick(std::size(pieces))];
    Preview p(text);
    int updates = 0;
    QObject::connect(&p.preview, &TPreviewDocument::updated, [&] { ++updates; });
    for (int step = 0; step < 120; ++step) {
        const int length = p.page.length();
        int offset = pick(length + 1);
        // Never between the CR and the LF of a line break.
        if (offset > 0 && offset < length && p.page.text().at(offset) == '\n')
            --offset;
        int removed = std::min(pick(8), length - offset);
        if (offset + removed < length && removed > 0 && p.page.text().at(offset + removed) == '\n')
            --removed;
        QString added;
        for (int k = pick(3); k > 0; --k)
            added += pieces[pick(std::size(pieces))];
        p.page.replace(offset, removed, added);
        ASSERT_EQ(describe(*p.preview.document()), freshReading(p.preview)) << "step " << step;
    }
    EXPECT_GT(updates, 100);
}

TEST(PreviewDocument, ALongPageIsReadInSlices) {
    QString text;
    for (int k = 0; k < 20000; ++k)
        text += QString("^BLine^b %1 with ^P4colour^p\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.rebuild(0);
    EXPECT_LT(preview.readLines(), page.lineCount());
    EXPECT_EQ(preview.windowFirst(), 0);
    // An edit below what is read changes nothing written; one above it goes in at once.
    page.replace(page.lineOffset(19000), 0, "^I");
    page.replace(0, 0, "abc");
    EXPECT_TRUE(preview.document()->begin().text().startsWith("abcLine 0"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.complete(); }, 20000));
    EXPECT_EQ(preview.windowLines(), TPreviewDocument::kWindowStep);
    EXPECT_EQ(describe(*preview.document()), freshReading(preview, 0, preview.windowLines()));
    // Far down, the window goes around the line asked for, at once now that all is read.
    EXPECT_EQ(preview.holdLine(19000), TPreviewDocument::THold::Moved);
    EXPECT_TRUE(preview.document()
                    ->findBlockByNumber(19000 - preview.windowFirst())
                    .text()
                    .startsWith("Line 19000 with colour"));
    EXPECT_EQ(describe(*preview.document()),
              freshReading(preview, preview.windowFirst(), preview.windowLines()));
}

// A span opened at the top of a long page: the key rewrites the lines near it, and the slices that
// follow the rest, down to the lines the window holds at the far end.
TEST(PreviewDocument, ASpanOpenedAtTheTopReachesTheEndInSlices) {
    QString text;
    for (int k = 0; k < 6000; ++k)
        text += QString("Line %1 and ^Bbold^b\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.readAll();
    ASSERT_TRUE(preview.complete());
    preview.holdLine(5500);
    page.replace(0, 0, "^I");
    const auto italic = [&](int line) {
        return preview.document()
            ->findBlockByNumber(line - preview.windowFirst())
            .begin()
            .fragment()
            .charFormat()
            .fontItalic();
    };
    EXPECT_FALSE(italic(5900));
    EXPECT_FALSE(preview.complete());
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.complete(); }, 20000));
    EXPECT_TRUE(italic(5900));
    EXPECT_EQ(describe(*preview.document()),
              freshReading(preview, preview.windowFirst(), preview.windowLines()));
}

// The window: placed around the line asked for, grown a step at a time up to its most, and
// positions outside it belong to no block.
TEST(PreviewDocument, TheWindowHoldsTheLinesAroundTheOneAsked) {
    QString text;
    for (int k = 0; k < 10000; ++k)
        text += QString("^BLine^b %1\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.readAll();
    const int step = TPreviewDocument::kWindowStep;
    EXPECT_EQ(preview.windowFirst(), 0);
    EXPECT_EQ(preview.holdLine(100), TPreviewDocument::THold::InWindow);
    EXPECT_EQ(preview.holdLine(5000), TPreviewDocument::THold::Moved);
    EXPECT_EQ(preview.windowFirst(), 5000 - step);
    EXPECT_EQ(preview.windowLines(), 2 * step);
    EXPECT_EQ(preview.document()->blockCount(), 2 * step);
    const auto blockText = [&](int line) {
        return preview.document()->findBlockByNumber(line - preview.windowFirst()).text();
    };
    EXPECT_EQ(blockText(5000), "Line 5000");
    EXPECT_EQ(preview.positionOf(page.lineOffset(100)), -1);
    const int at = preview.positionOf(page.lineOffset(5000) + 2);
    EXPECT_EQ(preview.pageOffsetOf(at), page.lineOffset(5000) + 2);
    EXPECT_TRUE(preview.extendWindow(true));
    EXPECT_TRUE(preview.extendWindow(true));
    EXPECT_EQ(preview.windowFirst(), 5000 + step - TPreviewDocument::kMaxWindow);
    EXPECT_EQ(preview.windowLines(), TPreviewDocument::kMaxWindow);
    EXPECT_TRUE(preview.extendWindow(false));
    EXPECT_EQ(preview.windowFirst() + preview.windowLines(), 5000 + 2 * step);
    EXPECT_EQ(preview.windowLines(), TPreviewDocument::kMaxWindow);
    EXPECT_EQ(blockText(5000), "Line 5000");
    EXPECT_EQ(describe(*preview.document()),
              freshReading(preview, preview.windowFirst(), preview.windowLines()));
    // A line not read yet is held once the slices reach it.
    preview.rebuild(0);
    QSignalSpy moved(&preview, &TPreviewDocument::windowMoved);
    if (preview.holdLine(9900) == TPreviewDocument::THold::NotRead) {
        ASSERT_TRUE(moved.wait(20000));
    }
    EXPECT_TRUE(preview.inWindow(9900));
    EXPECT_EQ(blockText(9900), "Line 9900");
}

// Edits above, inside, across and below the window, long pastes among them: the window always
// shows what a fresh reading of its lines does.
TEST(PreviewDocument, EditsAroundTheWindowLeaveWhatAFreshReadingShows) {
    const char* pieces[] = {"^B", "^b", "^C", "^c", "^I", "^i", "^P4", "^p", "word ", "\n", "\n"};
    for (unsigned seed : {3u, 11u}) {
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        QString text;
        for (int k = 0; k < 2600; ++k)
            text += QString("%1 line %2\n").arg(pieces[pick(std::size(pieces))]).arg(k);
        TPageDocument page;
        page.setPageText(text);
        TPreviewDocument preview(page);
        preview.setActive(true);
        preview.readAll();
        preview.holdLine(1300);
        for (int step = 0; step < 120; ++step) {
            // Mostly near the window's ends.
            const int ends[] = {preview.windowFirst(),
                                preview.windowFirst() + preview.windowLines(),
                                pick(page.lineCount())};
            const int line = std::clamp(ends[pick(3)] + pick(7) - 3, 0, page.lineCount() - 1);
            const int offset = page.lineOffset(line) + pick(3);
            int removed = pick(4) == 0 ? pick(300) : pick(6);
            QString added;
            // Now and then a paste longer than an edit reads at once, over as much of the page.
            if (pick(40) == 0) {
                added = QString("pasted ^B line\n").repeated(2100);
                removed = static_cast<int>(added.size());
            }
            removed = std::min(removed, page.length() - offset);
            for (int k = pick(4); k > 0; --k)
                added += pieces[pick(std::size(pieces))];
            const QString before = page.text();
            int from = std::min(offset, page.length());
            if (from > 0 && from < page.length() && before.at(from) == '\n' &&
                before.at(from - 1) == '\r')
                --from;
            int to = std::min(from + removed, page.length());
            if (to > 0 && to < page.length() && before.at(to) == '\n' && before.at(to - 1) == '\r')
                --to;
            page.replace(from, to - from, added);
            if (pick(5) == 0)
                preview.holdLine(pick(page.lineCount()));
            preview.readAll();
            ASSERT_LE(preview.windowFirst() + preview.windowLines(), page.lineCount());
            ASSERT_EQ(describe(*preview.document()),
                      freshReading(preview, preview.windowFirst(), preview.windowLines()))
                << "seed " << seed << " step " << step;
        }
    }
}

TEST(PreviewDocument, HiddenItHoldsNothingAndFollowsNothing) {
    Preview p("^BHello^b");
    p.preview.setActive(false);
    EXPECT_TRUE(p.preview.document()->isEmpty());
    p.page.replace(0, 0, "x");
    p.preview.setActive(true);
    EXPECT_EQ(p.shown(), "xHello");
}

// A line of millions of characters shows its start and a note, and a key in it still hands its
// state on to the lines after it; the export shows it whole.
TEST(PreviewDocument, AVeryLongLineShowsItsStartAndANote) {
    QString line;
    while (line.size() < 3000000)
        line += "^Bbold^b plain ";
    Preview p("top\n" + line + "\nend");
    p.preview.readAll();
    const QTextBlock cut = p.preview.document()->findBlockByNumber(1);
    EXPECT_LT(cut.length(), markup::kPreviewMaxShown + 100);
    EXPECT_TRUE(cut.text().contains(QChar(0x2026)));
    EXPECT_EQ(cut.next().text(), "end");
    const int start = p.page.lineOffset(1), deep = start + 2000000;
    const int note = p.preview.positionOf(deep);
    EXPECT_GT(note, cut.position() + 1000);
    EXPECT_LT(note, cut.position() + cut.length());
    const int back = p.preview.pageOffsetOf(cut.position() + cut.length() - 2);
    EXPECT_GT(back, start);
    EXPECT_LT(back, deep);
    EXPECT_EQ(p.preview.pageOffsetOf(note), back);

    p.page.replace(deep, 0, "^I");
    EXPECT_LT(p.preview.document()->findBlockByNumber(1).length(), markup::kPreviewMaxShown + 100);
    EXPECT_TRUE(
        p.preview.document()->findBlockByNumber(2).begin().fragment().charFormat().fontItalic());

    QTextDocument whole;
    ASSERT_TRUE(p.preview.writePage(whole));
    EXPECT_GT(whole.findBlockByNumber(1).length(), 2000000);
}
