// An editor font with an underline or a strike-out in a real window: the keys' lines reach the
// screen in the keys' colours, where a fresh paint puts them.
#include "editor/ColMemo.h"
#include "tests/editor/MemoFixture.h"

#include <QScreen>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace memotest;

TEST(MemoEffectsGui, KeysKeepTheFontsLinesOnTheScreen) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    for (const bool underline : {true, false}) {
        SCOPED_TRACE(underline ? "underline" : "strike-out");
        // Below a bar, as in the main window: the viewport lies well inside its window.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QWidget(&window);
        bar->setFixedHeight(60);
        layout->addWidget(bar);
        auto* m = new TColorMemo(&window);
        layout->addWidget(m);
        addPageRule(*m);
        TFontAttributes f;
        f.name = "DejaVu Sans";
        f.size = 12;
        f.color = colors::clBlack;
        f.underline = underline;
        f.strikeOut = !underline;
        m->SetEditorFont(f);
        m->setCursorWidth(0);
        m->SetText("^Bab^b\r\n^Bcd^b and more text");
        window.resize(420, 260);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QImage screen;
        EXPECT_EQ(screenVersusFresh(*m, &screen), 0);
        for (const int key : {0, 4, 8, 12}) {
            const QRect r = charsRect(*m, key, key + 2);
            int lineRows = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                if (countPixels(screen, QRect(r.left(), y, r.width(), 1), bluish) * 5 >=
                    r.width() * 4)
                    ++lineRows;
            EXPECT_GE(lineRows, 1) << "key at " << key;
        }
    }
}
