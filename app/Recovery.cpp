// Recovery copies of the page: the schedule, the sliced snapshots (the regular one and the overdue
// one that follows edits in the part it has taken), writing them off the window's thread, and the
// copies found at start. It stays in one file for now, a little past 600 lines: the snapshots and
// the offers share the lock and the copy's path, and both move to the page's own store next, where
// a snapshot becomes a copy of its bytes and most of the slicing goes.

#include "app/Recovery.h"

#include "app/DocumentCommands.h"
#include "document/PageDocument.h"
#include "document/PageText.h"
#include "document/RecoveryFiles.h"
#include "document/core/PageFile.h"
#include "platform/Dialogs.h"
#include "platform/Prompts.h"
#include "platform/core/LatestJobWorker.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

// The slices of a snapshot on their way from the user-interface thread to the worker that writes
// them. The snapshot is complete once its last slice is handed over, or abandoned: the writer then
// stops and the previous copy stays.
struct TCopyStream {
    enum class TTaken { Slice, Complete, Abandoned };

    void push(std::string slice) {
        std::lock_guard lock(mutex_);
        queued_ += slice.size();
        slices_.push_back(std::move(slice));
        wake_.notify_one();
    }
    void end(bool abandoned) {
        std::lock_guard lock(mutex_);
        (abandoned ? abandoned_ : complete_) = true;
        if (abandoned)
            slices_.clear();
        wake_.notify_one();
    }
    // The next slice, waiting for it.
    TTaken take(std::string& slice) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return abandoned_ || complete_ || !slices_.empty(); });
        if (abandoned_)
            return TTaken::Abandoned;
        if (slices_.empty())
            return TTaken::Complete;
        slice = std::move(slices_.front());
        slices_.pop_front();
        queued_ -= slice.size();
        return TTaken::Slice;
    }
    // Bytes handed over and not yet taken.
    std::size_t queued() {
        std::lock_guard lock(mutex_);
        return queued_;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> slices_;
    std::size_t queued_ = 0;
    bool complete_ = false;
    bool abandoned_ = false;
};

namespace {

// A turn of the snapshot encodes slices of about this many characters until kTurnMs are spent.
constexpr qsizetype kSliceCharacters = qsizetype(1) << 16;
constexpr qint64 kTurnMs = 4;
// A worker that falls behind (a slow disk) holds this much at most; the snapshot waits meanwhile.
constexpr std::size_t kMostQueued = std::size_t(16) << 20;
constexpr int kQueueFullMs = 5;

// The system's steady clock and a timer of the event loop.
class TQtRecoveryAlarm : public TRecoveryAlarm {
public:
    TQtRecoveryAlarm() {
        clock_.start();
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (ring)
                ring();
        });
    }
    std::int64_t now() const override { return clock_.elapsed(); }
    void set(std::int64_t at) override {
        timer_.start(int(std::clamp<std::int64_t>(at - now(), 0, std::numeric_limits<int>::max())));
    }
    void cancel() override { timer_.stop(); }

private:
    QElapsedTimer clock_;
    QTimer timer_;
};

std::unique_ptr<QLockFile> lockFor(const QString& copyPath) {
    // A lock that no program can be holding goes first: the system's lock would take an empty
    // or a foreign one for held for good.
    switch (recoveryLockState(recoveryLockPath(copyPath))) {
    case recovery::TLockState::Held:
        return nullptr;
    case recovery::TLockState::Stale:
        QFile::remove(recoveryLockPath(copyPath)); // a link goes, not what it points to
        break;
    case recovery::TLockState::AskSystem:
        break;
    }
    auto lock = std::make_unique<QLockFile>(recoveryLockPath(copyPath));
    // A live program's lock never goes stale by age: only a dead program's lock is taken over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    // It names the program and the machine: as private as the copy.
    QFile::setPermissions(recoveryLockPath(copyPath),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return lock;
}

} // namespace

// The text taken so far of an overdue snapshot, as the document holds it (lines separated by
// U+2029, display blocks of a long line too): the document's text [0, taken) at every moment.
struct TRecovery::TForcedSnapshot {
    recovery::TCopyHeader header;
    std::vector<QString> chunks;
    qsizetype taken = 0;

