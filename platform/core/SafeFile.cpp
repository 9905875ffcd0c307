// Durable file writes: the replacement through a temporary file (nameless where the file system
// allows it), the write in place with its backup, the leftovers of killed writers, and the
// streaming writer all of them use. They stay in one file: every path shares the same file handles,
// locks, error capture and the temporary file's life, and a split would expose that state to
// callers.
#include "platform/core/SafeFile.h"

#include "platform/core/SaveBackup.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace safefile {
namespace {

constexpr std::size_t kCopySlice = std::size_t(1) << 20;
// Small writes are gathered into a buffer of this size before they go to the file.
constexpr std::size_t kBuffer = std::size_t(64) << 10;
// The longest part of a file's name that goes into the names of its temporary files, so that
// these stay within the longest name a folder takes.
constexpr std::size_t kNameInTemporary = 200;
// What tells our temporary files beside a file from anybody else's: ".<name>.lpsave-" and six
// letters or digits.
constexpr std::string_view kTemporaryTag = ".lpsave-";
constexpr std::size_t kUniqueLetters = 6;
// An empty temporary file younger than this may be one that its writer is about to lock.
constexpr auto kYoungestLeftover = std::chrono::minutes(1);

std::atomic<bool> unnamedAllowed{true};
std::atomic<void (*)(const char*)> stepHook{nullptr};

// Tells the test hook where a write in place is.
void step(const char* name) {
    if (void (*hook)(const char*) = stepHook.load())
        hook(name);
}

TKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode))
        return TKind::regular;
    if (S_ISDIR(mode))
        return TKind::folder;
    if (S_ISFIFO(mode))
        return TKind::fifo;
    if (S_ISSOCK(mode))
        return TKind::socket;
    if (S_ISCHR(mode))
        return TKind::charDevice;
    if (S_ISBLK(mode))
        return TKind::blockDevice;
    return TKind::other;
}

} // namespace

std::string finalPath(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> target(std::size_t(st.st_size > 0 ? st.st_size : 255) + 2);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (n < 0)
            return path;
        const std::string link(target.data(), std::size_t(n));
        path = link.front() == '/' ? link : folderOf(path) + '/' + link;
    }
    return path; // a loop of links: opening it reports it
}

namespace {

// A file descriptor closed with its owner.
class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    ~TFd() { reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes and reports the close's own failure (a delayed write error on some file systems).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// A file made by mkstemp, removed with its owner unless kept.
class TTempFile {
public:
    // Makes "<pattern>XXXXXX"; fails with errno set.
    bool make(const std::string& pattern) {
        std::string name = pattern + "XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
        fd_.reset(fd);
        path_ = name;
        return true;
    }
    ~TTempFile() { discard(); }
    // Takes a file that has no name yet.
    void adopt(int fd) {
        discard();
        fd_.reset(fd);
    }
    // The file now has this name (an unnamed file linked into its folder).
    void named(std::string path) { path_ = std::move(path); }
    void discard() {
        fd_.reset();
        if (!path_.empty())
            ::unlink(path_.c_str());
        path_.clear();
    }
    // The file stays: it is no longer this object's to remove.
    void keep() { path_.clear(); }
    int fd() const { return fd_.get(); }
    TFd& handle() { return fd_; }
    const std::string& path() const { return path_; }

private:
    TFd fd_;
    std::string path_;
};

bool writeAll(int fd, const char* data, std::size_t n, off_t offset) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, data, n, offset);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0) {
            errno = ENOSPC;
            return false;
        }
        data += w;
        n -= std::size_t(w);
        offset += w;
    }
    return true;
}

// Copies size bytes of from, from offset fromAt on, into to, from offset toAt on. Each slice
// copied is a step of the given name.
bool copyBytes(int from, std::uint64_t fromAt, int to, std::uint64_t toAt, std::uint64_t size,
               const char* slice = nullptr) {
    std::vector<char> buffer(kCopySlice);
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kCopySlice, size - done));
        const ssize_t got = ::pread(from, buffer.data(), want, off_t(fromAt + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file shrank under us
            return false;
        }
        if (!writeAll(to, buffer.data(), std::size_t(got), off_t(toAt + done)))
            return false;
        done += std::uint64_t(got);
        if (slice)
            step(slice);
    }
    return true;
}

