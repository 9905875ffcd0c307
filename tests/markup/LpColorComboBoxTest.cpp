// The colour box: sixteen swatches, nothing chosen at first, one select per choice, and where the
// focus goes after it.
#include "markup/LpColorComboBox.h"
#include "editor/core/Colors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

namespace {

class StyleColorBox : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 100);
        box = new TLpColorComboBox(&window);
        box->setGeometry(10, 10, 46, 21);
        editor = new QLineEdit(&window);
        editor->setGeometry(100, 10, 100, 24);
        box->SetFocusControl(editor);
        window.show();
        QApplication::setActiveWindow(&window);
        box->setFocus();
    }

    QWidget window;
    TLpColorComboBox* box = nullptr;
    QLineEdit* editor = nullptr;
};

} // namespace

// The box lists the one colour table, by colour number, each swatch named by its number and name.
TEST_F(StyleColorBox, TheColourTableNothingChosen) {
    ASSERT_EQ(box->count(), colors::kBasicColorCount);
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(box->maxVisibleItems(), 16);
    for (int i = 0; i < box->count(); ++i) {
        const colors::TBasicColor& c = colors::kBasicColors[static_cast<size_t>(i)];
        SCOPED_TRACE(std::string(c.colour));
        EXPECT_EQ(box->itemData(i, Qt::DecorationRole).value<QColor>(),
                  QColor(int(colors::red(c.value)), int(colors::green(c.value)),
                         int(colors::blue(c.value))));
        // Number and name, for the pointer and for a screen reader.
        for (int role : {int(Qt::ToolTipRole), int(Qt::AccessibleTextRole)}) {
            const QString label = box->itemData(i, role).toString();
            EXPECT_EQ(label.section(u' ', 0, 0), QString::number(i));
            EXPECT_EQ(label.section(u' ', 1).toLower().toStdString(), c.colour);
        }
        EXPECT_TRUE(box->itemText(i).isEmpty());
    }
}

TEST_F(StyleColorBox, ShowsTheChosenColourAsASwatch) {
    QStyleOptionComboBox opt;
    opt.initFrom(box);
    const QPoint middle =
        box->style()
            ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box)
            .center();
    const QColor empty = box->grab().toImage().pixelColor(middle);
    EXPECT_NE(empty, QColor(0, 0, 0));
    box->setCurrentIndex(9);
    EXPECT_EQ(box->grab().toImage().pixelColor(middle), QColor(255, 0, 0));
    box->setCurrentIndex(0);
    EXPECT_EQ(box->grab().toImage().pixelColor(middle), QColor(0, 0, 0));
}

TEST_F(StyleColorBox, PopupDrawsSwatchesFillingTheItems) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(view->isVisible());
    const QImage shot = view->viewport()->grab().toImage();
    for (int i : {2, 9, 12}) {
        const QRect r = view->visualRect(view->model()->index(i, 0));
        EXPECT_GE(r.width(), box->width() - 8) << i;
        const QColor want = box->itemData(i, Qt::DecorationRole).value<QColor>();
        EXPECT_EQ(shot.pixelColor(r.center()), want) << i;
        EXPECT_EQ(shot.pixelColor(r.left() + 4, r.center().y()), want) << i;
    }
    box->hidePopup();
}

TEST_F(StyleColorBox, KeyStepsSelectOncePerStepAndKeepTheFocus) {
    QSignalSpy spy(box, &TLpColorComboBox::select);
    QTest::keyClick(box, Qt::Key_Down); // from nothing to black
    EXPECT_EQ(box->currentIndex(), 0);
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_PageDown);
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(spy.count(), 4);
    EXPECT_EQ(QApplication::focusWidget(), box);

    const QPointF at(5, 5);
    QWheelEvent wheel(at, box->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_EQ(spy.count(), 5);
    EXPECT_EQ(QApplication::focusWidget(), box);

    // At the last entry a further step changes nothing and raises nothing.
    box->setCurrentIndex(15);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(spy.count(), 5);
}

TEST_F(StyleColorBox, MouseChoiceSelectsAndHandsTheFocus) {
    QSignalSpy spy(box, &TLpColorComboBox::select);
    box->showPopup();
    QAbstractItemView* view = box->view();
    const QRect r = view->visualRect(view->model()->index(4, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(box->currentIndex(), 4);
    EXPECT_EQ(QApplication::focusWidget(), editor);
}

TEST_F(StyleColorBox, EnterInTheListChoosesAndHandsTheFocus) {
    QSignalSpy spy(box, &TLpColorComboBox::select);
    box->setCurrentIndex(3);
    box->showPopup();
    QAbstractItemView* view = box->view();
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(box->currentIndex(), 4);
    EXPECT_EQ(QApplication::focusWidget(), editor);
}
