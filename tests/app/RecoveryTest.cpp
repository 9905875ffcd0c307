// Recovery copies through the main window (offscreen), with scripted prompts: a program that
// ended without closing is played by destroying its window, which leaves its copy and releases
// its lock as the death of the process would.
#include "app/Recovery.h"
#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"

#include "document/RecoveryFiles.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"
#include <climits>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A clock the test moves on by hand; the alarm rings when the clock reaches it.
class ManualAlarm : public TRecoveryAlarm {
public:
    std::int64_t time = 1000;
    std::optional<std::int64_t> at;

    std::int64_t now() const override { return time; }
    void set(std::int64_t when) override { at = when; }
    void cancel() override { at.reset(); }
    void advance(std::int64_t ms) {
        time += ms;
        if (at && *at <= time) {
            at.reset();
            ring();
        }
    }
};

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        previousState_ = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
        form = makeForm();
    }
    void TearDown() override {
        form.reset();
        qputenv("XDG_STATE_HOME", previousState_);
    }

    std::unique_ptr<TForm1> makeForm() {
        auto f = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
        f->addRecentFile = [this](const QString& path) { recent << path; };
        auto manual = std::make_unique<ManualAlarm>();
        alarm = manual.get();
        f->recovery().setAlarm(std::move(manual));
        return f;
    }
    QString folder() const { return state.file("Larkpad/recovery"); }
    QStringList copies() const { return listRecoveryCopies(folder()); }
    void type(const QString& text) {
        form->Clm1->moveCursor(QTextCursor::End);
        form->Clm1->insertPlainText(text);
    }
    void copyNow() {
        form->recovery().writeNow();
        form->recovery().waitIdle();
        QCoreApplication::processEvents(); // what the worker reported
    }
    // The program ends without closing and starts again; answer is given to the first question.
    void restart(std::optional<TAnswer> answer) {
        form = makeForm();
        if (answer)
            prompts.answers.push_back(*answer);
    }
    QString page(const QString& name, const QByteArray& bytes) {
        const QString path = dir.file(name);
        EXPECT_TRUE(lptest::writeFile(path, bytes));
        return path;
    }

    lptest::TempDir state, dir;
    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    QStringList recent;
    std::unique_ptr<TForm1> form;
    ManualAlarm* alarm = nullptr; ///< the clock of the latest form's copies

private:
    QByteArray previousState_;
};

TEST_F(Recovery, UntitledTextComesBackByteForByteAndSavesThroughTheDialog) {
    type(QString::fromUtf8("Hello\nw\xc3\xb6rld \xe2\x82\xac\n"));
    copyNow();
    ASSERT_EQ(copies().size(), 1);
    const QString copy = copies().first();
    EXPECT_TRUE(lptest::readFile(copy).endsWith("Hello\r\nw\xf6rld \x80\r\n"));

    restart(TAnswer::Yes);
    ASSERT_TRUE(form->recoverAtStart());
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(R"(^Recover the unsaved changes of Untitled from )"
                           R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\? Oui restores the text, )"
                           R"(Non deletes the copy, Annuler keeps it for the next start\.$)")
            .match(prompts.questions.first())
            .hasMatch())
        << prompts.questions.first().toStdString();
    EXPECT_EQ(form->Clm1->Text(), QString::fromUtf8("Hello\r\nw\xc3\xb6rld \xe2\x82\xac\r\n"));
    EXPECT_TRUE(form->Clm1->Modified());
    EXPECT_EQ(form->StatusPanel1->text(), "Untitled");
    EXPECT_EQ(form->SaveDialog1.fileName, "");
    // Kept, as this program's copy, until the text is saved.
    EXPECT_EQ(copies(), QStringList{copy});
    EXPECT_EQ(form->recovery().copyPath(), copy);

    const QString path = dir.file("saved.txt");
    dialogs.saveChoices.push_back(path);
    form->SaveBut->trigger();
    form->recovery().waitIdle();
    EXPECT_EQ(lptest::readFile(path), "Hello\r\nw\xf6rld \x80\r\n");
    EXPECT_TRUE(copies().isEmpty());
}

