// The document's life through the main window's commands, with scripted prompts and dialogs.

#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/ErrorTexts.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DocumentCommands : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
        form->addRecentFile = [this](const QString& path) { recent << path; };
    }

    TColorMemo& memo() { return *form->Clm1; }
    QString status() const { return form->StatusPanel1->text(); }
    QString fileName() const { return form->SaveDialog1.fileName; }

    // Typing at the end of the text.
    void type(const QString& text) {
        memo().moveCursor(QTextCursor::End);
        memo().insertPlainText(text);
    }
    QString page(const QString& name, const QByteArray& bytes) {
        const QString path = dir.file(name);
        EXPECT_TRUE(lptest::writeFile(path, bytes));
        return path;
    }
    void open(const QString& path) {
        dialogs.openChoices.push_back(path);
        form->OpenBut->trigger();
    }
    // Opens a page and changes it: the Named, changed state.
    QString namedChanged(const QByteArray& bytes = "first\r\nsecond") {
        const QString path = page("named.txt", bytes);
        open(path);
        type("!");
        return path;
    }
    QString question(const QString& name) const { return "Save changes in: " + name + " ?"; }

    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    lptest::TempDir dir;
    QStringList recent;
    std::unique_ptr<TForm1> form;
};

// ---------------------------------------------------------------------------------------------
// New

TEST_F(DocumentCommands, NewOnUnchangedDocumentAsksNothing) {
    const QString path = page("a.txt", "text");
    open(path);
    form->NewBut->trigger();
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(memo().Text(), "");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(fileName(), "");
    EXPECT_EQ(status(), "Untitled");
}

TEST_F(DocumentCommands, NewAfterTypingAndDeletingKeepsTheEmptyEditorChanged) {
    type("x");
    memo().textCursor().deletePreviousChar();
    ASSERT_EQ(memo().LineCount(), 0);
    ASSERT_TRUE(memo().Modified());
    prompts.answers = {TAnswer::No, TAnswer::No};
    form->NewBut->trigger();
    EXPECT_EQ(prompts.questions, QStringList{question("Untitled")});
    EXPECT_TRUE(memo().Modified()); // an editor without lines is not cleared
    form->NewBut->trigger();        // so it asks again
    EXPECT_EQ(prompts.questions.size(), 2);
}

TEST_F(DocumentCommands, NewCancelledChangesNothing) {
    const QString path = namedChanged();
    prompts.answers = {TAnswer::Cancel};
    form->NewBut->trigger();
    EXPECT_EQ(prompts.questions, QStringList{question(path)});
    EXPECT_EQ(memo().Text(), "first\r\nsecond!");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
}

TEST_F(DocumentCommands, NewAnsweredYesSavesANamedDocumentThenEmptiesTheEditor) {
    const QString path = namedChanged();
    prompts.answers = {TAnswer::Yes};
    form->NewBut->trigger();
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond!");
    EXPECT_EQ(dialogs.shownCount("save"), 0);
    EXPECT_EQ(memo().Text(), "");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(status(), "Untitled");
}

TEST_F(DocumentCommands, NewAnsweredYesThenSaveDialogCancelledKeepsTheChanges) {
    type("draft");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {std::nullopt};
    form->NewBut->trigger();
    EXPECT_EQ(dialogs.shownCount("save"), 1);
    EXPECT_EQ(memo().Text(), "draft");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(status(), "Untitled");
}

TEST_F(DocumentCommands, NewAnsweredYesThenSaveFailingKeepsTheChanges) {
    const QString path = namedChanged();
    const QByteArray before = lptest::readFile(path);
    // The page's file has been replaced by a folder behind the editor's back.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    prompts.answers = {TAnswer::Yes};
    form->NewBut->trigger();
    EXPECT_EQ(prompts.errors,
              QStringList{errortext::cannotCreateFile.arg(path) +
                          ".\nIt is a folder, not a regular file; nothing was written."});
    EXPECT_EQ(memo().Text(), "first\r\nsecond!");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(status(), path);
}

// ---------------------------------------------------------------------------------------------
// Open

