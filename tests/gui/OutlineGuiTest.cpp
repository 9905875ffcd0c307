// The outline, go to target, rename and completion in a real window, driven from the keyboard.

#include "app/PageNavigation.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/CompletionPopup.h"
#include "markup/OutlinePanel.h"
#include "markup/PageIndexer.h"
#include "settings/LpIniCtrl.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <map>

namespace {

// Two targets and three links.
const QString kPage = "^MIntro^m first\r\n"
                      "^LSee the end=:End^l\r\n"
                      "^LBack up=:Intro^l and ^LAgain=:Intro^l\r\n"
                      "^MEnd^m";

struct Window {
    lptest::FakePrompts prompts;
    TForm1 form{TForm1Services{&prompts, nullptr}};
    TColorMemo& memo = *form.Clm1;

    explicit Window(const QString& text) {
        form.resize(800, 500);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        memo.SetText(text);
        memo.setFocus();
        // As at first start, whatever an earlier test left in the settings.
        form.CodeCompletion1->setChecked(true);
    }
    ~Window() {
        memo.SetModified(false);
        form.close();
    }
    void caretAt(const QString& before, int extra = 0) {
        QTextCursor c(memo.document());
        c.setPosition(static_cast<int>(memo.toPlainText().indexOf(before)) + extra);
        memo.setTextCursor(c);
    }
};

QString itemText(QTreeView* tree, int row, int child = -1) {
    const QModelIndex top = tree->model()->index(row, 0);
    return (child < 0 ? top : tree->model()->index(child, 0, top)).data().toString();
}

} // namespace

TEST(OutlineGui, F8ListsTargetsAndEnterSelectsALink) {
    Window w(kPage);
    QTest::keyClick(&w.memo, Qt::Key_F8);
    TOutlinePanel& panel = *w.form.OutlinePanel1;
    ASSERT_TRUE(panel.isVisible());
    QTreeView* tree = panel.tree();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->model()->rowCount() == 4; }, 5000));
    EXPECT_EQ(itemText(tree, 0), "Intro  (line 1)");
    EXPECT_EQ(itemText(tree, 0, 0), "line 3: Back up");
    EXPECT_EQ(itemText(tree, 0, 1), "line 3: Again");
    EXPECT_EQ(itemText(tree, 1), "End  (line 4)");
    EXPECT_EQ(itemText(tree, 1, 0), "line 2: See the end");
    EXPECT_EQ(itemText(tree, 2), "Links to missing targets (0)");
    EXPECT_EQ(itemText(tree, 3), "Actions (0)");

    tree->setFocus();
    tree->setCurrentIndex(tree->model()->index(0, 0, tree->model()->index(1, 0)));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(w.memo.textCursor().selectedText(), "^LSee the end=:End^l");
    EXPECT_TRUE(w.memo.hasFocus());

    // Typing elsewhere: the list follows after the pause, keeping the selected item.
    tree->setCurrentIndex(tree->model()->index(1, 0));
    w.caretAt("first");
    QTest::keyClicks(&w.memo, "^MNew^m ");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->model()->rowCount() == 5; }, 5000));
    EXPECT_EQ(itemText(tree, 1), "New  (line 1)");
    EXPECT_EQ(tree->currentIndex().data().toString(), "End  (line 4)");

    QTest::keyClick(&w.memo, Qt::Key_F8);
    EXPECT_FALSE(panel.isVisible());
}

// Go to target reads the page while the outline is hidden; the outline opened afterwards shows
// that reading, not the one it kept from before the page changed.
TEST(OutlineGui, F8AfterGoToTargetShowsThePageAsItIs) {
    Window w("^MIntro^m first\r\n^LBack=:Intro^l\r\n");
    w.form.OutlinePanel1->toggleAction()->setChecked(false);
    w.caretAt("=:Intro", 3);
    QTest::keyClick(&w.memo, Qt::Key_F12);
    QTextCursor end(w.memo.document());
    end.movePosition(QTextCursor::End);
    end.insertText("^MEnd^m ^LOn=:End^l");
    w.caretAt("=:End", 3);
    QTest::keyClick(&w.memo, Qt::Key_F12);
    QTest::keyClick(&w.memo, Qt::Key_F8);
    QTreeView* tree = w.form.OutlinePanel1->tree();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->model()->rowCount() == 4; }, 2000));
    EXPECT_EQ(itemText(tree, 1), "End  (line 3)");
}

