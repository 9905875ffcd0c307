// Writes in place killed at any point: the page is whole (old or new) or its previous bytes come
// back whole from the backup; backups outside a folder the author cannot write to; earlier
// backups never cut a page.
#include "platform/core/SafeFile.h"
#include "tests/platform/FileTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/wait.h>

using namespace safefile;
using namespace lptest;

namespace {

// The step the writer dies at, and how many times it passes it first.
const char* killStep = nullptr;
int killAfter = 0;

void killAtStep(const char* step) {
    if (killStep && std::strcmp(step, killStep) == 0 && killAfter-- == 0)
        ::kill(::getpid(), SIGKILL);
}

// Writes text to path in a child process that is killed at a step. Returns whether it was.
bool killedWriter(const std::string& path, const std::string& text, const char* step, int after) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        killStep = step;
        killAfter = after;
        setStepHook(killAtStep);
        TBytesInMemory bytes{text};
        ::_exit(writeFile(path, bytes).ok() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}

// What the next open finds: 'o' the old text whole, 'n' the new one, 'b' a torn page whose old
// text a whole backup gave back byte for byte (both names), '!' anything else. Afterwards no
// backup is left.
char outcome(const Folder& dir, const std::string& page, const std::string& other,
             const std::string& oldText, const std::string& newText) {
    const std::string now = get(page);
    const std::vector<TInterruptedBackup> backups = interruptedBackups(page);
    char result = '!';
    if (now == oldText || now == newText)
        result = backups.empty() ? (now == oldText ? 'o' : 'n') : '!';
    else if (backups.size() == 1 && putBackBackup(page, backups[0].path).ok() &&
             get(page) == oldText && get(other) == oldText)
        result = 'b';
    return dir.entries().size() == 2 ? result : '!';
}

std::string text(std::size_t size, unsigned seed) {
    std::string t(size, ' ');
    std::mt19937 random(seed);
    for (char& c : t)
        c = char('a' + random() % 26);
    return t;
}

} // namespace

// A hard-linked page, written in place by a writer killed at every step: the page is whole, old or
// new, or a whole backup puts its old text back, and nothing is left.
TEST(SaveBackup, KilledWriteInPlaceLeavesAWholePageOrAWholeBackup) {
    Folder dir;
    const std::string page = dir.file("a.txt");
    const std::string other = dir.file("b.txt");
    const std::string oldText = text(2 << 20, 1);
    put(page, oldText);
    ASSERT_EQ(::link(page.c_str(), other.c_str()), 0);
    struct TKill {
        const char* step;
        int after;
        char expected;
    };
    const TKill kills[] = {{"backup made", 0, 'o'},   {"previous bytes copied", 0, 'o'},
                           {"new bytes", 0, 'o'},     {"file slice", 1, 'b'},
                           {"backup sealed", 0, 'o'}, {"file slice", 0, 'b'},
                           {"file slice", 2, 'b'},    {"file written", 0, 'n'}};
    unsigned seed = 2;
    for (const TKill& k : kills) {
        // Shorter and longer than the old text in turn.
        const std::string newText = text(seed % 2 ? (1 << 20) + 5 : (3 << 20) + 7, seed);
        ++seed;
        EXPECT_TRUE(killedWriter(page, newText, k.step, k.after)) << k.step << k.after;
        EXPECT_EQ(outcome(dir, page, other, oldText, newText), k.expected)
            << k.step << ' ' << k.after;
        put(page, oldText);
    }
}

// A page in a folder its author cannot write to keeps its backup in the author's own state
// folder, not the temporary one: found there at the next open, gone once no longer needed.
TEST(SaveBackup, BackupOfAPageInAFolderThatTakesNoFileIsKeptInTheStateFolder) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a folder closed to its user needs another user";
    Folder dir;
    Folder home;
    const std::string page = dir.file("own.txt");
    put(page, "the old text");
    ASSERT_EQ(::chown(page.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    ASSERT_EQ(::chown(home.path().c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::mkdir(home.file("tmp").c_str(), 0700), 0);
    ASSERT_EQ(::chown(home.file("tmp").c_str(), kOtherUser, kOtherUser), 0);
    const std::string backups = home.file("state/Larkpad/backups");
    // Failures as bits of the exit status.
    const int failed = asUser(kOtherUser, [&] {
        ::setenv("XDG_STATE_HOME", home.file("state").c_str(), 1);
        ::setenv("TMPDIR", home.file("tmp").c_str(), 1);
        int bits = 0;
        killedWriter(page, text((2 << 20) + 3, 5), "file slice", 0);
        const std::vector<TInterruptedBackup> found = interruptedBackups(page);
        if (found.size() != 1 || found[0].path.rfind(backups + "/own.txt.", 0) != 0)
            bits |= 1;
        if (!std::filesystem::is_empty(home.file("tmp")))
            bits |= 2;
        if (found.size() == 1 &&
            (!putBackBackup(page, found[0].path).ok() || get(page) != "the old text"))
            bits |= 4;
        // A backup left by a killed save goes when a later save ends well: no pile-up.
        killedWriter(page, text((2 << 20) + 3, 6), "file slice", 0);
        killedWriter(page, "never began", "new bytes", 0);
        TBytesInMemory bytes{"saved"};
        if (!writeFile(page, bytes).ok() || get(page) != "saved")
            bits |= 8;
        if (!std::filesystem::is_empty(backups) || !interruptedBackups(page).empty())
            bits |= 16;
        return bits;
    });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(statOf(backups).st_mode & 07777, 0700u);
}
