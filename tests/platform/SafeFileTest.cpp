// Opening and writing files that are not plain: named pipes, devices, hard links, other owners.
#include "platform/core/SafeFile.h"
#include "tests/platform/FileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iostream>
#include <iterator>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace safefile;
using namespace lptest;

namespace {

// The bytes of a string in pieces of at most three bytes; after `failAfter` pieces it throws.
class Pieces : public TByteSource {
public:
    explicit Pieces(std::string bytes, int failAfter = -1)
        : bytes_(std::move(bytes)), failAfter_(failAfter) {}
    std::uint64_t size() override { return bytes_.size(); }
    std::string_view next() override {
        if (failAfter_ >= 0 && given_++ == failAfter_)
            throw std::bad_alloc();
        const std::string_view piece = std::string_view(bytes_).substr(at_, 3);
        at_ += piece.size();
        return piece;
    }

private:
    std::string bytes_;
    int failAfter_;
    int given_ = 0;
    std::size_t at_ = 0;
};

// Gives half its bytes, then stops until told to go on: a writer in the middle of its file.
class Halting : public TByteSource {
public:
    Halting(std::string bytes, int ready, int go)
        : bytes_(std::move(bytes)), ready_(ready), go_(go) {}
    std::uint64_t size() override { return bytes_.size(); }
    std::string_view next() override {
        const std::size_t half = bytes_.size() / 2;
        switch (given_++) {
        case 0:
            return std::string_view(bytes_).substr(0, half);
        case 1: {
            char c = 'r';
            if (::write(ready_, &c, 1) != 1 || ::read(go_, &c, 1) != 1)
                ::pause();
            return std::string_view(bytes_).substr(half);
        }
        default:
            return {};
        }
    }

private:
    std::string bytes_;
    int ready_;
    int go_;
    int given_ = 0;
};

// Another program writing a file, stopped halfway through it (more than a buffer's worth is
// written): it can be killed there, or let go on.
class StoppedWriter {
public:
    StoppedWriter(const std::string& path, const std::string& text) {
        if (::pipe(ready_) != 0 || ::pipe(go_) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            Halting bytes(text, ready_[1], go_[0]);
            ::_exit(writeFile(path, bytes).ok() ? 0 : 1);
        }
        char c = 0;
        stopped_ = pid_ > 0 && ::read(ready_[0], &c, 1) == 1;
    }
    ~StoppedWriter() {
        kill();
        for (int fd : {ready_[0], ready_[1], go_[0], go_[1]})
            if (fd >= 0)
                ::close(fd);
    }
    bool stopped() const { return stopped_; }
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    // Lets it finish; true when its write succeeded.
    bool finish() {
        char c = 'g';
        int status = 0;
        const bool ok = ::write(go_[1], &c, 1) == 1 && ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int ready_[2] = {-1, -1};
    int go_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool stopped_ = false;
};

// Temporary files with names from the start, as on a file system without unnamed files.
class NamedTemporaryFiles {
public:
    NamedTemporaryFiles() { allowUnnamedFiles(false); }
    ~NamedTemporaryFiles() { allowUnnamedFiles(true); }
};

bool folderTakesUnnamedFiles(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// A page's worth of text, several write buffers long.
std::string pageText(char c) {
    return std::string(std::size_t(1) << 20, c);
}

} // namespace

// Nothing is ever written over a pipe, a device or a folder, also through a link.
TEST(SafeFile, WritingLeavesSpecialFilesAsTheyWere) {
    Folder dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    std::vector<std::pair<std::string, TKind>> specials = {{"pipe", TKind::fifo},
                                                           {"folder", TKind::folder}};
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(dir.file("zero").c_str(), S_IFCHR | 0666, ::makedev(1, 5)), 0);
        specials.emplace_back("zero", TKind::charDevice);
    } else {
        std::cout << "[  SKIPPED ] the device node part: mknod needs root\n";
    }
    ASSERT_EQ(::symlink("pipe", dir.file("to-pipe").c_str()), 0);
    specials.emplace_back("to-pipe", TKind::fifo);
    const std::vector<std::string> before = dir.entries();
    for (const auto& [name, kind] : specials) {
        Pieces bytes("new text");
        const TWriteResult r = writeFile(dir.file(name), bytes);
        EXPECT_EQ(r.failed, TStage::notRegular) << name;
        EXPECT_EQ(r.kind, kind) << name;
        EXPECT_EQ(kindOf(dir.file(name)), kind) << name;
    }
    EXPECT_EQ(dir.entries(), before);
    EXPECT_EQ(kindOf(dir.file("zero")), ::geteuid() == 0 ? TKind::charDevice : TKind::missing);
}

