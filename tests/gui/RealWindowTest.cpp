// Tests through a real window on the (virtual) display.
#include "app/Unit1.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

TEST(RealWindow, OpensCentredAndFitsEveryToolbarControl) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QRect screen = form.screen()->availableGeometry();
    const QPoint centre = form.frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(centre.y() - screen.center().y()), 2);
    // Every control of the toolbar is on the bar itself, none in its overflow menu.
    for (QAction* a : form.ToolBar1->actions()) {
        QWidget* w = form.ToolBar1->widgetForAction(a);
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->isVisible()) << a->objectName().toStdString();
        EXPECT_LE(w->geometry().right(), form.ToolBar1->width());
    }
}

TEST(RealWindow, TypingGoesToTheEditor) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The virtual display has no window manager to activate the window.
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    QTest::keyClicks(form.Clm1, "^BHello^b");
    EXPECT_EQ(form.Clm1->Text(), "^BHello^b");
    EXPECT_TRUE(form.Clm1->Modified());
    form.Clm1->SetModified(false);
}

// Ctrl+V with text from another program: close equivalents go in as page characters, and the
// author is told once how many characters became "?".
TEST(RealWindow, PasteTellsHowManyCharactersBecameQuestionMarks) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    QApplication::clipboard()->setText(
        QString::fromUtf16(u"5\u202F\u2212\u20093 \u2192 \u263A\U0001F600"));
    QTest::keyClick(form.Clm1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form.Clm1->Text(), QString::fromUtf16(u"5\u00A0- 3 ? ??"));
    EXPECT_EQ(form.StatusNote->text(), lostCharactersNote(3));
    EXPECT_EQ(lostCharactersNote(3), "3 characters the page cannot hold became \"?\"");

    // A paste that loses nothing says nothing new.
    form.StatusNote->clear();
    QApplication::clipboard()->setText(QString::fromUtf16(u" \u2212 1"));
    QTest::keyClick(form.Clm1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(form.Clm1->Text().endsWith(" - 1"));
    EXPECT_TRUE(form.StatusNote->text().isEmpty());
    form.Clm1->SetModified(false);
}
