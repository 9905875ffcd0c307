// The search under the find bar: plain text over U+2029-separated lines, whole words, case,
// wrapping, counting and the text that Replace All produces.

#include "editor/TextSearch.h"

#include <QTextDocument>
#include <gtest/gtest.h>

#include "document/PageDocument.h"
#include "editor/DocumentSearch.h"

namespace {

const QChar kBreak(0x2029);

QString lines(std::initializer_list<const char*> parts) {
    QStringList l;
    for (const char* p : parts)
        l << QString::fromUtf8(p);
    return l.join(kBreak);
}

} // namespace

TEST(TextSearch, FindsForwardAndBackwardWithinRange) {
    const QString t = "one two one two one";
    const TTextSearch s("one", {});
    EXPECT_EQ(s.next(t, 0).Start, 0);
    EXPECT_EQ(s.next(t, 1).Start, 8);
    EXPECT_FALSE(s.next(t, 17).found());
    EXPECT_FALSE(s.next(t, 9, 18).found()); // the last one ends past the range
    EXPECT_EQ(s.previous(t, 16).Start, 8);
    EXPECT_EQ(s.previous(t, 8).Start, 0);
    EXPECT_FALSE(s.previous(t, 0).found());
    EXPECT_EQ(s.count(t), 3);
    EXPECT_FALSE(TTextSearch("", {}).next(t, 0).found());
}

TEST(TextSearch, CaseAndWholeWord) {
    const QString t = "Word word WORD sword words word";
    EXPECT_EQ(TTextSearch("word", {}).count(t), 6);
    EXPECT_EQ(TTextSearch("word", {true, false}).count(t), 4);
    const TTextSearch whole("word", {false, true});
    EXPECT_EQ(whole.count(t), 4);
    // At the page's start and end, and backwards.
    EXPECT_EQ(whole.next(t, 0).Start, 0);
    EXPECT_EQ(whole.previous(t, t.size()).Start, 27);
    EXPECT_EQ(whole.previous(t, 27).Start, 10);
    // Accented letters fold, and are word characters.
    EXPECT_EQ(TTextSearch(QString::fromUtf8("été"), {}).next(QString::fromUtf8("x ÉTÉ"), 0).Start,
              2);
    EXPECT_FALSE(TTextSearch("t", {false, true}).next(QString::fromUtf8("été"), 0).found());
    // Only an edge that is a word character needs a boundary: codes next to words are found.
    const TTextSearch code("^B", {true, true});
    EXPECT_EQ(code.next(u"x^B", 0).Start, 1);
    EXPECT_FALSE(code.next(u"x^Bold", 0).found());
    EXPECT_EQ(code.next(u"^B ^b", 0).Start, 0);
    EXPECT_FALSE(code.next(u"^b", 0).found());
}

TEST(TextSearch, StaysOnItsLineUnlessTheNeedleBreaksIt) {
    const QString t = lines({"abc", "def"});
    EXPECT_FALSE(TTextSearch("cd", {}).next(t, 0).found());
    EXPECT_FALSE(TTextSearch("c d", {}).next(t, 0).found());
    for (const char* needle : {"c\r\nd", "c\nd", "c\rd"}) {
        const TTextSearch s(needle, {});
        EXPECT_TRUE(s.crossesLines());
        EXPECT_EQ(s.next(t, 0).Start, 2) << needle;
        EXPECT_EQ(s.next(t, 0).Length, 3);
    }
}

TEST(TextSearch, ReplacedTextCountsAndNeverSearchesItsOwnReplacement) {
    qsizetype n = -1;
    EXPECT_EQ(TTextSearch("a", {}).replaced(u"a a a", u"aa", &n), "aa aa aa");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(TTextSearch("aa", {}).replaced(u"aaaaa", u"b", &n), "bba");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(TTextSearch("cat", {}).replaced(u"cat cat cat", u"dog", &n, 2, 11), "t dog dog");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(TTextSearch("x", {}).replaced(u"abc", u"y", &n), "abc");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(TTextSearch("", {}).replaced(u"abc", u"y", &n), "abc");
    EXPECT_EQ(n, 0);
}

TEST(DocumentSearch, WrapsAndFollowsChangesOfTheDocument) {
    TPageDocument page;
    page.setPageText("one two\none");
    QTextDocument& doc = *page.textDocument();
    TDocumentSearch ds(page);
    const TTextSearch s("one", {});
    TDocumentSearch::TFound f = ds.find(s, 1, true);
    EXPECT_EQ(f.Match.Start, 8);
    EXPECT_FALSE(f.Wrapped);
    f = ds.find(s, 9, true);
    EXPECT_EQ(f.Match.Start, 0);
    EXPECT_TRUE(f.Wrapped);
    f = ds.find(s, 0, false);
    EXPECT_EQ(f.Match.Start, 8);
    EXPECT_TRUE(f.Wrapped);
    // The only match, found again from inside itself.
    doc.setPlainText("xx one");
    f = ds.find(s, 4, true);
    EXPECT_EQ(f.Match.Start, 3);
    EXPECT_TRUE(f.Wrapped);
    EXPECT_FALSE(ds.find(TTextSearch("none", {}), 0, true).Match.found());

    EXPECT_EQ(ds.replaceAll(s, 0, 6, "one one"), 1);
    EXPECT_EQ(doc.toPlainText(), "xx one one");
    EXPECT_EQ(ds.find(s, 4, true).Match.Start, 7);
}
