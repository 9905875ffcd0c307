#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/OutlinePanel.h"
#include "markup/PreviewPanel.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/app/ViewFakes.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct ViewForm {
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    lptest::ViewPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};

    ViewForm() {
        form.show();
        QApplication::setActiveWindow(&form);
        form.Clm1->setFocus();
    }
    void key(Qt::Key k) { QTest::keyClick(form.Clm1, k, Qt::ControlModifier); }
};

void expectWrapState(TForm1& form, bool on) {
    EXPECT_EQ(form.Clm1->WordWrap(), on);
    EXPECT_EQ(form.Retourauto1->isChecked(), on);
    EXPECT_EQ(form.Clm1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Clm1->horizontalScrollBarPolicy(),
              on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
}

TFontAttributes chosenFont() {
    TFontAttributes font;
    font.name = "DejaVu Serif";
    font.size = 15;
    font.bold = true;
    font.strikeOut = true;
    font.color = colors::clTeal;
    return font;
}

// Each test starts from the settings of a window closed with the outline and the preview, and
// leaves the store as a first start finds it.
class ViewDocks : public ::testing::Test {
protected:
    void TearDown() override { QFile::remove(storeFile()); }
    static QString storeFile() { return TQtSettingsBackend::nativeFilePath("Software\\Larkpad"); }
    static void storeWindow(int width, int height) {
        using namespace settingsKeys;
        QFile::remove(storeFile());
        TForm1 form;
        for (const QString& key : {kOutline, kPreview})
            form.RegCtrl1->WriteBool(kSection, key, true);
        form.RegCtrl1->WriteInteger(kSection, kOutlineShare, 250);
        form.RegCtrl1->WriteInteger(kSection, kPreviewShare, 333);
        form.RegCtrl1->WriteInteger(kSection, kWidth, width);
        form.RegCtrl1->WriteInteger(kSection, kHeight, height);
    }
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    // The width of the editor's text, in columns of its font.
    static int editorColumns(const TForm1& form) {
        return (form.Clm1->viewport()->width() - 2 * int(form.Clm1->document()->documentMargin())) /
               form.Clm1->fontMetrics().averageCharWidth();
    }
};

} // namespace

TEST(ViewWordWrap, CtrlWTwiceReturnsToTheStart) {
    ViewForm f;
    expectWrapState(f.form, true);
    f.key(Qt::Key_W);
    expectWrapState(f.form, false);
    f.key(Qt::Key_W);
    expectWrapState(f.form, true);
    // The menu item takes the same path as the shortcut.
    f.form.Retourauto1->trigger();
    expectWrapState(f.form, false);
    f.form.Retourauto1->trigger();
    expectWrapState(f.form, true);
}

TEST(ViewWordWrap, ToggleKeepsTheTextAndTheModifiedFlag) {
    ViewForm f;
    f.form.Clm1->SetText("first line\r\nsecond");
    f.key(Qt::Key_W);
    EXPECT_FALSE(f.form.Clm1->Modified());
    QTest::keyClick(f.form.Clm1, Qt::Key_X);
    const QString changed = f.form.Clm1->Text();
    ASSERT_TRUE(f.form.Clm1->Modified());
    f.key(Qt::Key_W);
    f.key(Qt::Key_W);
    EXPECT_TRUE(f.form.Clm1->Modified());
    EXPECT_EQ(f.form.Clm1->Text(), changed);
}

