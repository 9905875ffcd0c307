#include "platform/PageFiles.h"

#include "platform/Errors.h"
#include "platform/core/PageFile.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace {

TLpError openError(const QString& path) {
    return TLpError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(path));
}

TLpError createError(const QString& path) {
    return TLpError(QStringLiteral("Impossible de créer le fichier %1").arg(path));
}

TLpError writeError() {
    return TLpError(QStringLiteral("Erreur d'écriture dans le flux"));
}

// Reads the page's bytes up to and including its first zero byte: what follows the zero byte is
// never shown, so it is not read (a device of endless zeros loads as an empty page).
QByteArray readPageBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw openError(path);
    constexpr qint64 kCapacity = qint64(pagefile::kCapacity);
    // One byte more than the size reported, so that a regular file is read by one call and the
    // end is seen by the next; a file that grows meanwhile is still read to its end.
    qint64 want = std::clamp<qint64>(f.size() + 1, 64 * 1024, kCapacity + 1);
    QByteArray bytes(want, Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        const qint64 got = f.read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0)
            throw openError(path);
        if (got == 0)
            break;
        const bool zero = std::memchr(bytes.constData() + filled, 0, size_t(got)) != nullptr;
        filled += got;
        if (zero)
            break;
        if (filled > kCapacity)
            throw TLpError(QStringLiteral("Le texte dépasse la capacité du mémo"));
        if (filled == bytes.size())
            bytes.resize(std::min(bytes.size() * 2, kCapacity + 1));
    }
    bytes.truncate(filled);
    return bytes;
}

} // namespace

TPageText loadPageFile(const QString& path) {
    const QByteArray bytes = readPageBytes(path);
    const pagefile::TTextExtent extent = pagefile::textExtent(bytes.constData(), bytes.size());
    if (extent.length > pagefile::kCapacity)
        throw TLpError(QStringLiteral("Le texte dépasse la capacité du mémo"));
    TPageText page;
    page.text = QString(qsizetype(extent.length), Qt::Uninitialized);
    const std::size_t length = pagefile::decode(bytes.constData(), extent.length,
                                                reinterpret_cast<char16_t*>(page.text.data()));
    page.text.truncate(qsizetype(length));
    if (extent.cutAtZero)
        page.zeroOffset = qint64(extent.length);
    return page;
}

void savePageFile(const QString& path, const QString& text) {
    QSaveFile f(path);
    // Writing straight into the old file would destroy it when the write fails: never do that.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly))
        throw createError(path);

    // Encode and write in slices, so that a large page needs no second copy of itself in memory.
    constexpr qsizetype kSlice = 1 << 20;
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    QByteArray bytes;
    for (qsizetype start = 0; start < n;) {
        qsizetype end = std::min(n, start + kSlice);
        // Never split a CR LF pair or a surrogate pair between two slices.
        if (end < n &&
            (units[end - 1] == u'\r' || (units[end - 1] >= 0xD800 && units[end - 1] < 0xDC00)))
            ++end;
        const std::size_t count = std::size_t(end - start);
        bytes.resize(qsizetype(pagefile::encodedSize(units + start, count)));
        pagefile::encode(units + start, count, bytes.data());
        if (f.write(bytes) != bytes.size())
            throw writeError(); // the temporary file is removed with f
        start = end;
    }
    // commit() may report success although flushing its last buffer failed (seen with Qt 6.4 on a
    // full disk, leaving an empty file in place of the page): flush and check first.
    if (!f.flush() || f.error() != QFileDevice::NoError)
        throw writeError();
    if (!f.commit())
        throw f.error() == QFileDevice::RenameError ? createError(path) : writeError();
}
