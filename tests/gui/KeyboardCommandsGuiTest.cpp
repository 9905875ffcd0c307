// Commands reached with the keyboard alone, through keys pressed in the real window.
#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/HelpViewer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
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
