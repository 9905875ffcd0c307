#include "platform/QtSettingsBackend.h"

#include "platform/core/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

namespace {

// One version of a file on disk. QSettings replaces the whole file (a new file renamed into place)
// on every successful write, so a changed stamp tells that a write went through.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 inode = 0;
    qint64 modified = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path) {
    FileStamp s;
#ifdef Q_OS_LINUX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.size = st.st_size;
    s.inode = qint64(st.st_ino);
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return s;
    s.exists = true;
    s.size = info.size();
    s.modified = info.lastModified().toMSecsSinceEpoch();
#endif
    return s;
}

QString safeName(QString name) {
    name.replace('/', '_');
    if (name == "." || name == "..")
        name = "_";
    return name;
}

// The toolkit shares a file's parsed keys among the settings objects open on it and keeps them
// for the next one only while they are few: a file of many keys would be read again by every
// session, each of the dozens at start and close. One object kept open per file holds them; a
// session still reads the file again when it changed on the disk.
void keepParsed(const QString& file, QSettings::Format format) {
    static std::map<QString, std::unique_ptr<QSettings>> kept;
    if (file.isEmpty() || kept.count(file))
        return;
    kept.emplace(file, std::make_unique<QSettings>(file, format));
}

class QtSettingsSession : public TSettingsSession {
public:
    explicit QtSettingsSession(const TSettingsLocation& location) : location_(location) {
        if (location.iniFile) {
            file_ = location.path;
            if (usableFile()) {
                settings_ = std::make_unique<QSettings>(file_, QSettings::IniFormat);
                keepParsed(file_, QSettings::IniFormat);
            }
            return;
        }
#ifdef Q_OS_WIN
        QString key = location.path;
        while (key.endsWith('\\'))
            key.chop(1);
        settings_ =
            std::make_unique<QSettings>(location.rootKey + '\\' + key, QSettings::NativeFormat);
#else
        file_ = TQtSettingsBackend::nativeFilePath(location.path);
        if (usableFile())
            settings_ = std::make_unique<QSettings>(file_, QSettings::NativeFormat);
#endif
        if (settings_)
            keepParsed(file_, settings_->format());
    }

    TSettingsText read(const QString& group, const QString& name) override {
        TSettingsText result;
        if (name.isEmpty() || !settings_)
            return result;
        const QVariant v = settings_->value(keyOf(group, name));
        if (!v.isValid())
            return result;
        result.found = true;
#ifdef Q_OS_WIN
        // Only REG_SZ and REG_EXPAND_SZ come back as a plain string.
        if (!location_.iniFile && v.typeId() != QMetaType::QString) {
            result.wrongType = true;
            return result;
        }
#endif
        if (v.typeId() == QMetaType::QStringList) {
            // A value with unquoted commas written by hand or by another program.
            result.text = v.toStringList().join(',');
        } else if (v.canConvert<QString>()) {
            result.text = v.toString();
        } else {
            result.found = false;
        }
        return result;
    }

    void write(const QString& group, const QString& name, const QString& text) override {
        if (name.isEmpty()) {
            refused_ = true;
            return;
        }
        if (!settings_) {
            refused_ = true;
            return;
        }
        const QString key = keyOf(group, name);
        remember(key);
        settings_->setValue(key, text);
        dirty_ = true;
    }

    void removeGroup(const QString& group) override {
        if (!settings_)
            return; // it reads as empty: there is nothing to remove
        QStringList keys;
        if (group.isEmpty()) {
            keys = settings_->childKeys();
        } else {
            settings_->beginGroup(group);
            for (const QString& k : settings_->allKeys())
                keys << group + '/' + k;
            settings_->endGroup();
        }
        for (const QString& k : std::as_const(keys)) {
            remember(k);
            settings_->remove(k);
        }
        // The registry keeps a key once its values are gone; the section must go as a whole.
        if (!group.isEmpty())
            settings_->remove(group);
        if (!keys.isEmpty())
            dirty_ = true;
    }