TEST_F(Recovery, ALongLineIsCopiedAsOneLineAndComesBackInDisplayBlocks) {
    QString line;
    for (int i = 0; line.size() < 3 * TPageDocument::longLine(); ++i)
        line += QChar(u'a' + i % 26);
    type("x");
    form->Clm1->ReplaceSel("top\r\n" + line + "\r\nend");
    ASSERT_GT(form->Clm1->Page().continuationsUpTo(INT_MAX), 0);
    copyNow();
    ASSERT_EQ(copies().size(), 1);
    EXPECT_TRUE(
        lptest::readFile(copies().first()).endsWith("xtop\r\n" + line.toLatin1() + "\r\nend"));

    restart(TAnswer::Yes);
    ASSERT_TRUE(form->recoverAtStart());
    EXPECT_EQ(form->Clm1->Text(), "xtop\r\n" + line + "\r\nend");
    EXPECT_EQ(form->Clm1->Page().continuationsUpTo(INT_MAX),
              (line.size() - 1) / TPageDocument::piece());
}

// A snapshot taken over many turns of the event loop: short lines, a long line kept in display
// blocks, characters beyond the page's code page.
TEST_F(Recovery, ASnapshotInSlicesIsThePageByteForByte) {
    QString line;
    for (int i = 0; line.size() < 2 * TPageDocument::longLine() + 7; ++i)
        line += QChar(u'a' + i % 26);
    // Long enough to be restored in several appends, the long line across the first of them.
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line %1 \u00e9\u20ac\r\n").arg(i);
    text += line + "\r\n";
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("more %1\r\n").arg(i);
    text += "\r\nlast";
    type("x");
    form->Clm1->ReplaceSel(text);
    ASSERT_GT(form->Clm1->Page().continuationsUpTo(INT_MAX), 0);
    const std::string bytes = form->Clm1->Page().pageBytes();

    form->recovery().setSnapshotTurn(997); // cuts inside lines and display blocks
    form->recovery().writeNow();
    int turns = 0;
    while (form->recovery().snapshotting() && turns < 100000) {
        QCoreApplication::processEvents();
        ++turns;
    }
    EXPECT_GT(turns, 100);
    form->recovery().waitIdle();
    ASSERT_EQ(copies().size(), 1);
    const QByteArray copy = lptest::readFile(copies().first());
    ASSERT_GT(copy.size(), qsizetype(bytes.size()));
    EXPECT_TRUE(copy.endsWith(QByteArray::fromStdString(bytes)));
    const TRecoveredCopy read = readRecoveryCopy(copies().first());
    ASSERT_TRUE(read.ok) << read.error.toStdString();

    restart(TAnswer::Yes);
    ASSERT_TRUE(form->recoverAtStart());
    EXPECT_TRUE(form->Clm1->Page().pageBytes() == bytes);
    EXPECT_GT(form->Clm1->Page().continuationsUpTo(INT_MAX), 0); // cut as a load cuts it
    EXPECT_TRUE(form->Clm1->Modified());
    EXPECT_FALSE(form->Clm1->document()->isUndoAvailable()); // nothing to take back to
}

// A change before the last slice drops that snapshot: the copy never mixes older and newer text,
// and the newer text is copied after the next pause.
TEST_F(Recovery, AChangeDuringASnapshotGivesACopyOfTheNewerText) {
    for (int i = 0; i < 200; ++i)
        type(QStringLiteral("old line %1\n").arg(i));
    copyNow();
    ASSERT_EQ(copies().size(), 1);
    const QString copy = copies().first();
    const QByteArray first = lptest::readFile(copy);

    type("more\n");
    form->recovery().setSnapshotTurn(50);
    form->recovery().writeNow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->recovery().snapshotting());
    form->Clm1->moveCursor(QTextCursor::Start);
    form->Clm1->insertPlainText("new top\n");
    EXPECT_FALSE(form->recovery().snapshotting());
    form->recovery().waitIdle();
    EXPECT_EQ(lptest::readFile(copy), first); // the previous copy stays whole
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 2); // copy and lock

    ASSERT_TRUE(form->recovery().nextCopyAt());
    alarm->advance(recovery::TSchedule::kPauseMs);
    form->recovery().waitIdle();
    EXPECT_TRUE(
        lptest::readFile(copy).endsWith(QByteArray::fromStdString(form->Clm1->Page().pageBytes())));
    EXPECT_TRUE(lptest::readFile(copy).contains("\n\nnew top\r\nold line 0\r\n"));
}