    void erase(qsizetype from, qsizetype count) {
        qsizetype start = 0;
        for (QString& chunk : chunks) {
            if (count <= 0)
                break;
            if (from < start + chunk.size()) {
                const qsizetype at = std::max<qsizetype>(from - start, 0);
                const qsizetype n = std::min(count, chunk.size() - at);
                chunk.remove(at, n);
                count -= n; // the rest starts the next chunk
            }
            start += chunk.size();
        }
    }
    void insert(qsizetype at, const QString& text) {
        qsizetype start = 0;
        for (QString& chunk : chunks) {
            if (at <= start + chunk.size()) {
                chunk.insert(at - start, text);
                return;
            }
            start += chunk.size();
        }
        chunks.push_back(text);
    }
};

TRecovery::TRecovery(TParts parts, QString folder)
    : parts_(parts), folder_(std::move(folder)), snapshotTimer_(new QTimer(this)),
      worker_(std::make_unique<TLatestJobWorker>()),
      watch_(parts_.page, {.changed = [this](int, int, int) { changed(); },
                           .modified = [this](bool modified) { modificationChanged(modified); }}) {
    snapshotTimer_->setSingleShot(true);
    connect(snapshotTimer_, &QTimer::timeout, this, &TRecovery::snapshotTurn);
    setAlarm(std::make_unique<TQtRecoveryAlarm>());
    // An overdue snapshot follows the edits in the part it has taken, in document positions.
    connect(parts_.page.textDocument(), &QTextDocument::contentsChange, this,
            &TRecovery::forcedEdit);
}

TRecovery::~TRecovery() {
    // Whatever the worker was given is finished before the lock is released.
    abandonSnapshot();
    worker_.reset();
}

void TRecovery::setAlarm(std::unique_ptr<TRecoveryAlarm> alarm) {
    if (alarm_)
        alarm_->cancel();
    alarm_ = std::move(alarm);
    alarm_->ring = [this] { rung(); };
    // What was owed on the old clock is owed from now on the new one.
    if (schedule_.dueAt()) {
        schedule_.taken();
        schedule_.changed(alarm_->now());
    }
    arm();
}

void TRecovery::rung() {
    if (schedule_.isDue(alarm_->now()))
        writeNow();
    else
        arm();
}

void TRecovery::changed() {
    if (!forced_)
        abandonSnapshot();
    if (!parts_.page.isModified())
        return;
    schedule_.changed(alarm_->now());
    arm();
}

void TRecovery::modificationChanged(bool modified) {
    if (modified)
        changed();
    else
        discard();
}

void TRecovery::arm() {
    if (const auto due = schedule_.dueAt())
        alarm_->set(*due);
    else
        alarm_->cancel();
}

void TRecovery::discard() {
    abandonSnapshot();
    schedule_.clear();
    alarm_->cancel();
    if (!copyMayExist_)
        return;
    copyMayExist_ = false;
    worker_->post([path = copyPath_] { QFile::remove(path); });
}

void TRecovery::closeNormally() {
    discard();
    worker_->waitIdle();
    lock_.reset();
}

void TRecovery::waitIdle() {
    if (stream_)
        takeSlices(-1, 0);
    if (forced_)
        forcedTurn(-1, 0);
    worker_->waitIdle();
}

bool TRecovery::ownCopy() {
    if (lock_)
        return true;
    QString why;
    if (!makePrivateFolder(folder_, &why)) {
        writeFailed(why);
        return false;
    }
    copyPath_ = newRecoveryCopyPath(folder_);
    lock_ = lockFor(copyPath_);
    if (!lock_) {
        const int error = errno;
        writeFailed(
            QStringLiteral("the lock file %1 cannot be made: %2")
                .arg(recoveryLockPath(copyPath_), QString::fromLocal8Bit(std::strerror(error))));
    }
    return lock_ != nullptr;
}