TEST(OutlineGui, F12GoesToTheTargetAndAltLeftComesBack) {
    Window w(kPage);
    w.caretAt("=:End", 3);
    const int before = w.memo.textCursor().position();
    QTest::keyClick(&w.memo, Qt::Key_F12);
    const int end = static_cast<int>(w.memo.toPlainText().indexOf("^MEnd^m")) + 2;
    EXPECT_EQ(w.memo.textCursor().position(), end);
    QTest::keyClick(&w.memo, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w.memo.textCursor().position(), before);

    // A link to no target says so in the note area, and the caret stays.
    w.memo.SetText("^Lx=:Nowhere^l");
    w.caretAt("Nowhere");
    QTest::keyClick(&w.memo, Qt::Key_F12);
    EXPECT_EQ(w.form.StatusNote->text(), "There is no target mark \"^MNowhere^m\" in the page");
    EXPECT_EQ(w.memo.textCursor().position(), 5);
}

TEST(OutlineGui, RenameChangesEveryLinkInOneUndoStep) {
    Window w(kPage);
    w.caretAt("Intro^m", 1);
    QString selected;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        auto* edit = box->findChild<QLineEdit*>();
        (void)QTest::qWaitFor([&] { return edit->hasSelectedText(); }, 2000);
        selected = edit->selectedText();
        QTest::keyClicks(edit, "Start");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    w.form.Navigation1->renameAction()->trigger();
    EXPECT_EQ(selected, "Intro");
    QString renamed = kPage;
    renamed.replace("Intro", "Start").replace("\r\n", "\n");
    EXPECT_EQ(w.memo.toPlainText(), renamed);
    QTest::keyClick(&w.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.memo.toPlainText(), QString(kPage).replace("\r\n", "\n"));

    // From a link's shown text: its target. A name another mark has is refused in the box, which
    // names its line and stays open; the box is wider than its title with the title bar's buttons.
    w.caretAt("the end", 2);
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()) + 150);
        box->setTextValue("Intro");
        QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Return);
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(box->labelText().contains("Line 1 already has a target mark of that name"));
        box->setTextValue("Fin");
        QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Return);
        asked = true;
    });
    w.form.Navigation1->renameAction()->trigger();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(w.prompts.notices.empty());
    EXPECT_EQ(w.memo.toPlainText(), QString(kPage).replace("End", "Fin").replace("\r\n", "\n"));
}

TEST(OutlineGui, CompletionOffersActionWordsAndTakesOneWithEnter) {
    Window w("");
    TCompletionPopup& popup = *w.form.Completion1;
    QTest::keyClicks(&w.memo, "^");
    ASSERT_TRUE(popup.isOpen());
    EXPECT_EQ(popup.list()->currentItem()->text(), QString("^B %1 bold").arg(QChar(0x2014)));
    QTest::keyClicks(&w.memo, "L=Go");
    ASSERT_TRUE(popup.isOpen());
    ASSERT_EQ(popup.list()->count(), 3);
    EXPECT_EQ(popup.list()->currentItem()->text(), "GotoPage");
    QTest::keyClick(&w.memo, Qt::Key_Return);
    EXPECT_FALSE(popup.isOpen());
    EXPECT_EQ(w.memo.toPlainText(), "^L=GotoPage \"Page\"^l");
    EXPECT_EQ(w.memo.textCursor().selectedText(), "Page");
    // One step takes the choice back.
    QTest::keyClick(&w.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.memo.toPlainText(), "^L=Go");

    // Esc closes the list and stays in the text; a key the list has no use for goes to the text.
    w.memo.SetText("");
    QTest::keyClicks(&w.memo, "^");
    ASSERT_TRUE(popup.isOpen());
    QTest::keyClick(&w.memo, Qt::Key_Escape);
    EXPECT_FALSE(popup.isOpen());
    QTest::keyClicks(&w.memo, "^");
    ASSERT_TRUE(popup.isOpen());
    QTest::keyClicks(&w.memo, " x");
    EXPECT_FALSE(popup.isOpen());
    EXPECT_EQ(w.memo.toPlainText(), "^^ x");

    // Off in the settings: no list.
    w.form.CodeCompletion1->setChecked(false);
    QTest::keyClicks(&w.memo, "^");
    EXPECT_FALSE(popup.isOpen());
    w.form.CodeCompletion1->setChecked(true);
}

