// A save written in place (a page with a second hard link) that was stopped midway leaves the
// previous text in a backup beside the page: the next open says so and offers to put it back.

#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "platform/core/SafeFile.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {

class InterruptedSave : public ::testing::Test {
protected:
    InterruptedSave() : form(std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs})) {
        EXPECT_TRUE(lptest::writeFile(page, "new text, writ"));
        EXPECT_TRUE(lptest::writeFile(backup, "the whole previous text"));
    }
    void open() {
        dialogs.openChoices = {page};
        form->OpenBut->trigger();
    }
    QStringList backups() const {
        return QDir(dir.path()).entryList({"page.txt.backup-*"}, QDir::Files | QDir::Hidden);
    }

    lptest::TempDir dir;
    const QString page = dir.file("page.txt");
    const QString backup = dir.file("page.txt.backup-Ab3dE9");
    lptest::FakePrompts prompts;
    lptest::FakeDialogs dialogs;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(InterruptedSave, OuiPutsThePreviousTextBackAndRemovesTheBackup) {
    prompts.answers = {TAnswer::Yes};
    open();
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions[0].startsWith("A save of " + page + " was interrupted"));
    EXPECT_TRUE(prompts.questions[0].contains(backup));
    EXPECT_TRUE(prompts.questions[0].endsWith(
        "Oui puts the previous text back, Non keeps the page as it is and deletes the copy, "
        "Annuler decides later."));
    EXPECT_EQ(lptest::readFile(page), "the whole previous text");
    EXPECT_EQ(form->Clm1->Page().pageText(), "the whole previous text");
    EXPECT_FALSE(form->Clm1->Modified());
    EXPECT_TRUE(backups().isEmpty());
}

TEST_F(InterruptedSave, NonKeepsThePageAndAnnulerKeepsTheBackupForLater) {
    prompts.answers = {TAnswer::Cancel};
    open();
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(lptest::readFile(page), "new text, writ");
    EXPECT_EQ(backups(), QStringList{"page.txt.backup-Ab3dE9"});

    prompts.answers = {TAnswer::No};
    open();
    EXPECT_EQ(prompts.questions.size(), 2) << "asked again at the next open";
    EXPECT_EQ(lptest::readFile(page), "new text, writ");
    EXPECT_EQ(form->Clm1->Page().pageText(), "new text, writ");
    EXPECT_TRUE(backups().isEmpty());
    open();
    EXPECT_EQ(prompts.questions.size(), 2);
}

TEST_F(InterruptedSave, OnlyOurOwnBackupsThatNoLiveSaveHoldsAreOffered) {
    // Names that only look like ours, and a backup a save in progress holds locked.
    ASSERT_TRUE(lptest::writeFile(dir.file("page.txt.backup-short"), "x"));
    ASSERT_TRUE(lptest::writeFile(dir.file("other.txt.backup-Ab3dE9"), "x"));
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("page.txt.backup-Link01")));
    const int held = ::open(QFile::encodeName(backup).constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    open();
    EXPECT_TRUE(prompts.questions.isEmpty());
    ::close(held);
    EXPECT_EQ(safefile::interruptedBackups(QFile::encodeName(page).toStdString()).size(), 1u);
}

// A hard-linked page is written in place; the backup made for it is gone once the save is over,
// and while it runs it is held, so that another window opening the page does not offer it.
TEST_F(InterruptedSave, ASaveInPlaceLeavesNoBackupBehind) {
    QFile::remove(backup);
    ASSERT_EQ(::link(QFile::encodeName(page).constData(),
                     QFile::encodeName(dir.file("second-name.txt")).constData()),
              0);
    open();
    form->Clm1->SetSelStart(0);
    form->Clm1->ReplaceSel("Saved: ");
    form->SaveBut->trigger();
    EXPECT_EQ(lptest::readFile(dir.file("second-name.txt")), "Saved: new text, writ");
    EXPECT_TRUE(backups().isEmpty());
    EXPECT_TRUE(prompts.questions.isEmpty());
}