void TRecovery::writeNow() {
    abandonSnapshot();
    alarm_->cancel();
    if (!parts_.page.isModified()) {
        discard();
        return;
    }
    if (!ownCopy()) {
        schedule_.taken();
        return;
    }
    // The text counts as taken once the snapshot is complete: a change that drops it leaves the
    // copy owed since the first change, so that typing that never pauses long enough for a whole
    // snapshot still gets its copy when it is overdue, taken then in slices that no change drops.
    const bool overdue = schedule_.isOverdue(alarm_->now());
    recovery::TCopyHeader header;
    header.path = parts_.document.currentFileName().toStdString();
    header.timeMs = QDateTime::currentMSecsSinceEpoch();
    header.page = parts_.document.diskStamp();
    copyMayExist_ = true;
    if (overdue) {
        forced_ = std::make_unique<TForcedSnapshot>();
        forced_->header = header;
        snapshotTurn();
        return;
    }
    stream_ = std::make_shared<TCopyStream>();
    nextPosition_ = 0;
    nextBlock_ = 0;
    carry_.clear();
    worker_->post([this, stream = stream_, path = copyPath_, folder = folder_, header] {
        // The folder may have gone since the copy was claimed. Slices are taken to the end even
        // when the copy cannot be written, so that none waits for nothing.
        QString why;
        TRecoveryCopyWriter copy;
        bool ok = makePrivateFolder(folder, &why) && copy.open(path, header, &why);
        std::string slice;
        for (;;) {
            const TCopyStream::TTaken taken = stream->take(slice);
            if (taken == TCopyStream::TTaken::Abandoned)
                return; // the previous copy stays
            if (taken == TCopyStream::TTaken::Complete)
                break;
            if (ok && !copy.add(slice))
                ok = copy.commit(&why); // tells why; the previous copy stays
        }
        if (ok && copy.commit(&why))
            return;
        QMetaObject::invokeMethod(
            this, [this, why] { writeFailed(why); }, Qt::QueuedConnection);
    });
    snapshotTurn();
}

void TRecovery::snapshotTurn() {
    if (forced_) {
        forcedTurn(kTurnMs, turnLimit_);
        if (forced_)
            snapshotTimer_->start(0);
        return;
    }
    if (!stream_)
        return;
    if (stream_->queued() > kMostQueued) {
        snapshotTimer_->start(kQueueFullMs);
        return;
    }
    takeSlices(kTurnMs, turnLimit_);
    if (stream_)
        snapshotTimer_->start(0);
}

void TRecovery::takeSlices(qint64 budgetMs, qsizetype limit) {
    QElapsedTimer clock;
    clock.start();
    QTextDocument* doc = parts_.page.textDocument();
    const int end = doc->characterCount() - 1;
    const qsizetype most = limit > 0 ? std::min(limit, kSliceCharacters) : kSliceCharacters;
    const bool cuts = parts_.page.hasContinuations();
    qsizetype taken = 0;
    QTextCursor range(doc);
    // The raw text as rawText() gives it: lines separated by U+2029, the display blocks of a long
    // line joined again (their separators dropped). toPageBytes writes each U+2029 as CR LF, as
    // Save does.
    while (nextPosition_ < end) {
        const int to = int(std::min<qsizetype>(end, nextPosition_ + most));
        range.setPosition(nextPosition_);
        range.setPosition(to, QTextCursor::KeepAnchor);
        QString text = range.selectedText();
        taken += to - nextPosition_;
        nextPosition_ = to;
        if (cuts) {
            QChar* units = text.data();
            qsizetype kept = 0;
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (units[i] == QChar::ParagraphSeparator &&
                    parts_.page.continuesLine(++nextBlock_))
                    continue;
                units[kept++] = units[i];
            }
            text.truncate(kept);
        }
        if (!carry_.isEmpty()) {
            text.prepend(carry_);
            carry_.clear();
        }
        // A character whose meaning depends on the next one (CR before LF, the first half of a
        // surrogate pair) waits for it.
        if (nextPosition_ < end && !text.isEmpty() &&
            (text.back() == u'\r' || text.back().isHighSurrogate())) {
            carry_ = text.back();
            text.chop(1);
        }
        stream_->push(pagetext::toPageBytes(text));
        if ((limit > 0 && taken >= limit) || (budgetMs >= 0 && clock.elapsed() >= budgetMs))
            return;
    }
    if (!carry_.isEmpty())
        stream_->push(pagetext::toPageBytes(carry_));
    stream_->end(false);
    stream_.reset();
    carry_.clear();
    snapshotTimer_->stop();
    schedule_.taken();
}

void TRecovery::forcedTurn(qint64 budgetMs, qsizetype limit) {
    QElapsedTimer clock;
    clock.start();
    QTextDocument* doc = parts_.page.textDocument();
    const int end = doc->characterCount() - 1;
    const qsizetype most = limit > 0 ? std::min(limit, kSliceCharacters) : kSliceCharacters;
    qsizetype taken = 0;
    QTextCursor range(doc);
    while (forced_->taken < end) {
        const int to = int(std::min<qsizetype>(end, forced_->taken + most));
        range.setPosition(int(forced_->taken));
        range.setPosition(to, QTextCursor::KeepAnchor);
        forced_->chunks.push_back(range.selectedText());
        taken += to - forced_->taken;
        forced_->taken = to;
        if ((limit > 0 && taken >= limit) || (budgetMs >= 0 && clock.elapsed() >= budgetMs))
            return;
    }
    postForced();
}

