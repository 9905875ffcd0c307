#include "platform/core/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace safefile {
namespace {

constexpr std::size_t kCopySlice = std::size_t(1) << 20;

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

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path finally names: symbolic links are followed one at a time, so that a link to a
// file that does not exist yet names that file, and the replacement lands where the link points.
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

// Copies the first size bytes of from into to, both from offset 0.
bool copyBytes(int from, int to, std::uint64_t size) {
    std::vector<char> buffer(kCopySlice);
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kCopySlice, size - done));
        const ssize_t got = ::pread(from, buffer.data(), want, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file shrank under us
            return false;
        }
        if (!writeAll(to, buffer.data(), std::size_t(got), off_t(done)))
            return false;
        done += std::uint64_t(got);
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

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Puts the backup's bytes back into the file and gives it its old length.
bool restore(int fd, int backup, std::uint64_t size) {
    return copyBytes(backup, fd, size) && ::ftruncate(fd, off_t(size)) == 0 && ::fdatasync(fd) == 0;
}

TWriteResult writeInPlace(const std::string& target, TByteSource& source) {
    TFd file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (file.get() < 0)
        return failure(TStage::create, errno, true);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return failure(TStage::create, errno, true);
    if (!S_ISREG(st.st_mode))
        return notRegular(kindOfMode(st.st_mode));
    const std::uint64_t oldSize = std::uint64_t(st.st_size);
    const std::uint64_t newSize = source.size();

#ifdef __linux__
    // Room for the new text before anything is touched: a full disk is found here, not halfway.
    if (newSize > oldSize && ::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(newSize)) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        const int error = errno;
        if (::ftruncate(file.get(), off_t(oldSize)) != 0) {
            // Only gives back what was reserved; the file's bytes are untouched either way.
        }
        return failure(TStage::write, error, true);
    }
#endif

    // The backup: beside the file, or in the temporary folder when the file's folder takes none.
    TTempFile backup;
    int backupError = 0;
    for (const std::string& folder : {folderOf(target), temporaryFolder()}) {
        if (backup.make(folder + '/' + nameOf(target) + ".backup-") &&
            copyBytes(file.get(), backup.fd(), oldSize) && ::fdatasync(backup.fd()) == 0)
            break;
        backupError = errno;
        backup.discard();
    }
    if (backup.fd() < 0)
        return failure(TStage::write, backupError, true);

    int error = 0;
    try {
        std::uint64_t written = 0;
        for (std::string_view piece = source.next(); !piece.empty(); piece = source.next()) {
            if (!writeAll(file.get(), piece.data(), piece.size(), off_t(written))) {
                error = errno;
                break;
            }
            written += piece.size();
        }
        if (!error && ::ftruncate(file.get(), off_t(written)) != 0)
            error = errno;
        if (!error && ::fdatasync(file.get()) != 0)
            error = errno;
    } catch (...) {
        if (!restore(file.get(), backup.fd(), oldSize))
            backup.keep();
        throw;
    }
    if (!error)
        return {TStage::none, 0, TKind::regular, true, {}};
    if (restore(file.get(), backup.fd(), oldSize))
        return failure(TStage::write, error, true);
    TWriteResult r = failure(TStage::restore, error, true);
    r.backupPath = backup.path();
    backup.keep();
    return r;
}

} // namespace

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

TWriteResult writeFile(const std::string& path, TByteSource& source) {
    const std::string target = finalPath(path);
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
    if (exists && st.st_nlink > 1)
        return writeInPlace(target, source);

    TTempFile temp;
    if (!temp.make(folderOf(target) + "/." + nameOf(target) + '.')) {
        if (exists)
            return writeInPlace(target, source);
        return failure(TStage::create, errno);
    }
    if (exists) {
        struct stat ts {};
        if (::fstat(temp.fd(), &ts) != 0)
            return failure(TStage::create, errno);
        const uid_t uid = ts.st_uid == st.st_uid ? uid_t(-1) : st.st_uid;
        const gid_t gid = ts.st_gid == st.st_gid ? gid_t(-1) : st.st_gid;
        // The owner and group go first: a change of owner may clear the set-id bits.
        if ((uid != uid_t(-1) || gid != gid_t(-1)) && ::fchown(temp.fd(), uid, gid) != 0) {
            temp.discard();
            return writeInPlace(target, source);
        }
        if (::fchmod(temp.fd(), st.st_mode & 07777) != 0)
            return failure(TStage::create, errno);
    } else if (::fchmod(temp.fd(), newFileMode()) != 0) {
        return failure(TStage::create, errno);
    }

    std::uint64_t written = 0;
    for (std::string_view piece = source.next(); !piece.empty(); piece = source.next()) {
        if (!writeAll(temp.fd(), piece.data(), piece.size(), off_t(written)))
            return failure(TStage::write, errno);
        written += piece.size();
    }
    if (::fdatasync(temp.fd()) != 0 || !temp.handle().close())
        return failure(TStage::write, errno);
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        return failure(TStage::create, errno);
    temp.keep();
    return {};
}

} // namespace safefile
