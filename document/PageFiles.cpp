#include "document/PageFiles.h"

#include "document/PageDocument.h"
#include "document/core/PageFile.h"
#include "platform/DiskStamps.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/core/SafeFile.h"

#include <QByteArray>
#include <QFile>
#include <QTextDocument>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    return TLpError(errortext::cannotOpenFile.arg(path) + ".\n" + why);
}

TLpError createError(const QString& path, const QString& why) {
    return TLpError(errortext::cannotCreateFile.arg(path) + ".\n" + why);
}

TLpError writeError(const QString& path, int error, const QString& backup = {}) {
    const QString kept = backup.isEmpty()
                             ? QStringLiteral("The file keeps its previous text.")
                             : QStringLiteral("Its previous text could not be put back and is "
                                              "kept in %1.")
                                   .arg(backup);
    return TLpError(errortext::streamWriteError +
                    QStringLiteral(".\n%1: %2. %3").arg(path, reason(error), kept));
}

TLpError capacityError() {
    return TLpError(errortext::memoCapacityExceeded);
}

// Page bytes handed out a piece at a time from a reused buffer: each unit is encoded once, straight
// into the buffer, so that a large page needs no second copy of itself in memory.
class TPieceEncoder {
public:
    static constexpr std::size_t kPiece = std::size_t(1) << 20; ///< bytes per piece, about
    static constexpr std::size_t kUnits = std::size_t(1) << 19; ///< units encoded per step

    TPieceEncoder() : bytes_(kPiece + pagefile::maxEncodedSize(kUnits + 1) + 2) {}

    bool full() const { return used_ >= kPiece; }
    void startPiece() { used_ = 0; }
    std::string_view piece() const { return {bytes_.data(), used_}; }

    // Encodes a step of units[at, n) and moves at past it. Never splits a CR LF pair or a
    // surrogate pair: the encoder sees each as one character.
    void encode(const char16_t* units, std::size_t n, std::size_t& at) {
        std::size_t end = std::min(n, at + kUnits);
        if (end < n &&
            (units[end - 1] == u'\r' || (units[end - 1] >= 0xD800 && units[end - 1] < 0xDC00)))
            ++end;
        used_ += pagefile::encodeInto(units + at, end - at, bytes_.data() + used_);
        at = end;
    }
    void lineBreak() {
        bytes_[used_++] = '\r';
        bytes_[used_++] = '\n';
    }

private:
    std::vector<char> bytes_;
    std::size_t used_ = 0;
};

const char16_t* unitsOf(const QString& text) {
    return reinterpret_cast<const char16_t*>(text.utf16());
}

// A text held in one string.
class TTextBytes : public safefile::TByteSource {
public:
    explicit TTextBytes(const QString& text)
        : units_(unitsOf(text)), n_(std::size_t(text.size())) {}

    std::uint64_t size() override { return pagefile::encodedSize(units_, n_); }

    std::string_view next() override {
        out_.startPiece();
        while (at_ < n_ && !out_.full())
            out_.encode(units_, n_, at_);
        const std::string_view piece = out_.piece();
        hash_.add(piece.data(), piece.size());
        written_ += piece.size();
        return piece;
    }

    // The bytes handed out so far: their number and hash.
    std::uint64_t written() const { return written_; }
    std::uint64_t hash() const { return hash_.value(); }

private:
    const char16_t* units_;
    std::size_t n_;
    std::size_t at_ = 0;
    TPieceEncoder out_;
    TByteHash hash_;
    std::uint64_t written_ = 0;
};

void writePage(const QString& path, safefile::TByteSource& bytes) {
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

} // namespace

struct TPageReader::TState {
    QFile file;
    QByteArray slice{kSlice, Qt::Uninitialized};
    qint64 size = 0;
    qint64 bytesRead = 0; // bytes of text so far
    qsizetype carry = 0;  // a CR held back from the previous slice: an LF may follow it
    qint64 zeroOffset = -1;
    bool atEnd = false;
    TFileStamp opened; // the open file as it was when opened
    nlink_t links = 0;
    TByteHash hash; // of every byte read from the file
    qint64 fileBytes = 0;
};

namespace {

TLpError changedWhileReading(const QString& path) {
    return TLpError(QStringLiteral("The file %1 was changed by another program while it was being "
                                   "read, so it was not opened: a part of it could have been "
                                   "taken for the whole page. Open it again.")
                        .arg(path));
}

} // namespace