void TRecovery::forcedEdit(int position, int removed, int added) {
    if (!forced_ || position >= forced_->taken)
        return; // the part still to be taken is read as it is then
    QTextDocument* doc = parts_.page.textDocument();
    const int end = doc->characterCount() - 1;
    added = std::clamp(added, 0, std::max(end - position, 0));
    const qsizetype kept = std::min<qsizetype>(position + qsizetype(removed), forced_->taken);
    forced_->erase(position, kept - position);
    QTextCursor range(doc);
    range.setPosition(position);
    range.setPosition(position + added, QTextCursor::KeepAnchor);
    forced_->insert(position, range.selectedText());
    // An edit that reached past what was taken: the rest is taken from its end.
    forced_->taken += added - (kept - position);
    if (kept < position + qsizetype(removed))
        forced_->taken = position + added;
}

void TRecovery::postForced() {
    std::unique_ptr<TForcedSnapshot> forced = std::move(forced_);
    snapshotTimer_->stop();
    qsizetype length = 0;
    for (const QString& chunk : forced->chunks)
        length += chunk.size();
    QTextDocument* doc = parts_.page.textDocument();
    if (length != doc->characterCount() - 1) {
        // Not the text as it is: the next copy is owed as after any change.
        schedule_.taken();
        schedule_.changed(alarm_->now());
        arm();
        return;
    }
    // The display blocks that continue a line: their separators go, as Save drops them.
    std::vector<int> cuts;
    if (parts_.page.hasContinuations())
        for (int b = 1; b < doc->blockCount(); ++b)
            if (parts_.page.continuesLine(b))
                cuts.push_back(b);
    schedule_.taken();
    worker_->post([this, chunks = std::move(forced->chunks), cuts = std::move(cuts),
                   path = copyPath_, folder = folder_, header = forced->header] {
        QString text;
        for (const QString& chunk : chunks)
            text += chunk;
        if (!cuts.empty()) {
            QChar* units = text.data();
            qsizetype kept = 0;
            int block = 0;
            auto cut = cuts.begin();
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (units[i] == QChar::ParagraphSeparator) {
                    ++block;
                    while (cut != cuts.end() && *cut < block)
                        ++cut;
                    if (cut != cuts.end() && *cut == block)
                        continue;
                }
                units[kept++] = units[i];
            }
            text.truncate(kept);
        }
        QString why;
        TRecoveryCopyWriter copy;
        bool ok = makePrivateFolder(folder, &why) && copy.open(path, header, &why);
        if (ok) {
            copy.add(pagetext::toPageBytes(text)); // a failure is told by commit
            ok = copy.commit(&why);
        }
        if (ok)
            return;
        QMetaObject::invokeMethod(
            this, [this, why] { writeFailed(why); }, Qt::QueuedConnection);
    });
}

void TRecovery::abandonSnapshot() {
    if (forced_) {
        forced_.reset();
        snapshotTimer_->stop();
    }
    if (!stream_)
        return;
    stream_->end(true);
    stream_.reset();
    carry_.clear();
    snapshotTimer_->stop();
}

void TRecovery::writeFailed(const QString& why) {
    if (failureTold_)
        return;
    failureTold_ = true;
    if (cannotWrite)
        cannotWrite(
            QStringLiteral("Recovery copies cannot be written in %1: %2").arg(folder_, why));
}

// A copy left by a program that no longer runs, held by this program while it is offered.
struct TRecovery::TFoundCopy {
    QString file;
    QString aside; ///< a damaged copy: the name it was set aside as, when it could be
    std::unique_ptr<QLockFile> lock;
    TRecoveredCopy read;
};

