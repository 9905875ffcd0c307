// Where each page was left: kept in [Positions] across runs, restored by every way of opening a
// page, by line when the file changed, and the recent files' section left as it was.
#include "settings/PagePositions.h"
#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

namespace {

QString storeFile() {
    return TQtSettingsBackend::nativeFilePath("Software\\Larkpad");
}

class PagePositions : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(storeFile()); }
    void TearDown() override { QFile::remove(storeFile()); }
};

QByteArray lines(int n, const char* word = "line") {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += QByteArray(word) + " " + QByteArray::number(i) + "\r\n";
    return b;
}

void caretAt(TColorMemo& memo, int line, int column) {
    QTextCursor c(memo.document()->findBlockByNumber(line));
    c.setPosition(c.position() + column);
    memo.setTextCursor(c);
}

} // namespace

TEST_F(PagePositions, ReopeningAPagePutsTheCaretWhereItWas) {
    lptest::TempDir dir;
    const QString a = dir.file("a.txt"), b = dir.file("b.txt"), c = dir.file("c.txt");
    ASSERT_TRUE(lptest::writeFile(a, lines(300)));
    ASSERT_TRUE(lptest::writeFile(b, lines(10)));
    ASSERT_TRUE(lptest::writeFile(c, lines(300)));
    {
        lptest::FakePrompts prompts;
        TForm1 form(TForm1Services{&prompts});
        form.resize(640, 480);
        form.show();
        form.openFromCommandLine(a);
        caretAt(*form.Clm1, 200, 4);
        form.dropFiles({c}); // a is left here
        caretAt(*form.Clm1, 150, 2);
        form.documentCommands().openPath(b); // and c here
        // Back to a by the recent files: where it was left.
        bool remove = false;
        form.MRUList1Click(a, remove);
        EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 200);
        EXPECT_EQ(form.Clm1->textCursor().positionInBlock(), 4);
        caretAt(*form.Clm1, 120, 1);
        ASSERT_TRUE(form.close());
    }
    // c changed on disk meanwhile: the same line while it has it; a page now too short: the top.
    ASSERT_TRUE(lptest::writeFile(c, "new first line\r\n" + lines(299, "other")));
    {
        lptest::FakePrompts prompts;
        TForm1 form(TForm1Services{&prompts});
        form.show();
        // The recent files keep their own section and values.
        EXPECT_EQ(form.RegCtrl1->ReadString("MRUList", "H2", ""), a);
        EXPECT_EQ(TPagePositions::decode(form.RegCtrl1->ReadString("Positions", "P0", ""))->path,
                  a);
        form.openFromCommandLine(a);
        EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 120);
        EXPECT_EQ(form.Clm1->textCursor().positionInBlock(), 1);
        form.documentCommands().openPath(c);
        EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 150);
        EXPECT_EQ(form.Clm1->textCursor().positionInBlock(), 2);
        ASSERT_TRUE(lptest::writeFile(a, lines(5)));
        form.documentCommands().openPath(a);
        EXPECT_EQ(form.Clm1->textCursor().position(), 0);
        ASSERT_TRUE(form.close());
    }
}

TEST(PagePositionsList, KeepsTheLastTwentyNewestFirst) {
    TPagePositions list;
    for (int i = 0; i < 25; ++i)
        list.remember({QString("/p/%1,x.txt").arg(i), i, i, 0, 0, 10, 0xABC});
    list.remember({"/p/7,x.txt", 70, 7, 0, 0, 10, 1});
    ASSERT_EQ(list.pages().size(), 20u);
    EXPECT_EQ(list.pages()[0].caret, 70);
    EXPECT_EQ(list.pages()[1].path, "/p/24,x.txt");
    EXPECT_FALSE(list.find("/p/4,x.txt"));
    list.remember({});
    EXPECT_EQ(list.pages().size(), 20u);
}