TEST_F(DocumentCommands, OpenLoadsTheFileNamesItAndAddsItToTheRecentFiles) {
    type("old");
    const QString path = page("p.txt", "one\r\ntwo");
    prompts.answers = {TAnswer::No};
    form->OpenDialog1.fileName = "stale.txt";
    open(path);
    EXPECT_EQ(dialogs.lastShown("open").fileName, ""); // the dialog shows no name
    EXPECT_EQ(memo().Text(), "one\r\ntwo");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
    EXPECT_EQ(recent, QStringList{path});
    EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(DocumentCommands, OpenCancelledAfterNoKeepsTheChangedDocument) {
    type("draft");
    prompts.answers = {TAnswer::No};
    dialogs.openChoices = {std::nullopt};
    form->OpenBut->trigger();
    EXPECT_EQ(memo().Text(), "draft");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(status(), "Untitled");
    EXPECT_TRUE(recent.isEmpty());
}

TEST_F(DocumentCommands, OpenAnsweredYesForUntitledThenSaveCancelledStopsBeforeTheOpenDialog) {
    type("draft");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {std::nullopt};
    form->OpenBut->trigger();
    EXPECT_EQ(dialogs.shownCount("open"), 0);
    EXPECT_EQ(memo().Text(), "draft");
    EXPECT_TRUE(memo().Modified());
}

TEST_F(DocumentCommands, OpenAnsweredYesSavesUntitledUnderTheChosenNameThenOpens) {
    type("draft");
    const QString saved = dir.file("saved.txt");
    const QString other = page("other.txt", "other");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {saved};
    open(other);
    EXPECT_EQ(lptest::readFile(saved), "draft");
    EXPECT_EQ(dialogs.lastShown("save").title, "Save File as");
    EXPECT_EQ(memo().Text(), "other");
    EXPECT_EQ(status(), other);
    EXPECT_EQ(recent, QStringList{other}); // a save does not add to the recent files
}

TEST_F(DocumentCommands, OpenOfAFileThatVanishedAfterChoosingLeavesTheDocumentAsItWas) {
    const QString path = namedChanged();
    const QString gone = page("gone.txt", "soon gone");
    dialogs.during = [&](const QString& kind) {
        if (kind == "open")
            QFile::remove(gone);
    };
    recent.clear();
    prompts.answers = {TAnswer::No};
    open(gone);
    EXPECT_EQ(prompts.errors,
              QStringList{errortext::cannotOpenFile.arg(gone) + ".\nNo such file or directory."});
    EXPECT_EQ(memo().Text(), "first\r\nsecond!");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
    EXPECT_TRUE(recent.isEmpty());
}

TEST_F(DocumentCommands, OpenOfAFolderIsAnOpenError) {
    const QString folder = dir.file("folder.txt");
    ASSERT_TRUE(QDir().mkdir(folder));
    open(folder);
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotOpenFile.arg(folder) +
                                          ".\nIt is a folder, not a regular file."});
    EXPECT_EQ(status(), "Untitled");
    EXPECT_EQ(fileName(), "");
}

TEST_F(DocumentCommands, OpenOfAPageWithAZeroByteWarnsWithTheOffset) {
    const QString path = page("zero.txt", QByteArray("ab\r\ncd\0rest", 11));
    open(path);
    EXPECT_EQ(memo().Text(), "ab\r\ncd");
    ASSERT_EQ(prompts.warnings.size(), 1);
    EXPECT_TRUE(prompts.warnings[0].contains("offset 6")) << prompts.warnings[0].toStdString();
    EXPECT_EQ(status(), path);
}

// ---------------------------------------------------------------------------------------------
// Save and Save As

TEST_F(DocumentCommands, SaveOfANamedDocumentWritesWithoutAnyDialog) {
    const QString path = namedChanged();
    form->SaveBut->trigger();
    EXPECT_EQ(dialogs.shownCount("save"), 0);
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond!");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(status(), path);
}

