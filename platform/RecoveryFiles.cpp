#include "platform/RecoveryFiles.h"

#include "platform/core/PageFile.h"
#include "platform/core/SafeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kSuffix = QStringLiteral(".recovery");
const QString kDamaged = QStringLiteral(".damaged");

} // namespace

QString recoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(state).filePath(QStringLiteral("Larkpad/recovery"));
}

bool makePrivateFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
}

QStringList listRecoveryCopies(const QString& folder) {
    const QFileInfoList found =
        QDir(folder).entryInfoList({"*" + kSuffix}, QDir::Files | QDir::Hidden, QDir::Time);
    QStringList copies;
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        copies << it->absoluteFilePath();
    return copies;
}

QStringList listOrphanRecoveryLocks(const QString& folder) {
    QStringList copies;
    const QDir dir(folder);
    for (const QString& lock :
         dir.entryList({"*" + kSuffix + ".lock"}, QDir::Files | QDir::Hidden)) {
        const QString copy = dir.filePath(lock.chopped(5));
        if (!QFileInfo::exists(copy))
            copies << copy;
    }
    return copies;
}

void removeRecoveryLeftovers(const QString& copyPath) {
    const QFileInfo copy(copyPath);
    QDir dir = copy.dir();
    for (const QString& name :
         dir.entryList({copy.fileName() + ".*"}, QDir::Files | QDir::Hidden)) {
        if (name != copy.fileName() + ".lock" && !name.endsWith(kDamaged))
            dir.remove(name);
    }
}

QString newRecoveryCopyPath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("%1-%2%3")
                                     .arg(QDateTime::currentMSecsSinceEpoch())
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(kSuffix));
}

QString recoveryLockPath(const QString& copyPath) {
    return copyPath + QStringLiteral(".lock");
}

bool writeRecoveryCopy(const QString& path, const std::string& header, const QByteArray& body) {
    // Never in place: a copy is replaced whole, and private to its user whatever it was before.
    safefile::TBytesInMemory bytes(
        {header, std::string_view(body.constData(), std::size_t(body.size()))});
    safefile::TWriteOptions options;
    options.mode = 0600;
    options.mayWriteInPlace = false;
    return safefile::writeFile(QFile::encodeName(path).toStdString(), bytes, options).ok();
}

TRecoveredCopy readRecoveryCopy(const QString& path) {
    TRecoveredCopy copy;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        copy.error = QStringLiteral("it cannot be read");
        return copy;
    }
    // Header lines are short: a copy much longer than the longest page is damaged anyway.
    constexpr qint64 kMostBytes = qint64(pagefile::kCapacity) + (1 << 20);
    if (f.size() > kMostBytes) {
        copy.error = QStringLiteral("it is longer than any copy can be");
        return copy;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        copy.error = QStringLiteral("it cannot be read");
        return copy;
    }
    const recovery::TParsedCopy parsed =
        recovery::parseCopy(bytes.constData(), std::size_t(bytes.size()), pagefile::kCapacity);
    if (!parsed.ok) {
        copy.error = QString::fromStdString(parsed.error);
        return copy;
    }
    copy.header = parsed.header;
    copy.path = QString::fromStdString(parsed.header.path);
    copy.text.resize(qsizetype(parsed.bodySize));
    const std::size_t units =
        pagefile::decode(bytes.constData() + parsed.bodyOffset, parsed.bodySize,
                         reinterpret_cast<char16_t*>(copy.text.data()));
    copy.text.truncate(qsizetype(units));
    copy.ok = true;
    return copy;
}

QString setRecoveryCopyAside(const QString& path) {
    QString target = path + kDamaged;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".%1").arg(n) + kDamaged;
    return QFile::rename(path, target) ? target : QString();
}
