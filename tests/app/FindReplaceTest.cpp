// Find, replace, go to line, undo and redo, the caret panel, the file shortcuts and dropped files,
// all through the main window's keys, menus and bar.

#include "app/DocumentCommands.h"
#include "app/FindBar.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class GoToDialogs : public lptest::FakeDialogs {
public:
    GoToDialogs() : lptest::FakeDialogs(/*strictScript=*/true) {}
    std::optional<int> lineAnswer; ///< empty: cancel
    int lineCountShown = -1;
    bool executeGoToLine(int lineCount, int& line) override {
        lineCountShown = lineCount;
        if (!lineAnswer)
            return false;
        line = *lineAnswer;
        return true;
    }
};

// Counts the paint events a widget receives while it lives.
class TPaintCounter : public QObject {
public:
    TPaintCounter(QWidget* w, int& count) : w_(w), count_(count) { w->installEventFilter(this); }
    ~TPaintCounter() override { w_->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        count_ += e->type() == QEvent::Paint;
        return false;
    }

private:
    QWidget* w_;
    int& count_;
};

class FindWindow : public ::testing::Test {
protected:
    lptest::FakePrompts prompts{/*strictScript=*/true};
    GoToDialogs dialogs;
    TForm1 form{TForm1Services{&prompts, &dialogs}};

    void SetUp() override {
        form.show();
        QApplication::setActiveWindow(&form);
        form.Clm1->setFocus();
    }
    void page(const QString& text) {
        form.Clm1->SetText(text);
        form.Clm1->SetSelStart(0);
    }
    void key(QWidget* w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(w, static_cast<Qt::Key>(k), mods);
    }
    // Opens the find bar with Ctrl+Shift+F (Ctrl+H with replace) and types the needle.
    void find(const QString& needle, bool replace = false) {
        if (replace)
            key(form.Clm1, Qt::Key_H, Qt::ControlModifier);
        else
            key(form.Clm1, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        bar().FindEdit->clear();
        QTest::keyClicks(bar().FindEdit, needle);
    }
    TFindBar& bar() { return *form.FindBar1; }
    int selStart() { return form.Clm1->SelStart(); }
    QString selected() { return form.Clm1->SelText(); }
    QString message() { return bar().Message->text(); }
    void enter(Qt::KeyboardModifiers mods = Qt::NoModifier) {
        key(bar().FindEdit, Qt::Key_Return, mods);
    }
};

} // namespace

