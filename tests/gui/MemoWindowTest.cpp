// The highlighting editor in a real window: what reaches the screen while typing and scrolling is
// what a fresh paint draws, and keys take their colours at once.

#include "editor/ColMemo.h"
#include "tests/editor/MemoFixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace memotest;

namespace {

// An editor in a fixed font with the page rule.
void prepare(TColorMemo& m) {
    TFontAttributes f;
    f.name = "DejaVu Sans";
    f.size = 11;
    f.color = colors::clBlack;
    m.SetEditorFont(f);
    addPageRule(m);
}

int bluePixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100;
        }
    return n;
}

} // namespace

TEST(MemoWindow, TypingAndScrollingNeverSmear) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TColorMemo m;
    prepare(m);
    QString text;
    for (int i = 0; i < 120; ++i)
        text +=
            QString("line %1 ^B key ^b and [var] words to wrap the line once or twice\r\n").arg(i);
    m.SetText(text);
    m.resize(420, 300);
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.activateWindow();
    m.setFocus();
    m.setCursorWidth(0); // the blinking caret would make two grabs differ
    EXPECT_EQ(screenVersusFresh(m), 0);

    m.SetSelStart(m.adapter().lineIndex(3));
    for (const char* keys : {"^", "B", "x", " "})
        QTest::keyClicks(&m, keys);
    QImage typed;
    EXPECT_EQ(screenVersusFresh(m, &typed), 0);
    EXPECT_GT(bluePixels(typed), 100);

    for (int v : {7, 8, 30, 29, 60})
        m.verticalScrollBar()->setValue(v);
    EXPECT_EQ(screenVersusFresh(m), 0);

    QTest::keyClick(&m, Qt::Key_Return);
    QTest::keyClick(&m, Qt::Key_Backspace);
    EXPECT_EQ(screenVersusFresh(m), 0);
}

// Page Up and Page Down move the view without going through the scroll bar's handler: what
// reaches the screen afterwards is still what a fresh paint draws, also for the line that was only
// partly visible at the bottom and now stands at the top.
TEST(MemoWindow, PageDownAndUpLeaveNoUncolouredKeys) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TColorMemo m;
    prepare(m);
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
