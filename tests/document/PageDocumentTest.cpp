// The page document alone, without any view: its text in page terms, edits and undo, the display
// blocks of long lines, the page bytes and what its watchers are told.
#include "document/PageDocument.h"
#include "document/PageText.h"

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

// Every notice a view of the page hears, in order.
struct TRecorder : TPageWatcher {
    explicit TRecorder(TPageDocument& page) : page(page) { page.addWatcher(this); }
    ~TRecorder() override { page.removeWatcher(this); }
    void pageChanged(int offset, int removed, int added) override {
        changes.push_back({offset, removed, added});
    }
    void modifiedChanged(bool m) override { modified.push_back(m); }
    void pathChanged(const QString& p) override { paths.push_back(p); }
    void loadStateChanged(TPageLoadState s) override { loads.push_back(s); }

    TPageDocument& page;
    std::vector<TChange> changes;
    std::vector<bool> modified;
    std::vector<QString> paths;
    std::vector<TPageLoadState> loads;
};

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
    TRecorder spy(page);
    page.replace(3, 5, "+\n+"); // "\r\ntwo" gives way to "+\r\n+"
    EXPECT_EQ(page.pageText(), "one+\n+\nthree");
    EXPECT_TRUE(page.isModified());
    ASSERT_EQ(spy.changes.size(), 1u);
    EXPECT_EQ(spy.changes.back(), (TChange{3, 5, 4}));

    page.replace(0, 0, "zero\n");
    EXPECT_EQ(spy.changes.back(), (TChange{0, 0, 6}));
    page.undo();
    EXPECT_EQ(page.pageText(), "one+\n+\nthree");
    EXPECT_EQ(spy.changes.back(), (TChange{0, 6, 0}));
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
    TRecorder spy(page);
    const int cut = 7 + TPageDocument::piece();
    page.replace(cut - 2, 4, "XY");
    QString expected = line;
    expected.replace(cut - 7 - 2, 4, "XY");
    EXPECT_EQ(page.lineText(1), expected);
    EXPECT_EQ(spy.changes.back().offset, cut - 2);
    EXPECT_EQ(spy.changes.back().added, 2);
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
    TRecorder spy(page);
    EXPECT_EQ(page.displayName(), "Untitled");
    page.setPath("/tmp/a.txt");
    page.setPath("/tmp/a.txt");
    EXPECT_EQ(spy.paths, std::vector<QString>{"/tmp/a.txt"});
    EXPECT_EQ(page.path(), "/tmp/a.txt");
    EXPECT_EQ(page.displayName(), "/tmp/a.txt");
    page.setLoadState(TPageDocument::TLoadState::Loading);
    page.setLoadState(TPageDocument::TLoadState::Loading);
    EXPECT_EQ(spy.loads.size(), 1u);
    EXPECT_EQ(page.loadState(), TPageDocument::TLoadState::Loading);
    EXPECT_EQ(TPageDocument::of(page.textDocument()), &page);
    QTextDocument other;
    EXPECT_EQ(TPageDocument::of(&other), nullptr);
    EXPECT_EQ(pageLineCountOf(other), 1) << "any document answers, its blocks as lines";
}

TEST(PageDocument, TellsItsWatchersOfTheModifiedFlagWhateverClearsIt) {
    TPageDocument page;
    TRecorder spy(page);
    page.replace(0, 0, "a");
    page.replace(1, 0, "b");
    page.undo();
    page.undo();
    // Replacing the whole text clears the flag silently in the toolkit: the watchers hear of it.
    page.replace(0, 0, "c");
    page.setPageText("fresh");
    page.replace(0, 0, "d");
    page.setModified(false);
    page.setModified(false);
    EXPECT_EQ(spy.modified, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_FALSE(page.isModified());
}

TEST(PageDocument, WatchersMayLeaveWhileTheyAreToldAndOutliveThePage) {
    auto page = std::make_unique<TPageDocument>();
    int heardByLast = 0;
    std::unique_ptr<TPageWatch> last;
    // The first watcher takes the second away while a change is told: the second hears nothing
    // more, and no one else is skipped.
    auto second = std::make_unique<TPageWatch>(*page, TPageWatch::TNotices{});
    TPageWatch first(*page, {.changed = [&](int, int, int) { second.reset(); }});
    last = std::make_unique<TPageWatch>(
        *page, TPageWatch::TNotices{.changed = [&](int, int, int) { ++heardByLast; }});
    page->replace(0, 0, "x");
    page->replace(0, 0, "y");
    EXPECT_EQ(heardByLast, 2);
    // A watch that outlives its page lets go of nothing.
    page.reset();
    last.reset();
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
    // A zero character entering the page would cut it at the next open: it becomes "?".
    EXPECT_FALSE(pagetext::isPageCharacter(QChar(0)));
    int unknown = 0;
    EXPECT_EQ(pagetext::toPageText(QString("a") + QChar(0) + "b", &unknown), "a?b");
    EXPECT_EQ(unknown, 1);
}
