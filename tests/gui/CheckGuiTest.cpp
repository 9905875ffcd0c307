// The check panel in a real window: F7 shows it, the findings' wavy lines reach the screen under
// their characters, typing and scrolling leave no stale line behind, and hiding it takes them away.

#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"
#include "tests/editor/MemoFixture.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace memotest;

namespace {

// The warning colour of the underlines, give or take anti-aliasing.
bool orange(QRgb p) {
    return qRed(p) > 180 && qGreen(p) > 90 && qGreen(p) < 190 && qBlue(p) < 90;
}

} // namespace

TEST(CheckGui, UnderlinesFollowTheTextOnScreen) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts, nullptr});
    form.resize(640, 480);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    TColorMemo& memo = *form.Clm1;
    QString text;
    for (int i = 0; i < 80; ++i)
        text += QString("line %1 with an unknown ^Q code and plain words\r\n").arg(i);
    memo.SetText(text);
    memo.setFocus();
    memo.setCursorWidth(0); // the blinking caret would make two grabs differ

    QTest::keyClick(&memo, Qt::Key_F7);
    TCheckPanel& panel = *form.CheckPanel1;
    ASSERT_TRUE(panel.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.runner().busy(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.list()->count() == 80; }, 5000))
        << panel.list()->count();
    EXPECT_EQ(panel.windowTitle(), "Check: 80 warnings");

    // Under "^Q" of the first line, and nowhere before it on that line.
    const int q = static_cast<int>(QString("line 0 with an unknown ").size());
    const QImage shown = grabView(memo);
    const QRect under = charsRect(memo, q, q + 2).adjusted(0, 0, 0, 3);
    const QRect before = charsRect(memo, 0, q).adjusted(0, 0, 0, 3);
    EXPECT_GT(countPixels(shown, under, orange), 3);
    EXPECT_EQ(countPixels(shown, before, orange), 0);
    EXPECT_EQ(screenVersusFresh(memo), 0);

    // Typing before a finding moves its line along at once; scrolling leaves nothing behind.
    memo.moveCursor(QTextCursor::Start);
    QTest::keyClicks(&memo, "abc ");
    EXPECT_EQ(screenVersusFresh(memo), 0);
    EXPECT_GT(
        countPixels(grabView(memo), charsRect(memo, q + 4, q + 6).adjusted(0, 0, 0, 3), orange), 3);
    memo.verticalScrollBar()->setValue(3);
    EXPECT_EQ(screenVersusFresh(memo), 0);

    QTest::keyClick(&memo, Qt::Key_F7);
    EXPECT_FALSE(panel.isVisible());
    QApplication::processEvents();
    EXPECT_EQ(countPixels(grabView(memo), memo.viewport()->rect(), orange), 0);
    EXPECT_EQ(screenVersusFresh(memo), 0);
    form.close();
}

namespace {

// The main window with the page typed in and the check panel showing its findings.
struct CheckedWindow {
    lptest::FakePrompts prompts;
    TForm1 form{TForm1Services{&prompts, nullptr}};
    TColorMemo& memo = *form.Clm1;
    TCheckPanel& panel = *form.CheckPanel1;

    explicit CheckedWindow(const QString& text) {
        form.resize(640, 480);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        memo.SetText(text);
        memo.setFocus();
    }
    ~CheckedWindow() {
        memo.SetModified(false);
        form.close();
    }
    // Waits for the check of the text as it is now.
    bool settled(int findings) {
        return QTest::qWaitFor(
            [&] { return !panel.runner().busy() && panel.list()->count() == findings; }, 5000);
    }
    QString selected() const { return memo.textCursor().selectedText(); }
};

} // namespace