// Reading stops at the first zero byte, since nothing after it is shown (a device of endless zeros
// loads as an empty page).
TPageReader::TPageReader(const QString& path) : path_(path), s_(std::make_unique<TState>()) {
    const safefile::TOpenResult opened = safefile::openForReading(localPath(path));
    if (opened.fd < 0)
        throw openError(path, opened.error ? reason(opened.error) : notRegularReason(opened.kind));
    if (!s_->file.open(opened.fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                       QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        throw openError(path, s_->file.errorString());
    }
    s_->size = s_->file.size();
    struct stat st {};
    if (::fstat(s_->file.handle(), &st) == 0) {
        s_->opened = stampOfStatus(st);
        s_->links = st.st_nlink;
    }
}

TFileStamp TPageReader::stamp() const {
    TFileStamp stamp = s_->opened;
    stamp.hash = s_->hash.value();
    return stamp;
}

void TPageReader::checkUnchanged() {
    TState& s = *s_;
    // Past a zero byte nothing is shown, but the stamp is of the whole file.
    std::vector<char> rest(std::size_t(1) << 16);
    for (qint64 got; (got = s.file.read(rest.data(), qint64(rest.size()))) > 0;) {
        s.hash.add(rest.data(), std::size_t(got));
        s.fileBytes += got;
    }
    struct stat st {};
    if (!s.opened.exists || ::fstat(s.file.handle(), &st) != 0)
        return;
    const TFileStamp now = stampOfStatus(st);
    // A file renamed over or removed meanwhile keeps its bytes (its change time moves with its
    // link count); any other change of its status may be a rewrite that put its times back.
    if (s.fileBytes != s.opened.size || now.size != s.opened.size ||
        now.modifiedMs != s.opened.modifiedMs ||
        (now.changedNs != s.opened.changedNs && st.st_nlink == s.links))
        throw changedWhileReading(path_);
}

TPageReader::~TPageReader() = default;

qint64 TPageReader::fileSize() const {
    return s_->size;
}
qint64 TPageReader::bytesRead() const {
    return s_->bytesRead;
}
bool TPageReader::atEnd() const {
    return s_->atEnd;
}
qint64 TPageReader::zeroOffset() const {
    return s_->zeroOffset;
}

// Each slice is decoded straight into the text: no copy of the whole file's bytes is ever held.
void TPageReader::read(QString& text, qint64 bytes) {
    constexpr qint64 kCapacity = qint64(pagefile::kCapacity);
    TState& s = *s_;
    for (qint64 done = 0; !s.atEnd && done < bytes;) {
        const qint64 want = std::min(kSlice - s.carry, bytes - done);
        const qint64 got = s.file.read(s.slice.data() + s.carry, want);
        if (got < 0)
            throw openError(path_, s.file.errorString());
        s.hash.add(s.slice.constData() + s.carry, std::size_t(got));
        s.fileBytes += got;
        qsizetype n = s.carry + qsizetype(got);
        const pagefile::TTextExtent extent =
            pagefile::textExtent(s.slice.constData() + s.carry, size_t(got));
        if (extent.cutAtZero) {
            n = s.carry + qsizetype(extent.length);
            s.zeroOffset = s.bytesRead + qint64(extent.length);
        }
        s.bytesRead += qint64(n - s.carry);
        done += qint64(n - s.carry);
        if (s.bytesRead > kCapacity)
            throw capacityError();
        s.atEnd = got == 0 || extent.cutAtZero;
        if (s.atEnd)
            checkUnchanged();
        const qsizetype decodeNow = (!s.atEnd && n > 0 && s.slice[n - 1] == '\r') ? n - 1 : n;
        const qsizetype length = text.size();
        // (QString::resize leaves the new characters uninitialized.)
        if (text.capacity() < length + decodeNow)
            text.reserve(std::max(length + decodeNow, 2 * length));
        text.resize(length + decodeNow);
        text.truncate(length + qsizetype(pagefile::decode(s.slice.constData(), size_t(decodeNow),
                                                          reinterpret_cast<char16_t*>(text.data()) +
                                                              length)));
        s.carry = n - decodeNow;
        if (s.carry)
            s.slice[0] = '\r';
    }
}

TPageText loadPageFile(const QString& path) {
    TPageReader reader(path);
    TPageText page;
    // Room for the whole file when its size is known and fits; else the text grows as it comes.
    const qint64 size = reader.fileSize();
    page.text.reserve(qsizetype(size > 0 && size <= qint64(pagefile::kCapacity) ? size : 0));
    reader.read(page.text, std::numeric_limits<qint64>::max());
    page.zeroOffset = reader.zeroOffset();
    return page;
}

void savePageFile(const QString& path, const QString& text) {
    TTextBytes bytes(text);
    writePage(path, bytes);
}

TFileStamp savePageFile(const QString& path, const TPageDocument& page) {
    // One copy of the text is the fastest way to read the whole document: read a stretch at a
    // time, each stretch costs a lookup in the document, and a 50 MB page then takes 3.5 times
    // as long. The copy lives only while the page is written.
    const QString text = page.rawText();
    TTextBytes bytes(text);
    writePage(path, bytes);
    // The bytes were hashed as they went out; the file is read back only when it is no longer
    // what was written (another program was quicker).
    TFileStamp stamp = statFile(path);
    if (!stamp.exists || stamp.size != std::int64_t(bytes.written()))
        return readFileStamp(path);
    stamp.hash = bytes.hash();
    return stamp;
}
