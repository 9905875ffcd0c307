// Recovery copies below the main window: when a copy is due, the copy format and its damage checks,
// the byte hash, the worker thread, the copy files on disk and their locks, and the list of copies.
#include "document/core/RecoveryCopy.h"
#include "document/PageText.h"
#include "document/RecoveryFiles.h"
#include "platform/DiskStamps.h"
#include "platform/RecoveryDialog.h"
#include "platform/core/LatestJobWorker.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using recovery::TSchedule;

TEST(RecoverySchedule, CopyAfterAPauseAndAtLeastEveryThirtySecondsOfTyping) {
    TSchedule s;
    EXPECT_FALSE(s.dueAt()); // nothing changed: never a copy
    s.changed(1000);
    EXPECT_EQ(*s.dueAt(), 3000);
    s.changed(2500); // typing goes on: the pause starts again
    EXPECT_EQ(*s.dueAt(), 4500);
    EXPECT_FALSE(s.isDue(4499));
    EXPECT_TRUE(s.isDue(4500));
    s.taken();
    EXPECT_FALSE(s.dueAt()); // the copy holds the text

    // A key every second never pauses long enough: the copy comes 30 seconds after the first.
    s.changed(10000);
    for (std::int64_t t = 11000; t < 45000; t += 1000) {
        s.changed(t);
        if (s.isDue(t))
            break;
    }
    EXPECT_EQ(*s.dueAt(), 40000);
    s.clear();
    EXPECT_FALSE(s.dueAt());
}

namespace {

std::string bodyOf(const std::string& copy, const recovery::TParsedCopy& p) {
    return copy.substr(p.bodyOffset, p.bodySize);
}

unsigned mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

std::string makeCopy(const recovery::TCopyHeader& h, const std::string& body) {
    return recovery::copyHeader(h, body.data(), body.size()) + body;
}

} // namespace

TEST(RecoveryCopyFormat, RoundTripsPathTimeStampAndBody) {
    recovery::TCopyHeader h;
    h.path = "/home/a/odd %41 name\nwith line\x7f\xc3\xa9.txt";
    h.timeMs = 1765000000123;
    h.page = {true, 42, 1765000000000, 0xfedcba9876543210ull};
    std::string body = "first\r\n\x80\xff line";
    body += '\0';
    body += "after zero";
    const std::string copy = makeCopy(h, body);
    const recovery::TParsedCopy p = recovery::parseCopy(copy.data(), copy.size(), 1000);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.header.path, h.path);
    EXPECT_EQ(p.header.timeMs, h.timeMs);
    EXPECT_EQ(p.header.page, h.page);
    EXPECT_EQ(bodyOf(copy, p), body);

    // An untitled document, no page stamp, empty text.
    const std::string empty = makeCopy({}, "");
    const recovery::TParsedCopy q = recovery::parseCopy(empty.data(), empty.size(), 1000);
    ASSERT_TRUE(q.ok) << q.error;
    EXPECT_EQ(q.header.path, "");
    EXPECT_FALSE(q.header.page.exists);
    EXPECT_EQ(q.bodySize, 0u);
}

// A copy streamed to its file leaves room for its header first: with fixed-width figures the
// header's length does not depend on the body, and it reads as the short form does.
TEST(RecoveryCopyFormat, FixedWidthHeaderHasOneLengthAndReadsTheSame) {
    recovery::TCopyHeader h;
    h.path = "/p.txt";
    h.timeMs = 1765000000123;
    const std::string body = "some text\r\nof a page";
    const std::string room = recovery::copyHeader(h, 0, 0, true);
    const std::string head =
        recovery::copyHeader(h, body.size(), TByteHash::of(body.data(), body.size()), true);
    EXPECT_EQ(recovery::copyHeader(h, ~std::uint64_t(0), ~std::uint64_t(0), true).size(),
              room.size());
    ASSERT_EQ(head.size(), room.size());
    const std::string copy = head + body;
    const recovery::TParsedCopy p = recovery::parseCopy(copy.data(), copy.size(), 1000);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.header.path, h.path);
    EXPECT_EQ(bodyOf(copy, p), body);
}