// A refresh keeps the finding the author chose, not its row number: a finding added above it
// moves it one row down.
TEST(CheckGui, RefreshKeepsTheSelectedFindingWhereverItsRowGoes) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    CheckedWindow w("one ^Q\r\ntwo ^Q\r\nthree ^Q\r\n");
    QTest::keyClick(&w.memo, Qt::Key_F7);
    ASSERT_TRUE(w.settled(3));
    QListWidget& list = *w.panel.list();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(1)).center());
    ASSERT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(list.currentItem()->text().startsWith("2:"));

    // A new finding on the first line, typed in the editor.
    w.memo.moveCursor(QTextCursor::Start);
    QTest::keyClicks(&w.memo, "^Q ");
    ASSERT_TRUE(w.settled(4));
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_TRUE(list.currentItem()->text().startsWith("2:"));

    // The line above it goes away: the same finding again, now one row up.
    w.memo.moveCursor(QTextCursor::Start);
    QTextCursor c = w.memo.textCursor();
    c.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    ASSERT_TRUE(w.settled(2));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_TRUE(list.currentItem()->text().startsWith("1:"));
}

// F4 and Shift+F4 from the editor walk the findings from the caret and go round at the ends; with
// the panel hidden the first F4 shows it and goes to the finding once the check has run.
TEST(CheckGui, F4AndShiftF4GoToTheNextAndPreviousFinding) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    CheckedWindow w("plain ^Q then ^Q and\r\nlater ^Q end");
    const int first = 6, second = 14, third = 27; // editor positions of the three codes
    const auto at = [&] {
        return w.selected() == "^Q" ? w.memo.textCursor().selectionStart() : -1;
    };
    w.memo.moveCursor(QTextCursor::Start);
    QTest::keyClick(&w.memo, Qt::Key_F4);
    EXPECT_TRUE(w.panel.isVisible());
    ASSERT_TRUE(w.settled(3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return at() == first; }, 2000));
    EXPECT_TRUE(w.memo.hasFocus());
    EXPECT_EQ(w.panel.list()->currentRow(), 0);

    QTest::keyClick(&w.memo, Qt::Key_F4);
    EXPECT_EQ(at(), second);
    QTest::keyClick(&w.memo, Qt::Key_F4);
    EXPECT_EQ(at(), third);
    EXPECT_EQ(w.panel.list()->currentRow(), 2);
    QTest::keyClick(&w.memo, Qt::Key_F4); // round to the first
    EXPECT_EQ(at(), first);
    QTest::keyClick(&w.memo, Qt::Key_F4, Qt::ShiftModifier); // round to the last
    EXPECT_EQ(at(), third);
    QTest::keyClick(&w.memo, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(at(), second);

    // From a caret between findings.
    w.memo.moveCursor(QTextCursor::End);
    QTest::keyClick(&w.memo, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(at(), third);
    w.memo.moveCursor(QTextCursor::Start);
    w.memo.moveCursor(QTextCursor::Right);
    w.memo.moveCursor(QTextCursor::Right);
    QTest::keyClick(&w.memo, Qt::Key_F4);
    EXPECT_EQ(at(), first);
}

// Resting the pointer on a wavy underline shows the finding's message.
TEST(CheckGui, HoveringAnUnderlineShowsItsMessage) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    CheckedWindow w("some words ^Q and more words");
    QTest::keyClick(&w.memo, Qt::Key_F7);
    ASSERT_TRUE(w.settled(1));
    const QString message = w.panel.list()->item(0)->text().section("  ", 1);
    ASSERT_FALSE(message.isEmpty());

    const int q = static_cast<int>(QString("some words ").size());
    const QPoint onCode = charsRect(w.memo, q, q + 2).center();
    QTest::mouseMove(w.memo.viewport(), onCode);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text(), message);

    // Over plain words: the tooltip goes.
    const QPoint onWords = charsRect(w.memo, 0, 4).center();
    QHelpEvent help(QEvent::ToolTip, onWords, w.memo.viewport()->mapToGlobal(onWords));
    QApplication::sendEvent(w.memo.viewport(), &help);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
}
