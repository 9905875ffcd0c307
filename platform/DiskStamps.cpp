#include "platform/DiskStamps.h"

#include "platform/core/SafeFile.h"

#include <QByteArray>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

TFileStamp statFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return stampOfStatus(st);
}

TFileStamp stampOfStatus(const struct stat& st) {
    TFileStamp stamp;
    stamp.exists = true;
    stamp.size = std::int64_t(st.st_size);
    stamp.modifiedMs = std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    stamp.changedNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.device = std::uint64_t(st.st_dev);
    stamp.inode = std::uint64_t(st.st_ino);
    return stamp;
}

TFileStamp readFileStamp(const QString& path) {
    TFileStamp stamp = statFile(path);
    if (!stamp.exists)
        return stamp;
    // Opened without waiting: the file may have become a named pipe since it was looked at.
    const safefile::TOpenResult opened =
        safefile::openForReading(QFile::encodeName(path).toStdString());
    if (opened.fd < 0)
        return {};
    QFile f;
    if (!f.open(opened.fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return {};
    }
    TByteHash hash;
    QByteArray slice(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = f.read(slice.data(), slice.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        hash.add(slice.constData(), std::size_t(got));
        total += got;
    }
    stamp.size = total; // what was read, should the file have grown meanwhile
    stamp.hash = hash.value();
    return stamp;
}

bool sameOnDisk(TFileStamp& known, const QString& path) {
    switch (quickDiskChange(known, statFile(path))) {
    case TDiskChange::none:
        return true;
    case TDiskChange::changed:
    case TDiskChange::gone:
        return false;
    case TDiskChange::maybe:
        break;
    }
    const TFileStamp now = readFileStamp(path);
    if (!now.exists || now.size != known.size || now.hash != known.hash)
        return false;
    takeQuickState(known, now);
    return true;
}

bool changedOnDisk(const TFileStamp& known, const QString& path) {
    TFileStamp copy = known;
    return !sameOnDisk(copy, path);
}
