#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "settings/LpMRUList.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QLabel>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>

// What the main window keeps between runs: size, Assistants switch and editor font, written at
// close and read back by the next window. Every test leaves the store as a first start finds it.
namespace {

QString storeFile() {
    return TQtSettingsBackend::nativeFilePath("Software\\Larkpad");
}

class QaStartClose : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(storeFile()); }
    void TearDown() override { QFile::remove(storeFile()); }

    static int stored(TForm1& form, const char* name) {
        return form.RegCtrl1->ReadInteger("Settings", name, -1);
    }
};

TFontAttributes serifFont() {
    TFontAttributes font;
    font.name = "DejaVu Serif";
    font.size = 14;
    return font;
}

} // namespace

TEST_F(QaStartClose, CloseWritesSizeSwitchAndFontAndTheNextStartReadsThem) {
    {
        TForm1 first;
        first.show();
        first.resize(700, 520);
        first.AstPic1->setChecked(false);
        first.Clm1->SetEditorFont(serifFont());
        ASSERT_TRUE(first.close());
    }
    TForm1 second;
    EXPECT_EQ(stored(second, "Height"), 520);
    EXPECT_EQ(stored(second, "Width"), 700);
    EXPECT_EQ(second.size(), QSize(700, 520));
    EXPECT_FALSE(second.AstPic1->isChecked());
    second.show();
    EXPECT_EQ(second.Clm1->EditorFont().name, "DejaVu Serif");
    EXPECT_EQ(second.Clm1->EditorFont().size, 14);
}

TEST_F(QaStartClose, CloseWhileMaximisedOrMinimisedKeepsTheStoredSize) {
    for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
        {
            TForm1 first;
            first.show();
            first.resize(700, 520);
            first.AstPic1->setChecked(true);
            ASSERT_TRUE(first.close());
        }
        {
            TForm1 other;
            other.show();
            other.setWindowState(state);
            other.AstPic1->setChecked(false);
            ASSERT_TRUE(other.windowState() & state);
            ASSERT_TRUE(other.close());
        }
        TForm1 third;
        EXPECT_EQ(stored(third, "Height"), 520) << state;
        EXPECT_EQ(stored(third, "Width"), 700) << state;
        EXPECT_FALSE(third.AstPic1->isChecked()) << state; // the switch is written in any state
    }
}

// Maximised, the close writes no size: the switch still goes to the window's own section, not to
// the section the store used last (here the recent files').
TEST_F(QaStartClose, TheSwitchIsWrittenToItsSectionAfterTheRecentFilesWereSaved) {
    {
        TForm1 first;
        first.show();
        first.setWindowState(Qt::WindowMaximized);
        first.AstPic1->setChecked(false);
        first.MRUList1->Add("/pages/one.txt");
        first.MRUList1->SaveToStore();
        ASSERT_TRUE(first.close());
    }
    TForm1 second;
    EXPECT_FALSE(second.AstPic1->isChecked());
}

TEST_F(QaStartClose, ALowStoredHeightGivesTheFirstStartSize) {
    {
        TForm1 probe; // writes through the window's own store, never closed
        probe.RegCtrl1->WriteInteger("Settings", "Height", 30);
        probe.RegCtrl1->WriteInteger("Settings", "Width", 900);
    }
    TForm1 form;
    EXPECT_EQ(form.size(), QSize(640, 480));
}

TEST_F(QaStartClose, ADamagedStoreStillStartsAndIsReplacedAtClose) {
    QByteArray junk;
    for (int i = 0; i < 512; ++i)
        junk.append(char((i * 37 + 11) & 0xff));
    ASSERT_TRUE(lptest::writeFile(storeFile(), "\xff\xfe[Settings\nHeight=\x01\x02\n" + junk));
    {
        TForm1 form;
        EXPECT_EQ(form.size(), QSize(640, 480));
        EXPECT_TRUE(form.AstPic1->isChecked());
        EXPECT_EQ(form.StatusPanel1->text(), "Untitled");
        form.show();
        form.resize(660, 500);
        form.close();
    }
    TForm1 next;
    EXPECT_EQ(next.size(), QSize(660, 500));
}

// A stored size beyond the screen's work area is cut to it, each side on its own; the window is
// then placed on the screen, and the next close stores the size it had.
TEST_F(QaStartClose, AStoredSizeLargerThanTheScreenIsCutToTheScreen) {
    struct Case {
        int height, width;
    };
    for (const Case c : {Case{3000, 4000}, Case{999999, 500}, Case{400, 999999}}) {
        {
            TForm1 probe;
            probe.RegCtrl1->WriteInteger("Settings", "Height", c.height);
            probe.RegCtrl1->WriteInteger("Settings", "Width", c.width);
        }
        QSize shown;
        {
            TForm1 form;
            form.show();
            const QRect screen = form.screen()->availableGeometry();
            shown = QSize(std::min(c.width, screen.width()), std::min(c.height, screen.height()));
            EXPECT_EQ(form.size(), shown) << c.height << " " << c.width;
            EXPECT_TRUE(screen.contains(form.frameGeometry().topLeft()));
            ASSERT_TRUE(form.close());
        }
        TForm1 next;
        EXPECT_EQ(stored(next, "Height"), shown.height());
        EXPECT_EQ(stored(next, "Width"), shown.width());
    }
}

TEST_F(QaStartClose, TheFirstStartIsCentredOnTheScreen) {
    TForm1 form;
    form.show();
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}
