// Pages that another program changes, removes or rewrites while they are open, with scripted
// prompts; checkDisk() is what the window runs when it becomes active again.
#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

class OutsideChange : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
        path = dir.file("page.txt");
        ASSERT_TRUE(lptest::writeFile(path, "as loaded"));
        form->openFromCommandLine(path);
    }
    TDocumentCommands& doc() { return form->documentCommands(); }
    void type(const QString& text) {
        form->Clm1->moveCursor(QTextCursor::End);
        form->Clm1->insertPlainText(text);
    }
    // Another program writes the page; the time moves on as it would between two writes.
    void changeOutside(const QByteArray& bytes, int secondsLater = 10) {
        ASSERT_TRUE(lptest::writeFile(path, bytes));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(secondsLater),
                                  QFileDevice::FileModificationTime));
    }
    QString reload() const {
        return "The file " + path + " was changed by another program. Reload it?";
    }
    QString overwrite() const {
        return "The file " + path +
               " was changed by another program since it was opened. Overwrite it?";
    }

    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    lptest::TempDir dir;
    QString path;
    std::unique_ptr<TForm1> form;
};

TEST_F(OutsideChange, UnchangedDocumentReloadsOnYesAndIsAskedOncePerChange) {
    doc().checkDisk();
    EXPECT_TRUE(prompts.questions.isEmpty()); // nothing changed
    changeOutside("new text from elsewhere");
    prompts.answers = {TAnswer::No};
    doc().checkDisk();
    doc().checkDisk();
    EXPECT_EQ(prompts.questions, QStringList{reload()});
    EXPECT_EQ(form->Clm1->Text(), "as loaded");
    EXPECT_FALSE(form->Clm1->Modified());

    changeOutside("newer text", 20);
    prompts.answers = {TAnswer::Yes};
    doc().checkDisk();
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_EQ(form->Clm1->Text(), "newer text");
    EXPECT_FALSE(form->Clm1->Modified());
    EXPECT_EQ(form->StatusPanel1->text(), path);
    doc().checkDisk();
    EXPECT_EQ(prompts.questions.size(), 2);
}

TEST_F(OutsideChange, ChangedDocumentIsWarnedAndKeptOnNo) {
    type(" and typed");
    changeOutside("theirs");
    prompts.answers = {TAnswer::No};
    doc().checkDisk();
    EXPECT_EQ(prompts.questions,
              QStringList{reload() + " The changes made in Lark Pad would be lost."});
    EXPECT_EQ(form->Clm1->Text(), "as loaded and typed");
    EXPECT_TRUE(form->Clm1->Modified());
}

TEST_F(OutsideChange, TouchedWithoutChangeAsksNothing) {
    changeOutside("as loaded");
    doc().checkDisk();
    EXPECT_TRUE(prompts.questions.isEmpty());
    form->FileSave->trigger();
    EXPECT_TRUE(prompts.questions.isEmpty());
}

TEST_F(OutsideChange, RemovedPageMarksTheDocumentChangedAndSaveWritesItAgain) {
    ASSERT_TRUE(QFile::remove(path));
    doc().checkDisk();
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_TRUE(form->Clm1->Modified());
    EXPECT_EQ(form->StatusPanel1->text(), path);
    form->FileSave->trigger();
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(lptest::readFile(path), "as loaded");
    EXPECT_FALSE(form->Clm1->Modified());
}

TEST_F(OutsideChange, SaveOverAnOutsideChangeAsksFirst) {
    type("!");
    changeOutside("theirs");
    prompts.answers = {TAnswer::Yes};
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions, QStringList{overwrite()});
    EXPECT_EQ(lptest::readFile(path), "as loaded!");
    EXPECT_FALSE(form->Clm1->Modified());
    // What was just saved is what is on disk: our own write is no outside change.
    form->FileSave->trigger();
    doc().checkDisk();
    EXPECT_EQ(prompts.questions.size(), 1);
}

// Save asks at every save until the change is reloaded or written over with Oui, also the close
// check's save; the window coming back asks to reload once per change, not after either question.
TEST_F(OutsideChange, SaveAsksUntilTheChangeIsReloadedOrOverwritten) {
    type("!");
    changeOutside("theirs");
    prompts.answers = {TAnswer::No, TAnswer::No};
    form->FileSave->trigger();
    doc().checkDisk(); // the box closing gives the window back
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions, (QStringList{overwrite(), overwrite()}));
    EXPECT_EQ(lptest::readFile(path), "theirs");
    EXPECT_TRUE(form->Clm1->Modified());

    // Closing: Oui to "Save changes?" still asks before writing over it; Non keeps the window.
    prompts.answers = {TAnswer::Yes, TAnswer::No};
    EXPECT_FALSE(form->close());
    EXPECT_EQ(prompts.questions.last(), overwrite());
    EXPECT_EQ(lptest::readFile(path), "theirs");
    prompts.answers = {TAnswer::Yes};
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions.size(), 5);
    EXPECT_EQ(lptest::readFile(path), "as loaded!");
    form->FileSave->trigger(); // written over with Oui: a change no more
    doc().checkDisk();
    EXPECT_EQ(prompts.questions.size(), 5);

    // Reload refused first: the window asks no more, Save still asks.
    type("?");
    changeOutside("newer", 20);
    prompts.answers = {TAnswer::No, TAnswer::No};
    doc().checkDisk();
    doc().checkDisk();
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions.mid(5), (QStringList{reload() + " The changes made in Lark Pad "
                                                                "would be lost.",
                                                     overwrite()}));
    EXPECT_EQ(lptest::readFile(path), "newer");
    // Touched after the question, its bytes unchanged: still the change asked about.
    changeOutside("newer", 40);
    doc().checkDisk();
    EXPECT_EQ(prompts.questions.size(), 7);
    // Reloaded: Save writes without a question.
    changeOutside("newest", 50);
    prompts.answers = {TAnswer::Yes};
    doc().checkDisk();
    EXPECT_EQ(form->Clm1->Text(), "newest");
    type(".");
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions.size(), 8);
    EXPECT_EQ(lptest::readFile(path), "newest.");
}

// A copy that keeps size and time (cp -p) still changes the page: the window asks to reload, and
// Save asks before writing over it; a copy of the same bytes asks nothing.
TEST_F(OutsideChange, RewriteKeepingSizeAndTimeIsNoticed) {
    ASSERT_TRUE(lptest::rewriteKeepingTime(path, "as loaded"));
    doc().checkDisk();
    EXPECT_TRUE(prompts.questions.isEmpty());

    ASSERT_TRUE(lptest::rewriteKeepingTime(path, "AS LOADED"));
    prompts.answers = {TAnswer::Yes};
    doc().checkDisk();
    EXPECT_EQ(prompts.questions, QStringList{reload()});
    EXPECT_EQ(form->Clm1->Text(), "AS LOADED");

    type("!");
    ASSERT_TRUE(lptest::rewriteKeepingTime(path, "as loaded"));
    prompts.answers = {TAnswer::No};
    form->FileSave->trigger();
    EXPECT_EQ(prompts.questions.last(), overwrite());
    EXPECT_EQ(lptest::readFile(path), "as loaded");
}

} // namespace
