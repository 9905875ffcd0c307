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

TLpError capacityError() {
    return TLpError(QStringLiteral("Le texte dépasse la capacité du mémo"));
}

} // namespace

// The file is read in slices that are decoded straight into the text: no copy of the whole file's
// bytes is ever held. Reading stops at the first zero byte, since nothing after it is shown (a
// device of endless zeros loads as an empty page).
TPageText loadPageFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw openError(path);
    constexpr qint64 kCapacity = qint64(pagefile::kCapacity);
    constexpr qint64 kSlice = 1 << 20;
    const qint64 sizeHint = f.size();
    TPageText page;
    // Room for the whole file when its size is known and fits; else the text grows as it comes.
    // (QString::resize leaves the new characters uninitialized.)
    page.text.resize(qsizetype(sizeHint > 0 && sizeHint <= kCapacity ? sizeHint : kSlice));
    QByteArray slice(kSlice, Qt::Uninitialized);
    qint64 bytesRead = 0; // bytes of text so far
    qsizetype length = 0; // units of text written
    qsizetype carry = 0;  // a CR held back from the previous slice: an LF may follow it
    for (;;) {
        const qint64 got = f.read(slice.data() + carry, kSlice - carry);
        if (got < 0)
            throw openError(path);
        qsizetype n = carry + qsizetype(got);
        const pagefile::TTextExtent extent =
            pagefile::textExtent(slice.constData() + carry, size_t(got));
        if (extent.cutAtZero) {
            n = carry + qsizetype(extent.length);
            page.zeroOffset = bytesRead + qint64(extent.length);
        }
        bytesRead += qint64(n - carry);
        if (bytesRead > kCapacity)
            throw capacityError();
        const bool last = got == 0 || extent.cutAtZero;
        const qsizetype decodeNow = (!last && n > 0 && slice[n - 1] == '\r') ? n - 1 : n;
        if (page.text.size() < length + decodeNow)
            page.text.resize(std::max(length + decodeNow, page.text.size() * 2));
        length +=
            qsizetype(pagefile::decode(slice.constData(), size_t(decodeNow),
                                       reinterpret_cast<char16_t*>(page.text.data()) + length));
        carry = n - decodeNow;
        if (carry)
            slice[0] = '\r';
        if (last)
            break;
    }
    page.text.truncate(length);
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
