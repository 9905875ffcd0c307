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
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

namespace {

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

TRecovery::TRecovery(TParts parts, QString folder)
    : parts_(parts), folder_(std::move(folder)), worker_(std::make_unique<TLatestJobWorker>()) {
    setAlarm(std::make_unique<TQtRecoveryAlarm>());
    QTextDocument* doc = parts_.page.textDocument();
    connect(doc, &QTextDocument::contentsChanged, this, &TRecovery::changed);
    connect(doc, &QTextDocument::modificationChanged, this, &TRecovery::modificationChanged);
}

TRecovery::~TRecovery() {
    // Whatever the worker was given is finished before the lock is released.
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
    schedule_.taken();
    alarm_->cancel();
    if (!parts_.page.isModified()) {
        discard();
        return;
    }
    if (!ownCopy())
        return;
    recovery::TCopyHeader header;
    header.path = parts_.document.currentFileName().toStdString();
    header.timeMs = QDateTime::currentMSecsSinceEpoch();
    header.page = parts_.document.diskStamp();
    // The one cost on this thread: a copy of the text. The editor's raw text separates lines with
    // U+2029, which the page encoder writes as CR LF, as Save does.
    QString text = parts_.page.rawText();
    copyMayExist_ = true;
    worker_->post([this, path = copyPath_, folder = folder_, header, text = std::move(text)] {
        const std::string bytes = pagetext::toPageBytes(text);
        const QByteArray body = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
        const std::string head =
            recovery::copyHeader(header, body.constData(), std::size_t(body.size()));
        // The folder may have gone since the copy was claimed.
        QString why;
        if (!makePrivateFolder(folder, &why) || !writeRecoveryCopy(path, head, body, &why))
            QMetaObject::invokeMethod(
                this, [this, why] { writeFailed(why); }, Qt::QueuedConnection);
    });
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
