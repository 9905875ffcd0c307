// The built program in a real window, driven from outside with xdotool as an author would: it is
// killed with SIGKILL after the recovery copy is written and started again with the same folders;
// another program changes its page while it is open.
#include "document/RecoveryFiles.h"
#include "tests/support/TestEnv.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Types text and keys into whatever has the focus, with a pause so the program keeps up.
void typeText(const QString& text) {
    xdotool({"type", "--delay", "40", text});
}
void key(const QString& keys) {
    xdotool({"key", "--delay", "60", keys});
}

// Polls until ready() holds; false after the timeout.
template <typename F> bool waitFor(F ready, int timeoutMs = 15000) {
    return QTest::qWaitFor(ready, timeoutMs);
}

// The program with a home, configuration and state folder of its own, kept across its restarts.
class Program {
public:
    explicit Program(const lptest::TempDir& home) : home_(home.path()) {}
    ~Program() { kill(); }

    void start(const QStringList& args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_);
        env.insert("XDG_CONFIG_HOME", home_ + "/config");
        env.insert("XDG_STATE_HOME", home_ + "/state");
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(LARKPAD_BINARY_DIR "/larkpad"), args);
        ASSERT_TRUE(process_.waitForStarted(10000));
    }
    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill(); // SIGKILL: nothing of the program runs any more
        process_.waitForFinished(10000);
    }
    // The id of this program's visible window with that title; empty when none comes.
    QString window(const QString& title, int timeoutMs = 15000) {
        QString id;
        waitFor(
            [&] {
                id = xdotool({"search", "--all", "--onlyvisible", "--pid",
                              QString::number(process_.processId()), "--name", "^" + title + "$"})
                         .section('\n', 0, 0);
                return !id.isEmpty();
            },
            timeoutMs);
        return id;
    }
    // Gives the window the keyboard focus (there is no window manager to do it).
    bool focus(const QString& title) {
        const QString id = window(title);
        if (id.isEmpty())
            return false;
        // A window that is still being shown can take the focus back: insist until it has it.
        return waitFor([&] {
            xdotool({"windowfocus", id});
            return waitFor([&] { return xdotool({"getwindowfocus"}) == id; }, 1000);
        });
    }
    // Answers the confirmation box with a key and waits until the box is gone: a key given to
    // the main window while the box is still closing would be lost.
    bool answer(const QString& keys) {
        if (!focus("Confirmation"))
            return false;
        key(keys);
        return waitFor([&] { return window("Confirmation", 0).isEmpty(); });
    }
    QString folder() const { return home_ + "/state/Larkpad/recovery"; }
    // Waits for a recovery copy that holds text (in the editor's form).
    bool copyHolds(const QString& text) {
        return waitFor([&] {
            const QStringList copies = listRecoveryCopies(folder());
            return copies.size() == 1 && readRecoveryCopy(copies.first()).text == text;
        });
    }
    bool noCopyLeft() {
        return waitFor([&] { return listRecoveryCopies(folder()).isEmpty(); });
    }

private:
    QString home_;
    QProcess process_;
};

bool canDrive() {
    return QGuiApplication::platformName() == "xcb" &&
           !QStandardPaths::findExecutable("xdotool").isEmpty();
}

bool fileHolds(const QString& path, const QByteArray& bytes) {
    return waitFor([&] { return lptest::readFile(path) == bytes; });
}

} // namespace

TEST(RecoveryGui, UntitledPageComesBackAfterAKill) {
    if (!canDrive())
        GTEST_SKIP() << "needs an X display and xdotool";
    lptest::TempDir home;
    Program lark(home);
    lark.start();
    ASSERT_TRUE(lark.focus("Lark Pad"));
    typeText("First line");
    key("Return");
    typeText("second ^Bline^b");
    ASSERT_TRUE(lark.copyHolds("First line\nsecond ^Bline^b"));
    lark.kill();

    lark.start();
    ASSERT_TRUE(lark.answer("Return")); // &Oui
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+s"); // untitled: the save dialog
    ASSERT_TRUE(lark.focus("Save File as"));
    const QString page = home.file("recovered.txt");
    typeText(page);
    key("Return");
    EXPECT_TRUE(fileHolds(page, "First line\r\nsecond ^Bline^b"));
    EXPECT_TRUE(lark.noCopyLeft());
}

