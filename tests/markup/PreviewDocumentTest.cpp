// The preview document over a real page document: blocks styled as their runs say, edits of the
// page written into only the blocks they change and leaving the same document as a fresh reading,
// positions mapped both ways, links and targets, and a long page written in slices.

#include "markup/PreviewDocument.h"
#include "document/PageDocument.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

#include <random>

namespace {

// A block a line: its alignment, indent, then each fragment's text and the parts of its format the
// preview sets.
QString describe(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
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
        const QString incremental = describe(*p.preview.document());
        TPageDocument fresh;
        fresh.setPageText(p.page.pageText());
        TPreviewDocument again(fresh);
        again.setActive(true);
        ASSERT_EQ(incremental, describe(*again.document())) << "step " << step;
    }
    EXPECT_GT(updates, 100);
}

TEST(PreviewDocument, ALongPageIsWrittenInSlices) {
    QString text;
    for (int k = 0; k < 20000; ++k)
        text += QString("^BLine^b %1 with ^P4colour^p\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.rebuild(0);
    EXPECT_LT(preview.builtLines(), page.lineCount());
    // An edit below what is written changes nothing written; one above it goes in at once.
    page.replace(page.lineOffset(19000), 0, "^I");
    page.replace(0, 0, "abc");
    EXPECT_TRUE(preview.document()->begin().text().startsWith("abcLine 0"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.complete(); }, 20000));
    EXPECT_EQ(preview.document()->blockCount(), page.lineCount());
    TPageDocument fresh;
    fresh.setPageText(page.pageText());
    TPreviewDocument again(fresh);
    again.setActive(true);
    again.buildTo(fresh.lineCount());
    EXPECT_EQ(describe(*preview.document()), describe(*again.document()));
}

// A span opened at the top of a long page: the key rewrites the lines near it, and the slices that
// follow the rest, until the preview is what a fresh reading shows.
TEST(PreviewDocument, ASpanOpenedAtTheTopReachesTheEndInSlices) {
    QString text;
    for (int k = 0; k < 6000; ++k)
        text += QString("Line %1 and ^Bbold^b\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.buildTo(page.lineCount());
    ASSERT_TRUE(preview.complete());
    page.replace(0, 0, "^I");
    const auto italic = [&](int line) {
        return preview.document()
            ->findBlockByNumber(line)
            .begin()
            .fragment()
            .charFormat()
            .fontItalic();
    };
    EXPECT_TRUE(italic(100));
    EXPECT_FALSE(italic(5900));
    EXPECT_FALSE(preview.complete());
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.complete(); }, 20000));
    EXPECT_TRUE(italic(5900));
    TPageDocument fresh;
    fresh.setPageText(page.pageText());
    TPreviewDocument again(fresh);
    again.setActive(true);
    again.buildTo(fresh.lineCount());
    EXPECT_EQ(describe(*preview.document()), describe(*again.document()));
}

TEST(PreviewDocument, AVeryLongPageShowsItsFirstLinesOnly) {
    QString text;
    for (int k = 0; k < TPreviewDocument::kMaxLines + 10; ++k)
        text += "^BLine^b\n";
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    preview.setActive(true);
    preview.buildTo(page.lineCount());
    EXPECT_TRUE(preview.complete());
    EXPECT_EQ(preview.builtLines(), TPreviewDocument::kMaxLines);
    EXPECT_EQ(preview.document()->blockCount(), TPreviewDocument::kMaxLines);
    // Below them an edit changes nothing shown.
    page.replace(page.lineOffset(TPreviewDocument::kMaxLines + 5), 0, "^I");
    EXPECT_EQ(preview.document()->blockCount(), TPreviewDocument::kMaxLines);
}

TEST(PreviewDocument, HiddenItHoldsNothingAndFollowsNothing) {
    Preview p("^BHello^b");
    p.preview.setActive(false);
    EXPECT_TRUE(p.preview.document()->isEmpty());
    p.page.replace(0, 0, "x");
    p.preview.setActive(true);
    EXPECT_EQ(p.shown(), "xHello");
}
