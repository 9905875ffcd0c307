// Page Up and Page Down move the editor's view without going through the scroll bar's handler:
// what reaches the screen afterwards must still be what a fresh paint draws, also for the line
// that was only partly visible at the bottom and now stands at the top.

#include "editor/ColMemo.h"
#include "tests/editor/MemoFixture.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace memotest;

TEST(QaMemoPageKeys, PageDownAndUpLeaveNoUncolouredKeys) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TColorMemo m;
    TFontSpec f;
    f.name = "DejaVu Sans";
    f.size = 11;
    f.color = colors::clBlack;
    m.SetEditorFont(f);
    TColorRule& rule = m.ColorRules().Add();
    rule.KeyDrawingType = dtKeyShow;
    rule.PartWord = true;
    rule.DefKeyColor = colors::clBlue;
    rule.SetKeywords({"^b", "[;navy", "];navy"});
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QString("^B%1 ^b [name] ^B^b [x] ^Bkeys on every line^b\r\n").arg(i);
    m.SetText(text);
    m.setCursorWidth(0); // the blinking caret would make two grabs differ
    // A height that leaves the last line only partly visible: Page Down makes it the top line.
    const int line = QFontMetrics(m.font()).lineSpacing();
    m.resize(420,
             10 * line + line / 2 + 2 * m.frameWidth() + 2 * int(m.document()->documentMargin()));
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.activateWindow();
    m.setFocus();
    ASSERT_EQ(screenVersusFresh(m), 0);

    for (int k : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_PageDown}) {
        QTest::keyClick(&m, Qt::Key(k));
        EXPECT_EQ(screenVersusFresh(m), 0) << "after key " << k;
    }
}