// The copy writer: bytes added piece by piece make the same copy; nothing replaces the previous
// copy until commit.
TEST(RecoveryFiles, ACopyWrittenPieceByPieceReadsBack) {
    lptest::TempDir dir;
    const QString path = dir.file("a.recovery");
    recovery::TCopyHeader h;
    h.path = "/page.txt";
    ASSERT_TRUE(writeRecoveryCopy(path, recovery::copyHeader(h, "old", 3), "old"));
    {
        TRecoveryCopyWriter w;
        ASSERT_TRUE(w.open(path, h));
        EXPECT_TRUE(w.add("new\r\n"));
        // Given up: the previous copy stays.
    }
    EXPECT_EQ(readRecoveryCopy(path).text, "old");
    TRecoveryCopyWriter w;
    ASSERT_TRUE(w.open(path, h));
    for (std::string_view piece : {"new\r\n", "", "te", "xt\x80"})
        EXPECT_TRUE(w.add(piece));
    ASSERT_TRUE(w.commit());
    const TRecoveredCopy read = readRecoveryCopy(path);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.path, "/page.txt");
    EXPECT_EQ(read.text, QString::fromUtf8("new\ntext\xe2\x82\xac"));
}

// A copy longer than the slices it is read in: a CR LF across two slices is one line break, and a
// damaged or missing byte anywhere in the body is found.
TEST(RecoveryFiles, ALongCopyIsReadInSlices) {
    lptest::TempDir dir;
    const QString path = dir.file("long.recovery");
    recovery::TCopyHeader h;
    const std::size_t headerSize = recovery::copyHeader(h, 0, 0, true).size();
    const std::size_t slice = std::size_t(1) << 20;
    std::string body(slice - headerSize - 1, 'a'); // the CR ends the first slice
    body += "\r\nb\x80";
    body += std::string(slice + 10, 'c');
    auto write = [&](const std::string& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), qint64(bytes.size()));
    };
    const std::string copy =
        recovery::copyHeader(h, body.size(), TByteHash::of(body.data(), body.size()), true) + body;
    ASSERT_EQ(copy[slice - 1], '\r');
    write(copy);
    TRecoveredCopy read = readRecoveryCopy(path);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.text, pagetext::fromPageBytes(body));
    EXPECT_EQ(read.text.count('\n'), 1);

    std::string bad = copy;
    bad[bad.size() - 3] = 'd';
    write(bad);
    EXPECT_EQ(readRecoveryCopy(path).error, "its text is damaged");
    write(copy.substr(0, copy.size() - 1));
    EXPECT_EQ(readRecoveryCopy(path).error, "it is cut short");
    write(copy + "x");
    EXPECT_EQ(readRecoveryCopy(path).error, "it holds more than its text");
}

TEST(RecoveryCopyFormat, DamagedCopiesAreRefused) {
    recovery::TCopyHeader h;
    h.path = "/p.txt";
    h.page = {true, 3, 5, 7};
    const std::string body = "some text\r\nof a page";
    const std::string copy = makeCopy(h, body);
    // Cut anywhere: never taken for sound.
    for (std::size_t n = 0; n < copy.size(); ++n)
        EXPECT_FALSE(recovery::parseCopy(copy.data(), n, 1000).ok) << "cut at " << n;
    // Any byte changed, in the header or the body.
    for (std::size_t i = 0; i < copy.size(); ++i) {
        std::string bad = copy;
        bad[i] = char(bad[i] ^ 0x20);
        const recovery::TParsedCopy p = recovery::parseCopy(bad.data(), bad.size(), 1000);
        // A changed letter of the path or a digit of the time can still be a sound header; the
        // body is always checked.
        if (p.ok) {
            EXPECT_LT(i, copy.size() - body.size()) << "changed byte " << i;
        }
    }
    const std::string longer = copy + "x";
    EXPECT_EQ(recovery::parseCopy(longer.data(), longer.size(), 1000).error,
              "it holds more than its text");
    EXPECT_EQ(recovery::parseCopy(copy.data(), copy.size(), 5).error,
              "its text is longer than a page may be");
    std::mt19937 random(7);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = char(random());
    EXPECT_FALSE(recovery::parseCopy(garbage.data(), garbage.size(), 1 << 20).ok);
}

