#include "app/Recovery.h"

#include "app/DocumentCommands.h"
#include "document/PageDocument.h"
#include "document/PageText.h"
#include "document/RecoveryFiles.h"
#include "document/core/PageFile.h"
#include "editor/ColMemo.h"
#include "platform/Prompts.h"
#include "platform/core/LatestJobWorker.h"

#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QTextDocument>

namespace {

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
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (schedule_.isDue(clock_.elapsed()))
            writeNow();
        else
            arm();
    });
    QTextDocument* doc = parts_.editor.document();
    connect(doc, &QTextDocument::contentsChanged, this, &TRecovery::changed);
    connect(doc, &QTextDocument::modificationChanged, this, &TRecovery::modificationChanged);
}

TRecovery::~TRecovery() {
    // Whatever the worker was given is finished before the lock is released.
    worker_.reset();
}

void TRecovery::changed() {
    if (!parts_.editor.Modified())
        return;
    schedule_.changed(clock_.elapsed());
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
        timer_.start(int(std::max<qint64>(0, *due - clock_.elapsed())));
    else
        timer_.stop();
}

void TRecovery::discard() {
    schedule_.clear();
    timer_.stop();
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
    timer_.stop();
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
    QString text = parts_.editor.Page().rawText();
    copyMayExist_ = true;
    worker_->post([this, path = copyPath_, folder = folder_, header, text = std::move(text)] {
        const std::string bytes = pagetext::toPageBytes(text);
        const QByteArray body = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
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
            timer_.stop();
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