// Keys that come faster than a snapshot's slices drop every snapshot until the copy is overdue;
// that one is still taken in slices, and the keys typed meanwhile (in the part taken, in the part
// not taken yet, across both) do not drop it: the copy holds the text as the last slice finds it.
TEST_F(Recovery, TypingThatInterruptsEverySnapshotStillGetsItsCopyInTime) {
    for (int i = 0; i < 200; ++i)
        type(QStringLiteral("line %1\n").arg(i));
    const std::int64_t first = alarm->time;
    form->recovery().setSnapshotTurn(50);
    const auto edit = [&](int k) {
        QTextCursor c(form->Clm1->document());
        const int end = form->Clm1->document()->characterCount() - 1;
        const int at[] = {end, 0, 500, 300};
        c.setPosition(at[k % 4]);
        if (k % 4 == 3)
            c.setPosition(330, QTextCursor::KeepAnchor);
        c.insertText(k % 2 ? "k\n" : "k");
    };
    int keys = 0;
    for (;; ++keys) {
        ASSERT_LT(keys, 100);
        alarm->advance(recovery::TSchedule::kPauseMs);
        ASSERT_TRUE(form->recovery().snapshotting());
        QCoreApplication::processEvents(); // one slice, not the whole
        ASSERT_TRUE(form->recovery().snapshotting());
        edit(keys);
        if (form->recovery().snapshotting())
            break; // overdue: kept whatever is typed
    }
    EXPECT_LE(alarm->time, first + recovery::TSchedule::kMaxWaitMs + recovery::TSchedule::kPauseMs);
    QString text;
    for (int turns = 0;; ++turns) {
        ASSERT_LT(turns, 1000);
        QCoreApplication::processEvents();
        if (!form->recovery().snapshotting()) {
            EXPECT_GT(turns, 10);
            text = form->Clm1->Page().pageText();
            break;
        }
        edit(++keys);
    }
    form->recovery().waitIdle();
    ASSERT_EQ(copies().size(), 1);
    const TRecoveredCopy read = readRecoveryCopy(copies().first());
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.text, text);
    EXPECT_FALSE(form->recovery().nextCopyAt()) << "the copy holds the text";
}

TEST_F(Recovery, NamedPageComesBackInsteadOfTheCommandLinePage) {
    const QString path = page("named.txt", "old text");
    form->openFromCommandLine(path);
    type(" and more");
    copyNow();
    restart(TAnswer::Yes);
    ASSERT_TRUE(form->recoverAtStart());
    EXPECT_TRUE(prompts.questions.first().startsWith("Recover the unsaved changes of " + path +
                                                     " from 20"));
    const QString other = page("other.txt", "other");
    form->openFromCommandLine(other);
    EXPECT_EQ(form->Clm1->Text(), "old text and more"); // not replaced by the other page
    EXPECT_EQ(recent.last(), other);                    // but there to open
    EXPECT_EQ(form->StatusPanel1->text(), path);
    EXPECT_EQ(form->SaveDialog1.fileName, path);
    form->FileSave->trigger(); // no dialog, no question: the page did not change meanwhile
    form->recovery().waitIdle();
    EXPECT_EQ(lptest::readFile(path), "old text and more");
    EXPECT_FALSE(form->Clm1->Modified());
    EXPECT_TRUE(copies().isEmpty());
}

TEST_F(Recovery, CancelKeepsTheCopyForTheNextStartNoDeletesIt) {
    type("draft");
    copyNow();
    const QStringList left = copies();
    restart(TAnswer::Cancel);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(form->Clm1->Text(), "");
    EXPECT_EQ(copies(), left);
    restart(TAnswer::No);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_FALSE(form->Clm1->Modified());
}

TEST_F(Recovery, ARunningProgramsCopyIsNotOffered) {
    type("mine");
    copyNow();
    auto second = makeForm(); // same folder, the first one still runs
    EXPECT_FALSE(second->recoverAtStart());
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(copies().size(), 1);
}

TEST_F(Recovery, WhatAProgramKilledWhileWritingLeftIsCleanedUp) {
    type("kept");
    copyNow();
    const QString copy = copies().first();
    form.reset();
    // Killed during a later write, and another program killed during its first one.
    ASSERT_TRUE(lptest::writeFile(copy + ".aB3xYz", "half a copy"));
    const QString other = folder() + "/5-6.recovery";
    ASSERT_TRUE(lptest::writeFile(other + ".lock", "999999999\nlarkpad\n\n"));
    ASSERT_TRUE(lptest::writeFile(other + ".Qw12er", "half a copy"));
    restart(TAnswer::Cancel);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files),
              QStringList{QFileInfo(copy).fileName()}); // the copy only, kept for the next start
}

