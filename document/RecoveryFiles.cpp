#include "document/RecoveryFiles.h"

#include "document/PageText.h"
#include "document/core/PageFile.h"
#include "platform/core/SafeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSuffix = QStringLiteral(".recovery");
const QString kDamaged = QStringLiteral(".damaged");

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fail(QString* why, const QString& text) {
    if (why)
        *why = text;
    return false;
}

// Why a file that lstat describes is not one of this user's own regular files; empty when it is.
QString notOurs(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    return {};
}

// The copy is replaced by a rename, which never writes through a link in the copy's place; but a
// link there would be taken for the copy's real name, so anything but a regular file is refused.
bool mayWriteCopyAt(const QString& path, QString* why) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return fail(why, S_ISLNK(st.st_mode)
                             ? QStringLiteral("%1 is a symbolic link").arg(path)
                             : QStringLiteral("%1 is not a regular file").arg(path));
    return true;
}

} // namespace

QString recoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(state).filePath(QStringLiteral("Larkpad/recovery"));
}

bool checkPrivateFolder(const QString& folder, QString* why) {
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return fail(why, systemError(errno));
    if (S_ISLNK(st.st_mode))
        return fail(why, QStringLiteral("it is a symbolic link"));
    // Opened without following a link that took its place meanwhile, and checked as opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(why, errno == ELOOP     ? QStringLiteral("it is a symbolic link")
                         : errno == ENOTDIR ? QStringLiteral("it is not a folder")
                                            : systemError(errno));
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        fail(why, systemError(errno));
    else if (st.st_uid != ::geteuid())
        ok = fail(why, QStringLiteral("it belongs to another user"));
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        ok = fail(why, systemError(errno));
    ::close(fd);
    return ok;
}

bool makePrivateFolder(const QString& folder, QString* why) {
    const QByteArray name = QFile::encodeName(QDir::cleanPath(folder));
    // Each missing folder on the way is made as mkdir -p would; the last one private at once.
    for (qsizetype i = 1; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/')
            continue;
        const QByteArray part = name.left(i);
        if (::mkdir(part.constData(), i == name.size() ? 0700 : 0777) != 0 && errno != EEXIST)
            return fail(why, systemError(errno));
    }
    return checkPrivateFolder(folder, why);
}

QStringList listRecoveryCopies(const QString& folder) {
    QFileInfoList found =
        QDir(folder).entryInfoList({"*" + kSuffix}, QDir::Files | QDir::System | QDir::Hidden);
    // Oldest first; copies of the same moment (the file system's clock moves in steps) by name,
    // which starts with the time they were made.
    std::stable_sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const qint64 ta = a.lastModified().toMSecsSinceEpoch();
        const qint64 tb = b.lastModified().toMSecsSinceEpoch();
        return ta != tb ? ta < tb : a.fileName() < b.fileName();
    });
    QStringList copies;
    for (const QFileInfo& f : found)
        copies << f.absoluteFilePath();
    return copies;
}

QStringList listOrphanRecoveryLocks(const QString& folder) {
    QStringList copies;
    const QDir dir(folder);
    for (const QString& lock :
         dir.entryList({"*" + kSuffix + ".lock"}, QDir::Files | QDir::Hidden)) {
        const QString copy = dir.filePath(lock.chopped(5));
        if (!QFileInfo::exists(copy))
            copies << copy;
    }
    return copies;
}

void removeRecoveryLeftovers(const QString& copyPath) {
    const QFileInfo copy(copyPath);
    QDir dir = copy.dir();
    for (const QString& name :
         dir.entryList({copy.fileName() + ".*"}, QDir::Files | QDir::Hidden)) {
        if (name != copy.fileName() + ".lock" && !name.endsWith(kDamaged))
            dir.remove(name);
    }
    // A writer killed where the file system gives no nameless temporary files left a named one.
    safefile::removeLeftovers(QFile::encodeName(copyPath).toStdString());
}

QString newRecoveryCopyPath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("%1-%2%3")
                                     .arg(QDateTime::currentMSecsSinceEpoch())
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(kSuffix));
}

QString recoveryLockPath(const QString& copyPath) {
    return copyPath + QStringLiteral(".lock");
}

