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
    // Lines of "ab ab … ab": a match every three characters, so that one straddles the edge of
    // the first slice and the next.
    static_assert((TMatchCount::kSlice - 1) % 3 == 0);
    const int lines = int(2 * TMatchCount::kSlice / 3000) + 100;
    TPageDocument page;
    QString line = QString("ab ").repeated(1000);
    line.back() = u'\n';
    page.setPageText(line.repeated(lines));
    TDocumentSearch search(page);
    TMatchCount count(page, search);
    QSignalSpy counted(&count, &TMatchCount::counted);

    count.setSearch(TTextSearch("AB", {}));
    EXPECT_FALSE(count.known()) << "the count never runs inside the call";
    EXPECT_EQ(count.numberAt(0), 0);
    ASSERT_TRUE(counted.wait(10000));
    EXPECT_TRUE(count.known());
    EXPECT_EQ(count.total(), lines * 1000);
    EXPECT_EQ(count.numberAt(0), 1);
    EXPECT_EQ(count.numberAt(3 * 1000), 1001);
    EXPECT_EQ(count.numberAt(1), 0) << "inside a match";

    // A change: unknown at once, counted again after it.
    QTextCursor c(page.textDocument());
    c.insertText("ab ");
    EXPECT_FALSE(count.known());
    ASSERT_TRUE(counted.wait(10000));
    EXPECT_EQ(count.total(), lines * 1000 + 1);
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
    QTest::qWait(300);
    EXPECT_FALSE(count.known());
    EXPECT_EQ(count.total(), 0);
}