TEST_F(DocumentCommands, SaveOfAnUntitledDocumentTurnsIntoSaveAs) {
    type("new page");
    const QString path = dir.file("new.txt");
    dialogs.saveChoices = {path};
    form->SaveBut->trigger();
    EXPECT_EQ(dialogs.lastShown("save").title, "Save File as");
    EXPECT_EQ(lptest::readFile(path), "new page");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
    EXPECT_TRUE(recent.isEmpty());
}

TEST_F(DocumentCommands, SaveAsCancelledChangesNothing) {
    const QString path = namedChanged();
    dialogs.saveChoices = {std::nullopt};
    form->SaveAsBut->trigger();
    EXPECT_EQ(dialogs.lastShown("save").fileName, path); // proposes the current file
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
}

TEST_F(DocumentCommands, SaveAsIntoAMissingFolderFailsAndKeepsTheCurrentFile) {
    const QString path = namedChanged();
    const QString target = dir.file("no such folder/page.txt");
    dialogs.saveChoices = {target};
    form->SaveAsBut->trigger();
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotCreateFile.arg(target) +
                                          ".\nNo such file or directory."});
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(fileName(), path);
    EXPECT_EQ(status(), path);
    form->SaveBut->trigger(); // still saves where the status bar says
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond!");
}

TEST_F(DocumentCommands, SavedTextHasCrLfBetweenLinesAndNoFinalBreak) {
    type("a\nb\n\nc");
    const QString path = dir.file("lines.txt");
    dialogs.saveChoices = {path, path};
    form->SaveAsBut->trigger();
    EXPECT_EQ(lptest::readFile(path), "a\r\nb\r\n\r\nc");
    type("\n");
    form->SaveBut->trigger();
    EXPECT_EQ(lptest::readFile(path), "a\r\nb\r\n\r\nc\r\n"); // the text ends with an empty line
}

// ---------------------------------------------------------------------------------------------
// Recent files

TEST_F(DocumentCommands, RecentFileThatNoLongerExistsIsRemovedAndTheDocumentUntouched) {
    const QString path = namedChanged();
    bool remove = false;
    form->MRUList1Click(dir.file("deleted.txt"), remove);
    EXPECT_TRUE(remove);
    EXPECT_EQ(prompts.notices, QStringList{"File doesn't exist !"});
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(memo().Text(), "first\r\nsecond!");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(status(), path);
}

TEST_F(DocumentCommands, RecentFileOpensWithoutAddingItself) {
    const QString other = page("other.txt", "other");
    namedChanged();
    recent.clear();
    prompts.answers = {TAnswer::No};
    bool remove = false;
    form->MRUList1Click(other, remove);
    EXPECT_FALSE(remove);
    EXPECT_EQ(memo().Text(), "other");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(fileName(), other);
    EXPECT_EQ(status(), other);
    EXPECT_TRUE(recent.isEmpty());
}

TEST_F(DocumentCommands, RecentFileCancelledOrUnsavedLeavesTheDocument) {
    const QString other = page("other.txt", "other");
    type("draft");
    prompts.answers = {TAnswer::Cancel, TAnswer::Yes};
    dialogs.saveChoices = {std::nullopt};
    bool remove = false;
    form->MRUList1Click(other, remove);
    form->MRUList1Click(other, remove); // Yes, then the save dialog is cancelled
    EXPECT_FALSE(remove);
    EXPECT_EQ(memo().Text(), "draft");
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(status(), "Untitled");
}

TEST_F(DocumentCommands, RecentFolderIsAnOpenErrorAndStaysInTheList) {
    const QString folder = dir.file("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    bool remove = false;
    form->MRUList1Click(folder, remove);
    EXPECT_FALSE(remove);
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotOpenFile.arg(folder) +
                                          ".\nIt is a folder, not a regular file."});
}

// ---------------------------------------------------------------------------------------------
// Close check

TEST_F(DocumentCommands, CloseOfAnUnchangedDocumentAsksNothing) {
    EXPECT_TRUE(form->FormCloseQuery());
    EXPECT_TRUE(prompts.questions.isEmpty());
}

