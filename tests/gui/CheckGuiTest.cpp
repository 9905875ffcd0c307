// The check panel in a real window: F7 shows it, the findings' wavy lines reach the screen under
// their characters, typing and scrolling leave no stale line behind, and hiding it takes them away.

#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"
#include "tests/editor/MemoFixture.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
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
    QTRY_VERIFY_WITH_TIMEOUT(!panel.runner().busy(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(panel.list()->count(), 80, 5000);
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
