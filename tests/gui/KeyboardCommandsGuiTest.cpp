// Commands reached with the keyboard alone, through keys pressed in the real window.
#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/core/Actions.h"
#include "platform/HelpViewer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class KeyboardCommandsGui : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() == "offscreen")
            GTEST_SKIP() << "needs a display";
    }

    // Shows the window and gives the editor the keyboard, as the desktop would.
    void show(TForm1& form) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        form.Clm1->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.Clm1->hasFocus(); }, 5000));
    }

    // "Hi", all of it selected.
    static void selectHi(TForm1& form) {
        form.Clm1->SetText("Hi");
        form.Clm1->SetSelStart(0);
        form.Clm1->SetSelLength(2);
    }

    // Presses a key in menu once it is the open one.
    static void inMenu(QMenu* menu, Qt::Key key) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QApplication::activePopupWidget() == menu; }, 5000));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, key);
    }

    lptest::FakePrompts prompts;
    lptest::FakeDialogs dialogs{true};
};

} // namespace

TEST_F(KeyboardCommandsGui, F1OpensHelpAndCtrlShiftSIsSaveAs) {
    lptest::TempDir dir;
    const QString page = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(page, "Hello"));
    TForm1 form(TForm1Services{&prompts, &dialogs});
    show(form);
    form.documentCommands().openPath(page);
    form.documentCommands().finishLoading();
    ASSERT_EQ(form.Clm1->Text(), "Hello");

    QTest::keyClick(form.Clm1, Qt::Key_F1);
    EXPECT_TRUE(form.HelpViewer && form.HelpViewer->isVisible());
    if (form.HelpViewer)
        form.HelpViewer->close();

    // A page with a name: Save would write it without asking; Save As asks for a name.
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    dialogs.saveChoices.push_back(std::nullopt); // the author cancels the dialog
    QTest::keyClick(form.Clm1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs.shownCount("save"), 1);
    EXPECT_EQ(form.documentCommands().currentFileName(), page);
}

// The toolbar's markup buttons as keys: each writes what its button writes, and Ctrl+Z takes it
// back in one step.
TEST_F(KeyboardCommandsGui, MarkupKeysDoWhatTheToolbarDoes) {
    TForm1 form(TForm1Services{&prompts, &dialogs});
    show(form);
    const struct {
        QAction* button;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {
        {form.BoldBut, Qt::Key_B, Qt::ControlModifier},
        {form.ItalBut, Qt::Key_I, Qt::ControlModifier},
        {form.UnderlineBut, Qt::Key_U, Qt::ControlModifier},
        {form.StrikeBut, Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier},
        {form.InvertBut, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier},
        {form.CenterBut, Qt::Key_E, Qt::ControlModifier},
        {form.TabBut, Qt::Key_T, Qt::ControlModifier},
        {form.ToolButton1, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier},
        {form.TargetBut, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier},
        {form.LinkBut, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.button->objectName().toStdString());
        selectHi(form);
        k.button->trigger();
        const QString expected = form.Clm1->Text();
        const int selStart = form.Clm1->SelStart(), selLength = form.Clm1->SelLength();
        selectHi(form);
        QTest::keyClick(form.Clm1, k.key, k.modifiers);
        EXPECT_EQ(form.Clm1->Text(), expected);
        EXPECT_EQ(form.Clm1->SelStart(), selStart);
        EXPECT_EQ(form.Clm1->SelLength(), selLength);
        QTest::keyClick(form.Clm1, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(form.Clm1->Text(), "Hi");
    }

    // The size: Ctrl+Shift+G writes the size box's value, and so does Enter in the box.
    form.SpinEdit1->SetValue(20);
    selectHi(form);
    QTest::keyClick(form.Clm1, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form.Clm1->Text(), "^F20Hi^f");
    selectHi(form);
    form.SpinEdit1->setFocus();
    form.SpinEdit1->editor()->selectAll();
    QTest::keyClicks(form.SpinEdit1, "30");
    QTest::keyClick(form.SpinEdit1, Qt::Key_Return);
    EXPECT_EQ(form.Clm1->Text(), "^F30Hi^f");
    EXPECT_TRUE(form.Clm1->hasFocus());
    form.Clm1->SetModified(false);
}

// The colours and the actions through the menus, with Alt and the access keys alone.
TEST_F(KeyboardCommandsGui, ColourAndActionThroughTheMenuKeys) {
    TForm1 form(TForm1Services{&prompts, &dialogs});
    show(form);
    selectHi(form);
    QTest::keyClick(form.Clm1, Qt::Key_M, Qt::AltModifier);
    inMenu(form.Markup1, Qt::Key_C);
    inMenu(form.MarkupColor1, Qt::Key_9);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Clm1->Text() == "^P9Hi^p"; }, 5000))
        << form.Clm1->Text().toStdString();
    EXPECT_EQ(form.LpColorComboBox1->currentIndex(), 9);

    int gotoPage = -1;
    for (int i = 0; i < actions::kActionCount; ++i)
        if (actions::actionAt(i).item == "GotoPage")
            gotoPage = i;
    ASSERT_GE(gotoPage, 0);
    selectHi(form);
    QTest::keyClick(form.Clm1, Qt::Key_M, Qt::AltModifier);
    inMenu(form.Markup1, Qt::Key_A);
    inMenu(form.MarkupAction1, Qt::Key_G);
    const QString expected =
        QString::fromStdString(actions::link("Hi", actions::defaultText(gotoPage)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Clm1->Text() == expected; }, 5000))
        << form.Clm1->Text().toStdString();
    EXPECT_TRUE(form.Clm1->hasFocus());
    form.Clm1->SetModified(false);
}
