// What a user meets in the real window: hints, the font dialog driven by keys alone, a stored font
// that is partly damaged, and the panel that tells of unsaved changes.
#include "app/FindBar.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/OutlinePanel.h"
#include "markup/PreviewPanel.h"
#include "platform/ErrorTexts.h"
#include "platform/FontChooser.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

namespace {

class WindowDetailsGui : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() == "offscreen")
            GTEST_SKIP() << "needs a display";
        QFile::remove(storeFile());
    }
    void TearDown() override { QFile::remove(storeFile()); }

    static QString storeFile() { return TQtSettingsBackend::nativeFilePath("Software\\Larkpad"); }

    // Shows the window and gives it the keyboard, as the desktop would.
    void show(TForm1& form) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        form.Clm1->setFocus();
    }

    lptest::FakePrompts prompts;
};

// The size field of the font chooser: the one line edit that takes numbers.
QLineEdit* sizeField(TFontChooser& c) {
    for (QLineEdit* edit : c.fontDialog()->findChildren<QLineEdit*>())
        if (edit->validator() && !edit->isReadOnly())
            return edit;
    return nullptr;
}

QListView* familyList(TFontChooser& c) {
    const auto lists = c.fontDialog()->findChildren<QListView*>();
    return lists.isEmpty() ? nullptr : lists.first();
}

// Opens Settings > Font with Ctrl+F and, once the dialog is up, runs keys on it. Returns whether
// the keys alone closed the dialog; one that stays is cancelled after a while, so that a fault
// fails the test instead of hanging it.
bool fontDialogClosedByKeys(TForm1& form, const std::function<void(TFontChooser&)>& keys) {
    struct State {
        bool opened = false, stayed = false;
    };
    auto state = std::make_shared<State>();
    // Runs inside the dialog's own event loop, so it has run once Ctrl+F returns when a dialog
    // came up; when none did, it is still waiting and is stopped.
    QTimer probe;
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [state, keys] {
        auto* chooser = qobject_cast<TFontChooser*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        state->opened = true;
        QApplication::setActiveWindow(chooser);
        keys(*chooser);
        QTimer::singleShot(1000, chooser, [state, chooser] {
            state->stayed = true;
            chooser->reject();
        });
    });
    // The virtual display has no window manager to give the window back the keyboard.
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    probe.start(50);
    QTest::keyClick(form.Clm1, Qt::Key_F, Qt::ControlModifier);
    probe.stop();
    EXPECT_TRUE(state->opened);
    return state->opened && !state->stayed && !QApplication::activeModalWidget();
}

} // namespace

TEST_F(WindowDetailsGui, HintsAreTooltipsOnlyAndNeverCoverThePageName) {
    TForm1 form(TForm1Services{&prompts});
    show(form);
    QWidget* saveAs = form.ToolBar1->widgetForAction(form.SaveAsBut);
    ASSERT_NE(saveAs, nullptr);
    QTest::mouseMove(saveAs);
    // The pointer is on the button: whatever hovering it shows has been shown.
    ASSERT_TRUE(QTest::qWaitFor([&] { return saveAs->underMouse(); }, 5000));
    EXPECT_EQ(saveAs->toolTip(), "Save File As");
    EXPECT_TRUE(form.statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(form.StatusPanel1->isVisible());
    EXPECT_EQ(form.StatusPanel1->text(), "Untitled");

    // Resting on a menu item does not either.
    QMenuBar* bar = form.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(form.Fichier1->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Fichier1));
    QTest::mouseMove(form.Fichier1, form.Fichier1->actionGeometry(form.FileSaveAs).center());
    // The item under the pointer is the menu's current one once the move has been handled.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.Fichier1->activeAction() == form.FileSaveAs; }, 5000));
    EXPECT_TRUE(form.StatusPanel1->isVisible());
    form.Fichier1->close();
}

