// The style commands through the real main window: toolbar clicks, the size box and the colour box.
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpSpinEdit.h"

#include "tests/support/FakePrompts.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using TQuietPrompts = lptest::FakePrompts;

class StyleWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1Services{&prompts, nullptr});
        form->show();
        QApplication::setActiveWindow(form.get());
        memo = form->Clm1;
        memo->setFocus();
    }
    void TearDown() override {
        EXPECT_TRUE(prompts.complaints().isEmpty())
            << prompts.complaints().join("; ").toStdString();
        // Closed first, as the program does: the window still follows focus changes while it is
        // being destroyed.
        form->close();
        form.reset();
    }

    // Text with a selection, as loaded: not modified.
    void select(const QString& text, int start, int length) {
        memo->SetText(text);
        memo->SetSelStart(start);
        memo->SetSelLength(length);
        ASSERT_FALSE(memo->Modified());
    }
    void click(QAction* button) {
        QWidget* w = form->ToolBar1->widgetForAction(button);
        ASSERT_TRUE(w);
        QTest::mouseClick(w, Qt::LeftButton);
    }
    void expectSelected(const QString& text, int start, int length) {
        EXPECT_EQ(memo->Text(), text);
        EXPECT_EQ(memo->SelStart(), start);
        EXPECT_EQ(memo->SelLength(), length);
        EXPECT_TRUE(memo->Modified());
    }

    TQuietPrompts prompts;
    std::unique_ptr<TForm1> form;
    TColorMemo* memo = nullptr;
};

} // namespace

TEST_F(StyleWindow, EmptySelectionLeavesTheCaretBetweenTheCodes) {
    select("", 0, 0);
    click(form->BoldBut);
    expectSelected("^B^b", 2, 0);
    EXPECT_EQ(QApplication::focusWidget(), memo);

    select("ab", 1, 0);
    click(form->ToolButton1);
    expectSelected("a[]b", 2, 0);
}

TEST_F(StyleWindow, BoldThenItalicKeepHelloSelected) {
    select("Hello", 0, 5);
    click(form->BoldBut);
    expectSelected("^BHello^b", 2, 5);
    EXPECT_EQ(memo->SelText(), "Hello");
    click(form->ItalBut);
    expectSelected("^B^IHello^i^b", 4, 5);
    EXPECT_EQ(memo->SelText(), "Hello");
    EXPECT_EQ(QApplication::focusWidget(), memo);
}