TEST(ViewWordWrap, LongLineIsReachedWithTheHorizontalScrollBarOnlyWhenOff) {
    ViewForm f;
    f.form.resize(400, 300);
    f.form.Clm1->SetText(QString("word ").repeated(200));
    QApplication::processEvents();
    EXPECT_EQ(f.form.Clm1->horizontalScrollBar()->maximum(), 0);
    f.key(Qt::Key_W);
    QApplication::processEvents();
    EXPECT_GT(f.form.Clm1->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(f.form.Clm1->Lines().size(), 1);
}

TEST(ViewAssistants, SwitchFlipsOnceAndLeavesWordWrapAlone) {
    ViewForm f;
    f.form.AstPic1->trigger();
    EXPECT_FALSE(f.form.AstPic1->isChecked());
    expectWrapState(f.form, true);
    f.key(Qt::Key_W);
    EXPECT_FALSE(f.form.AstPic1->isChecked());
    f.key(Qt::Key_A);
    EXPECT_TRUE(f.form.AstPic1->isChecked());
    expectWrapState(f.form, false);
}

TEST(ViewFont, DialogGetsTheEditorFontAndCancelChangesNothing) {
    ViewForm f;
    TFontAttributes start = chosenFont();
    start.color = colors::clWindowText;
    f.form.Clm1->SetEditorFont(start);
    f.form.Clm1->SetText("abc");
    f.key(Qt::Key_F);
    EXPECT_EQ(f.dialogs.fontCalls, 1);
    EXPECT_EQ(f.dialogs.fontShown, start);
    EXPECT_EQ(f.form.Clm1->EditorFont(), start);
    EXPECT_FALSE(f.form.Clm1->Modified());
}

TEST(ViewFont, OkSetsTheEditorFontAndNothingElse) {
    ViewForm f;
    f.form.Clm1->SetText("abc");
    f.dialogs.fontAnswer = chosenFont();
    f.form.Police1->trigger();
    EXPECT_EQ(f.form.Clm1->EditorFont(), chosenFont());
    EXPECT_EQ(f.form.Clm1->font().family(), "DejaVu Serif");
    EXPECT_EQ(f.form.Clm1->font().pointSize(), 15);
    EXPECT_TRUE(f.form.Clm1->font().bold());
    EXPECT_EQ(f.form.Clm1->palette().color(QPalette::Text), QColor(0, 0x80, 0x80));
    EXPECT_EQ(f.form.Clm1->Text(), "abc");
    EXPECT_FALSE(f.form.Clm1->Modified());
}

// A store that does not keep what it is given fails here: the font comes back as at first start.
TEST(ViewRestart, FontSurvivesARestartWordWrapDoesNot) {
    {
        ViewForm first;
        first.dialogs.fontAnswer = chosenFont();
        first.key(Qt::Key_F);
        first.key(Qt::Key_W);
        ASSERT_FALSE(first.form.Clm1->WordWrap());
        first.form.close();
    }
    ViewForm second;
    EXPECT_EQ(second.form.Clm1->EditorFont(), chosenFont());
    expectWrapState(second.form, true);
    // Later tests of this program start with the font a first start has.
    second.form.RegCtrl1->WriteFont(settingsKeys::kSection, settingsKeys::kFont, TFontAttributes());
}

// Opened at 640 by 480 with both docks, then resized: the docks keep their shares of the width as
// far as the editor's 40 columns allow, and get them back when the window widens.
TEST_F(ViewDocks, DocksShareTheWidthAndTheEditorKeepsFortyColumns) {
    storeWindow(640, 480);
    ViewForm f;
    settle();
    const QDockWidget& outline = *f.form.OutlinePanel1;
    const QDockWidget& preview = *f.form.PreviewPanel1;
    for (const int width : {640, 800, 1300, 700, 640}) {
        f.form.resize(width, 480);
        settle();
        ASSERT_TRUE(outline.isVisible() && preview.isVisible());
        EXPECT_EQ(f.form.width(), width);
        EXPECT_GE(editorColumns(f.form), 40) << width;
        EXPECT_NEAR(double(outline.width()) / preview.width(), 250.0 / 333, 0.08) << width;
    }
    f.form.resize(1300, 480);
    settle();
    EXPECT_NEAR(outline.width(), 0.25 * 1300, 12);
    EXPECT_NEAR(preview.width(), 0.333 * 1300, 12);
}

// A dock's edge dragged with the mouse sets its share, which holds in the maximised window and at
// the next start; a window closed maximised comes back maximised, its normal size kept.
TEST_F(ViewDocks, DraggedShareAndMaximisedWindowComeBack) {
    storeWindow(760, 560);
    double share = 0;
    for (int run = 0; run < 2; ++run) {
        ViewForm f;
        settle();
        const QDockWidget& outline = *f.form.OutlinePanel1;
        if (run == 0) {
            const int before = outline.width();
            const int x = (outline.geometry().right() + f.form.centralWidget()->x()) / 2;
            const QPoint edge(x, outline.geometry().center().y());
            QWindow* window = f.form.windowHandle();
            QTest::mousePress(window, Qt::LeftButton, {}, edge);
            QTest::mouseMove(window, edge + QPoint(40, 0));
            QTest::mouseMove(window, edge + QPoint(80, 0));
            QTest::mouseRelease(window, Qt::LeftButton, {}, edge + QPoint(80, 0));
            settle();
            ASSERT_NEAR(outline.width(), before + 80, 3);
            share = double(outline.width()) / f.form.width();
            f.form.showMaximized();
            settle();
        }
        ASSERT_TRUE(f.form.isMaximized()) << run;
        EXPECT_GT(f.form.width(), 760);
        EXPECT_NEAR(double(outline.width()) / f.form.width(), share, 0.02) << run;
        f.form.close();
    }
    ViewForm f;
    EXPECT_TRUE(f.form.isMaximized());
    f.form.showNormal();
    settle();
    EXPECT_EQ(f.form.size(), QSize(760, 560));
    f.form.close();
    EXPECT_FALSE(ViewForm().form.isMaximized());
}