TEST_F(WindowDetailsGui, FontDialogAnswersEscAndEnterFromEveryField) {
    TForm1 form(TForm1Services{&prompts});
    show(form);
    TFontAttributes start;
    start.name = "DejaVu Sans";
    start.size = 10;
    form.Clm1->SetEditorFont(start);

    // Esc cancels from the family list, the size field and the colour box.
    for (int field = 0; field < 3; ++field) {
        EXPECT_TRUE(fontDialogClosedByKeys(form, [field](TFontChooser& c) {
            QWidget* w = field == 0   ? static_cast<QWidget*>(familyList(c))
                         : field == 1 ? static_cast<QWidget*>(sizeField(c))
                                      : c.colorBox();
            ASSERT_NE(w, nullptr);
            w->setFocus();
            QTest::keyClicks(w, field == 1 ? "30" : "");
            QTest::keyClick(w, Qt::Key_Escape);
        })) << field;
        EXPECT_EQ(form.Clm1->EditorFont(), start) << field;
    }

    // Click the size field, type 14, Enter: OK.
    EXPECT_TRUE(fontDialogClosedByKeys(form, [](TFontChooser& c) {
        QLineEdit* size = sizeField(c);
        ASSERT_NE(size, nullptr);
        QTest::mouseClick(size, Qt::LeftButton);
        size->selectAll();
        QTest::keyClicks(size, "14");
        QTest::keyClick(size, Qt::Key_Return);
    }));
    EXPECT_EQ(form.Clm1->EditorFont().size, 14);

    // A family typed in the list and Enter: OK, and the face stays upright.
    EXPECT_TRUE(fontDialogClosedByKeys(form, [](TFontChooser& c) {
        QListView* families = familyList(c);
        ASSERT_NE(families, nullptr);
        families->setFocus();
        QTest::keyClicks(families, "DejaVu Se");
        QTest::keyClick(families, Qt::Key_Enter, Qt::KeypadModifier);
    }));
    const TFontAttributes chosen = form.Clm1->EditorFont();
    EXPECT_EQ(chosen.name, "DejaVu Serif");
    EXPECT_EQ(chosen.size, 14);
    EXPECT_FALSE(chosen.italic);
    EXPECT_FALSE(chosen.bold);
    form.Clm1->SetModified(false);
}

// A colour field that is not a colour: the error is told, the face and size before it stay, and
// the next exit stores them.
TEST_F(WindowDetailsGui, StoredFontWithABadColourKeepsItsFaceAndSize) {
    {
        TLpIniCtrl store;
        store.Target = itRegistry;
        store.RegPath = "Software\\Larkpad";
        store.WriteString("Settings", "Font", "Arial,12,pink,0,0,0,0");
    }
    {
        TForm1 form(TForm1Services{&prompts});
        show(form);
        EXPECT_EQ(prompts.errors, QStringList{errortext::notAnInteger.arg("pink") + "."});
        EXPECT_EQ(form.Clm1->EditorFont().name, "Arial");
        EXPECT_EQ(form.Clm1->EditorFont().size, 12);
        ASSERT_TRUE(form.close());
    }
    TLpIniCtrl store;
    store.Target = itRegistry;
    store.RegPath = "Software\\Larkpad";
    EXPECT_EQ(store.ReadString("Settings", "Font", ""), "Arial,12,clWindowText,0,0,0,0");
}

TEST_F(WindowDetailsGui, ThirdPanelTellsOfUnsavedChanges) {
    TForm1 form(TForm1Services{&prompts});
    show(form);
    EXPECT_EQ(form.StatusPanel3->text(), "");
    EXPECT_GT(form.StatusPanel3->x(), form.StatusPanel2->x());
    QTest::keyClicks(form.Clm1, "x");
    EXPECT_EQ(form.StatusPanel3->text(), "Modified");
    EXPECT_TRUE(form.StatusPanel3->isVisible());
    EXPECT_EQ(form.windowTitle(), "Lark Pad");
    form.NewBut->trigger(); // the question is answered No
    EXPECT_EQ(form.StatusPanel3->text(), "");
}

// With the outline and the preview open in a 640-pixel window, the find bar with its replacement
// row keeps every field, button and label apart, whole and inside the bar.
TEST_F(WindowDetailsGui, FindBarFitsBetweenTwoDocksInANarrowWindow) {
    TForm1 form(TForm1Services{&prompts, nullptr});
    form.resize(640, 480);
    show(form);
    form.OutlinePanel1->toggleAction()->setChecked(true);
    form.PreviewPanel1->toggleAction()->setChecked(true);
    form.EditReplace1->trigger();
    TFindBar& bar = *form.FindBar1;
    bar.Message->setText("Not found");
    bar.Count->setText("12 of 345");
    QTest::qWait(100);
    EXPECT_LE(form.width(), 660);
    const QList<QWidget*> parts{bar.FindEdit,    bar.ReplaceEdit, bar.MatchCase,  bar.WholeWord,
                                bar.PreviousBut, bar.NextBut,     bar.ReplaceBut, bar.ReplaceAllBut,
                                bar.Count,       bar.CloseBut,    bar.Message};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QRect a = parts[i]->geometry();
        EXPECT_TRUE(bar.rect().contains(a)) << i;
        const int least = std::min(parts[i]->minimumSizeHint().width(), parts[i]->maximumWidth());
        EXPECT_GE(a.width(), parts[i] == bar.Message ? 0 : least) << i;
        for (qsizetype j = i + 1; j < parts.size(); ++j)
            EXPECT_FALSE(a.intersects(parts[j]->geometry())) << i << " and " << j;
    }
}