TEST_F(FindWindow, SearchesAsTypedFromTheCaretThenEnterAndF3GoOnAndWrap) {
    page("one two one\r\nthree one");
    form.Clm1->SetSelStart(2);
    find("on");
    EXPECT_TRUE(bar().isVisible());
    EXPECT_TRUE(bar().FindEdit->hasFocus());
    EXPECT_EQ(selStart(), 8); // from the caret, not from the page's start
    QTest::keyClicks(bar().FindEdit, "e");
    EXPECT_EQ(selStart(), 8); // the match grows in place
    EXPECT_EQ(selected(), "one");
    enter();
    EXPECT_EQ(selStart(), 19);
    EXPECT_EQ(message(), "");
    enter();
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(message(), TFindCommands::kWrappedToTop);
    enter(Qt::ShiftModifier);
    EXPECT_EQ(selStart(), 19);
    EXPECT_EQ(message(), TFindCommands::kWrappedToBottom);
    key(form.Clm1, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(selStart(), 8);
    key(form.Clm1, Qt::Key_F3);
    EXPECT_EQ(selStart(), 19);
    bar().PreviousBut->click();
    EXPECT_EQ(selStart(), 8);

    // No match: said in the bar, never in a box, and the selection stays.
    QTest::keyClicks(bar().FindEdit, "x");
    EXPECT_EQ(message(), TFindCommands::kNotFound);
    EXPECT_EQ(selStart(), 8);
    EXPECT_TRUE(prompts.notices.isEmpty());
    EXPECT_TRUE(prompts.errors.isEmpty());

    // Esc: the bar goes, the editor has the focus and the match.
    QTest::keyClick(bar().FindEdit, Qt::Key_Backspace);
    enter();
    key(bar().FindEdit, Qt::Key_Escape);
    EXPECT_FALSE(bar().isVisible());
    EXPECT_TRUE(form.Clm1->hasFocus());
    EXPECT_EQ(selected(), "one");
    EXPECT_EQ(selStart(), 19);
}

TEST_F(FindWindow, F3OpensTheBarFilledWithASelectionOnOneLine) {
    page("alpha beta\r\ngamma");
    form.Clm1->SetSelStart(6);
    form.Clm1->SetSelLength(4);
    key(form.Clm1, Qt::Key_F3);
    EXPECT_TRUE(bar().isVisible());
    EXPECT_EQ(bar().FindEdit->text(), "beta");
    key(bar().FindEdit, Qt::Key_Escape);
    // A selection over two lines leaves the field as it was.
    form.Clm1->SetSelStart(0);
    form.Clm1->SetSelLength(14);
    key(form.Clm1, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(bar().FindEdit->text(), "beta");
    EXPECT_FALSE(bar().ReplaceEdit->isVisible());
    key(form.Clm1, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(bar().ReplaceEdit->isVisible());
    // From the field too, and the window's keys keep working there.
    key(bar().FindEdit, Qt::Key_Escape);
    key(form.Clm1, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    key(bar().FindEdit, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(bar().ReplaceEdit->isVisible());
    EXPECT_EQ(bar().FindEdit->text(), "beta");
    // Both rows fit the window's first-start width.
    EXPECT_LE(bar().minimumSizeHint().width(), 640);
    EXPECT_EQ(form.width(), 640);
}

TEST_F(FindWindow, EmptyFieldFindsAndReplacesNothing) {
    page("some text");
    form.Clm1->SetSelStart(3);
    find("", true);
    enter();
    bar().NextBut->click();
    bar().ReplaceAllBut->click();
    bar().ReplaceBut->click();
    EXPECT_EQ(selStart(), 3);
    EXPECT_EQ(form.Clm1->SelLength(), 0);
    EXPECT_EQ(message(), "");
    EXPECT_EQ(form.Clm1->Text(), "some text");
    EXPECT_FALSE(form.Clm1->Modified());
}

TEST_F(FindWindow, MatchesDoNotStraddleLineBreaksAndCodesAreText) {
    page("abc\r\ndef ^Bbold^b");
    find("cd");
    EXPECT_EQ(message(), TFindCommands::kNotFound);
    find("c d");
    EXPECT_EQ(message(), TFindCommands::kNotFound);
    find("^B");
    EXPECT_EQ(selStart(), 9);
    enter();
    EXPECT_EQ(selected(), "^b"); // case ignored
    bar().MatchCase->click();
    EXPECT_EQ(selected(), "^B"); // toggling searches again
}

TEST_F(FindWindow, WholeWordAtThePageStartAndEndAndCase) {
    page("cat concat Cat");
    find("cat");
    bar().WholeWord->click();
    EXPECT_EQ(selStart(), 0);
    enter();
    EXPECT_EQ(selStart(), 11);
    enter();
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(message(), TFindCommands::kWrappedToTop);
    bar().MatchCase->click();
    enter();
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(message(), TFindCommands::kWrappedToTop); // the only one
    bar().WholeWord->click();
    enter();
    EXPECT_EQ(selStart(), 7);
}

TEST_F(FindWindow, ReplaceAllIsOneStepThatOneCtrlZTakesBack) {
    page("a cat, a cat\r\ncat and ^Bcat^b");
    find("cat", true);
    QTest::keyClicks(bar().ReplaceEdit, "dog");
    QApplication::processEvents();
    int changes = 0, paints = 0;
    QObject::connect(form.Clm1->document(), &QTextDocument::contentsChanged, [&] { ++changes; });
    TPaintCounter counter(form.Clm1->viewport(), paints);
    bar().ReplaceAllBut->click();
    QApplication::processEvents();
    EXPECT_EQ(form.Clm1->Text(), "a dog, a dog\r\ndog and ^Bdog^b");
    EXPECT_EQ(message(), "4 replaced");
    EXPECT_EQ(changes, 1); // one change of the document, one repaint
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(form.Clm1->Modified());
    EXPECT_TRUE(form.EditUndo1->isEnabled());
    form.Clm1->setFocus();
    key(form.Clm1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.Clm1->Text(), "a cat, a cat\r\ncat and ^Bcat^b");
    EXPECT_EQ(message(), ""); // the count no longer holds
    EXPECT_TRUE(form.EditRedo1->isEnabled());
    key(form.Clm1, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(form.Clm1->Text(), "a dog, a dog\r\ndog and ^Bdog^b");
    form.EditUndo1->trigger(); // the menu item does the same
    EXPECT_EQ(form.Clm1->Text(), "a cat, a cat\r\ncat and ^Bcat^b");
    form.EditRedo1->trigger();
    EXPECT_EQ(form.Clm1->Text(), "a dog, a dog\r\ndog and ^Bdog^b");
}

TEST_F(FindWindow, ReplacementHoldingTheSearchedTextIsNotSearchedAgain) {
    page("a b a");
    find("a", true);
    QTest::keyClicks(bar().ReplaceEdit, "aa");
    bar().ReplaceAllBut->click();
    EXPECT_EQ(form.Clm1->Text(), "aa b aa");
    EXPECT_EQ(message(), "2 replaced");
    // One at a time: Replace takes the selected match and goes to the next, after its own text.
    page("a b a");
    find("a", true);
    EXPECT_EQ(selStart(), 0);
    bar().ReplaceBut->click();
    EXPECT_EQ(form.Clm1->Text(), "aa b a");
    EXPECT_EQ(selStart(), 5);
    key(bar().ReplaceEdit, Qt::Key_Return);
    EXPECT_EQ(form.Clm1->Text(), "aa b aa");
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(message(), TFindCommands::kWrappedToTop);
    // A selection that is not a match is left alone: Replace only finds the next one.
    page("concat cat");
    find("cat", true);
    bar().WholeWord->click();
    bar().ReplaceEdit->setText("dog");
    form.Clm1->SetSelStart(3);
    form.Clm1->SetSelLength(3); // "cat" inside "concat"
    bar().ReplaceBut->click();
    EXPECT_EQ(form.Clm1->Text(), "concat cat");
    EXPECT_EQ(selStart(), 7);
    bar().ReplaceBut->click();
    EXPECT_EQ(form.Clm1->Text(), "concat dog");
    bar().WholeWord->click();
    page("aa b aa");
    find("a", true);
    // A replacement outside the page's code page becomes "?".
    bar().ReplaceEdit->setText(QString::fromUtf8("\u4E2D"));
    bar().ReplaceBut->click();
    EXPECT_EQ(form.Clm1->Text(), "?a b aa");
}

TEST_F(FindWindow, ReplaceAllStaysInASelectionOverSeveralLines) {
    page("cat\r\ncat cat\r\ncat");
    find("cat", true);
    QTest::keyClicks(bar().ReplaceEdit, "x");
    form.Clm1->SetSelStart(2);
    form.Clm1->SetSelLength(10); // "t\r\ncat cat"
    bar().ReplaceAllBut->click();
    EXPECT_EQ(form.Clm1->Text(), "cat\r\nx x\r\ncat");
    EXPECT_EQ(message(), "2 replaced");
    // A selection on one line does not limit it.
    form.Clm1->SetSelStart(0);
    form.Clm1->SetSelLength(2);
    bar().ReplaceAllBut->click();
    EXPECT_EQ(form.Clm1->Text(), "x\r\nx x\r\nx");
}

TEST_F(FindWindow, MatchesOnScreenAreTintedUnderTheirCodeColours) {
    page("plain ^Bbold^b plain");
    find("^B");
    bar().MatchCase->click();
    form.Clm1->SetSelStart(0); // no selection over the match
    QApplication::processEvents();
    ASSERT_EQ(form.Clm1->MatchMarks().rects().size(), 1u);
    const QRect mark = form.Clm1->MatchMarks().rects().front();
    const QImage img =
        form.Clm1->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int tint = 0, code = 0;
    for (int y = mark.top(); y <= mark.bottom(); ++y)
        for (int x = mark.left(); x <= mark.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            tint += c == TMatchMarks::tint();
            code += c.blue() > 150 && c.red() < 100 && c.green() < 100;
        }
    EXPECT_GT(tint, mark.width() * mark.height() / 3);
    EXPECT_GT(code, 0); // the code keeps its blue over the tint
    key(bar().FindEdit, Qt::Key_Escape);
    EXPECT_TRUE(form.Clm1->MatchMarks().rects().empty() || !form.Clm1->MatchMarks().isActive());
}

TEST_F(FindWindow, GoToLineMovesTheCaretIntoViewAndRefusesLinesOutsideThePage) {
    QStringList lines;
    for (int i = 1; i <= 600; ++i)
        lines << QString("line %1").arg(i);
    page(lines.join("\r\n"));
    dialogs.lineAnswer = 500;
    key(form.Clm1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(dialogs.lineCountShown, 600);
    EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 499);
    EXPECT_EQ(form.Clm1->textCursor().positionInBlock(), 0);
    EXPECT_TRUE(form.Clm1->viewport()->rect().contains(form.Clm1->cursorRect()));
    EXPECT_EQ(form.StatusPanel2->text(), "500:1");
    for (int refused : {0, 601, -3}) {
        dialogs.lineAnswer = refused;
        form.EditGoToLine1->trigger();
        EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 499) << refused;
    }
    dialogs.lineAnswer.reset();
    form.EditGoToLine1->trigger();
    EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 499);
}

TEST_F(FindWindow, StatusPanelTwoFollowsTheCaretAsLineAndColumn) {
    EXPECT_EQ(form.StatusPanel2->text(), "1:1");
    EXPECT_EQ(form.StatusPanel1->width(), 400);
    EXPECT_GE(form.StatusPanel2->contentsRect().width(),
              form.StatusPanel2->fontMetrics().horizontalAdvance("99999:9999"));
    page("ab\r\ncde");
    QTest::keyClicks(form.Clm1, "xy");
    EXPECT_EQ(form.StatusPanel2->text(), "1:3");
    key(form.Clm1, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form.StatusPanel2->text(), "2:4");
}

TEST_F(FindWindow, UndoAndRedoFollowTheEditorsHistoryAndTheFileKeysRunTheMenuCommands) {
    page("");
    EXPECT_EQ(form.Edition1->actions().first(), form.EditUndo1);
    EXPECT_FALSE(form.EditUndo1->isEnabled());
    EXPECT_FALSE(form.EditRedo1->isEnabled());
    QTest::keyClicks(form.Clm1, "abc");
    EXPECT_TRUE(form.EditUndo1->isEnabled());
    form.EditUndo1->trigger();
    EXPECT_EQ(form.Clm1->Text(), "");
    EXPECT_TRUE(form.EditRedo1->isEnabled());
    key(form.Clm1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form.Clm1->Text(), "abc");

    EXPECT_EQ(form.FileNew->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(form.FilePrint->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(form.Police1->shortcut(), QKeySequence("Ctrl+F"));
    dialogs.openChoices.push_back(std::nullopt);
    prompts.answers.push_back(TAnswer::No);
    key(form.Clm1, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.shownCount("open"), 1);
    EXPECT_EQ(prompts.questions.size(), 1);
    prompts.answers.push_back(TAnswer::No);
    key(form.Clm1, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.Clm1->Text(), "");
    key(form.Clm1, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form.isVisible());
}

namespace {

void dropOn(QWidget* target, QMimeData* mime, QPoint at) {
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents();
}

QMimeData* filesMime(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    mime->setText(paths.join('\n')); // file managers offer the paths as text too
    return mime;
}

} // namespace

TEST_F(FindWindow, DroppedFilesOpenAsOpenWouldAfterTheQuestion) {
    lptest::TempDir dir;
    const QString first = dir.file("first.txt"), second = dir.file("second.txt");
    ASSERT_TRUE(lptest::writeFile(first, "first page\r\n"));
    ASSERT_TRUE(lptest::writeFile(second, "second page\r\n"));
    page("changed");
    form.Clm1->SetModified(true);

    // Cancelled at the question: nothing changes, the paths are not typed in.
    prompts.answers.push_back(TAnswer::Cancel);
    std::unique_ptr<QMimeData> mime(filesMime({first}));
    dropOn(form.Clm1->viewport(), mime.get(), QPoint(5, 5));
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(form.Clm1->Text(), "changed");

    prompts.answers.push_back(TAnswer::No);
    dropOn(form.Clm1->viewport(), mime.get(), QPoint(5, 5));
    EXPECT_EQ(form.Clm1->Text(), "first page\r\n");
    EXPECT_EQ(form.StatusPanel1->text(), first);
    EXPECT_EQ(form.StatusNote->text(), "");

    // Two files, dropped on the toolbar: the first, and the status bar says why.
    QTest::keyClicks(form.Clm1, "x");
    prompts.answers.push_back(TAnswer::No);
    mime.reset(filesMime({second, first}));
    dropOn(&form, mime.get(), QPoint(5, 5));
    EXPECT_EQ(form.Clm1->Text(), "second page\r\n");
    EXPECT_EQ(form.StatusNote->text(), "Only one page is open at a time: second.txt was opened");
    // The note leaves the page's name in view.
    EXPECT_TRUE(form.statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(form.StatusPanel1->isVisible());
    EXPECT_EQ(form.StatusPanel1->text(), second);
    EXPECT_TRUE(prompts.answers.empty());
}

TEST_F(FindWindow, DroppedTextGoesInAtTheDropPointAsPageText) {
    page("one two");
    QMimeData mime;
    mime.setText(QString::fromUtf8("[\u20AC\u4E2D]"));
    const QPoint at = form.Clm1->cursorRect(form.Clm1->textCursor()).center() + QPoint(1, 0);
    dropOn(form.Clm1->viewport(), &mime, at);
    EXPECT_EQ(form.Clm1->Text(), QString::fromUtf8("[\u20AC?]one two"));
}

TEST_F(FindWindow, ALongLineInDisplayBlocksIsOneLineForTheCaretGoToFindAndReplace) {
    // A line long enough to be shown in several display blocks, with a word across the first cut.
    QString line(20000, u'x');
    line.replace(4094, 4, "QZQZ");
    page("top\r\n" + line + "\r\nend");
    ASSERT_GT(form.Clm1->document()->blockCount(), 3);

    dialogs.lineAnswer = 3;
    key(form.Clm1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(dialogs.lineCountShown, 3);
    EXPECT_EQ(form.Clm1->SelStart(), 5 + line.size() + 2);
    EXPECT_EQ(form.StatusPanel2->text(), "3:1");
    key(form.Clm1, Qt::Key_Left);
    EXPECT_EQ(form.StatusPanel2->text(), QString("2:%1").arg(line.size() + 1));

    // Found across the cut; replaced there, by Replace and by Replace All; undone.
    form.Clm1->SetSelStart(0);
    find("QZQZ", true);
    EXPECT_EQ(selStart(), 5 + 4094);
    EXPECT_EQ(selected(), "QZQZ");
    bar().ReplaceEdit->setText("ab\r\ncd");
    bar().ReplaceBut->click();
    EXPECT_EQ(form.Clm1->Text(), "top\r\n" + QString(line).replace("QZQZ", "ab\r\ncd") + "\r\nend");
    form.Clm1->setFocus();
    form.EditUndo1->trigger();
    EXPECT_EQ(form.Clm1->Text(), "top\r\n" + line + "\r\nend");
    EXPECT_EQ(form.StatusPanel2->text(),
              QString("2:%1").arg(4094 + 4 + 1)); // "QZQZ" selected again
    bar().ReplaceAllBut->click();
    EXPECT_EQ(form.Clm1->Text(), "top\r\n" + QString(line).replace("QZQZ", "ab\r\ncd") + "\r\nend");
    form.EditUndo1->trigger();
    EXPECT_EQ(form.Clm1->Text(), "top\r\n" + line + "\r\nend");
}