// A page with a second name: both names show the new text (one file, written in place).
TEST(SafeFile, HardLinkedFileIsWrittenInPlace) {
    Folder dir;
    put(dir.file("a.txt"), "old text, rather long");
    ASSERT_EQ(::link(dir.file("a.txt").c_str(), dir.file("b.txt").c_str()), 0);
    const ino_t inode = statOf(dir.file("a.txt")).st_ino;
    for (const std::string text : {"new", "a new text longer than the old one was"}) {
        Pieces bytes(text);
        const TWriteResult r = writeFile(dir.file("a.txt"), bytes);
        EXPECT_TRUE(r.ok());
        EXPECT_TRUE(r.inPlace);
        EXPECT_EQ(get(dir.file("b.txt")), text);
        EXPECT_EQ(statOf(dir.file("a.txt")).st_ino, inode);
        EXPECT_EQ(statOf(dir.file("a.txt")).st_nlink, 2u);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.txt", "b.txt"})); // no backup left
}

// Out of memory halfway through an in-place write: the old bytes are back, under both names.
TEST(SafeFile, FailureHalfwayThroughAnInPlaceWritePutsTheOldBytesBack) {
    Folder dir;
    put(dir.file("a.txt"), "the previous text");
    ASSERT_EQ(::link(dir.file("a.txt").c_str(), dir.file("b.txt").c_str()), 0);
    Pieces bytes("XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX", 4);
    EXPECT_THROW(writeFile(dir.file("a.txt"), bytes), std::bad_alloc);
    EXPECT_EQ(get(dir.file("a.txt")), "the previous text");
    EXPECT_EQ(get(dir.file("b.txt")), "the previous text");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Saved by root (or a member of the group), the page keeps its owner, group and permissions.
TEST(SafeFile, ReplacementKeepsOwnerGroupAndPermissions) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    Folder dir;
    const std::string page = dir.file("page.txt");
    put(page, "old");
    ASSERT_EQ(::chown(page.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::chmod(page.c_str(), 0640), 0);
    Pieces bytes("new");
    const TWriteResult r = writeFile(page, bytes);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.inPlace);
    const struct stat st = statOf(page);
    EXPECT_EQ(st.st_uid, kOtherUser);
    EXPECT_EQ(st.st_gid, kOtherUser);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(get(page), "new");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page.txt"});
}

// A user who may write a page but not give a new file its owner, or who may not make files in
// its folder, writes it in place: the page stays what it was, with the new text.
TEST(SafeFile, InPlaceWhenTheOwnerCannotBeGivenBackOrTheFolderTakesNoFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as two other users needs root";
    Folder dir;
    const std::string shared = dir.file("shared.txt");
    put(shared, "old");
    ASSERT_EQ(::chown(shared.c_str(), kThirdUser, kThirdUser), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    // The user's own state folder, which takes the backup when the page's folder takes none.
    Folder home;
    ASSERT_EQ(::chown(home.path().c_str(), kOtherUser, kOtherUser), 0);
    auto writeAs = [&](const std::string& path, const std::string& text) {
        return asUser(kOtherUser, [&] {
            ::setenv("XDG_STATE_HOME", home.path().c_str(), 1);
            Pieces bytes(text);
            const TWriteResult r = writeFile(path, bytes);
            return r.ok() ? (r.inPlace ? 1 : 2) : 10 + int(r.failed);
        });
    };
    EXPECT_EQ(writeAs(shared, "written by another user"), 1);
    EXPECT_EQ(get(shared), "written by another user");
    EXPECT_EQ(statOf(shared).st_uid, kThirdUser);
    EXPECT_EQ(statOf(shared).st_gid, kThirdUser);

    const std::string own = dir.file("own.txt");
    put(own, "old");
    ASSERT_EQ(::chown(own.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_EQ(writeAs(own, "in a folder that takes no new file"), 1);
    EXPECT_EQ(get(own), "in a folder that takes no new file");
    // A file that may not be written is refused before anything is touched, also when the folder
    // would take a replacement and the file is the user's own.
    ASSERT_EQ(::chmod(shared.c_str(), 0644), 0);
    EXPECT_EQ(writeAs(shared, "refused"), 10 + int(TStage::create));
    EXPECT_EQ(get(shared), "written by another user");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(own.c_str(), 0444), 0);
    EXPECT_EQ(writeAs(own, "refused"), 10 + int(TStage::create));
    EXPECT_EQ(get(own), "in a folder that takes no new file");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"own.txt", "shared.txt"}));
}

// A writer killed halfway through a page leaves nothing beside it: its file has no name until
// it is complete, neither while a writer of another program is at it nor once it is killed.
TEST(SafeFile, KilledWriterLeavesNoTemporaryFile) {
    Folder dir;
    if (!folderTakesUnnamedFiles(dir.path()))
        GTEST_SKIP() << "the temporary folder's file system has no unnamed files";
    const std::string page = dir.file("page.txt");
    put(page, "old text");
    {
        StoppedWriter writer(page, pageText('a'));
        ASSERT_TRUE(writer.stopped());
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"page.txt"});
        writer.kill();
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page.txt"});
    EXPECT_EQ(get(page), "old text");

    // Let go on, it puts the page in place.
    StoppedWriter writer(page, pageText('b'));
    ASSERT_TRUE(writer.stopped());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page.txt"});
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(get(page), pageText('b'));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page.txt"});
}