mode_t newFileMode() {
    // The process's umask can only be read by setting it; it is read once, before any thread of
    // ours could create a file.
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return 0666 & ~mask;
}

TWriteResult failure(TStage stage, int error, bool inPlace = false) {
    TWriteResult r;
    r.failed = stage;
    r.error = error;
    r.inPlace = inPlace;
    return r;
}

TWriteResult notRegular(TKind kind) {
    TWriteResult r;
    r.failed = TStage::notRegular;
    r.kind = kind;
    return r;
}

// Puts the backup's bytes (from offset at on) back into the file and gives it its old length.
bool restore(int fd, int backup, std::uint64_t at, std::uint64_t size) {
    return copyBytes(backup, at, fd, 0, size) && ::ftruncate(fd, off_t(size)) == 0 &&
           ::fdatasync(fd) == 0;
}

// ".<name>.lpsave-": the start of the names of the file's temporary files. A long name is cut,
// between two characters of UTF-8.
std::string temporaryPrefix(const std::string& name) {
    std::size_t n = std::min(name.size(), kNameInTemporary);
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    return '.' + name.substr(0, n) + std::string(kTemporaryTag);
}

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isOurTemporary(std::string_view entry, std::string_view prefix) {
    return entry.size() == prefix.size() + kUniqueLetters &&
           entry.substr(0, prefix.size()) == prefix &&
           std::all_of(entry.begin() + std::ptrdiff_t(prefix.size()), entry.end(), isLetterOrDigit);
}

// Six letters or digits, different at every call (mkstemp's kind).
std::string uniqueLetters() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = counter.fetch_add(1) ^ std::uint64_t(::getpid()) << 32 ^
                      std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    // splitmix64: neighbouring counts give unrelated letters.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string letters(kUniqueLetters, ' ');
    for (char& c : letters) {
        c = kLetters[x % 62];
        x /= 62;
    }
    return letters;
}

// Flushes a folder's entries to the disk, so that a rename in it outlives a power cut. The file
// is in place already: a failure here has nothing left to undo.
void syncFolder(const std::string& folder) {
    TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0 && ::fsync(dir.get()) != 0) {
        // Some file systems take no fsync on a folder; the file's own bytes are on the disk.
    }
}

} // namespace

std::uint64_t TBytesInMemory::size() {
    std::uint64_t n = 0;
    for (const std::string_view piece : pieces_)
        n += piece.size();
    return n;
}

std::string_view TBytesInMemory::next() {
    while (at_ < pieces_.size() && pieces_[at_].empty())
        ++at_;
    return at_ < pieces_.size() ? pieces_[at_++] : std::string_view();
}

void allowUnnamedFiles(bool allow) {
    unnamedAllowed = allow;
}

void setStepHook(void (*hook)(const char* step)) {
    stepHook = hook;
}

