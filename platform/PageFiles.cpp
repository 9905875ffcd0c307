#include "platform/PageFiles.h"

#include "platform/Errors.h"
#include "platform/core/PageFile.h"
#include "platform/core/SafeFile.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The system's reason as a sentence of its own: "No space left on device".
QString reason(int error) {
    return QString::fromLocal8Bit(safefile::reasonOf(error).c_str());
}

QString notRegularReason(safefile::TKind kind) {
    return QStringLiteral("It is %1, not a regular file").arg(safefile::kindName(kind));
}

TLpError openError(const QString& path, const QString& why) {
    return TLpError(QStringLiteral("Impossible d'ouvrir le fichier %1.\n%2").arg(path, why));
}

TLpError createError(const QString& path, const QString& why) {
    return TLpError(QStringLiteral("Impossible de créer le fichier %1.\n%2").arg(path, why));
}

TLpError writeError(const QString& path, int error, const QString& backup = {}) {
    const QString kept = backup.isEmpty()
                             ? QStringLiteral("The file keeps its previous text.")
                             : QStringLiteral("Its previous text could not be put back and is "
                                              "kept in %1.")
                                   .arg(backup);
    return TLpError(QStringLiteral("Erreur d'écriture dans le flux.\n%1: %2. %3")
                        .arg(path, reason(error), kept));
}

TLpError capacityError() {
    return TLpError(QStringLiteral("Le texte dépasse la capacité du mémo"));
}

// The editor's text as page bytes, encoded a slice at a time, so that a large page needs no
// second copy of itself in memory.
class TPageBytes : public safefile::TByteSource {
public:
    explicit TPageBytes(const QString& text)
        : units_(reinterpret_cast<const char16_t*>(text.utf16())), n_(text.size()) {}

    std::uint64_t size() override { return pagefile::encodedSize(units_, std::size_t(n_)); }

    std::string_view next() override {
        if (start_ >= n_)
            return {};
        qsizetype end = std::min(n_, start_ + kSlice);
        // Never split a CR LF pair or a surrogate pair between two slices.
        if (end < n_ &&
            (units_[end - 1] == u'\r' || (units_[end - 1] >= 0xD800 && units_[end - 1] < 0xDC00)))
            ++end;
        const std::size_t count = std::size_t(end - start_);
        bytes_.resize(qsizetype(pagefile::encodedSize(units_ + start_, count)));
        pagefile::encode(units_ + start_, count, bytes_.data());
        start_ = end;
        return {bytes_.constData(), std::size_t(bytes_.size())};
    }

private:
    static constexpr qsizetype kSlice = 1 << 20;
    const char16_t* units_;
    qsizetype n_;
    qsizetype start_ = 0;
    QByteArray bytes_;
};

} // namespace

// The file is read in slices that are decoded straight into the text: no copy of the whole file's
// bytes is ever held. Reading stops at the first zero byte, since nothing after it is shown (a
// device of endless zeros loads as an empty page).
TPageText loadPageFile(const QString& path) {
    const safefile::TOpenResult opened = safefile::openForReading(localPath(path));
    if (opened.fd < 0)
        throw openError(path, opened.error ? reason(opened.error) : notRegularReason(opened.kind));
    QFile f;
    if (!f.open(opened.fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        throw openError(path, f.errorString());
    }
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
            throw openError(path, f.errorString());
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
    TPageBytes bytes(text);
    const safefile::TWriteResult r = safefile::writeFile(localPath(path), bytes);
    switch (r.failed) {
    case safefile::TStage::none:
        return;
    case safefile::TStage::notRegular:
        throw createError(path, notRegularReason(r.kind) + QStringLiteral("; nothing was written"));
    case safefile::TStage::create:
        throw createError(path, reason(r.error));
    case safefile::TStage::write:
        throw writeError(path, r.error);
    case safefile::TStage::restore:
        throw writeError(path, r.error, QFile::decodeName(r.backupPath.c_str()));
    }
}
