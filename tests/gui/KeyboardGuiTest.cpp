// The keyboard and the mouse in the real window: Ctrl+A in the find bar's fields and elsewhere,
// caret codes as words, the find bar's Tab order, focus and count, and where Go To Line and find
// leave the line they reach.
#include "app/FindBar.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

class LineDialogs : public lptest::FakeDialogs {
public:
    LineDialogs() : lptest::FakeDialogs(/*strictScript=*/true) {}
    std::optional<int> lineAnswer;
    bool executeGoToLine(int, int& line) override {
        if (!lineAnswer)
            return false;
        line = *lineAnswer;
        return true;
    }
};

class KeyboardGui : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() == "offscreen")
            GTEST_SKIP() << "needs a display";
        form.resize(800, 600);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        form.Clm1->setFocus();
    }
    void TearDown() override { form.Clm1->SetModified(false); }

    void page(const QString& text) {
        form.Clm1->SetText(text);
        form.Clm1->SetSelStart(0);
    }
    TFindBar& bar() { return *form.FindBar1; }
    // The bar's count once it shows `text` (the count runs after a pause), else what it shows.
    QString countShowing(const QString& text) {
        (void)QTest::qWaitFor([&] { return bar().Count->text() == text; }, 5000);
        return bar().Count->text();
    }
    TColorMemo& memo() { return *form.Clm1; }
    QString note() { return form.StatusNote->text(); }
    // The middle of the character at a position, in viewport points.
    QPoint charPoint(int position) {
        QTextCursor c(memo().document());
        c.setPosition(position);
        const QRect left = memo().cursorRect(c);
        c.setPosition(position + 1);
        return {(left.x() + memo().cursorRect(c).x()) / 2, left.center().y()};
    }
    QString doubleClicked(int position) {
        QTest::mouseDClick(memo().viewport(), Qt::LeftButton, {}, charPoint(position));
        return memo().SelText();
    }
    // How far the caret line's middle is from the view's middle, in lines.
    double linesFromMiddle() {
        const QRect r = memo().cursorRect();
        return std::abs(r.center().y() - memo().viewport()->height() / 2) / double(r.height());
    }

    lptest::FakePrompts prompts;
    LineDialogs dialogs;
    TForm1 form{TForm1Services{&prompts, &dialogs}};
};

} // namespace