TEST(RecoveryGui, NamedPageCancelKeepsYesRecoversNoDeletes) {
    if (!canDrive())
        GTEST_SKIP() << "needs an X display and xdotool";
    lptest::TempDir home;
    const QString page = home.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(page, "Old text"));
    Program lark(home);
    lark.start({page});
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+End");
    typeText(" plus new");
    ASSERT_TRUE(lark.copyHolds("Old text plus new"));
    lark.kill();

    // Annuler: the page named on the command line opens as usual, the copy stays. The main window
    // taking the keyboard again means the start is over; the next start asks about the copy.
    lark.start({page});
    ASSERT_TRUE(lark.answer("Escape"));
    ASSERT_TRUE(lark.focus("Lark Pad"));
    lark.kill();
    EXPECT_TRUE(lark.copyHolds("Old text plus new"));

    lark.start({page});
    ASSERT_TRUE(lark.answer("Return"));
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+s"); // named: written without a dialog
    EXPECT_TRUE(fileHolds(page, "Old text plus new"));
    EXPECT_TRUE(lark.noCopyLeft());

    typeText("X");
    ASSERT_TRUE(lark.copyHolds("XOld text plus new"));
    lark.kill();
    lark.start({page});
    ASSERT_TRUE(lark.answer("n")); // &Non
    EXPECT_TRUE(lark.noCopyLeft());
    EXPECT_EQ(lptest::readFile(page), "Old text plus new");
}

TEST(RecoveryGui, PageChangedOutsideIsReloadedOrKeptAndNotOverwrittenUnasked) {
    if (!canDrive())
        GTEST_SKIP() << "needs an X display and xdotool";
    lptest::TempDir home;
    const QString page = home.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(page, "Original"));
    Program lark(home);
    lark.start({page});
    ASSERT_TRUE(lark.focus("Lark Pad"));
    // Another window of this test stands for the other program the author switches to.
    QWidget other;
    other.setWindowTitle("Other");
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    // The toolkit takes a focus that comes back within a tenth of a second for a flicker, not a
    // switch: the other window keeps the focus for longer than that before the program gets it.
    auto switchAwayAndBack = [&] {
        const QString id = QString::number(other.winId());
        xdotool({"windowfocus", "--sync", id});
        QDeadlineTimer away(300);
        waitFor([&] { return away.hasExpired() && xdotool({"getwindowfocus"}) == id; }, 5000);
        lark.focus("Lark Pad");
    };

    // Unchanged document: reload on &Oui.
    ASSERT_TRUE(lptest::writeFile(page, "Changed outside"));
    switchAwayAndBack();
    ASSERT_TRUE(lark.answer("Return"));
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+End");
    typeText("!");
    key("ctrl+s");
    EXPECT_TRUE(fileHolds(page, "Changed outside!"));

    // Changed document: &Non keeps the text. The change on disk was neither reloaded nor
    // overwritten: Save asks before it writes over it, and &Oui writes.
    typeText("?");
    ASSERT_TRUE(lptest::writeFile(page, "Third version"));
    switchAwayAndBack();
    ASSERT_TRUE(lark.answer("n"));
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+s");
    ASSERT_TRUE(lark.answer("o"));
    EXPECT_TRUE(fileHolds(page, "Changed outside!?"));
    EXPECT_TRUE(lark.window("Confirmation", 1000).isEmpty());
}

// Save over a change made while the window was active asks first; answered &Non, the window
// getting the focus back does not ask to reload the same change a moment later, but every Save
// asks again until the author answers &Oui.
TEST(RecoveryGui, AChangeOnDiskIsAskedAboutAtEverySave) {
    if (!canDrive())
        GTEST_SKIP() << "needs an X display and xdotool";
    lptest::TempDir home;
    const QString page = home.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(page, "Original"));
    Program lark(home);
    lark.start({page});
    ASSERT_TRUE(lark.focus("Lark Pad"));
    key("ctrl+End");
    typeText("!");
    ASSERT_TRUE(lptest::writeFile(page, "Changed outside"));
    key("ctrl+s");
    ASSERT_TRUE(lark.answer("n")); // Overwrite it? &Non
    ASSERT_TRUE(lark.focus("Lark Pad"));
    EXPECT_TRUE(lark.window("Confirmation", 2000).isEmpty()) << "asked to reload";
    EXPECT_EQ(lptest::readFile(page), "Changed outside");
    key("ctrl+s");
    ASSERT_TRUE(lark.answer("n")); // asked again
    ASSERT_TRUE(lark.focus("Lark Pad"));
    EXPECT_EQ(lptest::readFile(page), "Changed outside");
    key("ctrl+s");
    ASSERT_TRUE(lark.answer("o"));
    EXPECT_TRUE(fileHolds(page, "Original!"));
    EXPECT_TRUE(lark.window("Confirmation", 1000).isEmpty());
}
