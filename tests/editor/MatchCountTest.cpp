// The find bar's count of matches: over the whole page, a slice at a time, again after a change.
#include "editor/MatchCount.h"
#include "document/PageDocument.h"
#include "editor/DocumentSearch.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

TEST(MatchCount, CountsThePageInSlicesAcrossTheirEdgesAndAgainAfterAChange) {
    // Lines of "ab ab … ab" at the start, more matches than one slice takes, then lines of "x"
    // with a match across the edge of each slice.
    const int denseLines = int(TMatchCount::kMatchesPerSlice / 1000) + 10;
    QString dense = QString("ab ").repeated(1000);
    dense.back() = u'\n';
    QString sparse = QString("x").repeated(999) + "\n";
    QString text =
        dense.repeated(denseLines) + sparse.repeated(int(3 * TMatchCount::kSlice / 1000));
    for (qsizetype edge : {TMatchCount::kSlice, 2 * TMatchCount::kSlice}) {
        ASSERT_NE(text[edge - 1], u'\n');
        ASSERT_NE(text[edge], u'\n');
        text[edge - 1] = u'a';
        text[edge] = u'b';
    }
    const int total = denseLines * 1000 + 2;
    TPageDocument page;
    page.setPageText(text);
    TDocumentSearch search(page);
    TMatchCount count(page, search);
    QSignalSpy counted(&count, &TMatchCount::counted);

    count.setSearch(TTextSearch("AB", {}));
    EXPECT_FALSE(count.known()) << "the count never runs inside the call";
    EXPECT_EQ(count.numberAt(0), 0);
    ASSERT_TRUE(counted.wait(10000));
    EXPECT_TRUE(count.known());
    EXPECT_EQ(count.total(), total);
    EXPECT_EQ(count.numberAt(0), 1);
    EXPECT_EQ(count.numberAt(3 * 1000), 1001);
    EXPECT_EQ(count.numberAt(1), 0) << "inside a match";
    EXPECT_EQ(count.numberAt(int(2 * TMatchCount::kSlice - 1)), total);

    // A change: unknown at once, counted again after it.
    QTextCursor c(page.textDocument());
    c.insertText("ab ");
    EXPECT_FALSE(count.known());
    ASSERT_TRUE(counted.wait(10000));
    EXPECT_EQ(count.total(), total + 1);
    EXPECT_EQ(count.numberAt(3), 2);

    // Case and whole words are the search's own; matches never overlap, as Replace All sees them.
    page.setPageText("aaa AAA\naaaa");
    count.setSearch(TTextSearch("aa", {true, false}));
    ASSERT_TRUE(counted.wait(10000));
    EXPECT_EQ(count.total(), 3);
    EXPECT_EQ(count.numberAt(10), 3);
    count.setSearch(TTextSearch("", {}));
    EXPECT_TRUE(count.known());
    EXPECT_EQ(count.total(), 0);

    // Stopped: nothing counted any more, even after a change.
    count.setSearch(TTextSearch("a", {}));
    count.stop();
    c.insertText("a");
    EXPECT_FALSE(count.scheduled()) << "a change starts no count";
    EXPECT_FALSE(count.known());
    EXPECT_EQ(count.total(), 0);
}