TEST_F(Recovery, ADamagedCopyIsReportedAndSetAside) {
    type("sound text");
    copyNow();
    const QString copy = copies().first();
    QByteArray bytes = lptest::readFile(copy);
    form.reset();
    ASSERT_TRUE(lptest::writeFile(copy, bytes.left(bytes.size() - 3))); // cut short
    restart(std::nullopt);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(prompts.errors, QStringList{"The recovery copy " + copy +
                                          " cannot be used: it is cut short. It was kept as " +
                                          copy + ".damaged."});
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_EQ(lptest::readFile(copy + ".damaged"), bytes.left(bytes.size() - 3));
    EXPECT_EQ(form->Clm1->Text(), "");
}

TEST_F(Recovery, CopyGoesWhenChangesAreDiscardedOrTheProgramCloses) {
    type("one");
    form->recovery().writeNow(); // a write under way when the changes are discarded
    prompts.answers.push_back(TAnswer::No);
    form->NewBut->trigger();
    form->recovery().waitIdle();
    EXPECT_TRUE(copies().isEmpty());

    // No after Open's question, then the open dialog cancelled: the changes stay, so the copy.
    type("two");
    copyNow();
    prompts.answers.push_back(TAnswer::No);
    dialogs.openChoices.push_back(std::nullopt);
    form->OpenBut->trigger();
    form->recovery().waitIdle();
    EXPECT_EQ(copies().size(), 1);

    const QString copy = copies().first();
    prompts.answers.push_back(TAnswer::No);
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_FALSE(QFile::exists(recoveryLockPath(copy)));
}

TEST_F(Recovery, WrittenAfterTypingPausesNeverWithoutChanges) {
    const QString path = page("p.txt", "unchanged");
    form->openFromCommandLine(path);
    form->recovery().writeNow();
    form->recovery().waitIdle();
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_FALSE(alarm->at); // an unchanged page owes no copy

    type("x");
    ASSERT_EQ(alarm->at, alarm->time + recovery::TSchedule::kPauseMs);
    alarm->advance(recovery::TSchedule::kPauseMs - 1);
    type("y"); // typing goes on: the pause starts again
    alarm->advance(recovery::TSchedule::kPauseMs - 1);
    form->recovery().waitIdle();
    EXPECT_TRUE(copies().isEmpty());
    alarm->advance(1);
    form->recovery().waitIdle();
    ASSERT_EQ(copies().size(), 1);
    EXPECT_EQ(readRecoveryCopy(copies().first()).text, "unchangedxy");
    EXPECT_FALSE(alarm->at); // the copy holds the text
    EXPECT_FALSE(form->recovery().nextCopyAt());

    // Typing that never pauses is copied at the latest after the longest wait.
    const std::int64_t first = alarm->time;
    for (int i = 0; alarm->at != first + recovery::TSchedule::kMaxWaitMs; ++i) {
        ASSERT_LT(i, 100);
        type("z");
        alarm->advance(recovery::TSchedule::kPauseMs / 2);
    }
    alarm->advance(*alarm->at - alarm->time);
    form->recovery().waitIdle();
    EXPECT_EQ(alarm->time, first + recovery::TSchedule::kMaxWaitMs);
    EXPECT_TRUE(readRecoveryCopy(copies().first()).text.startsWith("unchangedxyzz"));

    // Saved: nothing is owed and the copy goes.
    type("!");
    form->FileSave->trigger();
    form->recovery().waitIdle();
    EXPECT_FALSE(alarm->at);
    EXPECT_TRUE(copies().isEmpty());
}

TEST_F(Recovery, AFolderThatCannotBeWrittenIsToldOnceAndTypingGoesOn) {
    ASSERT_TRUE(lptest::writeFile(state.file("Larkpad"), "in the way"));
    type("a");
    copyNow();
    type("b");
    copyNow();
    int notices = 0;
    for (QLabel* l : form->statusBar()->findChildren<QLabel*>())
        notices += l->text().startsWith("Recovery copies cannot be written");
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(form->StatusNote->text(),
              "Recovery copies cannot be written in " + folder() + ": Not a directory");
    EXPECT_EQ(form->Clm1->Text(), "ab");
    EXPECT_EQ(form->StatusPanel1->text(), "Untitled");
}