TEST(ByteHash, SameBytesSameHashHoweverSplit) {
    std::mt19937 random(3);
    std::string bytes(1000, '\0');
    for (char& c : bytes)
        c = char(random());
    const std::uint64_t whole = TByteHash::of(bytes.data(), bytes.size());
    for (int round = 0; round < 50; ++round) {
        TByteHash h;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t n = std::min<std::size_t>(random() % 20, bytes.size() - at);
            h.add(bytes.data() + at, n);
            at += n;
        }
        EXPECT_EQ(h.value(), whole);
    }
    // Length counts: zero bytes appended change the hash.
    EXPECT_NE(TByteHash::of("ab", 2), TByteHash::of("ab\0", 3));
    std::string other = bytes;
    other[500] = char(other[500] ^ 1);
    EXPECT_NE(TByteHash::of(other.data(), other.size()), whole);
}

TEST(DiskChange, TouchedFileIsNotChangedRewrittenIs) {
    lptest::TempDir dir;
    const QString path = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(path, "abc"));
    const TFileStamp known = readFileStamp(path);
    ASSERT_TRUE(known.exists);
    EXPECT_FALSE(changedOnDisk(known, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::fromMSecsSinceEpoch(known.modifiedMs + 5000),
                              QFileDevice::FileModificationTime));
    f.close();
    EXPECT_FALSE(changedOnDisk(known, path)); // same bytes
    ASSERT_TRUE(lptest::writeFile(path, "abd"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::fromMSecsSinceEpoch(known.modifiedMs + 9000),
                              QFileDevice::FileModificationTime));
    f.close();
    EXPECT_TRUE(changedOnDisk(known, path)); // same size, other bytes
    QFile::remove(path);
    EXPECT_TRUE(changedOnDisk(known, path));
}

