// Spelling while typing in a real window with the French and English dictionaries the system
// has: only the misspelt word is underlined, the context menu puts a suggestion in as one undo
// step, another language checks the page again, and a word added stays right after a restart.

#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "spelling/SpellService.h"
#include "tests/editor/MemoFixture.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace memotest;

namespace {

bool red(QRgb p) {
    return qRed(p) > 170 && qGreen(p) < 110 && qBlue(p) < 110;
}

// The system's dictionaries for the windows made while it lives.
struct TSystemDictionaries {
    QByteArray before = qgetenv("DICPATH");
    TSystemDictionaries() { setenv("DICPATH", "/usr/share/hunspell", 1); }
    ~TSystemDictionaries() { setenv("DICPATH", before.constData(), 1); }
};

void waitChecked(TForm1& form) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Spelling1->ready(); }, 10000));
    QApplication::processEvents();
    form.Clm1->viewport()->repaint();
    form.Spelling1->waitIdle();
    QApplication::processEvents();
}

// Red pixels under the characters [from, to) of the first lines, the underline included.
int redUnder(TColorMemo& memo, int from, int to) {
    return countPixels(grabView(memo), charsRect(memo, from, to).adjusted(0, 0, 0, 4), red);
}

QMenu* openContextMenu(TColorMemo& memo, int offset) {
    const QRect r = charsRect(memo, offset, offset + 1);
    QContextMenuEvent e(QContextMenuEvent::Mouse, r.center(),
                        memo.viewport()->mapToGlobal(r.center()));
    QApplication::sendEvent(memo.viewport(), &e);
    QMenu* menu = nullptr;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        },
        3000));
    return menu;
}

QAction* item(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

TEST(SpellingGui, FlagsOnlyTheMisspeltWordAndMendsItThroughTheMenu) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "needs a display";
    if (!QFile::exists("/usr/share/hunspell/fr_FR.aff") ||
        !QFile::exists("/usr/share/hunspell/en_US.aff"))
        GTEST_SKIP() << "needs hunspell-fr-classical and hunspell-en-us";
    TSystemDictionaries system;
    lptest::FakePrompts prompts;
    {
        TForm1 form(TForm1Services{&prompts, nullptr});
        form.resize(640, 480);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        TColorMemo& memo = *form.Clm1;
        memo.setCursorWidth(0);
        form.Spelling1->setLanguage("fr_FR");
        form.Spelling1->setEnabled(true);
        memo.setFocus();
        waitChecked(form);

        const QString typed = "^BBonjour^b le mondde";
        QTest::keyClicks(&memo, typed);
        waitChecked(form);
        const int mondde = static_cast<int>(typed.indexOf("mondde"));
        // The word being typed waits for the caret to leave it.
        EXPECT_EQ(redUnder(memo, mondde, mondde + 6), 0);
        QTest::keyClick(&memo, Qt::Key_Home);
        waitChecked(form);
        EXPECT_GT(redUnder(memo, mondde, mondde + 6), 3);
        EXPECT_EQ(redUnder(memo, 0, mondde - 1), 0); // codes, "Bonjour" and "le" are right

        QMenu* menu = openContextMenu(memo, mondde + 2);
        ASSERT_TRUE(menu);
        ASSERT_FALSE(menu->actions().isEmpty());
        EXPECT_EQ(menu->actions().front()->text(), "monde");
        ASSERT_TRUE(item(menu, "&Add to Dictionary"));
        ASSERT_TRUE(item(menu, "&Ignore All"));
        menu->actions().front()->trigger();
        menu->close();
        EXPECT_EQ(memo.Text(), "^BBonjour^b le monde");
        waitChecked(form);
        EXPECT_EQ(redUnder(memo, 0, memo.Text().size()), 0);
        QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(memo.Text(), typed);

        // English checks the page again at once: "Bonjour", "le" and "mondde" are wrong there.
        QAction* english = nullptr;
        for (QAction* a : form.Spelling1->languageMenu()->actions())
            if (a->text() == "English (en_US)")
                english = a;
        ASSERT_TRUE(english);
        english->trigger();
        waitChecked(form);
        EXPECT_GT(redUnder(memo, 2, 9), 3);
        form.Spelling1->setLanguage("fr_FR");
        waitChecked(form);

        // A word added to the dictionary is right, now and after a restart.
        memo.SetText("Une larkpaderie ici");
        waitChecked(form);
        EXPECT_GT(redUnder(memo, 4, 15), 3);
        menu = openContextMenu(memo, 6);
        ASSERT_TRUE(menu);
        QAction* add = item(menu, "&Add to Dictionary");
        ASSERT_TRUE(add);
        add->trigger();
        menu->close();
        waitChecked(form);
        EXPECT_EQ(redUnder(memo, 4, 15), 0);
        form.close();
    }
    TForm1 again(TForm1Services{&prompts, nullptr});
    again.resize(640, 480);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.Spelling1->language(), "fr_FR"); // stored at close
    EXPECT_TRUE(again.Spelling1->enabled());
    again.Clm1->setCursorWidth(0);
    again.Clm1->SetText("Une larkpaderie ici mondde");
    waitChecked(again);
    EXPECT_EQ(redUnder(*again.Clm1, 4, 15), 0);
    EXPECT_GT(redUnder(*again.Clm1, 20, 26), 3);
    again.close();
}