TEST(PagePositionsList, Texts) {
    const TPagePosition p{"/a,b/c d.txt", 12, 3, 4, 1, 99, 0xDEADBEEF};
    EXPECT_EQ(TPagePositions::encode(p), "12,3,4,1,99,deadbeef,/a,b/c d.txt");
    EXPECT_EQ(TPagePositions::decode(TPagePositions::encode(p)), p);
    for (const char* broken : {"", "1,2,3", "x,3,4,1,99,ff,/a", "-1,3,4,1,99,ff,/a",
                               "1,3,4,1,99,ff,", "1,3,4,1,99,zz,/a"})
        EXPECT_FALSE(TPagePositions::decode(broken)) << broken;
    const struct {
        bool same;
        int lineCount;
        bool exact;
        int line, top;
    } cases[] = {{true, 1, true, 30, 25}, {false, 31, false, 30, 25}, {false, 30, false, 0, 0}};
    const TPagePosition kept{"/a", 500, 30, 2, 25, 1, 1};
    for (const auto& c : cases) {
        const auto r = TPagePositions::restoreIn(kept, c.same, c.lineCount);
        EXPECT_EQ(r.exact, c.exact);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.top, c.top);
    }
}

// A settings file whose [Positions] grew to 200,000 keys (by hand or another program): the first
// twenty places are read, and closing keeps twenty, the page just left first, and drops the rest.
TEST_F(PagePositions, TwoHundredThousandKeptPlacesAreCutToTwentyAtClose) {
    lptest::TempDir dir;
    const QString page = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(page, lines(50)));
    QByteArray store = "[Positions]\n";
    for (int i = 0; i < 200000; ++i)
        store += "P" + QByteArray::number(i) + "=0,0,0,0,-1,0,/p/" + QByteArray::number(i) + "\n";
    store += "Other=kept by nobody\n";
    ASSERT_TRUE(lptest::writeFile(storeFile(), store));
    {
        lptest::FakePrompts prompts;
        TForm1 form(TForm1Services{&prompts});
        form.show();
        form.openFromCommandLine(page);
        caretAt(*form.Clm1, 30, 2);
        ASSERT_TRUE(form.close());
        EXPECT_TRUE(prompts.complaints().isEmpty())
            << prompts.complaints().join('\n').toStdString();
    }
    // The page left and the first nineteen places read: nothing else.
    const QByteArray written = lptest::readFile(storeFile());
    EXPECT_EQ(written.count(",/p/"), TPagePositions::kMaxPages - 1);
    EXPECT_FALSE(written.contains("Other="));
    TLpIniCtrl reader;
    reader.Target = itRegistry;
    reader.RegPath = "Software\\Larkpad";
    TPagePositions kept;
    kept.load(reader);
    ASSERT_EQ(kept.pages().size(), std::size_t(TPagePositions::kMaxPages));
    EXPECT_EQ(kept.pages()[0].path, page);
    EXPECT_EQ(kept.pages()[0].line, 30);
    EXPECT_EQ(kept.pages()[1].path, "/p/0");
    EXPECT_EQ(kept.pages()[19].path, "/p/18");
}

TEST_F(PagePositions, KeysTypedWhileThePageLoadsGoWhereTheCaretShowsAndTheKeptPlaceIsLeft) {
    lptest::TempDir dir;
    const QString big = dir.file("big.txt"), small = dir.file("small.txt");
    ASSERT_TRUE(lptest::writeFile(big, lines(60000)));
    ASSERT_TRUE(lptest::writeFile(small, lines(3)));
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts});
    form.resize(640, 480);
    form.show();
    for (const bool typed : {false, true}) {
        form.documentCommands().openPath(big);
        for (int i = 0; i < 200 && form.documentCommands().loading(); ++i)
            QApplication::processEvents();
        ASSERT_FALSE(form.documentCommands().loading());
        caretAt(*form.Clm1, 40000, 3);
        form.documentCommands().openPath(small); // big's place is kept
        form.documentCommands().openPath(big);
        ASSERT_TRUE(form.documentCommands().loading());
        if (typed)
            QTest::keyClicks(form.Clm1, "ab");
        for (int i = 0; i < 2000 && form.documentCommands().loading(); ++i)
            QApplication::processEvents();
        ASSERT_FALSE(form.documentCommands().loading());
        QApplication::processEvents();
        EXPECT_EQ(form.Clm1->textCursor().blockNumber(), typed ? 0 : 40000) << typed;
        EXPECT_EQ(form.Clm1->document()->firstBlock().text(), typed ? "abline 0" : "line 0");
        EXPECT_EQ(form.Clm1->document()->findBlockByNumber(40000).text(), "line 40000");
        form.Clm1->SetModified(false);
    }
}