namespace {

QString timeText(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

void TRecovery::restoreCopy(std::unique_ptr<QLockFile> lock, const QString& copy,
                            const TRecoveredCopy& found) {
    discard();
    parts_.document.restore(found.path, found.text, found.header.page);
    // The copy becomes this program's: it holds the text until it is saved or discarded.
    lock_ = std::move(lock);
    copyPath_ = copy;
    copyMayExist_ = true;
    schedule_.taken();
    alarm_->cancel();
}

bool TRecovery::offerRecovery() {
    QString why;
    if (!QFileInfo(folder_).isSymLink() && !QFileInfo::exists(folder_))
        return false; // nothing was ever kept
    if (!checkPrivateFolder(folder_, &why)) {
        parts_.prompts.applicationError(
            QStringLiteral("The recovery folder %1 is not used: %2").arg(folder_, why));
        return false;
    }
    // A program that ended during its first write left a lock and a temporary file only.
    for (const QString& copy : listOrphanRecoveryLocks(folder_)) {
        if (copy != copyPath_ && lockFor(copy))
            removeRecoveryLeftovers(copy);
    }
    std::vector<TFoundCopy> found;
    QStringList leftAlone;
    for (const QString& copy : listRecoveryCopies(folder_)) {
        if (copy == copyPath_)
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(copy);
        if (!lock)
            continue; // the copy of a program that still runs
        TRecoveredCopy read = readRecoveryCopy(copy);
        if (read.foreign) {
            leftAlone << QStringLiteral("%1: %2").arg(copy, read.error);
            continue;
        }
        removeRecoveryLeftovers(copy);
        QString aside;
        if (!read.ok)
            aside = setRecoveryCopyAside(copy);
        found.push_back({copy, aside, std::move(lock), std::move(read)});
    }
    if (!leftAlone.isEmpty())
        parts_.prompts.warning(
            QStringLiteral("Files in the recovery folder that are not recovery copies of yours "
                           "were left alone:\n") +
            leftAlone.join('\n'));
    if (found.empty())
        return false;
    if (found.size() == 1)
        return offerOne(found.front());
    return offerList(found);
}

bool TRecovery::offerOne(TFoundCopy& copy) {
    const TRecoveredCopy& read = copy.read;
    if (!read.ok) {
        parts_.prompts.applicationError(
            copy.aside.isEmpty()
                ? QStringLiteral("The recovery copy %1 cannot be used: %2")
                      .arg(copy.file, read.error)
                : QStringLiteral("The recovery copy %1 cannot be used: %2. It was kept as %3")
                      .arg(copy.file, read.error, copy.aside));
        return false;
    }
    const QString name = read.path.isEmpty() ? QStringLiteral("Untitled") : read.path;
    switch (parts_.prompts.askYesNoCancel(
        QStringLiteral("Recover the unsaved changes of %1 from %2? Oui restores the text, Non "
                       "deletes the copy, Annuler keeps it for the next start.")
            .arg(name, timeText(read.header.timeMs)))) {
    case TAnswer::Yes:
        restoreCopy(std::move(copy.lock), copy.file, read);
        return true;
    case TAnswer::No:
        QFile::remove(copy.file);
        break;
    case TAnswer::Cancel:
        break;
    }
    return false;
}

bool TRecovery::offerList(std::vector<TFoundCopy>& found) {
    for (;;) {
        std::vector<recovery::TListedCopy> listed;
        for (const TFoundCopy& c : found) {
            recovery::TListedCopy l;
            l.file = (c.aside.isEmpty() ? c.file : c.aside).toStdString();
            l.page = c.read.path.toStdString();
            l.timeMs = c.read.header.timeMs;
            l.size = std::uint64_t(c.read.size);
            if (!c.read.ok)
                l.damage = (c.aside.isEmpty()
                                ? c.read.error
                                : QStringLiteral("%1 (kept as %2)").arg(c.read.error, c.aside))
                               .toStdString();
            listed.push_back(std::move(l));
        }
        const recovery::TListDecision d = parts_.dialogs.executeRecoveryList(listed);
        if (!recovery::allowed(d.action, listed, d.rows))
            return false;
        switch (d.action) {
        case recovery::TListAction::Later:
            return false;
        case recovery::TListAction::Recover: {
            TFoundCopy& chosen = found[d.rows.front()];
            restoreCopy(std::move(chosen.lock), chosen.file, chosen.read);
            return true;
        }
        case recovery::TListAction::Delete: {
            QStringList failed;
            std::vector<bool> gone(found.size(), false);
            for (std::size_t r : d.rows) {
                const TFoundCopy& c = found[r];
                const QString file = c.aside.isEmpty() ? c.file : c.aside;
                QFile f(file);
                if (f.remove() || !f.exists())
                    gone[r] = true;
                else
                    failed << QStringLiteral("%1: %2").arg(file, f.errorString());
            }
            std::vector<TFoundCopy> left;
            for (std::size_t i = 0; i < found.size(); ++i)
                if (!gone[i])
                    left.push_back(std::move(found[i]));
            found = std::move(left);
            if (!failed.isEmpty())
                parts_.prompts.applicationError(
                    QStringLiteral("These recovery copies cannot be deleted:\n") +
                    failed.join('\n'));
            if (found.empty())
                return false;
            break;
        }
        }
    }
}