int removeLeftovers(const std::string& path) {
    const std::string target = finalPath(path);
    const std::string prefix = temporaryPrefix(nameOf(target));
    DIR* folder = ::opendir(folderOf(target).c_str());
    if (!folder)
        return 0;
    const int dir = ::dirfd(folder);
    const auto youngest = std::chrono::system_clock::now() - kYoungestLeftover;
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (!isOurTemporary(name, prefix))
            continue;
        TFd file(::openat(dir, entry->d_name,
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
        struct stat st {};
        if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        // A live writer holds its file locked until it is in place.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Between making its file and locking it a writer holds no lock; its file is empty then.
        if (st.st_size == 0 && std::chrono::system_clock::from_time_t(st.st_mtime) > youngest)
            continue;
        struct stat now {};
        if (::fstatat(dir, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == st.st_dev && now.st_ino == st.st_ino &&
            ::unlinkat(dir, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(folder);
    return removed;
}

struct TFileWriter::TState {
    enum class TMode { none, unnamed, named, inPlace };
    TMode mode = TMode::none;
    std::string target;
    std::string folder;
    TFd dir;       ///< the folder, for an unnamed file
    TTempFile out; ///< the file written: the temporary file, or the target itself in place
    TFd lock;      ///< a second handle on a temporary file: its lock lasts until it is in place
    std::vector<char> buffer;
    std::size_t buffered = 0;
    std::uint64_t written = 0; ///< bytes in the file
    int error = 0;
    // In place: the backup holds a header, the file's previous bytes, then the new bytes as they
    // come; the file itself is written from there once they are all on the disk.
    std::uint64_t oldSize = 0;
    TTempFile backup;
    std::uint64_t headerSize = 0; ///< where the previous bytes start in the backup
    bool backupMade = false;
    bool touched = false;       ///< bytes of the file itself were written
    bool reserved = false;      ///< room was reserved beyond the file's end
    std::uint64_t expected = 0; ///< the size of the new bytes, when told (reserve)

    bool fail() {
        if (!error)
            error = errno ? errno : EIO;
        return false;
    }

    // Locks the temporary file until it is in place: removeLeftovers takes a file for a leftover
    // only while nobody holds it. A file system without locks still takes the file.
    void lockTemporary() {
        if (::flock(out.fd(), LOCK_EX) == 0)
            lock.reset(::dup(out.fd()));
    }

    // A named temporary file beside the target.
    bool makeNamed() {
        const std::string pattern = folder + '/' + temporaryPrefix(nameOf(target));
        if (!out.make(pattern))
            return false;
        mode = TMode::named;
        lockTemporary();
        return true;
    }

    // A temporary file without a name where the file system makes one, else a named one.
    bool makeTemporary() {
#ifdef O_TMPFILE
        if (unnamedAllowed) {
            TFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            const int fd = folderFd.get() < 0 ? -1
                                              : ::openat(folderFd.get(), ".",
                                                         O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
            if (fd >= 0) {
                out.adopt(fd);
                dir.reset(folderFd.release());
                mode = TMode::unnamed;
                lockTemporary();
                return true;
            }
        }
#endif
        return makeNamed();
    }

    // Where the new bytes go, and where the first of them goes there.
    int newBytesFd() const {
        return mode == TMode::inPlace ? backup.fd() : out.fd();
    }
    std::uint64_t newBytesAt() const {
        return mode == TMode::inPlace ? headerSize + oldSize : 0;
    }

    bool writeOut(const char* data, std::size_t n) {
        if (mode == TMode::inPlace && !beginInPlace())
            return false;
        if (!writeAll(newBytesFd(), data, n, off_t(newBytesAt() + written)))
            return fail();
        written += n;
        if (mode == TMode::inPlace)
            step("new bytes");
        return true;
    }

    bool flush() {
        if (error)
            return false;
        if (buffered && !writeOut(buffer.data(), buffered))
            return false;
        buffered = 0;
        return true;
    }

    // Writing in place: the backup with the file's previous bytes, made before any new byte
    // comes. Beside the file, or in the user's own backup folder when the file's folder takes
    // none. Its header stays empty (zeros) until the new bytes are all there.
    bool beginInPlace() {
        if (backupMade)
            return true;
        headerSize = backupHeaderSize(target);
        int backupError = 0;
        for (int place = 0; place < 2; ++place) {
            const std::string stateFolder = place == 0 ? std::string() : backupFolder();
            const std::string pattern = place == 0
                                            ? folder + '/' + backupPrefixBeside(target)
                                            : stateFolder + '/' + backupPrefixInStateFolder(target);
            // Locked while the write lasts: a backup nobody holds is one a killed writer left.
            if ((place == 0 || makeBackupFolder(stateFolder)) && backup.make(pattern) &&
                ::flock(backup.fd(), LOCK_EX) == 0 &&
                // Not empty once locked: an empty backup may be one its writer is about to lock.
                ::ftruncate(backup.fd(), off_t(headerSize)) == 0 && reserveBackup() &&
                (step("backup made"), copyBytes(out.fd(), 0, backup.fd(), headerSize, oldSize))) {
                backupMade = true;
                step("previous bytes copied");
                return true;
            }
            backupError = errno;
            backup.discard();
        }
        errno = backupError;
        return fail();
    }

    // Room in the backup for the previous bytes and the new ones: a full disk is found before
    // anything is written.
    bool reserveBackup() {
#ifdef __linux__
        const std::uint64_t size = headerSize + oldSize + expected;
        if (::fallocate(backup.fd(), FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 &&
            errno != EOPNOTSUPP && errno != ENOSYS)
            return false;
#endif
        return true;
    }

    // The backup made whole: every byte on the disk, then its header, which tells what the file
    // held and what it is about to hold.
    bool sealBackup() {
        TBackupHeader h;
        h.path = target;
        h.oldSize = oldSize;
        h.newSize = written;
        if (!hashBytes(backup.fd(), headerSize, oldSize, h.oldHash) ||
            !hashBytes(backup.fd(), newBytesAt(), written, h.newHash) ||
            ::fdatasync(backup.fd()) != 0)
            return fail();
        const std::string header = formatBackupHeader(h);
        if (!writeAll(backup.fd(), header.data(), header.size(), 0) ||
            ::fdatasync(backup.fd()) != 0)
            return fail();
        step("backup sealed");
        return true;
    }

    TWriteResult openInPlace() {
        mode = TMode::inPlace;
        out.adopt(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
        struct stat st {};
        if (out.fd() < 0 || ::fstat(out.fd(), &st) != 0) {
            TWriteResult r = failure(TStage::create, errno, true);
            mode = TMode::none;
            return r;
        }
        if (!S_ISREG(st.st_mode)) {
            mode = TMode::none;
            return notRegular(kindOfMode(st.st_mode));
        }
        oldSize = std::uint64_t(st.st_size);
        return {TStage::none, 0, TKind::regular, true, {}};
    }

    // Puts the previous bytes back; false when they could not all be.
    bool undoInPlace() {
        if (touched)
            return restore(out.fd(), backup.fd(), headerSize, oldSize);
        // Gives back what reserve() took; the file's bytes are untouched either way. (Only then:
        // truncating changes the file's time even at its own length.)
        if (reserved && ::ftruncate(out.fd(), off_t(oldSize)) != 0) {
        }
        return true;
    }

    // Back to no file at all: whatever is not in place is undone.
    void clear() {
        if (mode == TMode::inPlace && !undoInPlace())
            backup.keep();
        out.discard();
        lock.reset();
        dir.reset();
        backup.discard();
        mode = TMode::none;
        buffered = 0;
        written = 0;
        error = 0;
        oldSize = 0;
        headerSize = 0;
        backupMade = false;
        touched = false;
        reserved = false;
        expected = 0;
    }

    // Links an unnamed file into its folder under a temporary name. Through /proc any user may;
    // without /proc only a privileged one may link the file itself.
    bool linkUnnamed() {
        const std::string prefix = temporaryPrefix(nameOf(target));
        const std::string self = "/proc/self/fd/" + std::to_string(out.fd());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = prefix + uniqueLetters();
            if (::linkat(AT_FDCWD, self.c_str(), dir.get(), name.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
                (errno == EEXIST ||
                 ::linkat(out.fd(), "", dir.get(), name.c_str(), AT_EMPTY_PATH) != 0)) {
                if (errno == EEXIST)
                    continue;
                return false;
            }
            out.named(folder + '/' + name);
            return true;
        }
        errno = EEXIST;
        return false;
    }

    // When the unnamed file cannot be linked, its bytes go into a named one.
    bool copyToNamed() {
        TFd unnamed(out.handle().release());
        TFd unnamedLock(lock.release());
        return makeNamed() && copyBytes(unnamed.get(), 0, out.fd(), 0, written) &&
               ::fdatasync(out.fd()) == 0;
    }

    TWriteResult commitInPlace() {
        if (!error && beginInPlace() && sealBackup()) {
            touched = true;
            if (!copyBytes(backup.fd(), newBytesAt(), out.fd(), 0, written, "file slice") ||
                ::ftruncate(out.fd(), off_t(written)) != 0 || ::fdatasync(out.fd()) != 0)
                fail();
            else
                step("file written");
        }
        if (!error) {
            backup.discard();
            return {TStage::none, 0, TKind::regular, true, {}};
        }
        if (undoInPlace()) {
            backup.discard();
            return failure(TStage::write, error, true);
        }
        TWriteResult r = failure(TStage::restore, error, true);
        r.backupPath = backup.path();
        backup.keep();
        return r;
    }

    TWriteResult commitReplacement() {
        if (error || ::fdatasync(out.fd()) != 0) {
            fail();
            return failure(TStage::write, error);
        }
        if (mode == TMode::unnamed && !linkUnnamed()) {
            if (!copyToNamed()) {
                fail();
                return failure(TStage::write, error);
            }
        }
        // Closing reports a delayed write error on some file systems; the lock stays.
        if (!out.handle().close()) {
            fail();
            return failure(TStage::write, error);
        }
        if (::rename(out.path().c_str(), target.c_str()) != 0) {
            fail();
            return failure(TStage::create, error);
        }
        out.keep();
        syncFolder(folder);
        return {};
    }
};

TFileWriter::TFileWriter() : s_(std::make_unique<TState>()) {}

TFileWriter::~TFileWriter() {
    discard();
}

TWriteResult TFileWriter::open(const std::string& path, const TWriteOptions& options) {
    discard();
    TState& s = *s_;
    s.target = finalPath(path);
    s.folder = folderOf(s.target);
    const std::string& target = s.target;
    struct stat st {};
    const bool exists = ::lstat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return failure(TStage::create, errno);
    if (exists && S_ISLNK(st.st_mode))
        return failure(TStage::create, ELOOP);
    if (exists && !S_ISREG(st.st_mode))
        return notRegular(kindOfMode(st.st_mode));
    // A page its user may not write (read-only, immutable, on a read-only file system) is not
    // replaced behind the protection either.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failure(TStage::create, errno);
    // A new file in the place of one with other names would leave them the old text.
    if (exists && st.st_nlink > 1 && options.mayWriteInPlace)
        return s.openInPlace();

    removeLeftovers(target);
    if (!s.makeTemporary()) {
        const int error = errno;
        discard();
        if (exists && options.mayWriteInPlace)
            return s.openInPlace();
        return failure(TStage::create, error);
    }
    auto refused = [this] {
        const int error = errno;
        discard();
        return failure(TStage::create, error);
    };
    const int fd = s.out.fd();
    if (options.mode >= 0) {
        if (::fchmod(fd, mode_t(options.mode) & 07777) != 0)
            return refused();
    } else if (exists) {
        struct stat ts {};
        if (::fstat(fd, &ts) != 0)
            return refused();
        const uid_t uid = ts.st_uid == st.st_uid ? uid_t(-1) : st.st_uid;
        const gid_t gid = ts.st_gid == st.st_gid ? gid_t(-1) : st.st_gid;
        // The owner and group go first: a change of owner may clear the set-id bits.
        if ((uid != uid_t(-1) || gid != gid_t(-1)) && ::fchown(fd, uid, gid) != 0 &&
            options.mayWriteInPlace) {
            discard();
            return s.openInPlace();
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            return refused();
    } else if (::fchmod(fd, newFileMode()) != 0) {
        return refused();
    }
    return {};
}

bool TFileWriter::inPlace() const {
    return s_->mode == TState::TMode::inPlace;
}

bool TFileWriter::reserve(std::uint64_t size) {
    TState& s = *s_;
    if (s.error)
        return false;
#ifdef __linux__
    if (s.mode != TState::TMode::inPlace)
        return true;
    s.expected = size;
    if (size <= s.oldSize)
        return true;
    s.reserved = true;
    if (::fallocate(s.out.fd(), FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        return s.fail();
#else
    (void)size;
#endif
    return true;
}

bool TFileWriter::write(std::string_view bytes) {
    TState& s = *s_;
    if (s.error || s.mode == TState::TMode::none)
        return false;
    if (bytes.empty())
        return true;
    if (s.buffered + bytes.size() > kBuffer) {
        if (!s.flush())
            return false;
        if (bytes.size() >= kBuffer)
            return s.writeOut(bytes.data(), bytes.size());
    }
    if (s.buffer.empty())
        s.buffer.resize(kBuffer);
    std::memcpy(s.buffer.data() + s.buffered, bytes.data(), bytes.size());
    s.buffered += bytes.size();
    return true;
}

bool TFileWriter::writeAt(std::uint64_t offset, std::string_view bytes) {
    TState& s = *s_;
    if (s.error || s.mode == TState::TMode::none || !s.flush())
        return false;
    if (offset + bytes.size() > s.written) {
        errno = EINVAL;
        return s.fail();
    }
    if (!writeAll(s.newBytesFd(), bytes.data(), bytes.size(), off_t(s.newBytesAt() + offset)))
        return s.fail();
    return true;
}

TWriteResult TFileWriter::commit() {
    TState& s = *s_;
    if (s.mode == TState::TMode::none)
        return failure(TStage::create, EBADF);
    s.flush();
    const TWriteResult r =
        s.mode == TState::TMode::inPlace ? s.commitInPlace() : s.commitReplacement();
    if (r.ok() || s.mode == TState::TMode::inPlace)
        s.mode = TState::TMode::none; // nothing left to undo
    const std::string target = s.target;
    discard();
    // The file holds the bytes just written whole: a backup an earlier write left of it guards
    // nothing any more (and putting it back would undo this write).
    if (r.ok())
        removeFinishedBackups(target);
    return r;
}

void TFileWriter::discard() {
    s_->clear();
}

TKind kindOf(const std::string& path, int* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (error)
            *error = errno == ENOENT ? 0 : errno;
        return TKind::missing;
    }
    return kindOfMode(st.st_mode);
}

const char* kindName(TKind kind) {
    switch (kind) {
    case TKind::missing:
        return "missing";
    case TKind::regular:
        return "a regular file";
    case TKind::folder:
        return "a folder";
    case TKind::fifo:
        return "a named pipe (FIFO)";
    case TKind::socket:
        return "a socket";
    case TKind::charDevice:
        return "a character device";
    case TKind::blockDevice:
        return "a block device";
    case TKind::other:
        break;
    }
    return "a special file";
}

std::string reasonOf(int error) {
    return std::strerror(error);
}

TOpenResult openForReading(const std::string& path) {
    TOpenResult r;
    r.kind = kindOf(path, &r.error);
    if (r.kind == TKind::missing && !r.error)
        r.error = ENOENT;
    if (r.kind != TKind::regular)
        return r;
    // Non-blocking, in case the path was swapped for a pipe since the check.
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        r.error = errno;
        return r;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        r.error = errno;
        return r;
    }
    r.kind = kindOfMode(st.st_mode);
    if (r.kind != TKind::regular)
        return r;
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    r.fd = fd.release();
    return r;
}

int whyNotWritable(const std::string& path) {
    const std::string target = finalPath(path);
    const std::string folder = folderOf(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        TFd file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (file.get() < 0)
            return errno;
    }
    TTempFile probe;
    if (!probe.make(folder + "/." + nameOf(target) + ".probe-"))
        return errno;
    const std::vector<char> block(16 * 1024, '\n');
    if (!writeAll(probe.fd(), block.data(), block.size(), 0) || ::fsync(probe.fd()) != 0)
        return errno;
    return 0;
}

TWriteResult writeFile(const std::string& path, TByteSource& source, const TWriteOptions& options) {
    TFileWriter writer;
    const TWriteResult opened = writer.open(path, options);
    if (!opened.ok())
        return opened;
    if (!writer.inPlace() || writer.reserve(source.size())) {
        for (std::string_view piece = source.next(); !piece.empty(); piece = source.next()) {
            if (!writer.write(piece))
                break;
        }
    }
    return writer.commit();
}

} // namespace safefile
