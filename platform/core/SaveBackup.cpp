#include "platform/core/SaveBackup.h"

#include "platform/core/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {
namespace {

constexpr std::string_view kMagic = "LPBACKUP 2\n";
constexpr std::string_view kTag = ".lpbackup-";
// The earlier format's backups: "<name>.backup-" and six characters.
constexpr std::string_view kEarlierTag = ".backup-";
// The longest header read: the fixed lines and the longest path a file has.
constexpr std::size_t kLongestHeader = 8192;
constexpr std::size_t kNameInBackup = 180;
// An empty backup younger than this may be one that its writer is about to lock.
constexpr auto kYoungestLeftover = std::chrono::minutes(1);

std::string hex16(std::uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

std::string digits20(std::uint64_t v) {
    char text[21];
    std::snprintf(text, sizeof text, "%020" PRIu64, v);
    return text;
}

// The lines before "sum".
std::string headerBody(const TBackupHeader& h) {
    return std::string(kMagic) + "old " + digits20(h.oldSize) + ' ' + hex16(h.oldHash) + "\nnew " +
           digits20(h.newSize) + ' ' + hex16(h.newHash) + "\npath " + digits20(h.path.size()) +
           ' ' + h.path + '\n';
}

bool readNumber(std::string_view& at, std::size_t width, int base, std::uint64_t& value) {
    if (at.size() < width)
        return false;
    value = 0;
    for (char c : at.substr(0, width)) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : base == 16 && c >= 'a' && c <= 'f'        ? c - 'a' + 10
                                                                  : -1;
        if (d < 0 || d >= base)
            return false;
        value = value * std::uint64_t(base) + std::uint64_t(d);
    }
    at.remove_prefix(width);
    return true;
}

bool readWord(std::string_view& at, std::string_view word) {
    if (at.substr(0, word.size()) != word)
        return false;
    at.remove_prefix(word.size());
    return true;
}

// A file of this user's that is a backup, opened without following a link, and locked shared
// unless a live writer holds it. An empty one just made may still be its writer's: passed over.
int openBackup(int dir, const char* name, struct stat& st) {
    const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    const auto youngest = std::chrono::system_clock::now() - kYoungestLeftover;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::flock(fd, LOCK_SH | LOCK_NB) != 0 ||
        (st.st_size == 0 && std::chrono::system_clock::from_time_t(st.st_mtime) > youngest)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads the header at the start of an open backup.
bool readHeader(int fd, TBackupHeader& header, std::uint64_t fileSize) {
    std::string bytes(std::size_t(std::min<std::uint64_t>(fileSize, kLongestHeader)), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += std::size_t(n);
    }
    if (!parseBackupHeader(bytes, header))
        return false;
    // A whole header stands before the previous bytes and the new ones, all of them.
    return fileSize == backupHeaderSize(header.path) + header.oldSize + header.newSize;
}

} // namespace

bool hashBytes(int fd, std::uint64_t from, std::uint64_t size, std::uint64_t& hash) {
    TBackupHash h;
    std::string piece(std::size_t(1) << 20, '\0');
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(piece.size(), size - done));
        const ssize_t n = ::pread(fd, piece.data(), want, off_t(from + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        h.add(std::string_view(piece.data(), std::size_t(n)));
        done += std::uint64_t(n);
    }
    hash = h.value();
    return true;
}

namespace {

// Bytes of an open file from an offset on, a piece at a time.
class TFileBytes : public TByteSource {
public:
    TFileBytes(int fd, std::uint64_t from, std::uint64_t size)
        : fd_(fd), from_(from), size_(size), piece_(std::size_t(1) << 20) {}
    std::uint64_t size() override { return size_; }
    std::string_view next() override {
        if (done_ >= size_)
            return {};
        const std::size_t want = std::size_t(std::min<std::uint64_t>(piece_.size(), size_ - done_));
        ssize_t got;
        do
            got = ::pread(fd_, piece_.data(), want, off_t(from_ + done_));
        while (got < 0 && errno == EINTR);
        if (got <= 0) {
            done_ = size_; // the file the size promised is shorter: the write fails on its size
            return {};
        }
        done_ += std::uint64_t(got);
        return {piece_.data(), std::size_t(got)};
    }

private:
    int fd_;
    std::uint64_t from_;
    std::uint64_t size_;
    std::uint64_t done_ = 0;
    std::vector<char> piece_;
};

// One folder where backups of the file may be, with the start of their names.
struct TPlace {
    std::string folder;
    std::string prefix;
    bool earlier = false; ///< the earlier format's backups
    bool stateFolder = false;
};

std::vector<TPlace> placesOf(const std::string& target) {
    return {{folderOf(target), backupPrefixBeside(target), false, false},
            {folderOf(target), nameOf(target) + std::string(kEarlierTag), true, false},
            {backupFolder(), backupPrefixInStateFolder(target), false, true}};
}

// Calls f(place, folder fd, entry name, file fd, stat) for every backup of the file at target
// that no live writer holds.
template <class F> void forEachBackup(const std::string& target, F f) {
    for (const TPlace& place : placesOf(target)) {
        DIR* dir = ::opendir(place.folder.c_str());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            if (!isBackupName(entry->d_name, place.prefix))
                continue;
            struct stat st {};
            const int fd = openBackup(::dirfd(dir), entry->d_name, st);
            if (fd < 0)
                continue;
            f(place, ::dirfd(dir), entry->d_name, fd, st);
            ::close(fd);
        }
        ::closedir(dir);
    }
}

} // namespace

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

