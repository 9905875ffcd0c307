// The check panel through the real main window: F7 and the Edit menu item, the list following the
// text, selecting a finding, the underlines following edits, and file look-ups that never answer.
#include "markup/CheckPanel.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"

#include "tests/support/FakePrompts.h"
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

namespace {

class CheckWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1Services{&prompts, nullptr});
        form->show();
        QApplication::setActiveWindow(form.get());
        memo = form->Clm1;
        panel = form->CheckPanel1;
        panel->runner().pause = std::chrono::milliseconds(50);
        memo->setFocus();
    }
    void TearDown() override {
        EXPECT_TRUE(prompts.complaints().isEmpty())
            << prompts.complaints().join("; ").toStdString();
        form->close();
        form.reset();
    }
    // Waits until the runner has reported on the current text.
    void settle() {
        // (The toolkit's QTRY macros report to its own test runner, not to this one.)
        ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->runner().busy(); }, 5000));
        QApplication::processEvents();
    }
    QStringList rows() const {
        QStringList r;
        for (int k = 0; k < panel->list()->count(); ++k)
            r << panel->list()->item(k)->text();
        return r;
    }

    lptest::FakePrompts prompts;
    std::unique_ptr<TForm1> form;
    TColorMemo* memo = nullptr;
    TCheckPanel* panel = nullptr;
};

} // namespace

TEST_F(CheckWindow, HiddenAtFirstF7AndTheEditMenuToggleIt) {
    EXPECT_TRUE(panel->isHidden());
    EXPECT_TRUE(form->Edition1->actions().contains(panel->toggleAction()));
    EXPECT_EQ(panel->toggleAction()->text(), "Check &Markup");
    QTest::keyClick(memo, Qt::Key_F7);
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(panel->toggleAction()->isChecked());
    EXPECT_EQ(form->dockWidgetArea(panel), Qt::BottomDockWidgetArea);
    QTest::keyClick(panel->list(), Qt::Key_F7);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(panel->toggleAction()->isChecked());
}

TEST_F(CheckWindow, ListFollowsTypingAndSelectsTheFinding) {
    panel->toggleAction()->trigger();
    memo->setFocus();
    settle();
    EXPECT_EQ(panel->windowTitle(), "Check: no findings");
    QTest::keyClicks(memo, "ab");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "^BHello");
    settle();
    EXPECT_EQ(rows(),
              QStringList{"2:1  \"^B\" opens a span that is never closed (no \"^b\" follows)"});
    EXPECT_EQ(panel->windowTitle(), "Check: 1 problem");
    ASSERT_EQ(memo->FindingMarks().marks().size(), 1u);

    // Typing before it moves its underline along; clicking selects its text in the editor.
    memo->moveCursor(QTextCursor::Start);
    QTest::keyClicks(memo, "xy");
    EXPECT_EQ(memo->FindingMarks().marks()[0].position, 5);
    const QRect r = panel->list()->visualItemRect(panel->list()->item(0));
    QTest::mouseClick(panel->list()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(memo->textCursor().selectedText(), "^B");
    EXPECT_TRUE(memo->hasFocus());

    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "^b");
    settle();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(memo->FindingMarks().marks().empty());
    EXPECT_EQ(panel->windowTitle(), "Check: no findings");
}

TEST_F(CheckWindow, EnterSelectsAcrossLineBreaksInCrLfOffsets) {
    memo->SetText("line one\r\n^B\r\n^LGo=GotoPage \"x\" \"y\"^l\r\n^Q");
    panel->toggleAction()->trigger();
    settle();
    ASSERT_EQ(panel->list()->count(), 3) << rows().join("\n").toStdString();
    panel->list()->setFocus();
    panel->list()->setCurrentRow(1);
    QTest::keyClick(panel->list(), Qt::Key_Return);
    EXPECT_EQ(memo->textCursor().selectedText(), "GotoPage \"x\" \"y\"");
    EXPECT_EQ(memo->SelStart(), 19);
    // Hidden, the panel checks nothing and leaves no underlines.
    panel->toggleAction()->trigger();
    EXPECT_TRUE(memo->FindingMarks().marks().empty());
    EXPECT_FALSE(panel->runner().active());
}

TEST_F(CheckWindow, UnderlinesAreDroppedWhenTheirTextIsEdited) {
    memo->SetText("^Q and ^Z");
    panel->toggleAction()->trigger();
    settle();
    ASSERT_EQ(memo->FindingMarks().marks().size(), 2u);
    QTextCursor c(memo->document());
    c.setPosition(1);
    c.insertText("x");
    EXPECT_EQ(memo->FindingMarks().marks()[0].position, -1);
    EXPECT_EQ(memo->FindingMarks().marks()[1].position, 8);
    // A dropped mark selects nothing.
    memo->moveCursor(QTextCursor::End);
    panel->selectFinding(0);
    EXPECT_FALSE(memo->textCursor().hasSelection());
}

TEST_F(CheckWindow, FileThatGivesNoAnswerInTimeIsANote) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    panel->runner().fileTimeLimit = std::chrono::milliseconds(100);
    panel->runner().fileExists = [released](const std::string& path) {
        if (path.find("stuck") != std::string::npos)
            released.wait();
        return path.find("here") != std::string::npos;
    };
    memo->SetText("^La=PlaySoundFile \"/net/stuck/a.wav\" \"x\"^l\r\n"
                  "^Lb=PlaySoundFile \"/gone/b.wav\" \"x\"^l");
    panel->toggleAction()->trigger();
    settle();
    EXPECT_EQ(rows(), (QStringList{"1:20  no answer in time on whether the file exists",
                                   "2:20  the file is not found on this machine"}));
    EXPECT_EQ(panel->windowTitle(), "Check: 1 warning, 1 note");
    // Typing does not wait for the stuck look-up: its answer is remembered for a while.
    QTest::keyClicks(memo, "z");
    settle();
    EXPECT_EQ(panel->list()->count(), 2);
    release.set_value();
}
