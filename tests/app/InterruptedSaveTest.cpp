// A save written in place (a page with a second hard link) that was stopped midway leaves the
// previous text in a backup: the next open offers to put it back when the page is torn, and
// removes it without a word when the page is whole.

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

std::uint64_t hashOf(const QByteArray& bytes) {
    safefile::TBackupHash h;
    h.add(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    return h.value();
}

class InterruptedSave : public ::testing::Test {
protected:
    InterruptedSave() : form(std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs})) {
        EXPECT_TRUE(lptest::writeFile(page, "new text, writ"));
        EXPECT_TRUE(lptest::writeFile(
            backup, sealedBackup("the whole previous text", "new text, written whole")));
    }
    // A backup as a write in place seals it before it touches the page.
    QByteArray sealedBackup(const QByteArray& before, const QByteArray& after) const {
        const std::string header = safefile::formatBackupHeader(
            {std::uint64_t(before.size()), hashOf(before), std::uint64_t(after.size()),
             hashOf(after), QFile::encodeName(page).toStdString()});
        return QByteArray::fromStdString(header) + before + after;
    }
    void open() {
        dialogs.openChoices = {page};
        form->OpenBut->trigger();
    }
    QStringList backups() const {
        return QDir(dir.path()).entryList({"page.txt*backup-*"}, QDir::Files | QDir::Hidden);
    }

    lptest::TempDir dir;
    const QString page = dir.file("page.txt");
    const QString backup = dir.file("page.txt.lpbackup-Ab3dE9");
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
        "Annuler keeps both until the page is saved again."));
    EXPECT_EQ(prompts.defaults, QList<TAnswer>{TAnswer::Cancel}) << "the default changes nothing";
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
    EXPECT_EQ(backups(), QStringList{"page.txt.lpbackup-Ab3dE9"});

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
    ASSERT_TRUE(lptest::writeFile(dir.file("page.txt.lpbackup-short"), "x"));
    ASSERT_TRUE(lptest::writeFile(dir.file("other.txt.lpbackup-Ab3dE9"), "x"));
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("page.txt.lpbackup-Link01")));
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

// An earlier version's backup may hold only part of the previous text: it is never put back;
// the question's default keeps it, Oui deletes it, and the page stays as it is either way.
TEST_F(InterruptedSave, AnEarlierVersionsBackupIsOfferedForDeletionOnly) {
    QFile::remove(backup);
    ASSERT_TRUE(lptest::writeFile(dir.file("page.txt.backup-Ab3dE9"), "the whole prev"));
    prompts.answers = {TAnswer::Cancel, TAnswer::Yes};
    open();
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions[0].contains("may be incomplete, so it is not put back"));
    EXPECT_EQ(prompts.defaults, QList<TAnswer>{TAnswer::Cancel});
    EXPECT_EQ(backups(), QStringList{"page.txt.backup-Ab3dE9"});
    open();
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_TRUE(backups().isEmpty());
    EXPECT_EQ(lptest::readFile(page), "new text, writ");
    EXPECT_EQ(form->Clm1->Page().pageText(), "new text, writ");
}