// Copies left by programs that are gone, written as a program writes them.
QString leaveCopy(const QString& folder, const QString& name, const std::string& page,
                  const std::string& text, std::int64_t timeMs = 1765000000000) {
    EXPECT_TRUE(makePrivateFolder(folder));
    recovery::TCopyHeader h;
    h.path = page;
    h.timeMs = timeMs;
    const QString path = folder + "/" + name;
    EXPECT_TRUE(writeRecoveryCopy(path, recovery::copyHeader(h, text.data(), text.size()),
                                  QByteArray::fromStdString(text)));
    return path;
}

unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(Recovery, ALockThatIsNotALiveProgramsNeverHidesItsCopy) {
    const QString copy = leaveCopy(folder(), "1-1.recovery", "/p.txt", "kept");
    const QString lock = recoveryLockPath(copy);
    // Empty, as a power cut leaves it: offered at the next start, and the next.
    for (int start = 0; start < 2; ++start) {
        ASSERT_TRUE(lptest::writeFile(lock, ""));
        restart(TAnswer::Cancel);
        EXPECT_FALSE(form->recoverAtStart());
        EXPECT_EQ(prompts.questions.size(), start + 1);
        EXPECT_FALSE(QFile::exists(lock));
    }
    // A link: the link goes, what it points to stays.
    const QString target = dir.file("target");
    ASSERT_TRUE(lptest::writeFile(target, "42\nlarkpad\nthere\n"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(lock).constData()),
              0);
    restart(TAnswer::Cancel);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(prompts.questions.size(), 3);
    EXPECT_EQ(lptest::readFile(target), "42\nlarkpad\nthere\n");

    // Another machine's program, on a shared home: its copy waits while the lock is under a day
    // old, and is offered after.
    ASSERT_TRUE(lptest::writeFile(lock, "42\nlarkpad\nsome-other-machine\n"));
    restart(std::nullopt);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(prompts.questions.size(), 3);
    QFile f(lock);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-25 * 3600),
                              QFileDevice::FileModificationTime));
    f.close();
    restart(TAnswer::Yes);
    EXPECT_TRUE(form->recoverAtStart());
    EXPECT_EQ(form->Clm1->Text(), "kept");
}

TEST_F(Recovery, LinksInOrAsTheFolderAreNeverWrittenThrough) {
    type("first");
    copyNow();
    const QString copy = form->recovery().copyPath();
    // The copy's name made a link to a file elsewhere.
    const QString elsewhere = dir.file("c");
    ASSERT_TRUE(lptest::writeFile(elsewhere, "someone's file"));
    ASSERT_TRUE(QFile::setPermissions(elsewhere, QFileDevice::Permissions(0x6644)));
    ASSERT_TRUE(QFile::remove(copy));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(copy).constData()),
        0);
    type(" second");
    copyNow();
    type(" third");
    copyNow();
    EXPECT_EQ(lptest::readFile(elsewhere), "someone's file");
    EXPECT_EQ(modeOf(elsewhere), 0644u);
    EXPECT_EQ(form->StatusNote->text(), "Recovery copies cannot be written in " + folder() + ": " +
                                            copy + " is a symbolic link");

    // At the next start the link is told of and left alone; nothing is asked.
    restart(std::nullopt);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_TRUE(prompts.questions.isEmpty());
    ASSERT_EQ(prompts.warnings.size(), 1);
    EXPECT_TRUE(prompts.warnings.first().contains(copy + ": it is a symbolic link"));
    EXPECT_TRUE(QFileInfo(copy).isSymLink());
    EXPECT_EQ(lptest::readFile(elsewhere), "someone's file");
}

TEST_F(Recovery, AFolderThatIsALinkToASharedFolderIsNotUsed) {
    form.reset();
    const QString shared = dir.file("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_TRUE(QFile::setPermissions(shared, QFileDevice::Permissions(0x7755)));
    ASSERT_TRUE(QDir().mkpath(state.file("Larkpad")));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(shared).constData(), QFile::encodeName(folder()).constData()),
        0);
    restart(std::nullopt);
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_EQ(prompts.errors, QStringList{"The recovery folder " + folder() +
                                          " is not used: it is a symbolic link."});
    type("text");
    copyNow();
    EXPECT_EQ(modeOf(shared), 0755u);
    EXPECT_TRUE(QDir(shared).isEmpty());
    EXPECT_EQ(form->StatusNote->text(),
              "Recovery copies cannot be written in " + folder() + ": it is a symbolic link");
}