// A copy that keeps times (cp -p) can leave size and modification time as they were: the change
// time still tells, and the bytes decide. The same goes for a file replaced by a rename.
TEST(DiskChange, RewriteKeepingSizeAndTimeIsChangedOnlyWithOtherBytes) {
    lptest::TempDir dir;
    const QString path = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(path, "abc"));
    const TFileStamp known = readFileStamp(path);
    ASSERT_TRUE(lptest::rewriteKeepingTime(path, "abd"));
    ASSERT_EQ(statFile(path).modifiedMs, known.modifiedMs);
    EXPECT_TRUE(changedOnDisk(known, path));
    ASSERT_TRUE(lptest::rewriteKeepingTime(path, "abc"));
    EXPECT_FALSE(changedOnDisk(known, path));

    const QString other = dir.file("other.txt");
    for (const char* bytes : {"abc", "xyz"}) {
        ASSERT_TRUE(lptest::writeFile(other, bytes));
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {known.modifiedMs / 1000, (known.modifiedMs % 1000) * 1000000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
        ASSERT_EQ(
            ::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        ASSERT_EQ(statFile(path).modifiedMs, known.modifiedMs);
        EXPECT_EQ(changedOnDisk(known, path), bytes[0] == 'x') << bytes;
    }
}

TEST(LatestJobWorker, RunsInOrderAndANewerWaitingJobReplacesTheOlder) {
    std::vector<int> ran;
    std::atomic<bool> started{false}, release{false};
    {
        TLatestJobWorker worker;
        worker.post([&] {
            started = true;
            while (!release)
                std::this_thread::yield();
            ran.push_back(1);
        });
        while (!started)
            std::this_thread::yield();
        // While the first runs, 2 waits and is replaced by 3.
        worker.post([&] { ran.push_back(2); });
        worker.post([&] { ran.push_back(3); });
        release = true;
        worker.waitIdle();
        EXPECT_EQ(ran.back(), 3);
        worker.post([&] { ran.push_back(4); }); // runs before the worker ends
    }
    EXPECT_EQ(ran, std::vector<int>({1, 3, 4}));
}

TEST(RecoveryFiles, PrivateFolderAndFilesListedOldestFirst) {
    lptest::TempDir dir;
    const QString folder = dir.file("state/Larkpad/recovery");
    ASSERT_TRUE(makePrivateFolder(folder));
    EXPECT_EQ(mode(folder), 0700u);
    const QString a = newRecoveryCopyPath(folder);
    const std::string body = "page\r\ntext";
    recovery::TCopyHeader h;
    h.path = "/x/\xc3\xa9t\xc3\xa9.txt";
    ASSERT_TRUE(writeRecoveryCopy(a, recovery::copyHeader(h, body.data(), body.size()),
                                  QByteArray::fromStdString(body)));
    EXPECT_EQ(mode(a), 0600u);
    // Writing again replaces the copy and keeps it private.
    ASSERT_TRUE(writeRecoveryCopy(a, recovery::copyHeader(h, body.data(), body.size()),
                                  QByteArray::fromStdString(body)));
    EXPECT_EQ(mode(a), 0600u);

    const TRecoveredCopy back = readRecoveryCopy(a);
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    EXPECT_EQ(back.path, QString::fromUtf8("/x/\xc3\xa9t\xc3\xa9.txt"));
    EXPECT_EQ(back.text, "page\ntext"); // the editor's form, as a load gives it

    // Lock files, damaged copies and temporary files are not copies.
    QFile older(dir.file("state/Larkpad/recovery/0-1.recovery"));
    ASSERT_TRUE(lptest::writeFile(older.fileName(), "garbage"));
    ASSERT_TRUE(older.open(QIODevice::ReadWrite));
    ASSERT_TRUE(older.setFileTime(QDateTime::fromMSecsSinceEpoch(1000000),
                                  QFileDevice::FileModificationTime));
    older.close();
    ASSERT_TRUE(lptest::writeFile(a + ".lock", "1"));
    ASSERT_TRUE(lptest::writeFile(a + ".Xy12ab", "partial"));
    EXPECT_EQ(listRecoveryCopies(folder), QStringList({older.fileName(), a}));
    const QString aside = setRecoveryCopyAside(older.fileName());
    EXPECT_EQ(aside, older.fileName() + ".damaged");
    EXPECT_EQ(listRecoveryCopies(folder), QStringList({a}));
    ASSERT_TRUE(lptest::writeFile(older.fileName(), "garbage again"));
    EXPECT_EQ(setRecoveryCopyAside(older.fileName()), older.fileName() + ".2.damaged");
}

TEST(RecoveryFiles, FolderThatCannotBeMadeFailsWithoutHarm) {
    lptest::TempDir dir;
    // A file where the folder should be: as true for root as for anyone.
    const QString blocker = dir.file("state");
    ASSERT_TRUE(lptest::writeFile(blocker, "not a folder"));
    EXPECT_FALSE(makePrivateFolder(blocker + "/Larkpad/recovery"));
    EXPECT_FALSE(writeRecoveryCopy(blocker + "/a.recovery", "h", "b"));
    EXPECT_EQ(lptest::readFile(blocker), "not a folder");
}

TEST(RecoveryLocks, WhatALockSaysDecidesWhetherItsCopyIsFree) {
    using recovery::TLockState;
    // As this system's lock writes it, read back.
    lptest::TempDir dir;
    const QString path = dir.file("x.recovery.lock");
    {
        QLockFile lock(path);
        ASSERT_TRUE(lock.tryLock(0));
        const recovery::TLockHolder mine =
            recovery::parseLock(lptest::readFile(path).toStdString());
        ASSERT_TRUE(mine.readable);
        EXPECT_EQ(mine.pid, QCoreApplication::applicationPid());
        EXPECT_EQ(mine.machine, QSysInfo::machineHostName().toStdString());
        EXPECT_EQ(recoveryLockState(path), TLockState::AskSystem);
    }
    // What a power cut leaves, and what is no lock at all: stale.
    for (const char* bytes : {"", "123", "123\nlarkpad", "abc\nlarkpad\nhost\n", "-5\nx\nhost\n"})
        EXPECT_FALSE(recovery::parseLock(bytes).readable) << bytes;
    EXPECT_EQ(recovery::lockState(recovery::parseLock(""), "here", 0), TLockState::Stale);
    // Another machine's lock holds for a day.
    const recovery::TLockHolder there = recovery::parseLock("42\nlarkpad\nthere\n");
    EXPECT_EQ(recovery::lockState(there, "here", recovery::kForeignLockMs), TLockState::Held);
    EXPECT_EQ(recovery::lockState(there, "here", recovery::kForeignLockMs + 1), TLockState::Stale);
    EXPECT_EQ(recovery::lockState(there, "there", recovery::kForeignLockMs + 1),
              TLockState::AskSystem);
    EXPECT_EQ(recovery::lockState(recovery::parseLock("42\nlarkpad\n\n"), "here", 0),
              TLockState::AskSystem);

    // On disk: empty, a link, or another machine's old lock are stale.
    ASSERT_TRUE(lptest::writeFile(path, ""));
    EXPECT_EQ(recoveryLockState(path), TLockState::Stale);
    QFile::remove(path);
    ASSERT_TRUE(lptest::writeFile(dir.file("elsewhere"), "42\nlarkpad\nthere\n"));
    ASSERT_EQ(::symlink(QFile::encodeName(dir.file("elsewhere")).constData(),
                        QFile::encodeName(path).constData()),
              0);
    EXPECT_EQ(recoveryLockState(path), TLockState::Stale);
    QFile::remove(path);
    ASSERT_TRUE(lptest::writeFile(path, "42\nlarkpad\nthere\n"));
    EXPECT_EQ(recoveryLockState(path), TLockState::Held);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        f.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    f.close();
    EXPECT_EQ(recoveryLockState(path), TLockState::Stale);
}

TEST(RecoveryList, RecoverTakesOneSoundCopyDeleteAnyLaterNone) {
    using recovery::TListAction;
    std::vector<recovery::TListedCopy> copies(3);
    copies[1].damage = "it is cut short";
    using Rows = std::vector<std::size_t>;
    EXPECT_TRUE(recovery::allowed(TListAction::Recover, copies, Rows{0}));
    EXPECT_FALSE(recovery::allowed(TListAction::Recover, copies, Rows{1})); // damaged
    EXPECT_FALSE(recovery::allowed(TListAction::Recover, copies, Rows{0, 2}));
    EXPECT_FALSE(recovery::allowed(TListAction::Recover, copies, Rows{}));
    EXPECT_TRUE(recovery::allowed(TListAction::Delete, copies, Rows{0, 1, 2}));
    EXPECT_FALSE(recovery::allowed(TListAction::Delete, copies, Rows{}));
    EXPECT_FALSE(recovery::allowed(TListAction::Delete, copies, Rows{3})); // no such row
    EXPECT_TRUE(recovery::allowed(TListAction::Later, copies, Rows{}));

    EXPECT_EQ(recovery::sizeText(0), "0 bytes");
    EXPECT_EQ(recovery::sizeText(1), "1 byte");
    EXPECT_EQ(recovery::sizeText(1023), "1023 bytes");
    EXPECT_EQ(recovery::sizeText(1536), "1.5 KB");
    EXPECT_EQ(recovery::sizeText(1024 * 1024 - 1), "1023.9 KB");
    EXPECT_EQ(recovery::sizeText(2 * 1024 * 1024), "2.0 MB");
    EXPECT_EQ(recovery::sizeText(5ull * 1024 * 1024 * 1024 * 1024), "5120.0 GB");
}

TEST(RecoveryFiles, LinksAndOtherUsersFilesAreNeitherFollowedNorRead) {
    lptest::TempDir dir;
    const QString folder = dir.file("recovery");
    ASSERT_TRUE(makePrivateFolder(folder));
    const QString target = dir.file("elsewhere.txt");
    ASSERT_TRUE(lptest::writeFile(target, "not to be touched"));
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QString link = folder + "/1-2.recovery";
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
    QString why;
    EXPECT_FALSE(writeRecoveryCopy(link, "h", "b", &why));
    EXPECT_EQ(why, link + " is a symbolic link");
    EXPECT_EQ(lptest::readFile(target), "not to be touched");
    EXPECT_EQ(mode(target), 0644u);
    const TRecoveredCopy read = readRecoveryCopy(link);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.foreign);
    EXPECT_EQ(read.error, "it is a symbolic link");
    EXPECT_EQ(listRecoveryCopies(folder), QStringList{link}); // listed, to be told apart

    // A folder that is a link to a shared folder is neither used nor made private.
    const QString shared = dir.file("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_TRUE(QFile::setPermissions(shared, QFileDevice::Permissions(0x7755)));
    const QString linkedFolder = dir.file("linked");
    ASSERT_EQ(::symlink(QFile::encodeName(shared).constData(),
                        QFile::encodeName(linkedFolder).constData()),
              0);
    EXPECT_FALSE(makePrivateFolder(linkedFolder, &why));
    EXPECT_EQ(why, "it is a symbolic link");
    EXPECT_EQ(mode(shared), 0755u);

    // A folder of the user's own that others may read becomes private before it is used.
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::Permissions(0x7755)));
    EXPECT_TRUE(checkPrivateFolder(folder, &why));
    EXPECT_EQ(mode(folder), 0700u);

    // Made where a file stands: the system's reason.
    ASSERT_TRUE(lptest::writeFile(dir.file("file"), "x"));
    EXPECT_FALSE(makePrivateFolder(dir.file("file/recovery"), &why));
    EXPECT_EQ(why, "Not a directory");
}

