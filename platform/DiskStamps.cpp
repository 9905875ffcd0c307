#include "platform/DiskStamps.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

TFileStamp statFile(const QString& path) {
    const QFileInfo info(path);
    TFileStamp stamp;
    if (!info.isFile())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedMs = info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    return stamp;
}

TFileStamp readFileStamp(const QString& path) {
    TFileStamp stamp = statFile(path);
    if (!stamp.exists)
        return stamp;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
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

bool changedOnDisk(const TFileStamp& known, const QString& path) {
    switch (quickDiskChange(known, statFile(path))) {
    case TDiskChange::none:
        return false;
    case TDiskChange::changed:
    case TDiskChange::gone:
        return true;
    case TDiskChange::maybe:
        break;
    }
    const TFileStamp now = readFileStamp(path);
    return !now.exists || now.size != known.size || now.hash != known.hash;
}