void TBackupHash::add(std::string_view bytes) {
    for (const char c : bytes) {
        h_ ^= static_cast<unsigned char>(c);
        h_ *= 0x100000001b3ull;
    }
}

std::size_t backupHeaderSize(const std::string& path) {
    return headerBody({0, 0, 0, 0, path}).size() + 4 + 16 + 1;
}

std::string formatBackupHeader(const TBackupHeader& header) {
    const std::string body = headerBody(header);
    TBackupHash sum;
    sum.add(body);
    return body + "sum " + hex16(sum.value()) + '\n';
}

bool parseBackupHeader(std::string_view bytes, TBackupHeader& header) {
    std::string_view at = bytes;
    TBackupHeader h;
    std::uint64_t pathSize = 0;
    if (!readWord(at, kMagic) || !readWord(at, "old ") || !readNumber(at, 20, 10, h.oldSize) ||
        !readWord(at, " ") || !readNumber(at, 16, 16, h.oldHash) || !readWord(at, "\nnew ") ||
        !readNumber(at, 20, 10, h.newSize) || !readWord(at, " ") ||
        !readNumber(at, 16, 16, h.newHash) || !readWord(at, "\npath ") ||
        !readNumber(at, 20, 10, pathSize) || !readWord(at, " ") || at.size() < pathSize)
        return false;
    h.path = std::string(at.substr(0, std::size_t(pathSize)));
    at.remove_prefix(std::size_t(pathSize));
    std::uint64_t sum = 0;
    if (!readWord(at, "\nsum ") || !readNumber(at, 16, 16, sum) || !readWord(at, "\n"))
        return false;
    TBackupHash check;
    check.add(headerBody(h));
    if (check.value() != sum)
        return false;
    header = std::move(h);
    return true;
}

std::string backupFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string folder;
    if (state && *state == '/') {
        folder = state;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home && *home ? home : "/") + "/.local/state";
    }
    return folder + "/Larkpad/backups";
}

