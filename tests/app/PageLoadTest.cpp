// Pages longer than a screenful: the beginning shows at once, the rest loads in the background of
// the event loop, and a load that is cut short by another page or by closing leaves nothing behind.

#include "app/DocumentCommands.h"
#include "app/FindBar.h"
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "document/PageFiles.h"
#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "platform/DiskStamps.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <memory>

namespace {

class PageLoad : public ::testing::Test {
protected:
    PageLoad() : form(std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs})) {}

    // A page of about mb megabytes, lines ending in CR LF, a lone CR or a lone LF.
    QString bigPage(const QString& name, int mb = 3) {
        QByteArray bytes;
        const QByteArray breaks[] = {"\r\n", "\r", "\n"};
        for (int i = 0; bytes.size() < (qsizetype(mb) << 20); ++i)
            bytes += "^Bline^b " + QByteArray::number(i) + " \xE9t\xE9 [Nom]" + breaks[i % 3];
        const QString path = dir.file(name);
        EXPECT_TRUE(lptest::writeFile(path, bytes));
        return path;
    }
    void open(const QString& path) {
        dialogs.openChoices = {path};
        form->OpenBut->trigger();
    }
    // Runs the event loop until the load ends; false when it did not within a minute.
    bool waitForTheLoad() {
        QDeadlineTimer deadline(60000);
        while (form->documentCommands().loading() && !deadline.hasExpired())
            QApplication::processEvents();
        return !form->documentCommands().loading();
    }
    QString shownText() const { return form->Clm1->Page().pageText(); }

    lptest::TempDir dir;
    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    std::unique_ptr<TForm1> form;
};

TEST_F(PageLoad, TheBeginningShowsAtOnceAndTheLoadEndsAsAnOrdinaryOpen) {
    const QString path = bigPage("big.txt");
    open(path);
    TDocumentCommands& document = form->documentCommands();
    ASSERT_TRUE(document.loading());
    EXPECT_GT(shownText().size(), 0);
    EXPECT_LT(shownText().size(), 1 << 20);
    EXPECT_EQ(form->StatusPanel1->text(), path);
    EXPECT_TRUE(form->Clm1->isReadOnly());
    EXPECT_TRUE(form->LoadProgress->isVisibleTo(form.get()));
    EXPECT_EQ(form->StatusNote->text(), loadingNote(0));
    EXPECT_EQ(form->StatusNote->toolTip(), loadingNoteTip(0));
    EXPECT_FALSE(document.diskStamp().exists); // no outside change is looked for meanwhile
    // Appending is no change of the author's: no recovery copy is due.
    QApplication::processEvents();
    EXPECT_GT(form->LoadProgress->value(), 0);
    EXPECT_FALSE(form->Clm1->Modified());

    ASSERT_TRUE(waitForTheLoad());
    EXPECT_TRUE(shownText() == loadPageFile(path).text);
    EXPECT_FALSE(form->Clm1->Modified());
    EXPECT_FALSE(form->Clm1->document()->isUndoAvailable());
    EXPECT_TRUE(form->Clm1->document()->isUndoRedoEnabled());
    EXPECT_FALSE(form->Clm1->isReadOnly());
    EXPECT_FALSE(form->LoadProgress->isVisibleTo(form.get()));
    EXPECT_EQ(form->StatusNote->text(), "");
    EXPECT_EQ(document.diskStamp(), readFileStamp(path));
    EXPECT_TRUE(prompts.errors.isEmpty());

    // Typing after the load is one undo step, as after any open.
    form->Clm1->ReplaceSel("x");
    EXPECT_TRUE(form->Clm1->Modified());
    form->Clm1->Undo();
    EXPECT_FALSE(form->Clm1->Modified());
    EXPECT_FALSE(form->Clm1->document()->isUndoAvailable());
}