// Where temporary files have names, a killed writer's file stays until the page's next save
// removes it; a live writer's file, an empty one just made, and files that only look like ours
// stay.
TEST(SafeFile, NextSaveRemovesTheLeftoversOfKilledWriters) {
    NamedTemporaryFiles named;
    Folder dir;
    const std::string page = dir.file("page.txt");
    put(page, "old text");
    StoppedWriter live(page, pageText('l'));
    ASSERT_TRUE(live.stopped());
    const std::vector<std::string> beforeKill = dir.entries();
    {
        StoppedWriter killed(page, pageText('k'));
        ASSERT_TRUE(killed.stopped());
    }
    std::vector<std::string> stale;
    const std::vector<std::string> afterKill = dir.entries();
    std::set_difference(afterKill.begin(), afterKill.end(), beforeKill.begin(), beforeKill.end(),
                        std::back_inserter(stale));
    ASSERT_EQ(stale.size(), 1u);
    EXPECT_EQ(stale[0].front(), '.');
    EXPECT_GT(statOf(dir.file(stale[0])).st_size, 0);
    EXPECT_EQ(get(page), "old text");

    std::string fresh = stale[0];
    fresh.back() = fresh.back() == 'Z' ? 'Y' : 'Z';
    put(dir.file(fresh), "");
    const std::vector<std::string> foreign = {
        stale[0] + "1", stale[0].substr(0, stale[0].size() - 1) + "-", ".page.txt.swp"};
    for (const std::string& name : foreign)
        put(dir.file(name), "another program's");
    std::vector<std::string> kept = dir.entries();
    kept.erase(std::find(kept.begin(), kept.end(), stale[0]));

    Pieces bytes("saved");
    ASSERT_TRUE(writeFile(page, bytes).ok());
    EXPECT_EQ(dir.entries(), kept);
    EXPECT_EQ(get(page), "saved");

    // The live writer goes on and puts its page in place; the empty file, once old, goes.
    EXPECT_TRUE(live.finish());
    EXPECT_EQ(get(page), pageText('l'));
    const timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(fresh).c_str(), old, 0), 0);
    EXPECT_EQ(removeLeftovers(page), 1);
    std::vector<std::string> left = {"page.txt"};
    left.insert(left.end(), foreign.begin(), foreign.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(dir.entries(), left);
}

// Bytes handed over as they come: until the writer commits, and when it fails, the file keeps its
// previous bytes and nothing is left beside it, whichever way it is written.
TEST(SafeFile, WriterThatFailsOrIsNotCommittedLeavesTheFile) {
    Folder dir;
    const std::string page = dir.file("page.txt");
    const std::string linked = dir.file("linked.txt");
    put(page, "old page");
    put(linked, "old linked");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other name.txt").c_str()), 0);
    const std::vector<std::string> before = dir.entries();

    // Given up before its first byte, a writer leaves even the file's time.
    const timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, linked.c_str(), old, 0), 0);
    for (const std::string& path : {page, linked}) {
        TFileWriter writer;
        ASSERT_TRUE(writer.open(path).ok());
    }
    EXPECT_EQ(statOf(linked).st_mtime, 1000000000);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    for (const bool unnamed : {true, false}) {
        allowUnnamedFiles(unnamed);
        for (const std::string& path : {page, linked}) {
            {
                TFileWriter writer;
                ASSERT_TRUE(writer.open(path).ok());
                EXPECT_EQ(writer.inPlace(), path == linked);
                EXPECT_TRUE(writer.write(pageText('x')));
                EXPECT_TRUE(writer.write("tail"));
            }
            EXPECT_EQ(get(path), path == page ? "old page" : "old linked");
            EXPECT_EQ(dir.entries(), before);

            // A full disk: a file size limit makes the same fault.
            TFileWriter writer;
            ASSERT_TRUE(writer.open(path).ok());
            rlimit limited = saved;
            limited.rlim_cur = 100000;
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
            const bool written = writer.write(pageText('y'));
            const TWriteResult r = writer.commit();
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
            EXPECT_FALSE(written);
            EXPECT_EQ(r.failed, TStage::write);
            EXPECT_EQ(r.error, EFBIG);
            EXPECT_EQ(get(path), path == page ? "old page" : "old linked");
            EXPECT_EQ(dir.entries(), before);
        }
    }
    allowUnnamedFiles(true);
}

// A private file (a recovery copy) is always a new file of the writer's own with the permissions
// asked for, also in the place of one with other names.
TEST(SafeFile, PrivateFileIsReplacedWholeWithItsOwnPermissions) {
    Folder dir;
    const std::string copy = dir.file("copy");
    put(copy, "old copy");
    ASSERT_EQ(::chmod(copy.c_str(), 0644), 0);
    ASSERT_EQ(::link(copy.c_str(), dir.file("second name").c_str()), 0);
    TWriteOptions options;
    options.mode = 0600;
    options.mayWriteInPlace = false;
    TBytesInMemory bytes({"header\n", "", "body"});
    const TWriteResult r = writeFile(copy, bytes, options);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.inPlace);
    EXPECT_EQ(get(copy), "header\nbody");
    EXPECT_EQ(statOf(copy).st_mode & 07777, 0600u);
    EXPECT_EQ(statOf(copy).st_nlink, 1u);
    EXPECT_EQ(get(dir.file("second name")), "old copy");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"copy", "second name"}));
}