TEST_F(DocumentCommands, CloseCancelledOrAnsweredNo) {
    const QString path = namedChanged();
    prompts.answers = {TAnswer::Cancel, TAnswer::No};
    EXPECT_FALSE(form->FormCloseQuery());
    EXPECT_EQ(prompts.questions, QStringList{question(path)});
    EXPECT_TRUE(form->FormCloseQuery());
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond"); // nothing written
}

TEST_F(DocumentCommands, CloseAnsweredYesWritesANamedDocument) {
    const QString path = namedChanged();
    prompts.answers = {TAnswer::Yes};
    EXPECT_TRUE(form->FormCloseQuery());
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond!");
    EXPECT_EQ(dialogs.shownCount("save"), 0);
}

TEST_F(DocumentCommands, CloseAnsweredYesForUntitledUsesTheSaveDialogAsItIs) {
    type("draft");
    const QString path = dir.file("closing.txt");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {path};
    EXPECT_TRUE(form->FormCloseQuery());
    EXPECT_EQ(dialogs.lastShown("save").title, ""); // Save As has not run
    EXPECT_EQ(lptest::readFile(path), "draft");
}

TEST_F(DocumentCommands, CloseAnsweredYesThenSaveDialogCancelledKeepsTheWindowOpen) {
    type("draft");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {std::nullopt};
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(memo().Modified());
    EXPECT_EQ(memo().Text(), "draft");
}

TEST_F(DocumentCommands, CloseAnsweredYesThenSaveFailingKeepsTheWindowOpen) {
    type("draft");
    const QString target = dir.file("missing/closing.txt");
    prompts.answers = {TAnswer::Yes};
    dialogs.saveChoices = {target};
    EXPECT_FALSE(form->FormCloseQuery());
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotCreateFile.arg(target) +
                                          ".\nNo such file or directory."});
    EXPECT_EQ(fileName(), "");
    EXPECT_TRUE(memo().Modified());
}

// ---------------------------------------------------------------------------------------------
// Command line

TEST_F(DocumentCommands, CommandLineOpensLikeOpenAndAddsToTheRecentFiles) {
    const QString path = page("cli.txt", "from the command line");
    const QString relative = QDir::current().relativeFilePath(path);
    form->openFromCommandLine(relative);
    EXPECT_EQ(memo().Text(), "from the command line");
    EXPECT_EQ(status(), path);
    EXPECT_EQ(recent, QStringList{path});
}

TEST_F(DocumentCommands, CommandLineWithANewFileStartsAnEmptyPageWithThatName) {
    const QString path = dir.file("new page.txt");
    form->openFromCommandLine(QDir::current().relativeFilePath(path));
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_EQ(memo().Text(), "");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(status(), path);
    EXPECT_EQ(fileName(), path);
    EXPECT_FALSE(QFileInfo::exists(path)); // nothing written before Save
    type("first words");
    form->SaveBut->trigger();
    EXPECT_TRUE(dialogs.calls.empty()); // no name asked
    EXPECT_EQ(lptest::readFile(path), "first words");
    EXPECT_FALSE(memo().Modified());
    EXPECT_EQ(recent, QStringList{});
}

TEST_F(DocumentCommands, CommandLineWithAMissingFolderShowsTheOpenErrorAndAnUntitledPage) {
    const QString path = dir.file("missing/page.txt");
    form->openFromCommandLine(path);
    EXPECT_EQ(prompts.errors,
              QStringList{errortext::cannotOpenFile.arg(path) + ".\nNo such file or directory."});
    EXPECT_EQ(memo().Text(), "");
    EXPECT_EQ(status(), "Untitled");
    EXPECT_TRUE(recent.isEmpty());
}

} // namespace

namespace {

TEST_F(DocumentCommands, CtrlSInTheEditorSaves) {
    const QString path = namedChanged();
    form->show();
    QApplication::setActiveWindow(form.get());
    memo().setFocus();
    QTest::keyClick(&memo(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(lptest::readFile(path), "first\r\nsecond!");
    EXPECT_FALSE(memo().Modified());
}

} // namespace