// Enter and Tab take a choice where it adds to the typed text or after a move in the list, typed
// at the window's focus ("\n" Enter, "\t" Tab, "↓" Down); the list in the editor's size.
TEST(OutlineGui, CompletionLeavesEnterAndTabToWholeWords) {
    Window w("");
    const std::map<QChar, Qt::Key> keys{
        {'\n', Qt::Key_Return}, {'\t', Qt::Key_Tab}, {QChar(0x2193), Qt::Key_Down}};
    const std::pair<QString, QString> cases[] = {{"^B\n", "^B\n"},
                                                 {"^I\t", "^I\t"},
                                                 {"^CTitre^c\nsuite", "^CTitre^c\nsuite"},
                                                 {"^\n", "^B^b"},
                                                 {"^↓\n", "^I^i"},
                                                 {"^Lgo=GotoPage\n", "^Lgo=GotoPage\n"},
                                                 {"^Lgo=Goto\t", "^Lgo=GotoPage \"Page\"^l"},
                                                 {"^MEnd^m ^Lgo=:En\n", "^MEnd^m ^Lgo=:End"}};
    for (const auto& [typed, result] : cases) {
        w.memo.SetText("");
        for (const QChar k : typed)
            if (QWidget* focus = QApplication::focusWidget(); keys.count(k))
                QTest::keyClick(focus, keys.at(k));
            else
                QTest::keyClicks(focus, QString(k));
        EXPECT_EQ(w.memo.toPlainText(), result) << typed.toStdString();
    }
    TFontAttributes f = w.memo.EditorFont();
    f.size = 22;
    w.memo.SetEditorFont(f);
    w.memo.SetText("");
    QTest::keyClicks(&w.memo, "^");
    ASSERT_TRUE(w.form.Completion1->isOpen());
    EXPECT_EQ(w.form.Completion1->list()->font().pointSizeF(), w.memo.font().pointSizeF());
}

// An action whose first value is its file offers the favourite folder's files of its kind; Tab
// then goes on to the next value of the link.
TEST(OutlineGui, CompletionOffersTheFavouriteFolderFiles) {
    lptest::TempDir dir;
    for (const char* name : {"bell.wav", "tune.mid", "notes.txt"})
        ASSERT_TRUE(lptest::writeFile(dir.file(name), "x"));
    Window w("");
    w.form.RegCtrl1->WriteString("Settings", "Sounds", dir.path());
    TCompletionPopup& popup = *w.form.Completion1;
    QTest::keyClicks(&w.memo, "^LRing=PlaySo");
    ASSERT_TRUE(popup.isOpen());
    QTest::keyClick(&w.memo, Qt::Key_Return);
    EXPECT_EQ(w.memo.textCursor().selectedText(), "SoundFile");
    ASSERT_TRUE(popup.isOpen());
    ASSERT_EQ(popup.list()->count(), 2);
    EXPECT_EQ(popup.list()->item(0)->text(), "bell.wav");
    QTest::keyClick(&w.memo, Qt::Key_Down);
    QTest::keyClick(&w.memo, Qt::Key_Return);
    EXPECT_EQ(w.memo.toPlainText(),
              "^LRing=PlaySoundFile \"" + dir.file("tune.mid") + "\" \"Mode\"^l");
    QTest::keyClick(&w.memo, Qt::Key_Tab);
    EXPECT_EQ(w.memo.textCursor().selectedText(), "Mode");
    QTest::keyClick(&w.memo, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(w.memo.textCursor().selectedText(), dir.file("tune.mid"));
    w.form.RegCtrl1->WriteString("Settings", "Sounds", "");
}
