#include "settings/LpIniCtrl.h"

#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtSettingsBackend.h"
#include "settings/IniValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace inivalues;

namespace {

const char* const kRootKeys[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                 "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

const QString kRootSection = QStringLiteral("#ROOT");
const QString kCommonSection = QStringLiteral("Common");
constexpr int kMaxCount = 255;
constexpr int kLetters = 26; ///< "A" to "Z"

QString fileNamePart(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(slash + 1);
}

} // namespace

TLpIniCtrl::TLpIniCtrl(QObject* owner) : QObject(owner) {}
TLpIniCtrl::~TLpIniCtrl() = default;

void TLpIniCtrl::setIniFile(const QString& name) {
    iniFile_ = withIniExtension(name);
}

void TLpIniCtrl::setAlphaCounter(bool on) {
    if (on == alphaCounter_)
        return;
    alphaCounter_ = on;
    maxEntries_ = std::min(maxEntries_, kLetters);
}

void TLpIniCtrl::setMaxEntries(int n) {
    if (n < 0 || n > kMaxCount || (alphaCounter_ && n > kLetters))
        return;
    maxEntries_ = n;
}

void TLpIniCtrl::setBackend(TSettingsBackend* backend) {
    backend_ = backend;
}

QString TLpIniCtrl::storeKeyPath() const {
    QString path = isBlank(RegPath) ? "Software\\" + QCoreApplication::applicationName() : RegPath;
    if (!path.endsWith('\\'))
        path += '\\';
    return path;
}

QString TLpIniCtrl::iniPath() const {
    QString name = iniFile_;
    if (name.isEmpty()) {
        const QFileInfo program(QCoreApplication::applicationFilePath());
        name = QDir(program.path()).filePath(program.completeBaseName() + ".INI");
    }
    if (IniPrefix == ppFixed)
        return name;
    // The Windows and system folders have no counterpart elsewhere: both are the user's
    // configuration folder, where a per-user settings file belongs.
    const QString folder = IniPrefix == ppProgram ? QCoreApplication::applicationDirPath()
                                                  : TQtSettingsBackend::userConfigFolder();
    return QDir(folder).filePath(fileNamePart(name));
}

TSettingsLocation TLpIniCtrl::location() const {
    TSettingsLocation where;
    if (fileTarget()) {
        where.iniFile = true;
        where.path = iniPath();
    } else {
        where.rootKey = QString::fromLatin1(kRootKeys[RegRoot]);
        where.path = storeKeyPath();
    }
    return where;
}

QString TLpIniCtrl::resolveSection(const QString& section) {
    if (isBlank(section))
        return isBlank(remembered_) ? kCommonSection : remembered_;
    QString result;
    if (!fileTarget())
        result = section == kRootSection ? QString() : section;
    else if (Common)
        result = section;
    else
        result = (NetUser ? TQtSettingsBackend::userName() : User) + '.' + section;
    remembered_ = result;
    return result;
}

std::unique_ptr<TSettingsSession> TLpIniCtrl::open() const {
    TSettingsBackend& backend = backend_ ? *backend_ : TQtSettingsBackend::instance();
    return backend.open(location());
}

int TLpIniCtrl::listLength(int count) const {
    // Letters stop at "Z": later codes are punctuation, and "\" would name a subkey.
    return std::clamp(count, 0, alphaCounter_ ? kLetters : kMaxCount);
}

std::optional<QString> TLpIniCtrl::readText(TSettingsSession& session, const QString& section,
                                            const QString& name) {
    const TSettingsText value = session.read(section, name);
    if (value.wrongType)
        throw TLpError(errortext::wrongDataType.arg(name));
    if (!value.found)
        return std::nullopt;
    return value.text;
}

void TLpIniCtrl::throwWriteError(const TSettingsSession& session, TSettingsCommit failure,
                                 const QString& section, const QString* valueName) const {
    // The store's own message, then a line with the file and the system's reason when known.
    const QString reason = session.failureReason();
    auto error = [&](const QString& message) {
        if (reason.isEmpty())
            return TLpError(message);
        return TLpError(errorBoxText(message) + '\n' + session.where() + ": " + reason);
    };
    if (fileTarget() || !valueName)
        throw error(errortext::cannotWriteTo.arg(session.where()));
    if (failure == TSettingsCommit::groupNotCreated) {
        QString key = section;
        if (key.isEmpty()) {
            key = storeKeyPath();
            key.chop(1);
        }
        throw error(errortext::keyNotCreated.arg(key));
    }
    throw error(errortext::dataNotSet.arg(*valueName));
}

QString TLpIniCtrl::ReadString(const QString& section, const QString& name, const QString& def) {
    const QString resolved = resolveSection(section);
    auto session = open();
    return readText(*session, resolved, name).value_or(def);
}

std::int32_t TLpIniCtrl::ReadInteger(const QString& section, const QString& name,
                                     std::int32_t def) {
    const QString resolved = resolveSection(section);
    auto session = open();
    const std::optional<QString> text = readText(*session, resolved, name);
    if (!text)
        return def;
    return parseInteger(*text).value_or(def);
}

bool TLpIniCtrl::ReadBool(const QString& section, const QString& name, bool def) {
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

bool TLpIniCtrl::ReadFont(const QString& section, const QString& name, TFontAttributes& font) {
    const QString text = ReadString(section, name, QString());
    if (text.isEmpty())
        return false;
    const QStringList fields = splitFields(text);
    if (fields.size() == 7)
        applyFontFields(fields, font);
    return true;
}

void TLpIniCtrl::ReadStrings(const QString& section, const QString& prefix, int count,
                             QStringList& list) {
    list.clear();
    const QString resolved = resolveSection(section);
    const int n = listLength(count);
    auto session = open();
    for (int i = 0; i < n; ++i) {
        const std::optional<QString> text =
            readText(*session, resolved, counterName(prefix, i, alphaCounter_));
        if (!text || text->isEmpty())
            break;
        list << *text;
    }
}

void TLpIniCtrl::WriteString(const QString& section, const QString& name, const QString& text) {
    const QString resolved = resolveSection(section);
    auto session = open();
    session->write(resolved, name, text);
    const TSettingsCommit result = session->commit();
    if (result != TSettingsCommit::ok)
        throwWriteError(*session, result, resolved, &name);
}

void TLpIniCtrl::WriteInteger(const QString& section, const QString& name, std::int32_t value) {
    WriteString(section, name, QString::number(value));
}

void TLpIniCtrl::WriteBool(const QString& section, const QString& name, bool value) {
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TLpIniCtrl::WriteFont(const QString& section, const QString& name,
                           const TFontAttributes& font) {
    WriteString(section, name, fontToString(font));
}

void TLpIniCtrl::WriteStrings(const QString& section, const QString& prefix, int count,
                              const QStringList& list) {
    WriteStringLists(section, count, {{prefix, list}});
}

void TLpIniCtrl::WriteStringLists(const QString& section, int count,
                                  const std::vector<std::pair<QString, QStringList>>& lists) {
    const QString resolved = resolveSection(section);
    auto session = open();
    session->removeGroup(resolved);
    QString first;
    for (const auto& [prefix, list] : lists) {
        const int n = std::min(listLength(count), int(list.size()));
        for (int i = 0; i < n; ++i) {
            const QString name = counterName(prefix, i, alphaCounter_);
            if (first.isEmpty())
                first = name;
            session->write(resolved, name, list.at(i));
        }
    }
    const TSettingsCommit result = session->commit();
    if (result != TSettingsCommit::ok)
        throwWriteError(*session, result, resolved, first.isEmpty() ? nullptr : &first);
}