TEST_F(PageLoad, KeysTypedDuringTheLoadGoInAtTheCaretOnceThePageIsIn) {
    const QString path = bigPage("typed.txt");
    open(path);
    ASSERT_TRUE(form->documentCommands().loading());
    const QString first = form->Clm1->Page().lineText(0);
    form->Clm1->SetSelStart(2); // the caret still moves while the page loads
    QTest::keyClicks(form->Clm1, "abc");
    QTest::keyClick(form->Clm1, Qt::Key_Backspace);
    QTest::keyClick(form->Clm1, Qt::Key_Return);
    EXPECT_EQ(form->Clm1->Page().lineText(0), first) << "nothing goes in before the page is in";
    EXPECT_TRUE(form->StatusNote->text().startsWith(QString::fromUtf8("Loading\u2026 ")));
    ASSERT_TRUE(waitForTheLoad());
    EXPECT_EQ(form->Clm1->Page().lineText(0), first.left(2) + "ab");
    EXPECT_EQ(form->Clm1->Page().lineText(1), first.mid(2));
    EXPECT_TRUE(form->Clm1->Modified()) << "what was typed is a change of the loaded page";
    while (form->Clm1->document()->isUndoAvailable())
        form->Clm1->Undo();
    EXPECT_EQ(form->Clm1->Page().lineText(0), first) << "and is taken back as one";
}

TEST_F(PageLoad, SaveAndEditingCommandsWaitForTheWholePage) {
    const QString path = bigPage("big.txt");
    const QByteArray bytes = lptest::readFile(path);
    open(path);
    ASSERT_TRUE(form->documentCommands().loading());
    form->SaveBut->trigger();
    EXPECT_FALSE(form->documentCommands().loading());
    EXPECT_TRUE(prompts.errors.isEmpty());
    const QByteArray saved =
        QByteArray(bytes).replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    EXPECT_TRUE(lptest::readFile(path) == saved);

    open(path);
    ASSERT_TRUE(form->documentCommands().loading());
    form->BoldBut->trigger();
    EXPECT_FALSE(form->documentCommands().loading());
    EXPECT_TRUE(form->Clm1->Modified());
    // The whole page is there with the codes added.
    EXPECT_GT(form->Clm1->Text().size(), QString::fromLatin1(saved).size());

    // Replace All waits too, and so finds the page's last lines.
    prompts.answers = {TAnswer::No};
    open(path);
    ASSERT_TRUE(form->documentCommands().loading());
    form->EditReplace1->trigger();
    form->FindBar1->FindEdit->setText("[Nom]");
    emit form->FindBar1->FindEdit->textEdited("[Nom]"); // as typed: finds over what is loaded
    form->FindBar1->ReplaceEdit->setText("[Name]");
    form->FindBar1->replaceAll();
    EXPECT_FALSE(form->documentCommands().loading());
    EXPECT_FALSE(form->Clm1->Text().contains("[Nom]"));
}

TEST_F(PageLoad, OpeningAnotherPageStopsTheLoadAndKeepsNothingOfIt) {
    const QString big = bigPage("big.txt");
    const QString small = dir.file("small.txt");
    ASSERT_TRUE(lptest::writeFile(small, "small\r\npage"));
    open(big);
    ASSERT_TRUE(form->documentCommands().loading());
    open(small);
    EXPECT_FALSE(form->documentCommands().loading());
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    EXPECT_EQ(shownText(), "small\npage");
    EXPECT_EQ(form->StatusPanel1->text(), small);
    EXPECT_FALSE(form->Clm1->isReadOnly());
    EXPECT_FALSE(form->LoadProgress->isVisibleTo(form.get()));
    EXPECT_EQ(form->documentCommands().diskStamp(), readFileStamp(small));

    // A big page after a big page: only the second one's text.
    const QString other = bigPage("other.txt", 2);
    open(big);
    open(other);
    ASSERT_TRUE(waitForTheLoad());
    EXPECT_TRUE(shownText() == loadPageFile(other).text);

    // A page that cannot be opened leaves the load going.
    open(big);
    open(dir.file("missing.txt"));
    EXPECT_EQ(prompts.errors.size(), 1);
    ASSERT_TRUE(waitForTheLoad());
    EXPECT_TRUE(shownText() == loadPageFile(big).text);
    EXPECT_EQ(form->StatusPanel1->text(), big);
}

