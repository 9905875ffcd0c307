// The page document alone, without any view: its text in page terms, edits and undo, the display
// blocks of long lines, the page bytes and the change signal.
#include "document/PageDocument.h"
#include "document/PageText.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <climits>

namespace {

QString unbroken(int length, char16_t first = u'a') {
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i)
        s += QChar(first + i % 26);
    return s;
}

struct TChange {
    int offset, removed, added;
    bool operator==(const TChange&) const = default;
};

std::vector<TChange> changesOf(const QSignalSpy& spy) {
    std::vector<TChange> out;
    for (const QList<QVariant>& args : spy)
        out.push_back({args[0].toInt(), args[1].toInt(), args[2].toInt()});
    return out;
}

} // namespace

TEST(PageDocument, ReadsTheTextInPageTerms) {
    TPageDocument page;
    page.setPageText(QString::fromUtf8("caf\u00e9\n\nend"));
    EXPECT_EQ(page.text(), QString::fromUtf8("caf\u00e9\r\n\r\nend"));
    EXPECT_EQ(page.pageText(), QString::fromUtf8("caf\u00e9\n\nend"));
    EXPECT_EQ(page.pageBytes(), std::string("caf\xE9\r\n\r\nend"));
    EXPECT_EQ(page.length(), 11);
    EXPECT_EQ(page.lineCount(), 3);
    EXPECT_EQ(page.lineText(0), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(page.lineText(1), "");
    EXPECT_EQ(page.lineText(3), "") << "no such line";
    EXPECT_EQ(page.lineOffset(2), 8);
    EXPECT_EQ(page.lineOffset(3), -1);
    const TPageDocument::TLineColumn lc = page.lineColumnOfOffset(9);
    EXPECT_EQ(lc.line, 2);
    EXPECT_EQ(lc.column, 1);
    // An offset inside a CR LF pair belongs to the end of its line.
    EXPECT_EQ(page.positionFromOffset(5), 4);
    EXPECT_EQ(page.offsetFromPosition(page.positionFromOffset(8)), 8);
    EXPECT_FALSE(page.isModified());
}

TEST(PageDocument, ReplacesAsOneUndoStepAndReportsPageOffsets) {
    TPageDocument page;
    page.setPageText("one\ntwo\nthree");
    QSignalSpy spy(&page, &TPageDocument::changed);
    page.replace(3, 5, "+\n+"); // "\r\ntwo" gives way to "+\r\n+"
    EXPECT_EQ(page.pageText(), "one+\n+\nthree");
    EXPECT_TRUE(page.isModified());
    ASSERT_EQ(changesOf(spy).size(), 1u);
    EXPECT_EQ(changesOf(spy).back(), (TChange{3, 5, 4}));

    page.replace(0, 0, "zero\n");
    EXPECT_EQ(changesOf(spy).back(), (TChange{0, 0, 6}));
    page.undo();
    EXPECT_EQ(page.pageText(), "one+\n+\nthree");
    EXPECT_EQ(changesOf(spy).back(), (TChange{0, 6, 0}));
    page.undo();
    EXPECT_EQ(page.pageText(), "one\ntwo\nthree");
    page.redo();
    EXPECT_EQ(page.pageText(), "one+\n+\nthree");
}

TEST(PageDocument, KeepsLongLinesInDisplayBlocksThatNoReaderSees) {
    const int longLine = TPageDocument::longLine();
    const QString line = unbroken(3 * longLine);
    TPageDocument page;
    page.setPageText("first\n" + line + "\nlast");
    EXPECT_TRUE(page.hasContinuations());
    EXPECT_GT(page.textDocument()->blockCount(), 3);
    EXPECT_EQ(page.lineCount(), 3);
    EXPECT_EQ(page.length(), 5 + 2 + line.size() + 2 + 4);
    EXPECT_EQ(page.lineText(1), line);
    EXPECT_EQ(page.pageText(), "first\n" + line + "\nlast");
    EXPECT_EQ(page.lineOffset(2), 5 + 2 + int(line.size()) + 2);
    // Offsets across the cuts map to the same characters.
    for (int at : {7, 7 + TPageDocument::piece() - 1, 7 + TPageDocument::piece(),
                   7 + 2 * TPageDocument::piece() + 1}) {
        const int position = page.positionFromOffset(at);
        EXPECT_EQ(page.offsetFromPosition(position), at);
        EXPECT_EQ(page.textDocument()->characterAt(position), line[at - 7]) << at;
    }
    const TPageDocument::TLineColumn lc = page.lineColumnOfOffset(7 + 2 * TPageDocument::piece());
    EXPECT_EQ(lc.line, 1);
    EXPECT_EQ(lc.column, 2 * TPageDocument::piece());

    // An edit across a cut, taken back with its blocks.
    QSignalSpy spy(&page, &TPageDocument::changed);
    const int cut = 7 + TPageDocument::piece();
    page.replace(cut - 2, 4, "XY");
    QString expected = line;
    expected.replace(cut - 7 - 2, 4, "XY");
    EXPECT_EQ(page.lineText(1), expected);
    EXPECT_EQ(changesOf(spy).back().offset, cut - 2);
    EXPECT_EQ(changesOf(spy).back().added, 2);
    page.undo();
    EXPECT_EQ(page.lineText(1), line);
    EXPECT_EQ(page.lineCount(), 3);
    // A line broken into short ones is cut no more.
    page.setPageText("short\nlines");
    EXPECT_FALSE(page.hasContinuations());
    EXPECT_EQ(page.continuationsUpTo(INT_MAX), 0);
}

TEST(PageDocument, KeepsItsFileAndLoadState) {
    TPageDocument page;
    QSignalSpy path(&page, &TPageDocument::pathChanged);
    QSignalSpy load(&page, &TPageDocument::loadStateChanged);
    page.setPath("/tmp/a.txt");
    page.setPath("/tmp/a.txt");
    EXPECT_EQ(path.count(), 1);
    EXPECT_EQ(page.path(), "/tmp/a.txt");
    page.setLoadState(TPageDocument::TLoadState::Loading);
    page.setLoadState(TPageDocument::TLoadState::Loading);
    EXPECT_EQ(load.count(), 1);
    EXPECT_EQ(page.loadState(), TPageDocument::TLoadState::Loading);
    EXPECT_EQ(TPageDocument::of(page.textDocument()), &page);
    QTextDocument other;
    EXPECT_EQ(TPageDocument::of(&other), nullptr);
    EXPECT_EQ(pageLineCountOf(other), 1) << "any document answers, its blocks as lines";
}

TEST(PageText, ConvertsOneWayForEveryCaller) {
    // Every byte value survives a round trip.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(pagetext::toBytes(pagetext::fromBytes(all)), all);
    // Characters the code page lacks become one "?" each, a surrogate pair included.
    EXPECT_EQ(pagetext::toBytes(QString::fromUtf8("\u20ac \u4e2d x\xF0\x9F\x98\x80y")),
              std::string("\x80 ? x?y"));
    // Page files: every line break as CR LF; and back, each break as '\n'.
    EXPECT_EQ(pagetext::toPageBytes(QString::fromUtf16(u"a\u2029b\nc")), "a\r\nb\r\nc");
    EXPECT_EQ(pagetext::fromPageBytes("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_TRUE(pagetext::isPageCharacter(QChar(0x20AC)));
    EXPECT_FALSE(pagetext::isPageCharacter(QChar(0x4E2D)));
}