TEST(RecoveryFiles, OnlyTheUsersOwnCopiesAreRead) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    lptest::TempDir dir;
    const QString folder = dir.file("recovery");
    ASSERT_TRUE(makePrivateFolder(folder));
    const QString copy = folder + "/1-2.recovery";
    const std::string body = "text";
    recovery::TCopyHeader h;
    h.path = "/etc/motd";
    ASSERT_TRUE(writeRecoveryCopy(copy, recovery::copyHeader(h, body.data(), 4),
                                  QByteArray::fromStdString(body)));
    ASSERT_TRUE(readRecoveryCopy(copy).ok);
    ASSERT_EQ(::chown(QFile::encodeName(copy).constData(), 1, 1), 0);
    const TRecoveredCopy read = readRecoveryCopy(copy);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.foreign);
    EXPECT_EQ(read.error, "it belongs to another user");

    // Nor one its user cannot even open: read as a user of its own (a child process), the
    // folder that user's, the copy another's and private to it.
    for (const QString& above : {lptest::homeDir(), dir.path()})
        ASSERT_EQ(::chmod(QFile::encodeName(above).constData(), 0755), 0);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown(QFile::encodeName(copy).constData(), 0, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), 0), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setegid(65534) != 0 || ::seteuid(65534) != 0)
            ::_exit(2);
        const TRecoveredCopy unreadable = readRecoveryCopy(copy);
        ::_exit(unreadable.foreign && unreadable.error == "it belongs to another user" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 0, 0), 0);
    ::chmod(QFile::encodeName(lptest::homeDir()).constData(), 0700);

    // And a folder of another user is not used at all.
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 1, 1), 0);
    QString why;
    EXPECT_FALSE(checkPrivateFolder(folder, &why));
    EXPECT_EQ(why, "it belongs to another user");
}

