// The size box: typing filter, the read-add-clamp steps, Enter, and the clamp on focus loss.
#include "markup/LpSpinEdit.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

class StyleSpinEdit : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 60);
        box = new TLpSpinEdit(&window);
        box->setGeometry(10, 10, 60, 24);
        other = new QLineEdit(&window);
        other->setGeometry(100, 10, 60, 24);
        box->Beep = [this] { ++beeps; };
        window.show();
        QApplication::setActiveWindow(&window);
        box->setFocus();
    }
    void type(const QString& text) {
        box->editor()->selectAll();
        QTest::keyClicks(box, text);
    }
    void key(Qt::Key k) { QTest::keyClick(box, k); }

    QWidget window;
    TLpSpinEdit* box = nullptr;
    QLineEdit* other = nullptr;
    int beeps = 0;
};

} // namespace

TEST(StyleSpinValue, ReadsAWholeNumberOrFallsBack) {
    EXPECT_EQ(readSpinValue("12", 8), 12);
    EXPECT_EQ(readSpinValue("+7", 8), 7);
    EXPECT_EQ(readSpinValue("-3", 8), -3);
    EXPECT_EQ(readSpinValue("", 8), 8);
    EXPECT_EQ(readSpinValue("+-", 8), 8);
    EXPECT_EQ(readSpinValue("1-2", 8), 8);
    EXPECT_EQ(readSpinValue("99999999999", 8), 8); // out of int range: unreadable
}

TEST_F(StyleSpinEdit, StartsAtTwelveInEightToFortyTwo) {
    EXPECT_EQ(box->text(), "12");
    EXPECT_EQ(box->MinValue(), 8);
    EXPECT_EQ(box->MaxValue(), 42);
}

TEST_F(StyleSpinEdit, TypingTakesDigitsAndSignsOnlyAndBeepsForTheRest) {
    type("4x2");
    EXPECT_EQ(box->text(), "42");
    EXPECT_EQ(beeps, 1);
    type("+-1 .");
    EXPECT_EQ(box->text(), "+-1");
    EXPECT_EQ(beeps, 3);
    key(Qt::Key_Backspace); // control keys pass
    EXPECT_EQ(box->text(), "+-");
    EXPECT_EQ(beeps, 3);
    // Pasted text is held to the same characters.
    box->editor()->selectAll();
    box->editor()->insert("abc");
    EXPECT_EQ(box->text(), "+-");
}

TEST_F(StyleSpinEdit, OutOfRangeTextStaysAsTypedUntilFocusLoss) {
    type("99");
    EXPECT_EQ(box->text(), "99");
    // Enter asks for the size code with the text as it stands, as a double click does.
    QSignalSpy entered(box, &TLpSpinEdit::entered);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(entered.count(), 2);
    EXPECT_EQ(box->text(), "99");
    other->setFocus();
    EXPECT_EQ(box->text(), "42");

    box->setFocus();
    type("3");
    other->setFocus();
    EXPECT_EQ(box->text(), "8");

    box->setFocus();
    type("015");
    other->setFocus();
    EXPECT_EQ(box->text(), "15");
}

TEST_F(StyleSpinEdit, StepsReadTheTextAddAndClamp) {
    struct Case {
        QString text;
        Qt::Key key;
        QString shown;
    };
    const Case cases[] = {
        {"12", Qt::Key_Up, "13"},
        {"12", Qt::Key_Down, "11"},
        {"12", Qt::Key_PageUp, "22"},
        {"12", Qt::Key_PageDown, "8"},
        {"41", Qt::Key_PageUp, "42"},
        {"42", Qt::Key_Up, "42"},
        {"8", Qt::Key_Down, "8"},
        {"", Qt::Key_Up, "9"},
        {"+-", Qt::Key_Up, "9"},
        {"99", Qt::Key_Down, "42"},
        {"5", Qt::Key_Up, "8"},
        {"2147483647", Qt::Key_Up, "42"},
        {"-2147483648", Qt::Key_Down, "8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " " + std::to_string(c.key));
        box->editor()->setText(c.text);
        key(c.key);
        EXPECT_EQ(box->text(), c.shown);
    }
}

TEST_F(StyleSpinEdit, ArrowButtonsAndWheelStepByOne) {
    QStyleOptionSpinBox opt;
    opt.initFrom(box);
    opt.subControls = QStyle::SC_All;
    opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QRect up =
        box->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, box);
    const QRect down =
        box->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxDown, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, up.center());
    EXPECT_EQ(box->text(), "13");
    QTest::mouseClick(box, Qt::LeftButton, {}, down.center());
    QTest::mouseClick(box, Qt::LeftButton, {}, down.center());
    EXPECT_EQ(box->text(), "11");

    const QPointF at(5, 5);
    QWheelEvent wheel(at, box->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_EQ(box->text(), "12");
}

TEST_F(StyleSpinEdit, DoubleClickOnTheEditEmitsDoubleClicked) {
    QSignalSpy spy(box, &TLpSpinEdit::doubleClicked);
    QTest::mouseDClick(box->editor(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(box->text(), "12");
}