bool makeBackupFolder(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        const std::string above = folderOf(folder);
        // The folders above get the usual permissions; the last one is private.
        if (above != folder && ::lstat(above.c_str(), &st) != 0) {
            if (!makeBackupFolder(above) || ::chmod(above.c_str(), 0755) != 0)
                return false;
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::lstat(folder.c_str(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        errno = S_ISDIR(st.st_mode) ? EPERM : ENOTDIR;
        return false;
    }
    return true;
}

std::string backupPrefixBeside(const std::string& target) {
    std::string name = nameOf(target);
    std::size_t n = std::min(name.size(), kNameInBackup);
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    return name.substr(0, n) + std::string(kTag);
}

std::string backupPrefixInStateFolder(const std::string& target) {
    TBackupHash where;
    where.add(target);
    std::string prefix = backupPrefixBeside(target);
    return prefix.substr(0, prefix.size() - kTag.size()) + '.' + hex16(where.value()) +
           std::string(kTag);
}

bool isBackupName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix)
        return false;
    return std::all_of(name.begin() + std::ptrdiff_t(prefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool hashFile(const std::string& path, std::uint64_t& size, std::uint64_t& hash) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    const bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    hashBytes(fd, 0, std::uint64_t(st.st_size), hash);
    if (fd >= 0)
        ::close(fd);
    size = std::uint64_t(st.st_size);
    return ok;
}

std::vector<TInterruptedBackup> interruptedBackups(const std::string& path) {
    const std::string target = finalPath(path);
    std::uint64_t pageSize = 0;
    std::uint64_t pageHash = 0;
    // Without the page's bytes nothing can be judged: every backup stays.
    if (!hashFile(target, pageSize, pageHash))
        return {};
    std::vector<std::pair<std::int64_t, TInterruptedBackup>> found;
    forEachBackup(
        target, [&](const TPlace& place, int dir, const char* name, int fd, const struct stat& st) {
            const std::uint64_t size = std::uint64_t(st.st_size);
            bool keep = true;
            if (place.earlier) {
                std::uint64_t hash = 0;
                keep = size != pageSize || !hashBytes(fd, 0, size, hash) || hash != pageHash;
            } else {
                TBackupHeader h;
                if (!readHeader(fd, h, size)) {
                    // Stopped before the header was written: the page was never touched. (A header
                    // that reads whole for another size is damaged: it is left alone, unused.)
                    std::string start(kMagic.size(), '\0');
                    const bool damaged =
                        ::pread(fd, start.data(), start.size(), 0) == ssize_t(start.size()) &&
                        start == kMagic;
                    if (!damaged)
                        ::unlinkat(dir, name, 0);
                    return;
                }
                if (h.path != target && place.stateFolder)
                    return; // another file's that happens to share the prefix
                keep = !((pageSize == h.newSize && pageHash == h.newHash) ||
                         (pageSize == h.oldSize && pageHash == h.oldHash));
            }
            if (!keep) {
                ::unlinkat(dir, name, 0);
                return;
            }
            found.emplace_back(std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                               TInterruptedBackup{place.folder + '/' + name, !place.earlier});
        });
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TInterruptedBackup> backups;
    for (auto& f : found)
        backups.push_back(std::move(f.second));
    return backups;
}

int removeFinishedBackups(const std::string& path) {
    const std::string target = finalPath(path);
    int removed = 0;
    forEachBackup(target, [&](const TPlace& place, int dir, const char* name, int fd,
                              const struct stat& st) {
        if (place.earlier)
            return;
        TBackupHeader h;
        if (place.stateFolder && readHeader(fd, h, std::uint64_t(st.st_size)) && h.path != target)
            return;
        // Held by nobody else now: a writer that just made its backup takes its lock first.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlinkat(dir, name, 0) == 0)
            ++removed;
    });
    return removed;
}

TWriteResult putBackBackup(const std::string& path, const std::string& backup) {
    const int fd = ::open(backup.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return {TStage::create, error, TKind::missing, false, {}};
    }
    TWriteResult r;
    TBackupHeader h;
    std::uint64_t hash = 0;
    if (!S_ISREG(st.st_mode)) {
        r = {TStage::notRegular, 0, TKind::other, false, {}};
    } else if (!readHeader(fd, h, std::uint64_t(st.st_size))) {
        // Not a whole backup of this format: its bytes may be only part of the previous ones.
        r = {TStage::create, EINVAL, TKind::missing, false, {}};
    } else if (const std::uint64_t at = backupHeaderSize(h.path);
               !hashBytes(fd, at, h.oldSize, hash) || hash != h.oldHash) {
        r = {TStage::create, EIO, TKind::missing, false, {}};
    } else {
        TFileBytes bytes(fd, at, h.oldSize);
        r = writeFile(path, bytes);
        if (r.ok())
            ::unlink(backup.c_str());
    }
    ::close(fd);
    return r;
}

} // namespace safefile
