#include "app/Unit1.h"
#include "editor/ColMemo.h"

#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

TEST(MainWindow, FirstStartShowsUntitledAt640By480WithAssistantsOn) {
    TForm1 form;
    EXPECT_EQ(form.StatusPanel1->text(), "Untitled");
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_TRUE(form.AstPic1->isChecked());
    EXPECT_TRUE(form.Retourauto1->isChecked());
    EXPECT_EQ(form.windowTitle(), "Lark Pad");
}

TEST(MainWindow, CtrlATogglesAssistantsAndDoesNotSelectText) {
    TForm1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->SetText("hello");
    form.Clm1->setFocus();
    QTest::keyClick(form.Clm1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(form.AstPic1->isChecked());
    EXPECT_EQ(form.Clm1->SelLength(), 0);
    QTest::keyClick(form.Clm1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(form.AstPic1->isChecked());
}

TEST(MainWindow, CopyAndCutNeedASelection) {
    TForm1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    form.Clm1->SetText("hello");
    form.updateEditActions();
    EXPECT_FALSE(form.EditCopy1->isEnabled());
    EXPECT_FALSE(form.EditCut1->isEnabled());
    EXPECT_TRUE(form.EditSelectAll1->isEnabled());
    form.Clm1->SetSelStart(1);
    form.Clm1->SetSelLength(2);
    EXPECT_TRUE(form.EditCopy1->isEnabled());
    EXPECT_TRUE(form.EditCut1->isEnabled());
}
