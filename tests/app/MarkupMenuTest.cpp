// The Markup menu: where it sits, what it lists (read from the colour and action tables), that each
// item does what its toolbar control does in one undo step, and that no shortcut is taken twice.
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <map>

namespace {

struct MarkupForm {
    lptest::FakePrompts prompts;
    lptest::FakeDialogs dialogs;
    TForm1 form{TForm1Services{&prompts, &dialogs}};

    MarkupForm() { form.AstPic1->setChecked(false); }
    ~MarkupForm() { form.Clm1->SetModified(false); }

    // "Hi", all of it selected.
    void selectHi() {
        form.Clm1->SetText("Hi");
        form.Clm1->SetSelStart(0);
        form.Clm1->SetSelLength(2);
    }
    QString page() const { return form.Clm1->Text(); }
};

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TEST(MarkupMenu, SitsRightAfterEditAndBeforeSettings) {
    MarkupForm f;
    const QList<QAction*> menus = f.form.menuBar()->actions();
    const qsizetype edit = menus.indexOf(f.form.Edition1->menuAction());
    const qsizetype markup = menus.indexOf(f.form.Markup1->menuAction());
    const qsizetype settings = menus.indexOf(f.form.Options1->menuAction());
    EXPECT_EQ(markup, edit + 1);
    EXPECT_LT(markup, settings);
    EXPECT_EQ(f.form.Markup1->title(), "&Markup");
}

// Each toolbar markup button is in the menu once, with its image and a shortcut, and the item
// writes what the button writes, which one Undo takes back.
TEST(MarkupMenu, EveryToolbarButtonWithItsImageDoingWhatTheButtonDoes) {
    MarkupForm f;
    const QList<QAction*> items = f.form.Markup1->actions();
    for (QAction* button :
         {f.form.BoldBut, f.form.ItalBut, f.form.UnderlineBut, f.form.StrikeBut, f.form.InvertBut,
          f.form.CenterBut, f.form.TabBut, f.form.ToolButton1, f.form.TargetBut, f.form.LinkBut}) {
        SCOPED_TRACE(button->objectName().toStdString());
        QAction* item = nullptr;
        int withImage = 0;
        for (QAction* a : items)
            if (!a->icon().isNull() && a->icon().cacheKey() == button->icon().cacheKey()) {
                item = a;
                ++withImage;
            }
        ASSERT_EQ(withImage, 1);
        EXPECT_FALSE(item->shortcut().isEmpty());
        EXPECT_EQ(QString(item->text()).remove(u'&'), button->toolTip());

        f.selectHi();
        button->trigger();
        const QString expected = f.page();
        const int selStart = f.form.Clm1->SelStart(), selLength = f.form.Clm1->SelLength();
        f.selectHi();
        item->trigger();
        EXPECT_EQ(f.page(), expected);
        EXPECT_EQ(f.form.Clm1->SelStart(), selStart);
        EXPECT_EQ(f.form.Clm1->SelLength(), selLength);
        f.form.Clm1->Undo();
        EXPECT_EQ(f.page(), "Hi");
    }
}

TEST(MarkupMenu, FontSizeShowsAndWritesTheSizeBoxValue) {
    MarkupForm f;
    f.form.SpinEdit1->SetValue(20);
    EXPECT_TRUE(f.form.MarkupFontSize1->text().endsWith("20"));
    EXPECT_EQ(f.form.MarkupFontSize1->shortcut(), QKeySequence("Ctrl+Shift+G"));
    f.selectHi();
    f.form.MarkupFontSize1->trigger();
    EXPECT_EQ(f.page(), fromStd(markup::fontSizeOpening("20")) + "Hi^f");
    f.form.Clm1->Undo();
    EXPECT_EQ(f.page(), "Hi");
}

// The sixteen colours by number and name, the number's last digit as access key, each with its
// swatch; choosing one is choosing it in the colour box.
TEST(MarkupMenu, FontColorListsTheColourTable) {
    MarkupForm f;
    const QList<QAction*> items = f.form.MarkupColor1->actions();
    ASSERT_EQ(items.size(), markup::kPageColorCount);
    for (int n = 0; n < markup::kPageColorCount; ++n) {
        SCOPED_TRACE(n);
        QAction* item = items[n];
        const std::string_view colour = markup::kPageColors[static_cast<size_t>(n)].colour;
        const QString text = item->text();
        EXPECT_TRUE(text.startsWith(QString::number(n).chopped(1) + "&" +
                                    QString::number(n).right(1) + "  "))
            << text.toStdString();
        EXPECT_EQ(text.section("  ", 1).toLower(), QString::fromLatin1(colour.data()).toLower());
        EXPECT_FALSE(item->icon().isNull());

        f.selectHi();
        item->trigger();
        EXPECT_EQ(f.page(), fromStd(markup::fontColorOpening(n)) + "Hi^p");
        EXPECT_EQ(f.form.LpColorComboBox1->currentIndex(), n);
        f.form.Clm1->Undo();
        EXPECT_EQ(f.page(), "Hi");
    }
}

// The seventeen actions of the action box, in its order; each writes what the box writes, with
// the assistant's dialog when assistants are on.
TEST(MarkupMenu, ActionListsTheActionTableAndUsesTheAssistants) {
    MarkupForm f;
    const QList<QAction*> items = f.form.MarkupAction1->actions();
    ASSERT_EQ(items.size(), actions::kActionCount);
    f.dialogs.otherwise = QStringLiteral("/home/author/media/file.dat");
    for (bool assistants : {false, true}) {
        f.form.AstPic1->setChecked(assistants);
        for (int i = 0; i < actions::kActionCount; ++i) {
            const actions::TAction& action = actions::actionAt(i);
            SCOPED_TRACE(std::string(action.item));
            EXPECT_EQ(QString(items[i]->text()).remove(u'&'), QString::fromUtf8(action.item));
            if (!assistants) {
                EXPECT_EQ(f.form.LpComboBox1->itemText(i), QString::fromUtf8(action.item));
            }

            const size_t before = f.dialogs.calls.size();
            f.selectHi();
            f.form.LpComboBox1->setCurrentIndex(i);
            f.form.LpComboBox1DblClick();
            const QString expected = f.page();
            const size_t byBox = f.dialogs.calls.size() - before;
            f.form.LpComboBox1->setCurrentIndex(-1);
            f.selectHi();
            items[i]->trigger();
            EXPECT_EQ(f.page(), expected);
            EXPECT_EQ(f.dialogs.calls.size() - before, 2 * byBox);
            if (!assistants || action.assistant == actions::TAssistant::None) {
                EXPECT_EQ(expected, fromStd(actions::link("Hi", actions::defaultText(i))));
            }
            f.form.Clm1->Undo();
            EXPECT_EQ(f.page(), "Hi");
        }
    }
    EXPECT_FALSE(f.dialogs.calls.empty());
}

// Every key sequence of the window leads to one command only, and the program's own shortcuts
// keep their commands.
TEST(MarkupMenu, NoShortcutIsTakenTwice) {
    MarkupForm f;
    std::map<QString, QStringList> owners;
    for (QAction* a : f.form.findChildren<QAction*>())
        for (const QKeySequence& keys : a->shortcuts())
            owners[keys.toString()] << a->text();
    for (const auto& [keys, actions] : owners)
        EXPECT_EQ(actions.size(), 1)
            << keys.toStdString() << ": " << actions.join(", ").toStdString();
    EXPECT_EQ(f.form.AstPic1->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(f.form.Police1->shortcut(), QKeySequence("Ctrl+F"));
    EXPECT_EQ(f.form.Retourauto1->shortcut(), QKeySequence("Ctrl+W"));
    for (const char* keys :
         {"Ctrl+B", "Ctrl+I", "Ctrl+U", "Ctrl+Shift+X", "Ctrl+Shift+R", "Ctrl+E", "Ctrl+T",
          "Ctrl+Shift+G", "Ctrl+Shift+B", "Ctrl+Shift+M", "Ctrl+Shift+L"})
        EXPECT_EQ(owners.count(QKeySequence(keys).toString()), 1u) << keys;
}
