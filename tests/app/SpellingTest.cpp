// Spelling's place in the main window, with small dictionaries of the test's own: the Settings
// items and what they store, a system without dictionaries, and the context menu's items.

#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "settings/PagePositions.h"
#include "spelling/SpellService.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const char* kAff = "SET UTF-8\nTRY esianrtolcdugmphbyfvkwz\n";

class QaSpelling : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(TQtSettingsBackend::nativeFilePath("Software\\Larkpad"));
        before_ = qgetenv("DICPATH");
        setenv("DICPATH", dictionaries_.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override {
        setenv("DICPATH", before_.constData(), 1);
        QFile::remove(TQtSettingsBackend::nativeFilePath("Software\\Larkpad"));
    }
    void install(const QString& tag, const QByteArray& words) {
        ASSERT_TRUE(lptest::writeFile(dictionaries_.file(tag + ".aff"), kAff));
        ASSERT_TRUE(lptest::writeFile(dictionaries_.file(tag + ".dic"),
                                      QByteArray::number(words.count('\n')) + "\n" + words));
    }
    static QStringList captions(const QMenu* menu) {
        QStringList out;
        for (const QAction* a : menu->actions())
            out << (a->isSeparator() ? "-" : a->text());
        return out;
    }
    static void waitReady(TForm1& form) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.Spelling1->ready(); }, 10000));
        form.Spelling1->waitIdle();
    }

    lptest::TempDir dictionaries_;
    QByteArray before_;
};

} // namespace

TEST_F(QaSpelling, SettingsHoldTheSwitchAndTheLanguagesAfterTheOtherItems) {
    install("fr_FR", "bonjour\nle\nmonde\n");
    install("en_US", "hello\nworld\n");
    TForm1 form;
    const QStringList settings = captions(form.Options1);
    ASSERT_GE(settings.size(), 3);
    EXPECT_EQ(settings.mid(0, 2), (QStringList{"Word Wrap", "Assistants"}));
    // A group of their own after the favourite folders.
    const qsizetype at = settings.indexOf("Check &Spelling");
    ASSERT_GT(at, settings.indexOf("Videos Folder"));
    EXPECT_EQ(settings.mid(at - 1, 3), (QStringList{"-", "Check &Spelling", "Spelling &Language"}));
    QAction* check = form.Spelling1->checkAction();
    EXPECT_TRUE(check->isCheckable());
    EXPECT_EQ(check->shortcut(), QKeySequence("Shift+F7"));
    EXPECT_TRUE(check->isChecked()); // on at first start: a dictionary is there
    EXPECT_EQ(captions(form.Spelling1->languageMenu()),
              (QStringList{"English (en_US)", "Fran\u00E7ais (fr_FR)"}));
    int checked = 0;
    for (QAction* a : form.Spelling1->languageMenu()->actions())
        checked += a->isChecked();
    EXPECT_EQ(checked, 1);
}

TEST_F(QaSpelling, TheSwitchAndTheLanguageAreStoredAtClose) {
    install("fr_FR", "bonjour\n");
    install("en_US", "hello\n");
    {
        TForm1 first;
        first.show();
        first.Spelling1->languageMenu()->actions().at(1)->trigger();
        first.Spelling1->checkAction()->trigger();
        EXPECT_FALSE(first.Spelling1->enabled());
        ASSERT_TRUE(first.close());
        EXPECT_FALSE(first.RegCtrl1->ReadBool("Settings", "SpellCheck", true));
        EXPECT_EQ(first.RegCtrl1->ReadString("Settings", "SpellLanguage", ""), "fr_FR");
    }
    TForm1 second;
    EXPECT_EQ(second.Spelling1->language(), "fr_FR");
    EXPECT_FALSE(second.Spelling1->checkAction()->isChecked());
    EXPECT_TRUE(second.Spelling1->languageMenu()->actions().at(1)->isChecked());
    // A stored language whose dictionary went away gives way to the first start's choice.
    second.RegCtrl1->WriteString("Settings", "SpellLanguage", "de_DE");
    second.RegCtrl1->WriteBool("Settings", "SpellCheck", true);
    TForm1 third;
    EXPECT_EQ(third.Spelling1->language(), "en_US");
}