recovery::TLockState recoveryLockState(const QString& lockPath) {
    const QByteArray name = QFile::encodeName(lockPath);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return recovery::TLockState::AskSystem;
    if (!notOurs(st).isEmpty())
        return recovery::TLockState::Stale;
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return recovery::TLockState::Stale;
    char bytes[4096];
    const ssize_t n = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    const std::int64_t ageMs =
        QDateTime::currentMSecsSinceEpoch() -
        (std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    return recovery::lockState(
        recovery::parseLock(std::string_view(bytes, n > 0 ? std::size_t(n) : 0)),
        QSysInfo::machineHostName().toStdString(), ageMs);
}

bool writeRecoveryCopy(const QString& path, const std::string& header, const QByteArray& body,
                       QString* why) {
    if (!mayWriteCopyAt(path, why))
        return false;
    // Never in place: a copy is replaced whole, and private to its user whatever it was before.
    safefile::TBytesInMemory bytes(
        {header, std::string_view(body.constData(), std::size_t(body.size()))});
    safefile::TWriteOptions options;
    options.mode = 0600;
    options.mayWriteInPlace = false;
    const safefile::TWriteResult written =
        safefile::writeFile(QFile::encodeName(path).toStdString(), bytes, options);
    if (!written.ok())
        return fail(why,
                    QStringLiteral("%1: %2").arg(
                        path, QString::fromLocal8Bit(safefile::reasonOf(written.error).c_str())));
    return true;
}

struct TRecoveryCopyWriter::TState {
    QString path;
    recovery::TCopyHeader header;
    std::size_t headerSize = 0;
    safefile::TFileWriter writer;
    TByteHash hash;
    std::uint64_t size = 0;
};

TRecoveryCopyWriter::TRecoveryCopyWriter() : s_(std::make_unique<TState>()) {}

TRecoveryCopyWriter::~TRecoveryCopyWriter() = default;

bool TRecoveryCopyWriter::open(const QString& path, const recovery::TCopyHeader& header,
                               QString* why) {
    if (!mayWriteCopyAt(path, why))
        return false;
    s_->path = path;
    s_->header = header;
    safefile::TWriteOptions options;
    options.mode = 0600;
    options.mayWriteInPlace = false;
    const safefile::TWriteResult opened =
        s_->writer.open(QFile::encodeName(path).toStdString(), options);
    if (!opened.ok())
        return fail(why,
                    QStringLiteral("%1: %2").arg(
                        path, QString::fromLocal8Bit(safefile::reasonOf(opened.error).c_str())));
    // Room for the header: its figures have a fixed width, so the real one fits it exactly.
    const std::string room = recovery::copyHeader(header, 0, 0, true);
    s_->headerSize = room.size();
    return s_->writer.write(room) || commit(why);
}

bool TRecoveryCopyWriter::add(std::string_view bytes) {
    s_->hash.add(bytes.data(), bytes.size());
    s_->size += bytes.size();
    return s_->writer.write(bytes);
}

bool TRecoveryCopyWriter::commit(QString* why) {
    // Same length as the room left for it: the figures have a fixed width.
    const std::string head = recovery::copyHeader(s_->header, s_->size, s_->hash.value(), true);
    Q_ASSERT(head.size() == s_->headerSize);
    s_->writer.writeAt(0, head); // a failure is reported by commit
    const safefile::TWriteResult written = s_->writer.commit();
    if (!written.ok())
        return fail(
            why, QStringLiteral("%1: %2").arg(
                     s_->path, QString::fromLocal8Bit(safefile::reasonOf(written.error).c_str())));
    return true;
}

TRecoveredCopy readRecoveryCopy(const QString& path) {
    TRecoveredCopy copy;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        copy.foreign = error == ELOOP;
        copy.error = copy.foreign ? QStringLiteral("it is a symbolic link")
                                  : QStringLiteral("it cannot be read: ") + systemError(error);
        // Another user's copy is left alone whether it can be read or not.
        struct stat link {};
        if (!copy.foreign && ::lstat(QFile::encodeName(path).constData(), &link) == 0)
            if (const QString why = notOurs(link); !why.isEmpty()) {
                copy.foreign = true;
                copy.error = why;
            }
        return copy;
    }
    QFile f;
    if (const QString why = notOurs(st); !why.isEmpty()) {
        ::close(fd);
        copy.foreign = true;
        copy.error = why;
        return copy;
    }
    copy.size = qint64(st.st_size);
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        copy.error = QStringLiteral("it cannot be read");
        return copy;
    }
    // Header lines are short: a copy much longer than the longest page is damaged anyway.
    constexpr qint64 kMostBytes = qint64(pagefile::kCapacity) + (1 << 20);
    if (f.size() > kMostBytes) {
        copy.error = QStringLiteral("it is longer than any copy can be");
        return copy;
    }
    // Read a slice at a time and decoded as it comes: the page bytes are never held whole.
    constexpr qint64 kSlice = qint64(1) << 20;
    const qint64 size = f.size();
    QByteArray slice = f.read(std::min(size, kSlice));
    if (f.error() != QFileDevice::NoError) {
        copy.error = QStringLiteral("it cannot be read");
        return copy;
    }
    const recovery::TParsedCopy parsed = recovery::parseCopyHeader(
        slice.constData(), std::size_t(slice.size()), pagefile::kCapacity);
    if (!parsed.ok) {
        copy.error = QString::fromStdString(parsed.error);
        return copy;
    }
    const qint64 expected = qint64(parsed.bodyOffset + parsed.bodySize);
    if (size != expected) {
        copy.error = size < expected ? QStringLiteral("it is cut short")
                                     : QStringLiteral("it holds more than its text");
        return copy;
    }
    QString text(qsizetype(parsed.bodySize), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    std::size_t decoded = 0;
    TByteHash hash;
    std::string pending; ///< bytes not decoded yet: a CR waits for the LF that may follow
    std::size_t left = parsed.bodySize;
    std::size_t from = parsed.bodyOffset;
    for (;;) {
        const std::size_t n = std::min(left, std::size_t(slice.size()) - from);
        hash.add(slice.constData() + from, n);
        pending.append(slice.constData() + from, n);
        left -= n;
        const std::size_t keep = left > 0 && !pending.empty() && pending.back() == '\r' ? 1 : 0;
        decoded += pagefile::decode(pending.data(), pending.size() - keep, out + decoded);
        pending.erase(0, pending.size() - keep);
        if (left == 0)
            break;
        slice = f.read(std::min(qint64(left), kSlice));
        from = 0;
        if (f.error() != QFileDevice::NoError || slice.isEmpty()) {
            copy.error = slice.isEmpty() && f.error() == QFileDevice::NoError
                             ? QStringLiteral("it is cut short")
                             : QStringLiteral("it cannot be read");
            return copy;
        }
    }
    if (hash.value() != parsed.bodyHash) {
        copy.error = QStringLiteral("its text is damaged");
        return copy;
    }
    text.resize(qsizetype(decoded));
    copy.header = parsed.header;
    copy.path = QString::fromStdString(parsed.header.path);
    copy.text = std::move(text);
    copy.ok = true;
    return copy;
}

QString setRecoveryCopyAside(const QString& path) {
    QString target = path + kDamaged;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".%1").arg(n) + kDamaged;
    return QFile::rename(path, target) ? target : QString();
}