    TSettingsCommit commit() override {
        if (refused_)
            return TSettingsCommit::notWritten;
        if (!dirty_)
            return TSettingsCommit::ok;
        // A damaged file reports FormatError while it is read, which may happen as late as
        // inside sync(); the first error sticks and would hide the outcome of the write. Judge
        // then by whether the file was replaced.
        const FileStamp stamp = stampOf(file_);
        settings_->sync();
        bool written = false;
        if (settings_->status() == QSettings::NoError) {
            written = true;
        } else if (settings_->status() == QSettings::FormatError && !file_.isEmpty()) {
            const FileStamp now = stampOf(file_);
            written = now.exists && !(now == stamp);
        }
        if (written) {
            priors_.clear();
            touched_.clear();
            return TSettingsCommit::ok;
        }
        revert();
        if (!location_.iniFile && !file_.isEmpty() &&
            !QFileInfo(QFileInfo(file_).absolutePath()).isDir())
            return TSettingsCommit::groupNotCreated;
        return TSettingsCommit::notWritten;
    }

    QString failureReason() const override {
        if (!notRegular_.isEmpty())
            return notRegular_;
        if (file_.isEmpty())
            return {};
        const int error = safefile::whyNotWritable(QFile::encodeName(file_).toStdString());
        return error ? QString::fromLocal8Bit(safefile::reasonOf(error).c_str()) : QString();
    }

    QString where() const override {
        if (!file_.isEmpty())
            return QDir::toNativeSeparators(file_);
        return location_.rootKey + '\\' + location_.path;
    }

private:
    // A named pipe, a socket or a device in place of the file would hold the program in the
    // toolkit's open or read for good: such a store reads as empty and refuses every write, with
    // the reason. (The toolkit fails at once on a folder.)
    bool usableFile() {
        const safefile::TKind kind = safefile::kindOf(QFile::encodeName(file_).toStdString());
        if (kind == safefile::TKind::missing || kind == safefile::TKind::regular ||
            kind == safefile::TKind::folder)
            return true;
        notRegular_ = QStringLiteral("It is %1, not a regular file")
                          .arg(QString::fromLatin1(safefile::kindName(kind)));
        return false;
    }

    static QString keyOf(const QString& group, const QString& name) {
        return group.isEmpty() ? name : group + '/' + name;
    }

    // Keeps the value a key had before this session first touched it. A section of many keys is
    // removed in one go: each key is looked up once, never against the whole list.
    void remember(const QString& key) {
        if (touched_.contains(key))
            return;
        touched_.insert(key);
        std::optional<QVariant> prior;
        if (settings_->contains(key))
            prior = settings_->value(key);
        priors_.emplace_back(key, std::move(prior));
    }

    // QSettings keeps unwritten changes in a per-process cache of the file and hands them to the
    // next QSettings on the same file: a later read would see a value that never reached the disk,
    // and a later successful write would store it behind the caller's back. Putting the old values
    // back leaves nothing of the failed session pending.
    void revert() {
        for (auto it = priors_.rbegin(); it != priors_.rend(); ++it) {
            if (it->second)
                settings_->setValue(it->first, *it->second);
            else
                settings_->remove(it->first);
        }
        priors_.clear();
        touched_.clear();
    }

    TSettingsLocation location_;
    QString file_; ///< the file behind the store; empty for the Windows registry
    std::unique_ptr<QSettings> settings_;
    std::vector<std::pair<QString, std::optional<QVariant>>> priors_;
    QSet<QString> touched_; ///< the keys of priors_
    bool dirty_ = false;
    bool refused_ = false;
    QString notRegular_; ///< why the file is not used
};

} // namespace

std::unique_ptr<TSettingsSession> TQtSettingsBackend::open(const TSettingsLocation& location) {
    return std::make_unique<QtSettingsSession>(location);
}

TQtSettingsBackend& TQtSettingsBackend::instance() {
    static TQtSettingsBackend backend;
    return backend;
}

QString TQtSettingsBackend::nativeFilePath(const QString& keyPath) {
    QStringList names;
    for (const QString& part : keyPath.split('\\', Qt::SkipEmptyParts))
        names << safeName(part);
    if (!names.isEmpty() && names.first().compare("Software", Qt::CaseInsensitive) == 0)
        names.removeFirst();
    if (names.isEmpty()) {
        const QString app = QCoreApplication::applicationName();
        names << safeName(app.isEmpty() ? QStringLiteral("Settings") : app);
    }
#ifdef Q_OS_MACOS
    const QString file = names.last() + ".plist";
#else
    const QString file = names.last() + ".conf";
#endif
    if (names.size() > 1)
        names.removeLast();
    return userConfigFolder() + '/' + names.join('/') + '/' + file;
}

QString TQtSettingsBackend::userConfigFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder.isEmpty() ? QDir::homePath() + "/.config" : folder;
}

QString TQtSettingsBackend::userName() {
    for (const char* var : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(var);
        if (!name.isEmpty())
            return name;
    }
    return {};
}
