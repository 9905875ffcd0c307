// File > Export Book as HTML through the main window: the book of the open page, with its unsaved
// text, written into the chosen folder; refusals, cancel and failures.

#include "app/BookExportCommand.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/app/ViewFakes.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

struct BookForm {
    lptest::TempDir dir;
    QString book = dir.file("my book"), out = dir.file("site é");
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    lptest::CancellingPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};

    // Pages "10 End", "2 Next" (open, its text changed but not saved) and "1 Start", which links to
    // a page that does not exist.
    explicit BookForm(bool open = true) {
        lptest::writeFile(book + "/10 End.txt", "the end");
        lptest::writeFile(book + "/2 Next.txt", "on disk");
        lptest::writeFile(book + "/1 Start.txt", "^Lgo=GotoPage \"Nowhere\"^l");
        form.RegCtrl1->WriteString(settingsKeys::kSection, settingsKeys::kExportFolder, "");
        if (!open)
            return;
        dialogs.openChoices = {book + "/2 Next.txt"};
        form.FileOpen->trigger();
        form.Clm1->SetText("unsaved <text>");
    }
    QString exportTo(const QString& folder) {
        dialogs.folderChoices = {folder};
        form.StatusNote->clear();
        form.FileExportBookHtml->trigger();
        return QString::fromUtf8(lptest::readFile(folder + "/index.html"));
    }
};

TEST(BookExportCommand, WritesTheBookInOrderWithTheOpenPagesUnsavedText) {
    BookForm f;
    const QString index = f.exportTo(f.out);
    const int first = index.indexOf("1 Start"), second = index.indexOf("2 Next");
    EXPECT_TRUE(first >= 0 && first < second && second < index.indexOf("10 End"))
        << index.toStdString();
    const QStringList html = QDir(f.out).entryList({"*.html"}, QDir::Files);
    QString pages;
    for (const QString& name : html)
        pages += QString::fromUtf8(lptest::readFile(f.out + "/" + name));
    EXPECT_EQ(html.size(), 4);
    EXPECT_TRUE(pages.contains("unsaved &lt;text&gt;") && !pages.contains("on disk"));
    EXPECT_EQ(f.form.StatusNote->text(), "Exported to " + f.out);
    ASSERT_EQ(f.prompts.warnings.size(), 1);
    EXPECT_TRUE(f.prompts.warnings[0].contains("1 Start.txt, line 1:"))
        << f.prompts.warnings[0].toStdString();

    // The next export starts in the folder used last.
    f.exportTo(f.out);
    EXPECT_EQ(f.dialogs.lastShown("folder").initialDir, f.out);
}

TEST(BookExportCommand, RefusesAnUntitledPageAndFoldersOfTheBook) {
    BookForm untitled(false);
    untitled.exportTo(untitled.out);
    EXPECT_EQ(untitled.prompts.warnings, QStringList{untitledBookNote()});
    EXPECT_EQ(untitled.dialogs.shownCount("folder"), 0);

    BookForm f;
    QFile::link(f.book, f.dir.file("link"));
    for (const QString& folder :
         {f.book, f.book + "/", f.book + "/site", f.dir.file("link/x/..")}) {
        f.prompts.warnings.clear();
        EXPECT_TRUE(f.exportTo(folder).isEmpty());
        ASSERT_EQ(f.prompts.warnings.size(), 1) << folder.toStdString();
        EXPECT_TRUE(f.prompts.warnings[0].contains("book")) << f.prompts.warnings[0].toStdString();
        EXPECT_TRUE(f.form.StatusNote->text().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(f.book + "/site"));
    EXPECT_EQ(QDir(f.book).entryList(QDir::Files).size(), 3);
}

TEST(BookExportCommand, CancelWritesNoIndexAndAFailureNamesThePath) {
    BookForm f;
    f.printing.cancelAt = 0;
    EXPECT_TRUE(f.exportTo(f.out).isEmpty());
    EXPECT_FALSE(QFile::exists(f.out + "/index.html"));
    EXPECT_FALSE(f.printing.heard.empty());
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());

    f.printing.cancelAt = SIZE_MAX;
    lptest::writeFile(f.dir.file("plain"), "x");
    f.exportTo(f.dir.file("plain/site"));
    ASSERT_EQ(f.prompts.errors.size(), 1);
    EXPECT_TRUE(f.prompts.errors[0].contains(f.dir.file("plain/site")))
        << f.prompts.errors[0].toStdString();
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());
    EXPECT_EQ(lptest::readFile(f.book + "/2 Next.txt"), "on disk");
}

} // namespace