// Without a dictionary nothing is underlined and no box comes up; Shift+F7 says why nothing
// happens, where dictionaries are looked for.
TEST_F(QaSpelling, WithoutADictionaryNothingIsUnderlinedAndShiftF7SaysWhy) {
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts, nullptr});
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    const QList<QAction*> items = form.Spelling1->languageMenu()->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.front()->text(), "No dictionary installed");
    EXPECT_FALSE(items.front()->isEnabled());
    EXPECT_FALSE(form.Spelling1->checkAction()->isChecked());
    QTest::keyClick(form.Clm1, Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(form.StatusNote->text(),
              "Spelling cannot be checked: no dictionary is installed. Dictionaries (.aff and "
              ".dic files) are looked for in " +
                  dictionaries_.path() + ".");
    EXPECT_FALSE(form.Spelling1->checkAction()->isChecked());
    form.Clm1->SetText("mondde");
    QApplication::processEvents();
    EXPECT_FALSE(form.Spelling1->ready());
    EXPECT_FALSE(form.Clm1->SpellMarks().wordAt(2));
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_TRUE(prompts.notices.isEmpty());
}

TEST_F(QaSpelling, TheContextMenuOffersSuggestionsAddAndIgnoreBeforeTheEditItems) {
    install("fr_FR", "bonjour\nle\nmonde\n");
    TForm1 form;
    form.show();
    form.Spelling1->setLanguage("fr_FR");
    waitReady(form);
    TColorMemo& memo = *form.Clm1;
    memo.SetText("^Bbonjour^b le mondde et ^Bmon^bdde");
    memo.viewport()->repaint();
    form.Spelling1->waitIdle();
    ASSERT_TRUE(memo.SpellMarks().wordAt(15));
    EXPECT_FALSE(memo.SpellMarks().wordAt(3)); // "bonjour"

    QMenu menu;
    menu.addAction("Undo-like edit item");
    memo.OnContextMenu(&menu, 17);
    EXPECT_EQ(captions(&menu), (QStringList{"monde", "-", "&Add to Dictionary", "&Ignore All", "-",
                                            "Undo-like edit item"}));
    menu.actions().front()->trigger();
    EXPECT_EQ(memo.Text(), "^Bbonjour^b le monde et ^Bmon^bdde");

    // A word with a code inside gets no suggestion (it would lose the code); Ignore All takes it
    // for right.
    QMenu joined;
    memo.OnContextMenu(&joined, 28);
    EXPECT_EQ(captions(&joined), (QStringList{"&Add to Dictionary", "&Ignore All"}));
    joined.actions().at(1)->trigger();
    memo.viewport()->repaint();
    form.Spelling1->waitIdle();
    EXPECT_FALSE(memo.SpellMarks().wordAt(28));
    // Nothing for a right word.
    QMenu right;
    memo.OnContextMenu(&right, 3);
    EXPECT_TRUE(right.actions().isEmpty());
}

