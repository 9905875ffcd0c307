// The help window with real keys: Ctrl+F and Enter find in it, Back and Forward retrace the links
// followed, Esc closes it.

#include "platform/HelpViewer.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct HelpPages {
    lptest::TempDir dir;
    HelpPages() {
        EXPECT_TRUE(lptest::writeFile(
            dir.file("help.html"),
            "<html><body><h1>Contents</h1><p>Undo takes back a change.</p>"
            "<p><a href='more.html'>More</a></p><p>Redo brings back what Undo took back.</p>"
            "</body></html>"));
        EXPECT_TRUE(lptest::writeFile(dir.file("more.html"),
                                      "<html><body><h1>More</h1><p>Second page</p></body></html>"));
    }
};

bool showsPage(THelpViewer& v, const char* heading) {
    return v.browser()->toPlainText().startsWith(QString::fromLatin1(heading));
}

} // namespace

TEST(HelpGui, CtrlFFindsEnterGoesOnAndRoundTheEnd) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    HelpPages pages;
    THelpViewer viewer(nullptr);
    ASSERT_TRUE(viewer.showContents(pages.dir.file("help.html")));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QApplication::setActiveWindow(&viewer);
    viewer.browser()->setFocus();

    QTest::keyClick(viewer.browser(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(viewer.findField()->hasFocus());
    QTest::keyClicks(viewer.findField(), "undo");
    QTest::keyClick(viewer.findField(), Qt::Key_Return);
    QTextCursor c = viewer.browser()->textCursor();
    EXPECT_EQ(c.selectedText(), "Undo");
    const int first = c.selectionStart();
    QTest::keyClick(viewer.findField(), Qt::Key_Return);
    const int second = viewer.browser()->textCursor().selectionStart();
    EXPECT_GT(second, first);
    QTest::keyClick(viewer.findField(), Qt::Key_Return); // round to the first
    EXPECT_EQ(viewer.browser()->textCursor().selectionStart(), first);
    QTest::keyClick(viewer.findField(), Qt::Key_Return, Qt::ShiftModifier); // and back round
    EXPECT_EQ(viewer.browser()->textCursor().selectionStart(), second);
    EXPECT_TRUE(viewer.findNote()->text().isEmpty());

    viewer.findField()->selectAll();
    QTest::keyClicks(viewer.findField(), "nowhere");
    QTest::keyClick(viewer.findField(), Qt::Key_Return);
    EXPECT_EQ(viewer.findNote()->text(), "Not found");

    QTest::keyClick(viewer.findField(), Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
}

TEST(HelpGui, BackAndForwardRetraceTheLinksAndEscCloses) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    HelpPages pages;
    THelpViewer viewer(nullptr);
    ASSERT_TRUE(viewer.showContents(pages.dir.file("help.html")));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QApplication::setActiveWindow(&viewer);
    viewer.browser()->setFocus();
    EXPECT_FALSE(viewer.backButton()->isEnabled());
    EXPECT_FALSE(viewer.forwardButton()->isEnabled());

    viewer.browser()->setSource(QUrl("more.html"));
    ASSERT_TRUE(showsPage(viewer, "More"));
    EXPECT_TRUE(viewer.backButton()->isEnabled());
    // The button's key clicks it as the mouse would, after its short press.
    QTest::keyClick(viewer.browser(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsPage(viewer, "Contents"); }, 2000));
    EXPECT_TRUE(viewer.forwardButton()->isEnabled());
    QTest::mouseClick(viewer.forwardButton(), Qt::LeftButton);
    EXPECT_TRUE(showsPage(viewer, "More"));
    QTest::mouseClick(viewer.backButton(), Qt::LeftButton);
    EXPECT_TRUE(showsPage(viewer, "Contents"));

    QTest::keyClick(viewer.browser(), Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
    // Asked for again, it comes back.
    ASSERT_TRUE(viewer.showContents(pages.dir.file("help.html")));
    EXPECT_TRUE(viewer.isVisible());
}