// Another program changes the page while it loads: a page rewritten in place is never shown as
// if a part of it were the whole; a page replaced by a new file loads as the file that was opened,
// and the window asks about the new one once the load is over.
TEST_F(PageLoad, APageChangedWhileItLoadsIsNeverTakenForTheNewOne) {
    const QString path = bigPage("changing.txt");
    open(path);
    ASSERT_TRUE(form->documentCommands().loading());
    ASSERT_TRUE(lptest::writeFile(path, "a shorter page")); // truncated and written again
    EXPECT_TRUE(waitForTheLoad());
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_TRUE(
        prompts.errors[0].contains("was changed by another program while it was being read"));
    EXPECT_EQ(shownText(), "");
    EXPECT_EQ(form->StatusPanel1->text(), "Untitled");
    EXPECT_EQ(lptest::readFile(path), "a shorter page");

    const QString replaced = bigPage("replaced.txt");
    const QByteArray before = lptest::readFile(replaced);
    open(replaced);
    ASSERT_TRUE(form->documentCommands().loading());
    const QString next = dir.file("next.txt");
    ASSERT_TRUE(lptest::writeFile(next, "the new page"));
    ASSERT_EQ(
        ::rename(QFile::encodeName(next).constData(), QFile::encodeName(replaced).constData()), 0);
    ASSERT_TRUE(waitForTheLoad());
    EXPECT_EQ(prompts.errors.size(), 1) << "the file opened was read whole";
    EXPECT_TRUE(shownText() == pagetext::fromPageBytes(before.toStdString()));
    prompts.answers = {TAnswer::No};
    form->documentCommands().checkDisk();
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions[0].contains("Reload it?"));
}

TEST_F(PageLoad, ClosingTheWindowStopsTheLoad) {
    form->show();
    open(bigPage("big.txt"));
    ASSERT_TRUE(form->documentCommands().loading());
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->documentCommands().loading());
    EXPECT_EQ(shownText(), "");
    EXPECT_FALSE(form->Clm1->isReadOnly());
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    EXPECT_EQ(shownText(), "");

    // A window destroyed in the middle of a load.
    form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
    open(dir.file("big.txt"));
    ASSERT_TRUE(form->documentCommands().loading());
    QApplication::processEvents();
    form.reset();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    EXPECT_TRUE(prompts.errors.isEmpty());
}

} // namespace

TEST_F(PageLoad, LongLinesWithoutSpacesLoadWholeAndSaveBackTheSameBytes) {
    // Two lines of 3 MB without a place to break, around ordinary lines, with a line break
    // falling inside and right at the edge of the first slices.
    QByteArray line;
    for (int i = 0; line.size() < (3 << 20); ++i)
        line += char('a' + i % 26);
    const QByteArray bytes = "first\r\n" + line + "\r\n" + line + "x\r\nmiddle\r\nlast";
    const QString path = dir.file("long.txt");
    ASSERT_TRUE(lptest::writeFile(path, bytes));
    open(path);
    ASSERT_TRUE(waitForTheLoad());
    EXPECT_TRUE(shownText() == loadPageFile(path).text);
    EXPECT_FALSE(form->Clm1->Modified());
    // Both lines are kept in display blocks, the first screenful as well as what followed it.
    EXPECT_EQ(form->Clm1->Page().continuationsUpTo(INT_MAX),
              (line.size() - 1) / TPageDocument::piece() + line.size() / TPageDocument::piece());
    EXPECT_EQ(form->Clm1->TextLineCount(), 5);
    // Both lines are kept in display blocks, the first screenful as well as what followed it.
    EXPECT_EQ(form->Clm1->Page().continuationsUpTo(INT_MAX),
              (line.size() - 1) / TPageDocument::piece() + line.size() / TPageDocument::piece());
    EXPECT_EQ(form->Clm1->TextLineCount(), 5);

    // A key at each end of the first long line; the save gives back the bytes with both keys.
    form->Clm1->SetSelStart(7);
    form->Clm1->ReplaceSel("<");
    form->Clm1->SetSelStart(7 + 1 + int(line.size()));
    form->Clm1->ReplaceSel(">");
    form->SaveBut->trigger();
    QByteArray expected = bytes;
    expected.insert(7 + line.size(), '>');
    expected.insert(7, '<');
    EXPECT_EQ(lptest::readFile(path), expected);
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
}
