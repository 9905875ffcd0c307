#include "app/BookIndexer.h"
#include "app/DocumentCommands.h"
#include "app/PagesPanel.h"
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/app/ViewFakes.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QByteArray pageLink(const char* visible, const char* action) {
    return QByteArray("^L") + visible + "=" + action + "^l";
}

// Three pages in natural order 1, 2, 10: page 1 has a link to no page, page 10 is reached by none.
struct BookForm {
    lptest::TempDir dir;
    lptest::FakePrompts prompts;
    lptest::ViewPrintService printing;
    TForm1 form{TForm1Services{&prompts, nullptr, &printing}};
    QByteArray one = "^MTop^m " + pageLink("two", "GotoPage \"2\"") + " " +
                     pageLink("bad", "GotoPage \"Missing\"") + "\r\n";
    QByteArray two = "Back: " + pageLink("back", "GotoPage \"1\"") + " " +
                     pageLink("prev", "GotoPrevPage") + "\r\n";

    BookForm() {
        lptest::writeFile(dir.file("10.txt"), "alone\r\n");
        lptest::writeFile(dir.file("2.txt"), two);
        lptest::writeFile(dir.file("1.txt"), one);
        lptest::writeFile(dir.file("notes.md"), "not a page");
        form.show();
        QApplication::setActiveWindow(&form);
        open("1.txt");
    }
    void open(const char* name) {
        form.documentCommands().openPath(dir.file(name));
        form.Clm1->setFocus();
    }
    QString openName() const { return QFileInfo(form.Clm1->Page().path()).fileName(); }
    int caret() const {
        return form.Clm1->Page().offsetFromPosition(form.Clm1->textCursor().position());
    }
    void caretAt(int offset) {
        QTextCursor c = form.Clm1->textCursor();
        c.setPosition(form.Clm1->Page().positionFromOffset(offset));
        form.Clm1->setTextCursor(c);
    }
    // View > Pages, unless the settings left it shown.
    void showPages() {
        if (form.PagesPanel1->isHidden())
            form.PagesPanel1->toggleAction()->trigger();
        indexed();
    }
    void indexed() {
        form.BookIndexer1->waitIdle();
        QApplication::processEvents();
    }
    QStringList column(int c, bool shownOnly = false) const {
        QStringList out;
        QTreeWidget* list = form.PagesPanel1->list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (!shownOnly || !list->topLevelItem(i)->isHidden())
                out << list->topLevelItem(i)->text(c);
        return out;
    }
};

} // namespace

TEST(BookWindow, PagesPanelListsFiltersAndOpensPages) {
    BookForm f;
    f.showPages();
    EXPECT_EQ(f.column(0), QStringList({"1.txt", "2.txt", "10.txt"}));
    EXPECT_EQ(f.column(1), QStringList({"1", "0", "1"}));
    EXPECT_TRUE(f.form.PagesPanel1->list()->topLevelItem(0)->font(0).bold());

    QTreeWidget* list = f.form.PagesPanel1->list();
    // Enter on a page with the open page changed: the question first, Cancel keeps it all.
    struct Step {
        const char* typed; ///< typed in the list (goes to the filter)
        int down;          ///< Down keys after typing
        bool modified;
        TAnswer answer;
        QStringList shown;
        const char* opened;
    };
    const Step steps[] = {
        {"", 1, true, TAnswer::Cancel, {"1.txt", "2.txt", "10.txt"}, "1.txt"},
        {"", 1, true, TAnswer::No, {"1.txt", "2.txt", "10.txt"}, "2.txt"},
        {"1", 1, false, TAnswer::No, {"1.txt", "10.txt"}, "10.txt"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.opened);
        f.form.PagesPanel1->filter()->clear();
        if (s.modified) {
            QTest::keyClick(f.form.Clm1, Qt::Key_X);
            ASSERT_TRUE(f.form.Clm1->Modified());
        }
        f.prompts.questions.clear();
        f.prompts.answers = {s.answer};
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClicks(list, s.typed);
        for (int k = 0; k < s.down; ++k)
            QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(f.column(0, true), s.shown);
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(f.prompts.questions.size(), s.modified ? 1 : 0);
        EXPECT_EQ(f.openName(), s.opened);
        EXPECT_EQ(f.form.Clm1->Modified(), s.answer == TAnswer::Cancel);
        f.indexed();
    }
    // The panel's state is kept with the other settings.
    f.form.FormClose();
    EXPECT_TRUE(f.form.RegCtrl1->ReadBool(settingsKeys::kSection, settingsKeys::kPages, false));
}