TEST_F(QaSpelling, ShiftF7SwitchesSpellingFromTheEditor) {
    install("fr_FR", "bonjour\n");
    TForm1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    ASSERT_TRUE(form.Spelling1->enabled());
    QTest::keyClick(form.Clm1, Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_FALSE(form.Spelling1->enabled());
    QTest::keyClick(form.Clm1, Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_TRUE(form.Spelling1->enabled());
}

namespace {

// The regions the editor's view paints, as they come.
class TPaintLog : public QObject {
public:
    explicit TPaintLog(QWidget* view) { view->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
    std::vector<QRegion> regions;
};

} // namespace

// A word found misspelt repaints the lines that show it, not the whole view; the word being typed
// repaints nothing more until the caret leaves it, and is underlined then.
TEST_F(QaSpelling, AWordFoundMisspeltRepaintsOnlyTheLinesShowingIt) {
    install("en_US", "hello\nworld\nthe\n");
    TForm1 form;
    form.resize(700, 500);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Spelling1->setLanguage("en_US");
    waitReady(form);
    TColorMemo& memo = *form.Clm1;
    QString page;
    for (int i = 0; i < 12; ++i)
        page += "hello world\r\n";
    memo.SetText(page + "hello world");
    memo.moveCursor(QTextCursor::End);
    memo.setFocus();
    memo.viewport()->repaint();
    form.Spelling1->waitIdle();
    QApplication::processEvents();

    QTest::keyClick(&memo, Qt::Key_Space);
    QApplication::processEvents();
    TPaintLog log(memo.viewport());
    const QRect caretLine = memo.caretLineRect();
    ASSERT_FALSE(caretLine.isEmpty());
    QTest::keyClicks(&memo, "zorkle");
    for (int i = 0; i < 3; ++i) {
        form.Spelling1->waitIdle();
        QApplication::processEvents();
    }
    ASSERT_FALSE(log.regions.empty());
    for (const QRegion& r : log.regions)
        EXPECT_TRUE(caretLine.adjusted(0, -4, 0, 6).contains(r.boundingRect()))
            << "painted " << r.boundingRect().y() << "+" << r.boundingRect().height()
            << ", caret line " << caretLine.y() << "+" << caretLine.height();
    EXPECT_FALSE(memo.SpellMarks().wordAt(memo.textCursor().position() - 2));

    // Once the caret leaves it, the word is underlined.
    QTextCursor c = memo.textCursor();
    c.setPosition(0);
    memo.setTextCursor(c);
    QApplication::processEvents();
    EXPECT_TRUE(memo.SpellMarks().wordAt(memo.document()->lastBlock().position() + 14));
}

namespace {

// Lets go every reader that waits on the named pipes, and counts them: the program should never
// be one. Their writing end is opened and closed whenever a reader waits.
struct TPipeWatch {
    explicit TPipeWatch(QStringList pipes)
        : thread([this, pipes] {
              for (; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
                  for (const QString& p : pipes)
                      if (const int fd = ::open(QFile::encodeName(p).constData(),
                                                O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                          fd >= 0) {
                          ++released;
                          ::close(fd);
                      }
          }) {}
    ~TPipeWatch() {
        stop = true;
        thread.join();
    }
    std::atomic<int> released{0};
    std::atomic<bool> stop{false};
    std::thread thread;
};

} // namespace

// A words list that could not be read (another encoding, a folder, no permission, a named pipe)
// is never written over with the one new word: the word is right for this run and the author is
// told why. Named pipes in place of the list and of the settings file never hold the program:
// File > Exit ends it.
TEST_F(QaSpelling, AnUnreadableWordListIsNeverWrittenAndNoPipeHoldsTheProgram) {
    install("fr_FR", "bonjour\n");
    const QString list = lptest::homeDir() + "/.local/share/Larkpad/words/fr_FR.txt";
    const QString settings = TQtSettingsBackend::nativeFilePath("Software\\Larkpad");
    const QByteArray latin1 = "caf\xE9\nna\xEFve\n";
    const auto fifo = [](const QString& p) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(p).path()));
        ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0);
    };
    const struct {
        int mode; ///< of a list in another encoding; 0: a folder, -1: a named pipe
        QString reason;
    } cases[] = {{0644, "it is not a list of words in UTF-8"},
                 {0, "it is a folder, not a regular file"},
                 {01000, std::strerror(EACCES)},
                 {-1, "it is a named pipe (FIFO), not a regular file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        if (c.mode == 01000 && ::geteuid() == 0)
            continue; // the superuser reads it all the same
        if (c.mode > 0) {
            ASSERT_TRUE(lptest::writeFile(list, latin1));
            ASSERT_EQ(::chmod(QFile::encodeName(list).constData(), c.mode & 0777), 0);
        } else if (c.mode == 0) {
            ASSERT_TRUE(QDir().mkpath(list));
        } else {
            fifo(list);
            fifo(settings);
        }
        TPipeWatch watch(c.mode < 0 ? QStringList{list, settings} : QStringList{});
        {
            lptest::FakePrompts prompts;
            TForm1 form(TForm1Services{&prompts, nullptr});
            form.show();
            form.Spelling1->setLanguage("fr_FR");
            form.Spelling1->setEnabled(true);
            waitReady(form);
            TColorMemo& memo = *form.Clm1;
            memo.SetText("bonjour Zorglub");
            memo.viewport()->repaint();
            form.Spelling1->waitIdle();
            QMenu menu;
            memo.OnContextMenu(&menu, 10);
            const QList<QAction*> items = menu.actions();
            const auto add = std::find_if(items.begin(), items.end(), [](QAction* a) {
                return a->text() == "&Add to Dictionary";
            });
            ASSERT_NE(add, items.end());
            (*add)->trigger();
            memo.viewport()->repaint();
            form.Spelling1->waitIdle();
            EXPECT_FALSE(memo.SpellMarks().wordAt(10));
            EXPECT_EQ(form.StatusNote->text(), "\"Zorglub\" is right for this run only: the list " +
                                                   list + " could not be read (" + c.reason +
                                                   "), so it is not written.");
            form.Quitter1->trigger();
            EXPECT_FALSE(form.isVisible());
        }
        EXPECT_EQ(watch.released.load(), 0);
        if (c.mode > 0) {
            ::chmod(QFile::encodeName(list).constData(), 0644);
            EXPECT_EQ(lptest::readFile(list), latin1);
        }
        QDir(list).removeRecursively();
        QFile::remove(list);
        QFile::remove(settings);
    }
}

// Each page keeps its own spelling language with its place. A page never opened gets the
// installed dictionary that knows most of its first words; the submenu changes the language of
// the page shown; the places stay readable as they were.
TEST_F(QaSpelling, EachPageKeepsItsOwnLanguageGuessedFromItsWordsAtFirst) {
    install("fr_FR", "bonjour\nle\nmonde\net\nla\nmaison\n");
    install("en_US", "hello\nthe\nworld\nand\nhouse\n");
    lptest::TempDir dir;
    const QString french = dir.file("fr.txt"), english = dir.file("en.txt");
    ASSERT_TRUE(lptest::writeFile(french, "^BBonjour^b le monde,\r\net la maison hello\r\n"));
    ASSERT_TRUE(lptest::writeFile(english, "Hello the world and the house, le monde\r\n"));
    const auto languageAfterOpening = [](TForm1& form, const QString& path) {
        form.documentCommands().openPath(path);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Spelling1->guessing(); }, 10000));
        return form.Spelling1->language();
    };
    {
        TForm1 form;
        form.show();
        form.Spelling1->setLanguage("en_US");
        EXPECT_EQ(languageAfterOpening(form, french), "fr_FR");
        QAction* frenchItem = form.Spelling1->languageMenu()->actions().at(1);
        EXPECT_TRUE(frenchItem->isChecked());
        EXPECT_EQ(languageAfterOpening(form, english), "en_US");
        frenchItem->trigger(); // the author says the English page is French after all
        waitReady(form);
        ASSERT_TRUE(form.close());
        // The places as the versions that know no language read them, the languages beside.
        for (const char* key : {"P0", "P1"})
            EXPECT_TRUE(TPagePositions::decode(form.RegCtrl1->ReadString("Positions", key, "")));
        EXPECT_EQ(form.RegCtrl1->ReadString("Positions", "L0", ""), "fr_FR," + english);
    }
    TForm1 second;
    second.show();
    second.Spelling1->setLanguage("en_US");
    // Kept, not guessed again: both pages are French now.
    EXPECT_EQ(languageAfterOpening(second, english), "fr_FR");
    EXPECT_EQ(languageAfterOpening(second, french), "fr_FR");
}