TEST_F(StyleWindow, EveryButtonWrapsAndReselects) {
    struct Case {
        QAction* button;
        QString text;
        int start;
    };
    const Case cases[] = {
        {form->BoldBut, "x ^BHello^b y", 4},      {form->ItalBut, "x ^IHello^i y", 4},
        {form->UnderlineBut, "x ^UHello^u y", 4}, {form->StrikeBut, "x ^XHello^x y", 4},
        {form->InvertBut, "x ^RHello^r y", 4},    {form->CenterBut, "x ^CHello^c y", 4},
        {form->TabBut, "x ^T8Hello^t y", 5},      {form->ToolButton1, "x [Hello] y", 3},
        {form->TargetBut, "x ^MHello^m y", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        select("x Hello y", 2, 5);
        click(c.button);
        expectSelected(c.text, c.start, 5);
        EXPECT_EQ(memo->SelText(), "Hello");
    }
}

TEST_F(StyleWindow, SelectionAcrossALineBreakIsWrappedAndReselectedWhole) {
    select("ab\r\ncd", 1, 4); // "b", CR LF, "c"
    ASSERT_EQ(memo->SelText(), "b\r\nc");
    click(form->CenterBut);
    expectSelected("a^Cb\r\nc^cd", 3, 4);
    EXPECT_EQ(memo->SelText(), "b\r\nc");
}

TEST_F(StyleWindow, LinkToTargetLeavesTheCaretAfterTheLink) {
    select("See Chapter 2.", 4, 9);
    click(form->LinkBut);
    expectSelected("See ^LChapter 2=:Target^l.", 25, 0);

    select("", 0, 0);
    click(form->LinkBut);
    expectSelected("^L=:Target^l", 12, 0);
}

TEST_F(StyleWindow, SizeBoxDoubleClickWritesItsTextAndGivesTheFocusBack) {
    select("Hello", 0, 5);
    EXPECT_EQ(form->SpinEdit1->text(), "12");
    QTest::mouseDClick(form->SpinEdit1->editor(), Qt::LeftButton);
    expectSelected("^F12Hello^f", 4, 5);
    EXPECT_EQ(memo->SelText(), "Hello");
    EXPECT_EQ(QApplication::focusWidget(), memo);
    EXPECT_FALSE(form->SpinEdit1->editor()->hasSelectedText());
}

TEST_F(StyleWindow, SizeTypedOutOfRangeGoesInAsShownThenClampsOnFocusLoss) {
    select("Hello", 0, 5);
    form->SpinEdit1->setFocus();
    form->SpinEdit1->editor()->selectAll();
    QTest::keyClicks(form->SpinEdit1, "99");
    EXPECT_EQ(form->SpinEdit1->text(), "99");
    QTest::mouseDClick(form->SpinEdit1->editor(), Qt::LeftButton);
    expectSelected("^F99Hello^f", 4, 5);
    // The double click handed the focus to the editor: the box has lost it and clamped.
    EXPECT_EQ(QApplication::focusWidget(), memo);
    EXPECT_EQ(form->SpinEdit1->text(), "42");
}

TEST_F(StyleWindow, RefusedSizeCharactersBeep) {
    form->SpinEdit1->setFocus();
    form->SpinEdit1->editor()->selectAll();
    QTest::keyClicks(form->SpinEdit1, "1a4 ");
    EXPECT_EQ(form->SpinEdit1->text(), "14");
    EXPECT_EQ(prompts.beeps, 2);
}

TEST_F(StyleWindow, ColourChosenWithTheMouseIsReselectedAndTheEditorGetsTheFocus) {
    select("Hello", 0, 5);
    TLpColorComboBox* box = form->LpColorComboBox1;
    EXPECT_EQ(box->currentIndex(), -1);
    box->setFocus();
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(view->isVisible());
    const QRect lime = view->visualRect(view->model()->index(10, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, lime.center());
    expectSelected("^P10Hello^p", 4, 5);
    EXPECT_EQ(memo->SelText(), "Hello");
    EXPECT_EQ(box->currentIndex(), 10);
    EXPECT_EQ(QApplication::focusWidget(), memo);
}

TEST_F(StyleWindow, EachArrowStepWrapsOnceAndTheBoxKeepsTheFocus) {
    select("Hi", 0, 2);
    TLpColorComboBox* box = form->LpColorComboBox1;
    box->setCurrentIndex(0); // black chosen earlier
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    expectSelected("^P1^P2Hi^p^p", 6, 2);
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(QApplication::focusWidget(), box);
    // Enter hands the focus to the editor without another insertion.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), memo);
    EXPECT_EQ(memo->Text(), "^P1^P2Hi^p^p");
}

// Each insertion is one undo step that gives back the text and the selection as they were; the
// steps before it stay.
TEST_F(StyleWindow, UndoTakesBackOneInsertionAtATime) {
    select("", 0, 0);
    QTest::keyClicks(memo, "say Hello");
    memo->SetSelStart(4);
    memo->SetSelLength(5);
    click(form->BoldBut);
    click(form->ItalBut);
    ASSERT_EQ(memo->Text(), "say ^B^IHello^i^b");

    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "say ^BHello^b");
    EXPECT_EQ(memo->SelStart(), 6);
    EXPECT_EQ(memo->SelLength(), 5);

    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "say Hello");
    EXPECT_EQ(memo->SelStart(), 4);
    EXPECT_EQ(memo->SelLength(), 5);

    // The typing before the commands is still there to undo.
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "");

    QTest::keySequence(memo, QKeySequence::Redo);
    QTest::keySequence(memo, QKeySequence::Redo);
    EXPECT_EQ(memo->Text(), "say ^BHello^b");
}

TEST_F(StyleWindow, TypingAfterAnInsertionIsItsOwnUndoStep) {
    select("", 0, 0);
    click(form->BoldBut);
    QTest::keyClicks(memo, "Hi");
    ASSERT_EQ(memo->Text(), "^BHi^b");
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "^B^b");
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "");
}

TEST_F(StyleWindow, LinkUndoRestoresTheSelection) {
    select("Chapter 2", 0, 9);
    click(form->LinkBut);
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), "Chapter 2");
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(memo->SelLength(), 9);
}

TEST_F(StyleWindow, ContextMenuUndoRestoresTheSelectionToo) {
    select("x Hello", 2, 5);
    click(form->UnderlineBut);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                memo->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(memo->viewport(), &menuEvent);
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    QAction* undo = menu->findChild<QAction*>("edit-undo");
    ASSERT_TRUE(undo);
    undo->trigger();
    menu->close();
    EXPECT_EQ(memo->Text(), "x Hello");
    EXPECT_EQ(memo->SelStart(), 2);
    EXPECT_EQ(memo->SelLength(), 5);
}
