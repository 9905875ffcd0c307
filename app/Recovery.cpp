#include "app/Recovery.h"

#include "app/DocumentCommands.h"
#include "editor/ColMemo.h"
#include "platform/DisplayCuts.h"
#include "platform/Prompts.h"
#include "platform/RecoveryFiles.h"
#include "platform/core/LatestJobWorker.h"
#include "platform/core/PageFile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <limits>

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
    QTextDocument* doc = parts_.editor.document();
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
    if (!parts_.editor.Modified())
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
    if (!makePrivateFolder(folder_))
        return false;
    copyPath_ = newRecoveryCopyPath(folder_);
    lock_ = lockFor(copyPath_);
    return lock_ != nullptr;
}

void TRecovery::writeNow() {
    schedule_.taken();
    alarm_->cancel();
    if (!parts_.editor.Modified()) {
        discard();
        return;
    }
    if (!ownCopy()) {
        writeFailed();
        return;
    }
    recovery::TCopyHeader header;
    header.path = parts_.document.currentFileName().toStdString();
    header.timeMs = QDateTime::currentMSecsSinceEpoch();
    header.page = parts_.document.diskStamp();
    // The one cost on this thread: a copy of the text. The editor's raw text separates lines with
    // U+2029, which the page encoder writes as CR LF, as Save does.
    QString text = rawTextOf(*parts_.editor.document());
    copyMayExist_ = true;
    worker_->post([this, path = copyPath_, folder = folder_, header, text = std::move(text)] {
        const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
        const std::size_t n = std::size_t(text.size());
        QByteArray body(qsizetype(pagefile::encodedSize(units, n)), Qt::Uninitialized);
        pagefile::encode(units, n, body.data());
        const std::string head =
            recovery::copyHeader(header, body.constData(), std::size_t(body.size()));
        // The folder may have gone since the copy was claimed.
        if (!makePrivateFolder(folder) || !writeRecoveryCopy(path, head, body))
            QMetaObject::invokeMethod(this, &TRecovery::writeFailed, Qt::QueuedConnection);
    });
}

void TRecovery::writeFailed() {
    if (failureTold_)
        return;
    failureTold_ = true;
    if (cannotWrite)
        cannotWrite();
}

bool TRecovery::offerRecovery() {
    // A program that ended during its first write left a lock and a temporary file only.
    for (const QString& copy : listOrphanRecoveryLocks(folder_)) {
        if (copy != copyPath_ && lockFor(copy))
            removeRecoveryLeftovers(copy);
    }
    for (const QString& copy : listRecoveryCopies(folder_)) {
        if (copy == copyPath_)
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(copy);
        if (!lock)
            continue; // the copy of a program that still runs
        removeRecoveryLeftovers(copy);
        const TRecoveredCopy found = readRecoveryCopy(copy);
        if (!found.ok) {
            const QString aside = setRecoveryCopyAside(copy);
            parts_.prompts.applicationError(
                aside.isEmpty()
                    ? QStringLiteral("The recovery copy %1 cannot be used: %2")
                          .arg(copy, found.error)
                    : QStringLiteral("The recovery copy %1 cannot be used: %2. It was kept as %3")
                          .arg(copy, found.error, aside));
            continue;
        }
        const QString name = found.path.isEmpty() ? QStringLiteral("Untitled") : found.path;
        const QString when = QDateTime::fromMSecsSinceEpoch(found.header.timeMs)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        switch (parts_.prompts.askYesNoCancel(
            QStringLiteral("Recover the unsaved changes of %1 from %2?").arg(name, when))) {
        case TAnswer::Yes:
            discard();
            parts_.document.restore(found.path, found.text, found.header.page);
            // The copy becomes this program's: it holds the text until it is saved or discarded.
            lock_ = std::move(lock);
            copyPath_ = copy;
            copyMayExist_ = true;
            schedule_.taken();
            alarm_->cancel();
            return true;
        case TAnswer::No:
            QFile::remove(copy);
            break;
        case TAnswer::Cancel:
            break;
        }
    }
    return false;
}
