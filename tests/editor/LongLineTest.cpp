#include "editor/core/BreakOpportunities.h"
#include "tests/editor/MemoFixture.h"

#include <QTextDocument>

using memotest::makeMemo;

TEST(BreakOpportunities, OnlyARunLongerThanTheLimitCounts) {
    EXPECT_FALSE(hasUnbrokenRun(u"", 3));
    EXPECT_FALSE(hasUnbrokenRun(u"abc", 3));
    EXPECT_TRUE(hasUnbrokenRun(u"abcd", 3));
    // Every sure break place ends a run; other punctuation does not.
    EXPECT_FALSE(hasUnbrokenRun(u"abc abc\tabc-abc/abc|abc", 3));
    EXPECT_TRUE(hasUnbrokenRun(u"ab.cd", 3));
    EXPECT_TRUE(hasUnbrokenRun(u"abc abcd", 3));
}

namespace {

QString unbroken(int length) {
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i)
        s += QChar(u'a' + i % 26);
    return s;
}

void typeAt(TColorMemo& m, int offset, const QString& text) {
    m.SetSelStart(offset);
    m.ReplaceSel(text);
}

} // namespace

TEST(LongLines, WrapBreaksAnywhereWhileARunHasNoBreakPlace) {
    const int n = int(kLongestUnbroken) + 10;
    const QString line = unbroken(n);
    auto m = makeMemo("first line\r\n" + line + "\r\nlast line");
    EXPECT_TRUE(m->WrapsAnywhere());
    EXPECT_EQ(m->wordWrapMode(), QTextOption::WrapAnywhere);
    // What the author sees and saves is the text as it was.
    EXPECT_EQ(m->Text(), "first line\r\n" + line + "\r\nlast line");

    // A space near one end leaves a run still too long; one in the middle ends it.
    typeAt(*m, 12 + 5, " ");
    EXPECT_TRUE(m->WrapsAnywhere());
    typeAt(*m, 12 + n / 2, " ");
    EXPECT_FALSE(m->WrapsAnywhere());
    EXPECT_EQ(m->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Undo brings the run back, and the wrap with it.
    m->Undo();
    EXPECT_TRUE(m->WrapsAnywhere());

    // Another such paragraph keeps it when the first loses its run; removing the last one ends it.
    typeAt(*m, m->Text().size(), "\r\n" + line);
    typeAt(*m, 12 + n / 2, " ");
    EXPECT_TRUE(m->WrapsAnywhere());
    m->SetSelStart(m->Text().size() - n);
    m->SetSelLength(n);
    m->ReplaceSel("");
    EXPECT_FALSE(m->WrapsAnywhere());

    // A new page starts afresh.
    m->SetText(line);
    EXPECT_TRUE(m->WrapsAnywhere());
    m->SetText("short");
    EXPECT_FALSE(m->WrapsAnywhere());
}

TEST(LongLines, LongLineWithSpacesKeepsWordWrap) {
    QString line;
    while (line.size() < 200000)
        line += "word ^Bbold^b [name] ";
    auto m = makeMemo(line);
    EXPECT_FALSE(m->WrapsAnywhere());
}

TEST(LongLines, LineOfAMillionCharactersWithoutSpacesLoadsEditsAndSavesExactly) {
    const QString line = unbroken(1'000'000);
    auto m = makeMemo(line + "\r\nend", {600, 300});
    ASSERT_TRUE(m->WrapsAnywhere());
    // Keys at both ends of the line.
    typeAt(*m, 0, "^B");
    typeAt(*m, 1'000'002, "^b");
    m->repaint();
    EXPECT_EQ(m->Text(), "^B" + line + "^b\r\nend");
    EXPECT_GT(m->LineCount(), 2) << "the line wraps into many screen lines";
}