TEST(BookWindow, CheckTheBookListsFindingsByPageAndOpensThem) {
    BookForm f;
    f.open("2.txt");
    f.form.CheckBook1->trigger();
    f.indexed();
    QTreeWidget* tree = f.form.CheckPanel1->bookList();
    ASSERT_TRUE(f.form.CheckPanel1->isVisible());
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "1.txt (1)");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "10.txt (1)");
    EXPECT_TRUE(tree->topLevelItem(0)->child(0)->text(0).contains("\"Missing\""));
    // Enter on the finding: its page opens with the caret at the link that leads nowhere.
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(f.openName(), "1.txt");
    EXPECT_EQ(f.caret(), f.one.indexOf("Missing"));
}

TEST(BookWindow, F12FollowsLinksToPagesAndAltLeftComesBack) {
    BookForm f;
    // F12 in a link, then the page the caret is on and its offset; the note when none opened.
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* at; ///< caret put in the link with this text first (null: where it is)
        const char* page;
        const char* caretAfter; ///< the caret is here after the step (null: offset 0)
        const char* note;
    };
    const Step steps[] = {
        {Qt::Key_F12, {}, "bad", "1.txt", "bad", "\"Missing\""},
        {Qt::Key_F12, {}, "two", "2.txt", nullptr, ""},
        {Qt::Key_F12, {}, "prev", "1.txt", nullptr, ""},
        {Qt::Key_Left, Qt::AltModifier, nullptr, "2.txt", "prev", ""},
        {Qt::Key_Left, Qt::AltModifier, nullptr, "1.txt", "two", ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.page);
        const QByteArray text = f.openName() == "1.txt" ? f.one : f.two;
        if (s.at)
            f.caretAt(text.indexOf(s.at));
        QTest::keyClick(f.form.Clm1, s.key, s.modifiers);
        ASSERT_EQ(f.openName(), s.page);
        const QByteArray now = f.openName() == "1.txt" ? f.one : f.two;
        EXPECT_EQ(f.caret(), s.caretAfter ? now.indexOf(s.caretAfter) : 0);
        EXPECT_TRUE(f.form.StatusNote->text().contains(s.note))
            << f.form.StatusNote->text().toStdString();
    }
}

TEST(BookWindow, IndexFollowsTheOpenPageAndTheFolder) {
    BookForm f;
    f.showPages();
    auto counts = [&] { return f.column(1); };
    // An unsaved link to no page counts at once, from the document; the file is unchanged.
    f.caretAt(0);
    f.form.Clm1->textCursor().insertText("^Lx=GotoPage \"Gone\"^l");
    f.indexed();
    EXPECT_EQ(counts(), QStringList({"2", "0", "1"}));
    EXPECT_EQ(lptest::readFile(f.dir.file("1.txt")), f.one);
    // A page added to the folder is listed after a short while, and reaches page 10.
    lptest::writeFile(f.dir.file("3.txt"), pageLink("ten", "GotoPage \"10\""));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.column(0).size() == 4; }, 5000));
    f.indexed();
    EXPECT_EQ(f.column(0), QStringList({"1.txt", "2.txt", "3.txt", "10.txt"}));
    // 3.txt is reached by none now, 10.txt is.
    EXPECT_EQ(counts(), QStringList({"2", "0", "1", "0"}));
}