TEST_F(KeyboardGui, CtrlASelectsAFindFieldsTextAndSwitchesAssistantsElsewhereWithANote) {
    page("one two");
    const bool before = form.AstPic1->isChecked();
    QTest::keyClick(&memo(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.AstPic1->isChecked(), !before);
    EXPECT_EQ(note(), before ? "Assistants off" : "Assistants on");
    QTest::keyClick(&memo(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.AstPic1->isChecked(), before);
    EXPECT_EQ(note(), before ? "Assistants on" : "Assistants off");

    // In either field of the bar: Ctrl+A, Backspace empties the field, Assistants stay.
    QTest::keyClick(&memo(), Qt::Key_H, Qt::ControlModifier);
    for (QLineEdit* field : {bar().FindEdit, bar().ReplaceEdit}) {
        field->setFocus();
        QTest::keyClicks(field, "two");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(field->selectedText(), field->text()) << field->objectName().toStdString();
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), "") << field->objectName().toStdString();
        EXPECT_EQ(form.AstPic1->isChecked(), before);
    }
    // Back in the editor it is the switch again.
    QTest::keyClick(bar().FindEdit, Qt::Key_Escape);
    QTest::keyClick(&memo(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.AstPic1->isChecked(), !before);
    EXPECT_EQ(memo().SelText(), "two") << "the match Esc left selected, not the whole text";
}

TEST_F(KeyboardGui, DoubleClickTakesACaretCodeAsAWordOfItsOwn) {
    page("^LCommencer^l et ^Bgras^b");
    EXPECT_EQ(doubleClicked(5), "Commencer");
    EXPECT_EQ(doubleClicked(1), "^L");
    EXPECT_EQ(doubleClicked(0), "^L");
    EXPECT_EQ(doubleClicked(12), "^l");
    EXPECT_EQ(doubleClicked(21), "gras");
    EXPECT_EQ(doubleClicked(15), "et");
}

TEST_F(KeyboardGui, WordKeysStopAtCaretCodesAndDeleteThemAsWords) {
    page("^LCommencer^l suite");
    const auto ctrl = [&](Qt::Key k, Qt::KeyboardModifiers more = {}) {
        QTest::keyClick(&memo(), k, Qt::ControlModifier | more);
        return memo().textCursor().position();
    };
    EXPECT_EQ(ctrl(Qt::Key_Right), 2);
    EXPECT_EQ(ctrl(Qt::Key_Right), 11);
    EXPECT_EQ(ctrl(Qt::Key_Right), 13);
    EXPECT_EQ(ctrl(Qt::Key_Left), 11);
    EXPECT_EQ(ctrl(Qt::Key_Left), 2);
    EXPECT_EQ(ctrl(Qt::Key_Left), 0);
    ctrl(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(memo().SelText(), "^L");

    // Ctrl+Backspace after "Commencer" takes the word and leaves the code; Ctrl+Delete before a
    // code takes the code alone; one Ctrl+Z each brings them back.
    memo().SetSelStart(11);
    ctrl(Qt::Key_Backspace);
    EXPECT_EQ(memo().Text(), "^L^l suite");
    ctrl(Qt::Key_Delete);
    EXPECT_EQ(memo().Text(), "^L suite");
    ctrl(Qt::Key_Z);
    ctrl(Qt::Key_Z);
    EXPECT_EQ(memo().Text(), "^LCommencer^l suite");
}

TEST_F(KeyboardGui, FindBarTabsThroughFieldsOptionsButtonsAndCtrlHGoesToTheReplacement) {
    page("one two one");
    QTest::keyClick(&memo(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(bar().FindEdit, "one");
    // Ctrl+H with the term typed: on to the replacement.
    QTest::keyClick(bar().FindEdit, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(bar().ReplaceEdit->hasFocus());
    EXPECT_EQ(bar().FindEdit->text(), "one");

    bar().FindEdit->setFocus();
    const QList<QWidget*> order{bar().ReplaceEdit,   bar().MatchCase, bar().WholeWord,
                                bar().PreviousBut,   bar().NextBut,   bar().ReplaceBut,
                                bar().ReplaceAllBut, bar().CloseBut};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    // Without the replacement row, Tab goes from the field to the options.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(&memo(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(bar().FindEdit->hasFocus());
    QTest::keyClick(bar().FindEdit, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), bar().MatchCase);
    // A fresh Ctrl+H with an empty field stays in the field.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    memo().SetSelStart(0);
    bar().FindEdit->clear();
    QTest::keyClick(&memo(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(bar().FindEdit->hasFocus());
}

TEST_F(KeyboardGui, FindBarTellsWhichOfThePagesMatchesIsSelected) {
    QStringList lines;
    for (int i = 1; i <= 26; ++i)
        lines << QString("match %1 and mat").arg(i);
    page(lines.join("\r\n"));
    QTest::keyClick(&memo(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(bar().FindEdit, "match");
    EXPECT_EQ(countShowing("1 of 26"), "1 of 26");
    QTest::keyClick(bar().FindEdit, Qt::Key_Return);
    QTest::keyClick(bar().FindEdit, Qt::Key_Return);
    EXPECT_EQ(bar().Count->text(), "3 of 26");
    QTest::keyClick(bar().FindEdit, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar().Count->text(), "2 of 26");
    // Typing in the editor: counted again once the text is still.
    memo().setFocus();
    memo().SetSelStart(0);
    QTest::keyClicks(&memo(), "match ");
    EXPECT_EQ(countShowing("27 matches"), "27 matches");
    QTest::keyClick(&memo(), Qt::Key_F3);
    EXPECT_EQ(countShowing("2 of 27"), "2 of 27");
    // No match: no count.
    bar().FindEdit->setFocus();
    QTest::keyClicks(bar().FindEdit, "x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar().Count->text().isEmpty(); }, 5000))
        << bar().Count->text().toStdString();
}

TEST_F(KeyboardGui, GoToLineAndFindPutTheLineTheyReachInTheMiddleOfTheView) {
    QStringList lines;
    for (int i = 1; i <= 600; ++i)
        lines << QString("line %1").arg(i);
    lines[399] += " target";
    lines[404] += " target";
    page(lines.join("\r\n"));
    dialogs.lineAnswer = 300;
    QTest::keyClick(&memo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(memo().textCursor().blockNumber(), 299);
    EXPECT_LT(linesFromMiddle(), 1.0);

    QTest::keyClick(&memo(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(bar().FindEdit, "target");
    EXPECT_EQ(memo().textCursor().blockNumber(), 399);
    EXPECT_LT(linesFromMiddle(), 1.0);
    // A match already in view does not move the view.
    const QRect before = memo().cursorRect();
    QTest::keyClick(bar().FindEdit, Qt::Key_Return);
    EXPECT_EQ(memo().textCursor().blockNumber(), 404);
    EXPECT_EQ(memo().cursorRect().top(), before.top() + 5 * before.height());
}