TEST(RecoveryDialog, EnterRecoversTheSelectedSoundCopyEscKeepsThemAll) {
    std::vector<recovery::TListedCopy> copies(3);
    copies[0].page = "/a.txt";
    copies[0].size = 2048;
    copies[1].damage = "it is cut short";
    TRecoveryDialog box(copies);
    box.show();
    QTreeWidget* list = box.list();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "/a.txt");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "2.0 KB");
    EXPECT_EQ(list->topLevelItem(1)->text(3), "damaged: it is cut short");
    EXPECT_EQ(list->topLevelItem(2)->text(0), "Untitled");
    EXPECT_EQ(list->currentItem(), list->topLevelItem(2)); // the newest sound copy
    EXPECT_TRUE(list->hasFocus() || !QApplication::focusWidget());

    // A damaged copy cannot be recovered: Enter does nothing, Delete can take it.
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_FALSE(box.button(recovery::TListAction::Recover)->isEnabled());
    EXPECT_TRUE(box.button(recovery::TListAction::Delete)->isEnabled());
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(box.isVisible());
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(box.decision().action, recovery::TListAction::Recover);
    EXPECT_EQ(box.decision().rows, std::vector<std::size_t>{0});

    TRecoveryDialog later(copies);
    later.show();
    later.list()->selectAll();
    QTest::keyClick(later.list(), Qt::Key_Escape);
    EXPECT_FALSE(later.isVisible());
    EXPECT_EQ(later.decision().action, recovery::TListAction::Later);
}