TEST_F(Recovery, OnlyTheUsersOwnCopiesInTheUsersOwnFolderAreOffered) {
    const QString copy = leaveCopy(folder(), "1-1.recovery", "/etc/motd", "planted");
    // A folder others may read is made private before anything in it is read.
    ASSERT_TRUE(QFile::setPermissions(folder(), QFileDevice::Permissions(0x7755)));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(copy).constData(), 1, 1), 0);
        restart(std::nullopt);
        EXPECT_FALSE(form->recoverAtStart());
        EXPECT_TRUE(prompts.questions.isEmpty());
        EXPECT_EQ(prompts.warnings.size(), 1);
        EXPECT_TRUE(prompts.warnings.join("").contains(copy + ": it belongs to another user"));
        EXPECT_TRUE(QFile::exists(copy));
        EXPECT_EQ(modeOf(folder()), 0700u);

        // Nor is anything read in a folder of another user.
        ASSERT_EQ(::chown(QFile::encodeName(copy).constData(), ::geteuid(), ::getegid()), 0);
        ASSERT_EQ(::chown(QFile::encodeName(folder()).constData(), 1, 1), 0);
        restart(std::nullopt);
        EXPECT_FALSE(form->recoverAtStart());
        EXPECT_TRUE(prompts.questions.isEmpty());
        EXPECT_EQ(prompts.errors.last(),
                  "The recovery folder " + folder() + " is not used: it belongs to another user.");
    } else {
        restart(TAnswer::Cancel);
        EXPECT_FALSE(form->recoverAtStart());
        EXPECT_EQ(modeOf(folder()), 0700u);
    }
}

TEST_F(Recovery, ManyCopiesAreListedOnceDamagedOnesAmongThem) {
    form.reset();
    QStringList sound;
    for (int i = 0; i < 40; ++i)
        sound << leaveCopy(folder(), QString("%1-1.recovery").arg(100 + i),
                           "/page" + std::to_string(i) + ".txt", "text " + std::to_string(i),
                           1765000000000 + i);
    QStringList damaged;
    for (int i = 0; i < 30; ++i) {
        damaged << folder() + QString("/%1-2.recovery").arg(200 + i);
        ASSERT_TRUE(lptest::writeFile(damaged.last(), "not a copy"));
    }
    // Later: every copy stays (the damaged ones set aside), nothing else is shown.
    restart(std::nullopt);
    dialogs.recoveryDecisions.push_back({recovery::TListAction::Later, {}});
    EXPECT_FALSE(form->recoverAtStart());
    EXPECT_TRUE(prompts.shown.isEmpty());
    ASSERT_EQ(dialogs.recoveryLists.size(), 1u);
    const auto& list = dialogs.recoveryLists.front();
    ASSERT_EQ(list.size(), 70u);
    int damagedRows = 0;
    for (const recovery::TListedCopy& c : list) {
        if (c.damage.empty())
            continue;
        ++damagedRows;
        EXPECT_EQ(c.damage, "it is not a recovery copy (kept as " + c.file + ")");
        EXPECT_TRUE(QFile::exists(QString::fromStdString(c.file)));
    }
    EXPECT_EQ(damagedRows, 30);
    EXPECT_EQ(copies().size(), 40);

    // Delete two, then recover one: the rest stay for the next start.
    const qint64 size0 = QFileInfo(sound[0]).size();
    restart(std::nullopt);
    dialogs.recoveryDecisions.push_back({recovery::TListAction::Delete, {0, 1}});
    dialogs.recoveryDecisions.push_back({recovery::TListAction::Recover, {0}});
    EXPECT_TRUE(form->recoverAtStart());
    ASSERT_EQ(dialogs.recoveryLists.size(), 3u);
    const auto& first = dialogs.recoveryLists[1];
    EXPECT_EQ(first.size(), 40u); // the damaged ones were set aside the first time
    EXPECT_EQ(first[0].page, "/page0.txt");
    EXPECT_EQ(first[0].timeMs, 1765000000000);
    EXPECT_EQ(first[0].size, std::uint64_t(size0));
    EXPECT_EQ(dialogs.recoveryLists[2].size(), 38u);
    EXPECT_EQ(dialogs.recoveryLists[2][0].page, "/page2.txt");
    EXPECT_EQ(form->Clm1->Text(), "text 2");
    EXPECT_EQ(form->StatusPanel1->text(), "/page2.txt");
    EXPECT_FALSE(QFile::exists(sound[0]));
    EXPECT_FALSE(QFile::exists(sound[1]));
    EXPECT_EQ(copies().size(), 38);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

} // namespace
